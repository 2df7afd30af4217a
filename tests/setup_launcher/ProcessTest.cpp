// Both set-up launchers as processes on a scratch installation with their installed settings
// files, the alert recorder standing in for the user.
#include "SetupLauncherFixture.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct Program : setuptest::LauncherProgram {
    const char* installedSettings;
};

class SetupLauncherProcess : public ::testing::TestWithParam<Program> {};

TEST_P(SetupLauncherProcess, OneRunPerLaunch) {
    const Program& p = GetParam();
    QString executable;
    const auto install = setuptest::installProgram(p, &executable);
    const QDir installed(p.installedSettings);
    for (const QString& name : installed.entryList({"*.ini"}, QDir::Files)) {
        QFile::remove(install->settingsPath(name));
        ASSERT_TRUE(QFile::copy(installed.filePath(name), install->settingsPath(name)));
    }
    const QByteArray longest(255, 'L');
    install->writeSetting("Setting.ini",
                          "[" + longest + "]\nPLUGIN_PATH=Plugin\\Legacy\\R.plugin\n");
    install->writePlugin("Plugin/Legacy/R.plugin", RECORDING_PLUGIN);
    const QString plugins = QStringLiteral("Plugin/PrinterPlugin/") + p.prefix;
    install->writePlugin(plugins + "REC.plugin", RECORDING_PLUGIN);
    install->writePlugin(plugins + "ERR.plugin", ERROR_PLUGIN);
    install->writePlugin(plugins + "NOE.plugin", NOENTRY_PLUGIN);
    install->writeMachineBundle(
        "Demo.bundle", setuptest::machineSetting(
                           {"MX-R74400 Series", "Error", "No Entry"},
                           {{"MX-R74400 Series", "REC"}, {"Error", "ERR"}, {"No Entry", "NOE"}}));

    const QString param = QStringLiteral("No printer was given to %1.").arg(p.tool);
    const QString notFound = "The set-up module for this printer cannot be found.";
    const QString fixed = "The necessary file cannot be found. Install the program again.";
    const auto utf8 = [](const QByteArray& bytes) {
        return std::optional(platform::AEDescriptor{"utf8"_4cc, bytes});
    };
    const struct {
        const char* name;
        std::optional<platform::AEDescriptor> descriptor;
        QString alert;       // its first line; null for none
        QByteArray received; // by the plug-in; null when it is not called
    } rows[] = {
        {"by hand", std::nullopt, param, {}},
        {"empty", utf8(""), param, {}},
        {"another type", platform::AEDescriptor{"TEXT"_4cc, "MX-R74400 Series"}, param, {}},
        {"NUL", utf8(QByteArray("\0MX", 3)), param, {}},
        {"not UTF-8", utf8("MX \xff"), param, {}},
        {"unknown printer", utf8("MX-R99999 Series"), notFound, {}},
        {"no entry point", utf8("No Entry"), notFound, {}},
        {"printer", utf8("MX-R74400 Series"), {}, "MX-R74400 Series"},
        {"error from the plug-in", utf8("Error"), {}, "Error"},
        {"255 bytes", utf8(longest), {}, longest},
        {"longer", utf8(longest + "-more"), {}, longest},
        {"no Media.ini", utf8("MX-R74400 Series"), fixed, {}},
        {"no Media.ini, by hand", std::nullopt, fixed, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.alert == fixed)
            QFile::remove(install->settingsPath("Media.ini"));
        const auto process = setuptest::startLauncher(*install, executable, row.descriptor);
        const setuptest::LauncherRun run = setuptest::finishLauncher(*install, *process);
        ASSERT_TRUE(run.ended);
        EXPECT_FALSE(run.crashed) << run.errors.constData();
        EXPECT_EQ(run.exitCode, 0) << run.errors.constData();
        QStringList alerts;
        for (const QJsonObject& alert : run.alerts) {
            alerts.append(alert.value("message").toString().section('\r', 0, 0));
            EXPECT_EQ(alert.value("title").toString(), p.tool);
        }
        EXPECT_EQ(alerts, row.alert.isNull() ? QStringList() : QStringList{row.alert});
        EXPECT_EQ(run.record.split('\n').value(2),
                  row.received.isNull() ? "" : "id=" + row.received);
        EXPECT_TRUE(row.received.isNull() ||
                    run.record.startsWith("entry=" + QByteArray(p.prefix)));
    }
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, SetupLauncherProcess,
                         ::testing::Values(Program{{"Sheet Glide Tuner", "SGT_Settings",
                                                    "SheetGlideTuner2", SHEET_GLIDE_TUNER, "SGT"},
                                                   SGT_SETTINGS_DIR},
                                           Program{{"Stock Profile Editor", "SPE_Settings",
                                                    "StockProfileEditor2", STOCK_PROFILE_EDITOR,
                                                    "SPE"},
                                                   SPE_SETTINGS_DIR}),
                         [](const auto& info) { return std::string(info.param.executableName); });

} // namespace
