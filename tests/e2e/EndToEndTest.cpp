// The whole road on a staged installation: Trellis (in this process) starts the real set-up
// launchers through its tool buttons, and they call the selected printer's plug-in with the
// printer's identifier.
#include "../faults/Staged.h"
#include "app/CMainDialog.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "ui/CImagePushButton.h"

#include <QComboBox>
#include <QTest>

class EndToEnd : public faults::Staged {};

TEST_F(EndToEnd, ToolButtonsStartTheSetUpLaunchersWhichCallThePrintersPlugins) {
    const struct Row {
        const char *printer, *entry;
        long button;
        const char *tool, *plugin;
    } rows[] = {{"MX-R74400 Series", "SGT", 1902, "Sheet Glide Tuner", "SGTR74"},
                {"MX-R54400 Series", "SPE", 1903, "Stock Profile Editor", "SPER54"}};
    // Both tools' plug-ins of both printers record, so that a wrong tool shows at once instead
    // of opening the demo's dialog.
    for (const auto& [tool, name] : {std::pair{"Sheet Glide Tuner", "SGTR74"},
                                     {"Stock Profile Editor", "SPER74"},
                                     {"Sheet Glide Tuner", "SGTR54"},
                                     {"Stock Profile Editor", "SPER54"}})
        plantPlugin(tool, name, RECORD_PLUGIN);
    const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME",
                                                QFile::encodeName(tree.path("config"))),
        alertLog("TRELLIS_ALERT_LOG", QFile::encodeName(tree.path("alerts.jsonl"))),
        recordLog("TRELLIS_TEST_PLUGIN_RECORD", QFile::encodeName(tree.path("record.txt")));
    platform::setPreferredLanguages(QStringList{"en"});
    platform::Bundle::setMainBundlePath(root("Trellis.app"));
    ASSERT_TRUE(CImagePushButton::RegisterClass() == noErr && CMainDialog::Create() == noErr);
    const auto view = [](long id) {
        return platform::widgetForTesting(CMainDialog::GetMainDialog()->GetView("MAIN"_4cc, id));
    };
    QByteArray expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.printer);
        auto* popup = qobject_cast<QComboBox*>(view(1400));
        const int index = popup->findText(QString("Orvel ") + row.printer);
        ASSERT_GE(index, 0);
        popup->setCurrentIndex(index);
        emit popup->activated(index);
        ASSERT_TRUE(view(row.button)->isVisible());
        QTest::mouseClick(view(row.button), Qt::LeftButton, {}, view(row.button)->rect().center());
        expected += QByteArray("entry=") + row.entry + "\nid=" + row.printer +
                    "\nbundle=" + QFile::encodeName(tree.path(plugin(row.tool, row.plugin))) + "\n";
        // Waits no longer once the wrong plug-in was called or an alert was shown.
        (void)QTest::qWaitFor([&] { return record().size() >= expected.size() || alerts() > 0; },
                              60000);
        EXPECT_EQ(record().toStdString(), expected.toStdString());
    }
    EXPECT_EQ(alerts(), 0);
    CMainDialog::DisposeMainDialog();
}
