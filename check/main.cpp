// trellis-check: what Trellis and its set-up launchers would make of an installation.
#include "check/Checker.h"
#include "check/Output.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

constexpr int kUsageError = 64; // EX_USAGE
constexpr int kNoInput = 66;    // EX_NOINPUT

// The installation this program belongs to: bin/trellis-check lies at a fixed place
// relative to it, as bin/trellis does.
QString ownInstallation() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/" TRELLIS_CHECK_RELATIVE_ROOT));
}

int fail(int status, const QString& message) {
    std::fprintf(stderr, "trellis-check: %s\n", qPrintable(message));
    return status;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trellis-check"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Tells what Trellis and its set-up launchers would make of an installation: which "
        "machine bundles they take, which printers and tool buttons they show, and why "
        "anything is left out."));
    parser.addHelpOption();
    const QCommandLineOption root(QStringLiteral("root"),
                                  QStringLiteral("The installation folder to check."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption language(
        QStringLiteral("language"),
        QStringLiteral("Answer for a user whose preferred language is TAG (en, ja, de-DE)."),
        QStringLiteral("TAG"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print JSON."));
    const QCommandLineOption quiet(QStringLiteral("q"), QStringLiteral("No summary line."));
    parser.addOptions({root, language, json, quiet});
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(kUsageError, parser.errorText());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(kUsageError, QStringLiteral("unexpected argument %1; see --help")
                                     .arg(parser.positionalArguments().first()));
    if (parser.isSet(language) && parser.value(language).trimmed().isEmpty())
        return fail(kUsageError, QStringLiteral("--language needs a language tag"));

    const QString folder = parser.isSet(root) ? parser.value(root) : ownInstallation();
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isReadable() || !QDir(folder).exists())
        return fail(kNoInput, QStringLiteral("%1 is not a folder that can be read").arg(folder));

    std::optional<QStringList> languages;
    if (parser.isSet(language))
        languages = QStringList{parser.value(language)};
    const check::Report report = check::checkInstallation(folder, languages);
    const bool written = parser.isSet(json) ? check::writeJson(report, stdout)
                                            : check::writeText(report, parser.isSet(quiet), stdout);
    if (!written || std::fflush(stdout) != 0)
        return fail(74, QStringLiteral("the report could not be written")); // EX_IOERR
    return report.status();
}
