// Misbehaving plug-ins and tools: the set-up launchers end (or give their alert) and never
// hang; a tool that crashes can be started again. Bundles another user cannot read are skipped.
#include "Staged.h"
#include "catalogue/SupportMachine.h"
#include "platform/LaunchServices.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

class MisbehavingPlugin : public faults::Staged {};
class HostileFolders : public faults::Staged {};

TEST_F(MisbehavingPlugin, EndsTheSetUpLauncherOnlyAndNeverHangs) {
    const struct Row {
        const char* model; // also its initial
        const char* plugin;
        int exitCode; // -1: crashed or failed
        int alerts;
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
    for (const char* program : {"SheetGlideTuner2", "StockProfileEditor2"}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(program) + ": " + row.model);
            const bool sgt = program[0] == 'S' && program[1] == 'h';
            plantPlugin(sgt ? "Sheet Glide Tuner" : "Stock Profile Editor",
                        (sgt ? "SGT" : "SPE") + QString(row.model), row.plugin);
            QFile::remove(tree.path("alerts.jsonl"));
            QProcess* process = startLauncher(program, row.model);
            if (row.model == QLatin1String("HANG")) {
                ASSERT_FALSE(process->waitForFinished(1500)) << "the hanging plug-in returned";
                ::kill(pid_t(process->processId()), SIGTERM);
            }
            ASSERT_TRUE(process->waitForFinished(30000)) << "the program hung";
            EXPECT_TRUE(row.exitCode < 0 ? process->exitStatus() == QProcess::CrashExit ||
                                               process->exitCode() != 0
                                         : process->exitCode() == row.exitCode);
            EXPECT_EQ(alerts().size(), row.alerts);
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
    platform::ChildTask task;
    QSignalSpy finished(&task, &platform::ChildTask::finished);
    const platform::AEDescriptor id{"utf8"_4cc, "MX \"R\" \u00c9"};
    const auto runs = [&] { return testsupport::readFile(tool.chopped(1) + "runs"); };
    for (int start = 1; start <= 4; ++start) {
        ASSERT_TRUE(start <= 2
                        ? task.start(tool, {QString::fromUtf8(id.data)}) && finished.wait(20000)
                        : platform::openApplication(package, id) == 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return runs().count('\n') == start; }, 20000));
    }
    const QByteArray line = id.data + "|\n",
                     handed = "|" + platform::encodeLaunchDescriptor(id) + "\n";
    EXPECT_EQ(runs(), line + line + handed + handed);
    EXPECT_FALSE(task.isRunning());
}

TEST_F(HostileFolders, UnreadableBundlesAreSkippedForAnOrdinaryUser) {
    if (geteuid() != 0)
        GTEST_SKIP() << "another user is needed: the tests do not run as root";
    for (const char* name : {"Good", "Locked", "Closed", "Secret"})
        testsupport::writeMachineBundle(tree, staged(QString("MachineBundle/%1.bundle").arg(name)),
                                        testsupport::machineSetting({QString(name) + " 1"}));
    const QString machines = root("MachineBundle");
    QFile::setPermissions(machines + "/Locked.bundle", {});
    QFile::setPermissions(machines + "/Closed.bundle/Contents", QFileDevice::ReadOther);
    QFile::setPermissions(machines + "/Secret.bundle/Contents/Resources/Setting.xml", {});
    for (QString path = machines; path.count('/') > 1; path = QFileInfo(path).absolutePath())
        ::chmod(QFile::encodeName(path).constData(), 0755);
    // The catalogue scanned by a child process of user `nobody`: its status, then its printers.
    const auto scan = [&] {
        int ends[2];
        const pid_t pid = ::pipe(ends) == 0 ? fork() : -1;
        if (pid == 0) {
            CSupportMachine catalogue;
            QByteArray out =
                setuid(65534) ? "-1" : QByteArray::number(catalogue.OnInitialize(machines));
            for (long i = 0; i < catalogue.GetSupportPrinterCount(); ++i)
                out += "\n" + catalogue.GetPrinterNameWithIndex(i).toUtf8();
            _exit(::write(ends[1], out.constData(), size_t(out.size())) > 0 ? 0 : 1);
        }
        ::close(ends[1]);
        QFile result;
        result.open(ends[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
        const QStringList lines = QString(result.readAll()).split('\n');
        ::waitpid(pid, nullptr, 0);
        return lines;
    };
    const QStringList seen = scan();
    EXPECT_EQ(seen.value(0), "0");
    EXPECT_TRUE(seen.contains("Good 1") && !seen.contains("Locked 1") &&
                !seen.contains("Closed 1") && !seen.contains("Secret 1"))
        << seen.join(", ").toStdString();
    ::chmod(QFile::encodeName(machines).constData(), 0700); // the folder itself
    EXPECT_EQ(scan(), QStringList{"-50"});
}

} // namespace
