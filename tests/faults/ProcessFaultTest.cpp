// Misbehaving plug-ins and tools, on an installation whose every path holds spaces, quotes
// and non-ASCII characters: the set-up launchers end (or show their alert) and never hang;
// a caller of a tool that ends at once or crashes goes on and can start it again.
#include "SetupLauncherFixture.h"
#include "platform/AppleEvents.h"
#include "platform/LaunchServices.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <signal.h>

namespace {

const QString kHostileName = QStringLiteral("Orvel \"Q\" 'x' \u00dctility \u65e5\u672c #1");
const QByteArray kHostileID = QStringLiteral("MX \"R\" 'q' \u00c9 \u65e5\u672c 1").toUtf8();

using setuptest::LauncherRun;
using testsupport::readFile;

// Scratch folders of the test are made below a folder with a hostile name.
struct HostileTemp : testsupport::TemporaryFolderNamed {
    HostileTemp() : TemporaryFolderNamed(kHostileName) {}
};

using Program = setuptest::LauncherProgram;

class MisbehavingPlugin : public ::testing::TestWithParam<Program> {
protected:
    void SetUp() override {
        const Program& p = GetParam();
        install = setuptest::installProgram(p, &executable);
        install->writeSetting(QStringLiteral("Setting.ini"), "[x]\n");
        install->writeSetting(QStringLiteral("Localize.ini"),
                              "[Localize]\n00020000=not found\n00040000=not found\n");
        const QVariantMap initials{{QStringLiteral("Segv"), QStringLiteral("SEGV")},
                                   {QStringLiteral("Abort"), QStringLiteral("ABRT")},
                                   {QStringLiteral("Exit"), QStringLiteral("EXIT")},
                                   {QStringLiteral("Hang"), QStringLiteral("HANG")},
                                   {QStringLiteral("Unresolved"), QStringLiteral("UNRS")},
                                   {QString::fromUtf8(kHostileID), QStringLiteral("R \u00e9 'q'")}};
        install->writeMachineBundle(kHostileName + QStringLiteral(".bundle"),
                                    setuptest::machineSetting(initials.keys(), initials));
        const QString prefix = QLatin1String(p.prefix);
        const auto plugin = [&](const QString& initial, const char* source) {
            return install->writePlugin(QStringLiteral("Plugin/PrinterPlugin/") + prefix + initial +
                                            QStringLiteral(".plugin"),
                                        QLatin1String(source));
        };
        plugin(QStringLiteral("SEGV"), SEGV_PLUGIN);
        plugin(QStringLiteral("ABRT"), ABORT_PLUGIN);
        plugin(QStringLiteral("EXIT"), EXIT_PLUGIN);
        plugin(QStringLiteral("HANG"), HANG_PLUGIN);
        plugin(QStringLiteral("UNRS"), UNRESOLVED_PLUGIN);
        recorder = plugin(QStringLiteral("R \u00e9 'q'"), RECORDING_PLUGIN);
    }

    // Started as the launcher starts it, for one printer.
    std::unique_ptr<QProcess> launch(const QByteArray& identifier) const {
        return setuptest::startLauncher(*install, executable,
                                        platform::AEDescriptor{"utf8"_4cc, identifier});
    }
    LauncherRun finish(QProcess& process, int timeoutMs = 60000) const {
        return setuptest::finishLauncher(*install, process, timeoutMs);
    }

    HostileTemp hostileTemp; // before the installation, which it places
    std::unique_ptr<setuptest::Installation> install;
    QString executable;
    QString recorder;
};

TEST_P(MisbehavingPlugin, CrashAbortAndExitEndTheProgramWithoutAnAlert) {
    for (const char* model : {"Segv", "Abort"}) {
        SCOPED_TRACE(model);
        auto process = launch(model);
        const LauncherRun run = finish(*process);
        ASSERT_TRUE(run.ended) << "the program hung";
        // The sanitizer turns a segmentation fault into exit status 1.
        EXPECT_TRUE(run.crashed || run.exitCode != 0);
        EXPECT_TRUE(run.alerts.isEmpty());
    }
    auto process = launch("Exit");
    const LauncherRun run = finish(*process);
    ASSERT_TRUE(run.ended);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.exitCode, 7); // the plug-in's own exit
    EXPECT_TRUE(run.alerts.isEmpty());
}

TEST_P(MisbehavingPlugin, UnresolvedSymbolsShowTheNotFoundAlert) {
    auto process = launch("Unresolved");
    const LauncherRun run = finish(*process);
    ASSERT_TRUE(run.ended);
    EXPECT_FALSE(run.crashed) << run.errors.constData();
    EXPECT_EQ(run.exitCode, 0);
    ASSERT_EQ(run.alerts.size(), 1);
    EXPECT_EQ(run.alerts[0].value(QStringLiteral("message")).toString(), "not found");
}

TEST_P(MisbehavingPlugin, NeverReturningDialogEndsOnSigterm) {
    auto process = launch("Hang");
    ASSERT_FALSE(process->waitForFinished(1500)) << "the hanging plug-in returned";
    ::kill(static_cast<pid_t>(process->processId()), SIGTERM);
    const LauncherRun run = finish(*process, 5000);
    ASSERT_TRUE(run.ended) << "SIGTERM did not end it";
    EXPECT_TRUE(run.crashed);
}

TEST_P(MisbehavingPlugin, HostileIdentifierAndPathsArriveWhole) {
    ASSERT_TRUE(install->root().contains(kHostileName));
    auto process = launch(kHostileID);
    const LauncherRun run = finish(*process);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0) << run.errors.constData();
    EXPECT_TRUE(run.alerts.isEmpty()) << run.errors.constData();
    EXPECT_TRUE(run.record.contains("\nid=" + kHostileID + "\n")) << run.record.constData();
    EXPECT_TRUE(run.record.contains("\nbundle=" + recorder.toUtf8() + "\n"))
        << run.record.constData();
}

INSTANTIATE_TEST_SUITE_P(Programs, MisbehavingPlugin,
                         ::testing::Values(Program{"Sheet Glide Tuner", "SGT_Settings",
                                                   "SheetGlideTuner2", SHEET_GLIDE_TUNER, "SGT"},
                                           Program{"Stock Profile Editor", "SPE_Settings",
                                                   "StockProfileEditor2", STOCK_PROFILE_EDITOR,
                                                   "SPE"}));

// A tool package whose executable notes its argument and hand-off, then ends or crashes.
QString writeTool(const testsupport::TempTree& tree, const QString& folder, bool crash) {
    const QString package = folder + QLatin1Char('/') + folder + QStringLiteral(".app");
    tree.write(package + QStringLiteral("/Contents/Info.plist"),
               testsupport::xmlPropertyList(
                   QVariantMap{{QStringLiteral("CFBundleExecutable"), QStringLiteral("tool")}}));
    const QString executable =
        tree.write(package + QStringLiteral("/Contents/MacOS/tool"),
                   QByteArray("#!/bin/sh\n"
                              "printf '%s|%s\\n' \"$1\" \"$TRELLIS_LAUNCH_DESCRIPTOR\" >> "
                              "\"$(dirname \"$0\")/runs.txt\"\n") +
                       (crash ? "kill -SEGV $$\n" : "exit 0\n"));
    QFile::setPermissions(executable,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return tree.path(package);
}

bool waitForFinished(platform::ChildTask& task) {
    QEventLoop loop;
    bool finished = false;
    QObject::connect(&task, &platform::ChildTask::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    loop.exec();
    return finished;
}

TEST(MisbehavingTool, ChildTaskThatEndsAtOnceOrCrashesCanBeStartedAgain) {
    HostileTemp hostileTemp;
    testsupport::TempTree tree;
    for (const bool crash : {false, true}) {
        SCOPED_TRACE(crash ? "crashing" : "ending");
        const QString package = writeTool(tree,
                                          crash ? QStringLiteral("Stock Vault Setup 'c'")
                                                : QStringLiteral("Stock Vault Setup \"e\""),
                                          crash);
        const QString executable = package + QStringLiteral("/Contents/MacOS/tool");
        platform::ChildTask task;
        for (int start = 0; start < 2; ++start) {
            ASSERT_TRUE(task.start(executable, {QString::fromUtf8(kHostileID)}));
            ASSERT_TRUE(waitForFinished(task));
            EXPECT_FALSE(task.isRunning());
        }
        EXPECT_EQ(readFile(package + QStringLiteral("/Contents/MacOS/runs.txt")),
                  kHostileID + "|\n" + kHostileID + "|\n");
    }
}

TEST(MisbehavingTool, OpenedApplicationThatCrashesCanBeOpenedAgain) {
    HostileTemp hostileTemp;
    testsupport::TempTree tree;
    const QString package = writeTool(tree, QStringLiteral("Kestrel \"Loader\" \u00e9"), true);
    const platform::AEDescriptor descriptor{"utf8"_4cc, kHostileID};
    const QString runs = package + QStringLiteral("/Contents/MacOS/runs.txt");
    for (int start = 1; start <= 2; ++start) {
        ASSERT_EQ(platform::openApplication(package, descriptor), 0);
        // Detached: wait for its note.
        for (int i = 0; i < 200 && readFile(runs).count('\n') < start; ++i)
            QThread::msleep(50);
    }
    const QList<QByteArray> lines = readFile(runs).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    for (const QByteArray& line : lines) {
        const auto handed = platform::decodeLaunchDescriptor(line.mid(line.indexOf('|') + 1));
        ASSERT_TRUE(handed.has_value()) << line.constData();
        EXPECT_EQ(*handed, descriptor);
    }
}

} // namespace
