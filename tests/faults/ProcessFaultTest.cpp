// A tool that crashes can be started again, as a child task or as an application, from a folder
// whose name holds quotes and non-ASCII characters.
#include "platform/AppleEvents.h"
#include "platform/LaunchServices.h"
#include "support/TestSupport.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

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

} // namespace
