// The launcher's one smoke run on an installation staged from this build tree: it starts,
// draws its first frame without an alert, lists every demo printer of the machine bundles
// and Setting.ini, and a quit saves the selection at the head of the list.
#include "platform/Preferences.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ProcessTest, StartsShowsTheWindowAndQuitSavesTheSelection) {
    testsupport::SuiteStage stage;
    stage.make();
    ASSERT_TRUE(stage.ok()) << stage.problem();
    QTemporaryDir scratch;
    QProcessEnvironment env = testsupport::scratchEnvironment(scratch.path());
    env.insert("TRELLIS_REPORT_SHOWN", "1");
    testsupport::StartedProcesses processes;
    QProcess* trellis = processes.start(stage.root() + "/Trellis.app/Contents/MacOS/Trellis", env);
    QByteArray errors;
    ASSERT_TRUE(testsupport::waitShown(trellis, &errors)) << errors.toStdString();
    ASSERT_TRUE(testsupport::quit(trellis));
    EXPECT_EQ(testsupport::recordedAlertMessages(scratch.filePath("alerts.jsonl")), QStringList());

    const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME",
                                                QFile::encodeName(scratch.filePath("config")));
    const QString id = "com.orvel.trellis";
    const QStringList list = platform::copyPreferenceValue("PrinterModelList", id).toStringList();
    EXPECT_EQ(platform::copyPreferenceValue("SelectPrinterModelName", id).toString(),
              list.value(0));
    for (const QString& printer : QString(TRELLIS_DEMO_TOOL_MASKS).split('|'))
        EXPECT_TRUE(list.contains("Orvel " + printer.section('=', 0, -2))) << printer.toStdString();
}

} // namespace
