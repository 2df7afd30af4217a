// The whole road on a staged installation: Trellis (in this process) starts the real set-up
// launchers through its tool buttons, and they call the selected printer's plug-in with the
// printer's identifier.
#include "app/CMainDialog.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "support/Staging.h"
#include "support/TestSupport.h"
#include "ui/CImagePushButton.h"

#include <QComboBox>
#include <QTest>
#include <gtest/gtest.h>

TEST(EndToEnd, ToolButtonsStartTheSetUpLaunchersWhichCallThePrintersPlugins) {
    testsupport::TempTree tree;
    const QString problem = testsupport::stageInstallation(tree.path("stage"));
    ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
    const QString root =
        QDir(tree.path()).relativeFilePath(testsupport::stagedRoot(tree.path("stage")));
    const struct Row {
        const char *printer, *entry;
        long button;
        const char* plugin; // the demo's, replaced by one that records its call
    } rows[] = {
        {"MX-R74400 Series", "SGT", 1902, "/Sheet Glide Tuner/Plugin/PrinterPlugin/SGTR74.plugin"},
        {"MX-R54400 Series", "SPE", 1903,
         "/Stock Profile Editor/Plugin/PrinterPlugin/SPER54.plugin"}};
    for (const Row& row : rows) {
        ASSERT_TRUE(QDir(tree.path(root + row.plugin)).removeRecursively());
        testsupport::writePluginBundle(tree, root + row.plugin, RECORDING_PLUGIN);
    }
    const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME",
                                                QFile::encodeName(tree.path("config"))),
        alerts("TRELLIS_ALERT_LOG", QFile::encodeName(tree.path("alerts.jsonl"))),
        record("TRELLIS_TEST_PLUGIN_RECORD", QFile::encodeName(tree.path("record.txt")));
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    platform::Bundle::setMainBundlePathForTesting(tree.path(root + "/Trellis.app"));
    ASSERT_TRUE(CImagePushButton::RegisterClass() == noErr && CMainDialog::Create() == noErr);
    CMainDialog* dialog = CMainDialog::GetMainDialog();
    QByteArray expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printer);
        auto* popup =
            qobject_cast<QComboBox*>(platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1400)));
        const int index = popup->findText(QString("Orvel ") + row.printer);
        ASSERT_GE(index, 0);
        popup->setCurrentIndex(index);
        emit popup->activated(index);
        QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, row.button));
        ASSERT_TRUE(button->isVisible());
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        expected += QByteArray("entry=") + row.entry + "\nid=" + row.printer + "\n";
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return testsupport::readFile(tree.path("record.txt")) == expected; }, 60000))
            << testsupport::readFile(tree.path("record.txt")).toStdString();
    }
    EXPECT_TRUE(testsupport::readFile(tree.path("alerts.jsonl")).isEmpty());
    CMainDialog::DisposeMainDialog();
    platform::Bundle::setMainBundlePathForTesting(QString());
}
