#pragma once

#include <QFont>
#include <QString>
#include <optional>

namespace platform {

// One stop alert: the application's name in bold, the message as its explanation,
// OK, or OK and Cancel.
struct AlertRequest {
    short alertType = 0;
    QString applicationName;
    QString message;
    bool hasCancelButton = false;
    std::optional<QString> okTitle;     // nullopt: the platform's own "OK"
    std::optional<QString> cancelTitle; // nullopt: the platform's own "Cancel"
};

// Shows the alert modally through the current presenter. With the environment variable
// TRELLIS_ALERT_LOG set (tests of whole programs), the alert is appended to that file as
// one JSON line and answered with OK, so nothing ever blocks; with TRELLIS_ALERT_WAIT set
// as well, the recorded alert stays up until closeShownAlert closes it.
short presentAlert(const AlertRequest& request);

// Closes the alert that is up as its Cancel button would (OK when it has none); false when
// no alert is up. A quit request of the session uses it, so that it is not held up behind
// an alert.
bool closeShownAlert();

// The explanation of a shown alert is laid out at least this wide (about forty average
// characters of its font) and wraps at most this wide (about sixty), as desktop message
// boxes do.
int alertMinimumTextWidth(const QFont& font);
int alertMaximumTextWidth(const QFont& font);

// Raises the program's windows to the front (before an alert).
void bringApplicationToFront();

} // namespace platform
