#pragma once

// The one alert of a missing settings file, shown without localization: the string tables
// themselves may be what is missing.
inline constexpr unsigned char ALERT_IniFileNotFoundMessage[] =
    "\x3eThe necessary file cannot be found. Install the program again.";
static_assert(sizeof ALERT_IniFileNotFoundMessage == 62 + 2);

// Button sets of an alert: 1 is OK alone, anything else OK and Cancel.
using AlertKind = short;

class CAlert {
public:
    // A stop alert with the application's name in bold. The message (length-prefixed) is
    // shown as it stands; when null, the localized text of messageID. Null button IDs
    // keep the platform's titles. Returns 1 for OK, 2 for Cancel.
    static short DoAlert(short alertType, AlertKind kind, const char* messageID,
                         const unsigned char* message, const char* defaultButtonID,
                         const char* cancelButtonID);
    // The missing-file alert above.
    static short AlertIniFileNotFound();
};
