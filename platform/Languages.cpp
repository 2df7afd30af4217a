#include "Languages.h"

#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>

namespace platform {

namespace {
std::optional<QStringList>& languagesOverride() {
    static std::optional<QStringList> languages;
    return languages;
}
} // namespace

QString globalPreferencesPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/trellis/GlobalPreferences.ini");
}

QStringList preferredLanguages() {
    if (languagesOverride())
        return *languagesOverride();
    const QSettings global(globalPreferencesPath(), QSettings::IniFormat);
    const QStringList explicitList = global.value(QStringLiteral("AppleLanguages")).toStringList();
    if (!explicitList.isEmpty())
        return explicitList;
    return QLocale::system().uiLanguages();
}

void setPreferredLanguagesForTesting(std::optional<QStringList> languages) {
    languagesOverride() = std::move(languages);
}

} // namespace platform
