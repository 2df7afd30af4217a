// Misbehaving plug-ins and tools: the set-up launchers end (or give their alert) and never hang;
// a tool that crashes can be started again.
#include "Staged.h"
#include "platform/LaunchServices.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>

namespace {

class MisbehavingPlugin : public faults::Staged {};

TEST_F(MisbehavingPlugin, EndsTheSetUpLauncherOnlyAndNeverHangs) {
    struct Row {
        const char* name;
        const char* initial; // also the model
        const char* plugin;
        int exitCode; // -1: crashed or failed
        int alerts;
    };
    const Row rows[] = {
        {"segmentation fault", "SEGV", SEGV_PLUGIN, -1, 0},
        {"abort", "ABRT", ABORT_PLUGIN, -1, 0},
        {"the plug-in's own exit", "EXIT", EXIT_PLUGIN, 7, 0},
        {"unresolved symbol: the not-found alert", "UNRS", UNRESOLVED_PLUGIN, 0, 1},
        {"never returns: SIGTERM ends it", "HANG", HANG_PLUGIN, -1, 0},
    };
    QStringList models;
    for (const Row& row : rows)
        models << row.initial;
    QVariantMap initials;
    for (const QString& model : models)
        initials.insert(model, model);
    testsupport::writeMachineBundle(tree, staged("MachineBundle/AAA Faults.bundle"),
                                    testsupport::machineSetting(models, initials));
    for (const auto& [program, prefix] :
         {std::pair{"SheetGlideTuner2", "SGT"}, std::pair{"StockProfileEditor2", "SPE"}}) {
        const QString tool =
            prefix == QLatin1String("SGT") ? "Sheet Glide Tuner" : "Stock Profile Editor";
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(program) + ": " + row.name);
            plantPlugin(tool, prefix + QString(row.initial), row.plugin);
            QFile::remove(tree.path("alerts.jsonl"));
            QProcess* process = startLauncher(program, row.initial);
            if (row.initial == QLatin1String("HANG")) {
                ASSERT_FALSE(process->waitForFinished(1500)) << "the hanging plug-in returned";
                ::kill(pid_t(process->processId()), SIGTERM);
            }
            ASSERT_TRUE(process->waitForFinished(30000)) << "the program hung";
            if (row.exitCode < 0)
                EXPECT_TRUE(process->exitStatus() == QProcess::CrashExit ||
                            process->exitCode() != 0);
            else
                EXPECT_EQ(process->exitCode(), row.exitCode)
                    << process->readAllStandardError().toStdString();
            EXPECT_EQ(alerts().size(), row.alerts);
        }
    }
}

TEST(MisbehavingTool, ACrashingToolStartsAgainAsAChildTaskOrAnApplication) {
    testsupport::TemporaryFolderNamed hostile("Kestrel \"L\" '\u00e9'");
    testsupport::TempTree tree;
    const QString package =
        testsupport::writeBundle(tree, "Tool 'c'.app", {{"CFBundleExecutable", "tool"}});
    const QString executable = tree.write("Tool 'c'.app/Contents/MacOS/tool",
                                          "#!/bin/sh\necho \"$1|$TRELLIS_LAUNCH_DESCRIPTOR\" >> "
                                          "\"$(dirname \"$0\")/runs.txt\"\nkill -SEGV $$\n");
    QFile::setPermissions(executable, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString runs = QFileInfo(executable).absolutePath() + "/runs.txt";
    platform::ChildTask task;
    QSignalSpy finished(&task, &platform::ChildTask::finished);
    const platform::AEDescriptor id{"utf8"_4cc, "MX \"R\" \u00c9"};
    for (int start = 1; start <= 2; ++start) {
        ASSERT_TRUE(task.start(executable, {QString::fromUtf8(id.data)}));
        ASSERT_TRUE(finished.wait(20000));
        EXPECT_FALSE(task.isRunning());
    }
    for (int start = 3; start <= 4; ++start) {
        ASSERT_EQ(platform::openApplication(package, id), 0);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return testsupport::readFile(runs).count('\n') == start; }, 20000));
    }
    const QByteArray line = id.data + "|\n",
                     handed = "|" + platform::encodeLaunchDescriptor(id) + "\n";
    EXPECT_EQ(testsupport::readFile(runs), line + line + handed + handed);
}

} // namespace
