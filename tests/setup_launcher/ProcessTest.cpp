// Both programs as processes on an installation in a scratch folder, with the alert
// recorder standing in for the user.
#include "SetupLauncherFixture.h"
#include "platform/AppleEvents.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

const QString kFixedMessage =
    QStringLiteral("The necessary file cannot be found. Install the program again.");

// Distinct texts for every identifier of both programs, so that a wrong choice shows.
const QByteArray kLocalize = "[Localize]\n"
                             "00020000=SGT: plug-in not found\n"
                             "00020001=SGT: no printer\n"
                             "00040000=SPE: plug-in not found\n"
                             "00040001=SPE: no printer\n";

using setuptest::LauncherRun;
using testsupport::readFile;

struct Program : setuptest::LauncherProgram {
    const char* entry;
    QString paramText;
    QString notFoundText;
};

const Program kSheetGlideTuner{
    {"Sheet Glide Tuner", "SGT_Settings", "SheetGlideTuner2", SHEET_GLIDE_TUNER, "SGT"},
    "SGT",
    QStringLiteral("SGT: no printer"),
    QStringLiteral("SGT: plug-in not found")};
const Program kStockProfileEditor{
    {"Stock Profile Editor", "SPE_Settings", "StockProfileEditor2", STOCK_PROFILE_EDITOR, "SPE"},
    "SPE",
    QStringLiteral("SPE: no printer"),
    QStringLiteral("SPE: plug-in not found")};

void PrintTo(const Program& program, std::ostream* out) {
    *out << program.executableName;
}

class SetupLauncherProcess : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        const Program& p = GetParam();
        install = setuptest::installProgram(p, &executable);
        install->writeSetting(QStringLiteral("Localize.ini"), kLocalize);
        install->writeSetting(QStringLiteral("Setting.ini"),
                              "[LX-1000]\nPLUGIN_PATH=Plugin\\Legacy\\Recorder.plugin\n"
                              "[" +
                                  QByteArray(255, 'L') +
                                  "]\nPLUGIN_PATH=Plugin\\Legacy\\Recorder.plugin\n");

        const QString prefix = QLatin1String(p.prefix);
        const auto plugin = [&](const QString& initial) {
            return QStringLiteral("Plugin/PrinterPlugin/") + prefix + initial +
                   QStringLiteral(".plugin");
        };
        recorder =
            install->writePlugin(plugin(QStringLiteral("REC")), QStringLiteral(RECORDING_PLUGIN));
        install->writePlugin(QStringLiteral("Plugin/Legacy/Recorder.plugin"),
                             QStringLiteral(RECORDING_PLUGIN));
        install->writePlugin(plugin(QStringLiteral("ERR")), QStringLiteral(ERROR_PLUGIN));
        install->writePlugin(plugin(QStringLiteral("NOE")), QStringLiteral(NOENTRY_PLUGIN));
        install->writePlugin(plugin(QStringLiteral("NOX")), QString());
        install->writePlugin(plugin(QStringLiteral("TXT")), QString(), "not an ELF file\n");

        install->writeMachineBundle(
            QStringLiteral("Demo.bundle"),
            setuptest::machineSetting({QStringLiteral("MX-R74400 Series"), kUnicodePrinter,
                                       QStringLiteral("Error Printer"), QStringLiteral("No Entry"),
                                       QStringLiteral("No Executable"), QStringLiteral("Not ELF"),
                                       QStringLiteral("No Plug-in")},
                                      {{QStringLiteral("MX-R74400 Series"), QStringLiteral("REC")},
                                       {kUnicodePrinter, QStringLiteral("REC")},
                                       {QStringLiteral("Error Printer"), QStringLiteral("ERR")},
                                       {QStringLiteral("No Entry"), QStringLiteral("NOE")},
                                       {QStringLiteral("No Executable"), QStringLiteral("NOX")},
                                       {QStringLiteral("Not ELF"), QStringLiteral("TXT")},
                                       {QStringLiteral("No Plug-in"), QStringLiteral("GONE")}}));
    }

    // Starts the program as the launcher would: the hand-off variable carries the
    // descriptor, or is absent when the program is started by hand.
    LauncherRun start(const std::optional<platform::AEDescriptor>& descriptor) const {
        const auto process = setuptest::startLauncher(*install, executable, descriptor);
        const LauncherRun run = setuptest::finishLauncher(*install, *process);
        if (!run.ended)
            ADD_FAILURE() << "the program did not end";
        return run;
    }

    LauncherRun startFor(const QByteArray& identifier) const {
        return start(platform::AEDescriptor{"utf8"_4cc, identifier});
    }

    // Ended normally with status 0 and showed exactly this one alert.
    void expectOneAlert(const LauncherRun& run, const QString& message) const {
        EXPECT_FALSE(run.crashed) << run.errors.constData();
        EXPECT_EQ(run.exitCode, 0) << run.errors.constData();
        ASSERT_EQ(run.alerts.size(), 1) << run.errors.constData();
        EXPECT_EQ(run.alerts[0].value(QStringLiteral("message")).toString(), message);
        EXPECT_EQ(run.alerts[0].value(QStringLiteral("title")).toString(),
                  QLatin1String(GetParam().tool));
        EXPECT_EQ(run.alerts[0].value(QStringLiteral("buttons")).toInt(), 1);
    }

    void expectNoAlert(const LauncherRun& run) const {
        EXPECT_FALSE(run.crashed) << run.errors.constData();
        EXPECT_EQ(run.exitCode, 0) << run.errors.constData();
        EXPECT_TRUE(run.alerts.isEmpty()) << run.errors.constData();
    }

    QByteArray expectedRecord(const QByteArray& identifier, const QString& bundle,
                              int result = 0) const {
        return "entry=" + QByteArray(GetParam().entry) +
               "\nid_length=" + QByteArray::number(identifier.size()) + "\nid=" + identifier +
               "\nbundle=" + bundle.toUtf8() + "\nresources=" + bundle.toUtf8() +
               "/Contents/Resources\nversion=3.1.4\nresource=" + bundle.toUtf8() +
               "/Contents/Resources/Media.json\nresult=" + QByteArray::number(result) + "\n";
    }

    static inline const QString kUnicodePrinter =
        QStringLiteral("Orvel \u00c9tiquette \u65e5\u672c 1800");

    std::unique_ptr<setuptest::Installation> install;
    QString executable;
    QString recorder;
};

TEST_P(SetupLauncherProcess, WithoutIdentifierShowsTheParameterAlert) {
    const Program& p = GetParam();
    const std::optional<platform::AEDescriptor> withoutIdentifier[] = {
        std::nullopt, // started by hand
        platform::AEDescriptor{"utf8"_4cc, QByteArray()},
        platform::AEDescriptor{"TEXT"_4cc, "MX-R74400 Series"},
        platform::AEDescriptor{"utf8"_4cc, QByteArray("\0MX", 3)},
        platform::AEDescriptor{"utf8"_4cc, "MX-R74400 \xff Series"},
    };
    for (const auto& descriptor : withoutIdentifier) {
        SCOPED_TRACE(descriptor ? descriptor->data.toHex().constData() : "none");
        const LauncherRun run = start(descriptor);
        expectOneAlert(run, p.paramText);
        EXPECT_TRUE(run.record.isEmpty());
    }
}

TEST_P(SetupLauncherProcess, PrinterThatNothingListsShowsTheNotFoundAlert) {
    const LauncherRun run = startFor("MX-R99999 Series");
    expectOneAlert(run, GetParam().notFoundText);
    EXPECT_TRUE(run.record.isEmpty());
}

TEST_P(SetupLauncherProcess, MissingStartUpFileShowsTheFixedAlertOnly) {
    for (const char* name : {"Media.ini", "Setting.ini", "Localize.ini"}) {
        SCOPED_TRACE(name);
        const QString path = install->settingsPath(QLatin1String(name));
        const QByteArray saved = readFile(path);
        QFile::remove(path);
        // A valid identifier changes nothing; neither does its absence.
        for (const bool withIdentifier : {true, false}) {
            const LauncherRun run =
                withIdentifier ? startFor("MX-R74400 Series") : start(std::nullopt);
            expectOneAlert(run, kFixedMessage);
            EXPECT_TRUE(run.record.isEmpty());
        }
        install->tree().write(path.mid(install->root().size() + 1), saved);
    }
}

TEST_P(SetupLauncherProcess, PluginGetsTheExactIdentifierAndItsOwnBundle) {
    for (const QByteArray& identifier :
         {QByteArray("MX-R74400 Series"), kUnicodePrinter.toUtf8()}) {
        const LauncherRun run = startFor(identifier);
        expectNoAlert(run);
        EXPECT_EQ(run.record, expectedRecord(identifier, recorder));
    }
}

TEST_P(SetupLauncherProcess, SettingIniRouteWithBackslashes) {
    const LauncherRun run = startFor("LX-1000");
    expectNoAlert(run);
    EXPECT_EQ(run.record,
              expectedRecord("LX-1000", install->toolFolder() +
                                            QStringLiteral("/Plugin/Legacy/Recorder.plugin")));
}

TEST_P(SetupLauncherProcess, ErrorFromTheEntryPointIsNoFailure) {
    const LauncherRun run = startFor("Error Printer");
    expectNoAlert(run);
    EXPECT_TRUE(run.record.endsWith("result=-4\n"));
}

TEST_P(SetupLauncherProcess, PluginThatCannotBeEnteredShowsTheNotFoundAlert) {
    for (const char* printer : {"No Entry", "No Executable", "Not ELF", "No Plug-in"}) {
        SCOPED_TRACE(printer);
        const LauncherRun run = startFor(printer);
        expectOneAlert(run, GetParam().notFoundText);
        EXPECT_TRUE(run.record.isEmpty());
    }
}

TEST_P(SetupLauncherProcess, IdentifierIsCutTo255Bytes) {
    const QByteArray name(255, 'L');
    const QString legacy = install->toolFolder() + QStringLiteral("/Plugin/Legacy/Recorder.plugin");
    LauncherRun run = startFor(name);
    expectNoAlert(run);
    EXPECT_EQ(run.record, expectedRecord(name, legacy));

    run = startFor(name + "-and-more-that-the-launcher-never-sends");
    expectNoAlert(run);
    EXPECT_EQ(run.record, expectedRecord(name, legacy));
}

TEST_P(SetupLauncherProcess, InstalledSettingFilesGiveEnglishAlerts) {
    const Program& p = GetParam();
    const QString installed = p.prefix == QByteArrayView("SGT") ? QStringLiteral(SGT_SETTINGS_DIR)
                                                                : QStringLiteral(SPE_SETTINGS_DIR);
    const QStringList names = QDir(installed).entryList({QStringLiteral("*.ini")}, QDir::Files);
    ASSERT_EQ(names.size(), 6) << qPrintable(names.join(u','));
    for (const QString& name : names) {
        QFile::remove(install->settingsPath(name));
        ASSERT_TRUE(QFile::copy(installed + QLatin1Char('/') + name, install->settingsPath(name)));
        EXPECT_TRUE(readFile(install->settingsPath(name)).contains("\r\n")) << qPrintable(name);
    }
    const LauncherRun run = start(std::nullopt);
    ASSERT_EQ(run.alerts.size(), 1);
    const QString message = run.alerts[0].value(QStringLiteral("message")).toString();
    EXPECT_TRUE(message.startsWith(QStringLiteral("No printer was given to ") +
                                   QLatin1String(p.tool) + QStringLiteral(".\r")))
        << qPrintable(message);

    const LauncherRun unknown = startFor("MX-R99999 Series");
    ASSERT_EQ(unknown.alerts.size(), 1);
    EXPECT_TRUE(
        unknown.alerts[0]
            .value(QStringLiteral("message"))
            .toString()
            .startsWith(QStringLiteral("The set-up module for this printer cannot be found.")));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, SetupLauncherProcess,
                         ::testing::Values(kSheetGlideTuner, kStockProfileEditor),
                         [](const auto& info) { return std::string(info.param.executableName); });

} // namespace
