// Misbehaving plug-ins and tools: the set-up launchers end (or give their alert) and never
// hang; a tool that crashes can be started again.
#include "Staged.h"
#include "platform/LaunchServices.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>

namespace {

using namespace platform;

class MisbehavingPlugin : public faults::Staged {};

TEST_F(MisbehavingPlugin, EndsTheSetUpLauncherOnlyAndNeverHangs) {
    const struct Row {
        const char *model, *plugin; // the model is also its initial
        int exitCode, alerts;       // exit code -1: crashed or failed
    } rows[] = {{"SEGV", SEGV_PLUGIN, -1, 0},
                {"ABRT", ABORT_PLUGIN, -1, 0},
                {"EXIT", EXIT_PLUGIN, 7, 0},       // the plug-in's own exit
                {"UNRS", UNRESOLVED_PLUGIN, 0, 1}, // cannot load: the not-found alert
                {"HANG", HANG_PLUGIN, -1, 0}};     // never returns: SIGTERM ends it
    QVariantMap initials;
    for (const Row& row : rows)
        initials.insert(row.model, row.model);
    testsupport::writeMachineBundle(tree, staged("MachineBundle/AAA Faults.bundle"),
                                    testsupport::machineSetting(initials.keys(), initials));
    for (const bool sgt : {true, false}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(sgt ? "SGT " : "SPE ") + row.model);
            plantPlugin(sgt ? "Sheet Glide Tuner" : "Stock Profile Editor",
                        (sgt ? "SGT" : "SPE") + QString(row.model), row.plugin);
            QFile::remove(tree.path("alerts.jsonl"));
            QProcess* process =
                startLauncher(sgt ? "SheetGlideTuner2" : "StockProfileEditor2", row.model);
            if (row.model == QLatin1String("HANG")) {
                ASSERT_FALSE(process->waitForFinished(1500)) << "the hanging plug-in returned";
                ::kill(pid_t(process->processId()), SIGTERM);
            }
            ASSERT_TRUE(process->waitForFinished(30000)) << "the program hung";
            EXPECT_TRUE(row.exitCode < 0 ? process->exitStatus() == QProcess::CrashExit ||
                                               process->exitCode() != 0
                                         : process->exitCode() == row.exitCode);
            EXPECT_EQ(alerts(), row.alerts);
        }
    }
}

TEST(MisbehavingTool, ACrashingToolStartsAgainAsAChildTaskOrAnApplication) {
    testsupport::TemporaryFolderNamed hostile("Kestrel \"L\" '\u00e9'");
    testsupport::TempTree tree;
    const QString package =
        testsupport::writeBundle(tree, "T 'c'.app", {{"CFBundleExecutable", "t"}});
    const QString tool = tree.write("T 'c'.app/Contents/MacOS/t",
                                    "#!/bin/sh\necho \"$1|$TRELLIS_LAUNCH_DESCRIPTOR\" >> "
                                    "\"$(dirname \"$0\")/runs\"\nkill -SEGV $$\n");
    QFile::setPermissions(tool, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    ChildTask task;
    QSignalSpy finished(&task, &ChildTask::finished);
    const AEDescriptor id{"utf8"_4cc, "MX \"R\" \u00c9"};
    const auto runs = [&] { return testsupport::readFile(tool.chopped(1) + "runs"); };
    for (int start = 1; start <= 4; ++start) {
        ASSERT_TRUE(start <= 2
                        ? task.start(tool, {QString::fromUtf8(id.data)}) && finished.wait(20000)
                        : openApplication(package, id) == 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return runs().count('\n') == start; }, 20000));
    }
    const QByteArray line = id.data + "|\n", handed = "|" + encodeLaunchDescriptor(id) + "\n";
    EXPECT_EQ(runs(), line + line + handed + handed);
}

} // namespace
