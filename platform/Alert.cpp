#include "platform/Alert.h"

#include "platform/TestingAccess.h"
#include "platform/WindowSystemObjects.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace platform {

namespace {

AlertPresenter& currentPresenter() {
    static AlertPresenter presenter;
    return presenter;
}

// Closes the alert that is up; empty when none is.
std::function<void()>& shownAlertCloser() {
    static std::function<void()> closer;
    return closer;
}

// Makes an alert closable by closeShownAlert while the object lives.
class ShownAlert {
public:
    explicit ShownAlert(std::function<void()> close)
        : m_previous(std::exchange(shownAlertCloser(), std::move(close))) {}
    ~ShownAlert() { shownAlertCloser() = std::move(m_previous); }
    ShownAlert(const ShownAlert&) = delete;
    ShownAlert& operator=(const ShownAlert&) = delete;

private:
    std::function<void()> m_previous;
};

short recordAlert(const QString& logPath, const AlertRequest& request) {
    QJsonObject line{
        {QStringLiteral("type"), request.alertType},
        {QStringLiteral("title"), request.applicationName},
        {QStringLiteral("message"), request.message},
        {QStringLiteral("buttons"), request.hasCancelButton ? 2 : 1},
    };
    if (request.okTitle)
        line.insert(QStringLiteral("ok"), *request.okTitle);
    if (request.cancelTitle)
        line.insert(QStringLiteral("cancel"), *request.cancelTitle);
    QFile log(logPath);
    if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
        log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
        log.close(); // written out before the alert waits
    }
    if (!qEnvironmentVariableIsEmpty("TRELLIS_ALERT_WAIT") && QCoreApplication::instance()) {
        // Stays up, as a shown alert does, until something closes it.
        QEventLoop loop;
        const ShownAlert shown([&loop] { loop.quit(); });
        loop.exec();
        return request.hasCancelButton ? 2 : 1;
    }
    return 1;
}

// The explanation's measure: its longest line, but never narrower than the minimum (a short
// message reads on one line instead of a thin column) nor wider than a comfortable reading
// measure of about sixty characters.
int explanationWidth(const QString& text, const QFont& font) {
    const QFontMetrics metrics(font);
    int natural = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        natural = std::max(natural, metrics.horizontalAdvance(line) + 1);
    return std::clamp(natural, alertMinimumTextWidth(font), alertMaximumTextWidth(font));
}

short showMessageBox(const AlertRequest& request) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(request.applicationName),
                     qPrintable(detail::labelText(request.message)));
        return 1;
    }
    QMessageBox box(QMessageBox::Critical, request.applicationName, QString());
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral("<b>%1</b>").arg(request.applicationName.toHtmlEscaped()));
    // Texts from the string tables end lines with CR.
    const QString explanationText = detail::labelText(request.message);
    box.setInformativeText(explanationText);
    // The box sizes itself to its labels' minimum widths when it is shown.
    if (auto* explanation = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        explanation->setMinimumWidth(explanationWidth(explanationText, explanation->font()));
    QPushButton* ok = box.addButton(QMessageBox::Ok);
    if (request.okTitle)
        ok->setText(*request.okTitle);
    box.setDefaultButton(ok);
    QPushButton* cancel = nullptr;
    if (request.hasCancelButton) {
        cancel = box.addButton(QMessageBox::Cancel);
        if (request.cancelTitle)
            cancel->setText(*request.cancelTitle);
    }
    box.setEscapeButton(cancel ? cancel : ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.raise();
    box.activateWindow();
    bool closed = false;
    {
        const ShownAlert shown([&box, &closed] {
            closed = true;
            box.done(0);
        });
        box.exec();
    }
    if (closed)
        return cancel ? 2 : 1;
    return cancel && box.clickedButton() == cancel ? 2 : 1;
}

} // namespace

int alertMinimumTextWidth(const QFont& font) {
    return QFontMetrics(font).averageCharWidth() * 40;
}

int alertMaximumTextWidth(const QFont& font) {
    return QFontMetrics(font).averageCharWidth() * 60;
}

short presentAlert(const AlertRequest& request) {
    if (currentPresenter())
        return currentPresenter()(request);
    const QString logPath = qEnvironmentVariable("TRELLIS_ALERT_LOG");
    if (!logPath.isEmpty())
        return recordAlert(logPath, request);
    return showMessageBox(request);
}

bool closeShownAlert() {
    if (!shownAlertCloser())
        return false;
    shownAlertCloser()();
    return true;
}

void setAlertPresenter(AlertPresenter presenter) {
    currentPresenter() = std::move(presenter);
}

void bringApplicationToFront() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible()) {
            window->raise();
            window->activateWindow();
        }
    }
}

} // namespace platform
