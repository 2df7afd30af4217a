#include "localize/Alert.h"

#include "localize/Localize.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"

#include <optional>

namespace {

constexpr qsizetype kMaxPascalLength = 255;

QString fromPascal(const unsigned char* text) {
    return QString::fromUtf8(reinterpret_cast<const char*>(text + 1), text[0]);
}

// The localized text of an identifier as a length-prefixed string: empty when the
// identifier is missing or its text does not fit 255 bytes.
QString localizedPascal(const char* stringID) {
    unsigned char text[256] = {};
    if (CLocalize* localize = CLocalize::GetInstance())
        localize->GetLocalizeString(stringID, text, nullptr, nullptr);
    return fromPascal(text);
}

std::optional<QString> buttonTitle(const char* stringID) {
    if (!stringID)
        return std::nullopt;
    return localizedPascal(stringID);
}

// The bundle name as a length-prefixed string would hold it: at most 255 bytes, never
// ending inside a character.
QString applicationName() {
    const auto bundle = platform::Bundle::mainBundle();
    if (!bundle)
        return QString();
    QByteArray name = bundle->name().toUtf8();
    if (name.size() > kMaxPascalLength) {
        qsizetype cut = kMaxPascalLength;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.truncate(cut);
    }
    return QString::fromUtf8(name);
}

} // namespace

short CAlert::DoAlert(short alertType, AlertKind kind, const char* messageID,
                      const unsigned char* message, const char* defaultButtonID,
                      const char* cancelButtonID) {
    platform::bringApplicationToFront();

    platform::AlertRequest request;
    request.alertType = alertType;
    request.hasCancelButton = kind != 1;
    request.okTitle = buttonTitle(defaultButtonID);
    request.cancelTitle = buttonTitle(cancelButtonID);
    request.applicationName = applicationName();
    if (message)
        request.message = fromPascal(message);
    else if (messageID)
        request.message = localizedPascal(messageID);
    return platform::presentAlert(request);
}

short CAlert::AlertIniFileNotFound() {
    return DoAlert(0, 1, nullptr, ALERT_IniFileNotFoundMessage, nullptr, nullptr);
}
