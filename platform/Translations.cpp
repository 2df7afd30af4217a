#include "platform/Translations.h"

#include "platform/Bundle.h"
#include "platform/Languages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

namespace {

// "ja", "ja-JP", "ja_JP.UTF-8" and the legacy folder name "Japanese" all give Japanese.
QLocale localeOf(const QString& name) {
    return QLocale(canonicalLanguage(name).replace(QLatin1Char('-'), QLatin1Char('_')));
}

} // namespace

QString installToolkitTranslations() {
    QStringList wanted = preferredLanguages();
    if (const auto bundle = Bundle::mainBundle()) {
        const QStringList shown = bundle->searchLocalizations();
        if (!shown.isEmpty())
            wanted = QStringList{shown.first()};
    }
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    static QTranslator* installed = nullptr;
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
        installed = nullptr;
    }
    if (!QCoreApplication::instance())
        return QString();
    for (const QString& name : wanted) {
        const QLocale locale = localeOf(name);
        if (locale.language() == QLocale::C)
            continue;
        if (locale.language() == QLocale::English)
            return QString(); // the toolkit's own texts are English
        auto* translator = new QTranslator(QCoreApplication::instance());
        if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
            delete translator;
            continue;
        }
        QCoreApplication::installTranslator(translator);
        installed = translator;
        return QLocale::languageToCode(locale.language());
    }
    return QString();
}

} // namespace platform
