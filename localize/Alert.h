#pragma once

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
};
