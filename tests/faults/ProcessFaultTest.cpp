// A tool that crashes can be started again, as a child task or as an application, from a folder
// whose name holds quotes and non-ASCII characters; and a test program killed at its timeout
// leaves none of its processes behind.
#include "platform/AppleEvents.h"
#include "platform/LaunchServices.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace platform;

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

// Ended, or a zombie that only its new parent can still reap.
bool gone(pid_t pid) {
    const QByteArray stat = testsupport::readFile(QString("/proc/%1/stat").arg(pid));
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

TEST(TestHarness, AProcessATestStartsDiesWithTheTestProgram) {
    const struct Row {
        const char* name;
        std::function<void(int report)> start; // runs in the test program; writes the pid
    } rows[] = {
        {"child of another user (root only)",
         [](int report) {
             testsupport::asOrdinaryUser({}, [report] {
                 const pid_t self = getpid();
                 (void)!write(report, &self, sizeof self);
                 pause();
             });
         }},
        {"started program",
         [](int report) {
             testsupport::StartedProcesses processes;
             const QProcess* sleeper =
                 processes.start("/bin/sleep", QProcessEnvironment::systemEnvironment(), {"600"});
             const pid_t child = pid_t(sleeper->processId());
             (void)!write(report, &child, sizeof child);
             pause();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        int report[2];
        ASSERT_EQ(pipe(report), 0);
        const pid_t program = fork(); // stands in for the test program that CTest kills
        if (program == 0) {
            row.start(report[1]);
            _exit(0);
        }
        close(report[1]);
        pid_t child = 0;
        const bool reported = read(report[0], &child, sizeof child) == sizeof child;
        close(report[0]);
        ASSERT_EQ(kill(program, SIGKILL), 0);
        ASSERT_EQ(waitpid(program, nullptr, 0), program);
        ASSERT_TRUE(reported && child > 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return gone(child); }, 10000)) << child;
        kill(child, SIGKILL); // not left running when the check failed
    }
}

} // namespace
