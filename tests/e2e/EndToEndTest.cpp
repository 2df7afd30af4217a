// The whole road on a staged installation: Trellis (in this process) starts the real set-up
// launchers through its tool buttons, and they call the selected printer's plug-in with the
// printer's identifier.
#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "config/LaunchMode.h"
#include "config/SettingFile.h"
#include "localize/Localize.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "support/Staging.h"
#include "support/TestSupport.h"
#include "ui/CImagePushButton.h"

#include <QComboBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void resetSingletons() {
    CSettingFileEx::DestroyInstance();
    CSettingFile::DestroyInstance();
    CLocalize::DestroyInstance();
    CLaunchMode::DestroyInstance();
}

TEST(EndToEnd, ToolButtonsStartTheSetUpLaunchersWhichCallThePrintersPlugins) {
    testsupport::TempTree tree;
    const QString problem = testsupport::stageInstallation(tree.path("stage"));
    ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    const QString root =
        QDir(tree.path()).relativeFilePath(testsupport::stagedRoot(tree.path("stage")));
    struct Row {
        const char* printer;
        long button;
        const char* plugin; // the demo's, replaced by one that records its call
        const char* entry;
    } rows[] = {
        {"MX-R74400 Series", 1902, "Sheet Glide Tuner/Plugin/PrinterPlugin/SGTR74.plugin", "SGT"},
        {"MX-R54400 Series", 1903, "Stock Profile Editor/Plugin/PrinterPlugin/SPER54.plugin",
         "SPE"}};
    for (const Row& row : rows) {
        ASSERT_TRUE(QDir(tree.path(root + "/" + row.plugin)).removeRecursively());
        testsupport::writePluginBundle(tree, root + "/" + row.plugin, RECORDING_PLUGIN);
    }
    const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME",
                                                QFile::encodeName(tree.path("config"))),
        alerts("TRELLIS_ALERT_LOG", QFile::encodeName(tree.path("alerts.jsonl"))),
        record("TRELLIS_TEST_PLUGIN_RECORD", QFile::encodeName(tree.path("record.txt")));
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    platform::Bundle::setMainBundlePathForTesting(tree.path(root + "/Trellis.app"));
    resetSingletons();
    ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
    ASSERT_EQ(CMainDialog::Create(), noErr);
    CMainDialog* dialog = CMainDialog::GetMainDialog();
    ASSERT_NE(dialog, nullptr);
    QByteArray expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printer);
        auto* popup =
            qobject_cast<QComboBox*>(platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1400)));
        ASSERT_NE(popup, nullptr);
        const int index = popup->findText(QStringLiteral("Orvel ") + row.printer);
        ASSERT_GE(index, 0);
        popup->setCurrentIndex(index);
        emit popup->activated(index);
        QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, row.button));
        ASSERT_TRUE(button && button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        expected += QByteArray("entry=") + row.entry + "\nid=" + row.printer + "\n";
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return testsupport::readFile(tree.path("record.txt")) == expected; }, 60000))
            << testsupport::readFile(tree.path("record.txt")).toStdString();
    }
    EXPECT_TRUE(testsupport::readFile(tree.path("alerts.jsonl")).isEmpty());
    CMainDialog::DisposeMainDialog();
    QTimer::singleShot(0, [] { platform::QuitApplicationEventLoop(); });
    platform::RunApplicationEventLoop();
    resetSingletons();
    platform::Bundle::setMainBundlePathForTesting(QString());
    platform::setPreferredLanguagesForTesting(std::nullopt);
}

} // namespace
