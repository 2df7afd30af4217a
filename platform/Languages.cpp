#include "Languages.h"

#include <QHash>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>

namespace platform {

namespace {

// Folder names that older packages use instead of language codes.
const QHash<QString, QString>& legacyLanguageNames() {
    static const QHash<QString, QString> names = {
        {QStringLiteral("english"), QStringLiteral("en")},
        {QStringLiteral("japanese"), QStringLiteral("ja")},
        {QStringLiteral("french"), QStringLiteral("fr")},
        {QStringLiteral("german"), QStringLiteral("de")},
        {QStringLiteral("spanish"), QStringLiteral("es")},
        {QStringLiteral("italian"), QStringLiteral("it")},
        {QStringLiteral("dutch"), QStringLiteral("nl")},
        {QStringLiteral("portuguese"), QStringLiteral("pt")},
        {QStringLiteral("swedish"), QStringLiteral("sv")},
        {QStringLiteral("danish"), QStringLiteral("da")},
        {QStringLiteral("finnish"), QStringLiteral("fi")},
        {QStringLiteral("norwegian"), QStringLiteral("nb")},
        {QStringLiteral("korean"), QStringLiteral("ko")},
        {QStringLiteral("russian"), QStringLiteral("ru")},
        {QStringLiteral("polish"), QStringLiteral("pl")},
        {QStringLiteral("chinese"), QStringLiteral("zh")},
    };
    return names;
}

} // namespace

QString canonicalLanguage(QString name) {
    name = name.trimmed().toLower();
    // "ja_JP.UTF-8" and "de_DE@euro": the encoding and the modifier name no language.
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i) == QLatin1Char('.') || name.at(i) == QLatin1Char('@')) {
            name.truncate(i);
            break;
        }
    }
    name.replace(QLatin1Char('_'), QLatin1Char('-'));
    const auto legacy = legacyLanguageNames().constFind(name);
    return legacy != legacyLanguageNames().constEnd() ? *legacy : name;
}

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

void setPreferredLanguages(std::optional<QStringList> languages) {
    languagesOverride() = std::move(languages);
}

} // namespace platform
