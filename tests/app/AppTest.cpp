// The launcher in-process, on an installation in a scratch folder: the printer popup, the
// tool buttons, what quitting saves, starting tools (script tools log what they received)
// and the alert of a tool that cannot start, the start-up alerts and the About box's lines.
#include "app/CAboutDialog.h"
#include "app/CApplication.h"
#include "app/CLaunchUtil.h"
#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "config/LaunchMode.h"
#include "config/SettingFile.h"
#include "localize/Localize.h"
#include "platform/AppleEvents.h"
#include "platform/Events.h"
#include "platform/LaunchServices.h"
#include "platform/Preferences.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "support/TestSupport.h"
#include "ui/CControl.h"

#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

inline const QStringList kToolNames = QString(TRELLIS_TOOL_NAMES).split('|');
inline const QString kFixedAlert = "The necessary file cannot be found. Install the program again.";

// A launcher installation in a scratch folder (the real interface files, a small string
// table, the required settings), its own preferences store, recorded alerts, and every
// singleton afresh.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setPreferredLanguages(QStringList{"en"});
        platform::setAlertPresenter([this](const platform::AlertRequest& request) {
            alerts.append(request.message);
            return short(1);
        });
        QDir().mkpath(app.resourcesPath() + "/main.nib");
        for (const QString form : {"MainDialog.ui", "AboutDialog.ui", "MenuBar.ui"})
            QFile::copy(TRELLIS_APP_NIB "/" + form, app.resourcesPath() + "/main.nib/" + form);
        app.writeSetting("Setting.ini", "[FUNCTION]\nFUNCTION_NUM=0\n[PRINTER]\nPRINTER_NUM=0\n");
        app.writeSetting("Manual.ini", "[MANUAL]\nMANUAL_0000=Trellis/index.html\n");
        app.writeSetting("L_Const.ini", "[STRING]\n");
        app.writeSetting("L_Font.ini", "[FONT]\n00999999=13,0,0,0\n");
        app.writeSetting("Localize.ini", "[MAIN]\n00000000=Test Utility\n[ALERT]\n00010000=A0\n"
                                         "00010001=A1\n00010002=A2\n00010003=A3\n00010004=A4\n"
                                         "00010005=Tool not started\n");
    }
    void TearDown() override {
        CMainDialog::DisposeMainDialog();
        QFile::remove(app.tree().path("hold"));
        // A watched tool reports its end before the next test.
        (void)QTest::qWaitFor(
            [] { return !CLaunchUtil::currentTask() || !CLaunchUtil::currentTask()->isRunning(); },
            5000);
        // A quit outside the event loop stays pending; one turn of the loop clears it.
        QTimer::singleShot(0, [] { platform::QuitApplicationEventLoop(); });
        platform::RunApplicationEventLoop();
        resetSingletons();
        platform::setAlertPresenter({});
        platform::setPreferredLanguages(std::nullopt);
    }
    static void resetSingletons() {
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        CLocalize::DestroyInstance();
        CLaunchMode::DestroyInstance();
    }
    // A machine bundle serving the models, each with the plug-ins of its tool mask (bit i:
    // tool index i; 1 when not given).
    void writeCatalogue(const QStringList& models, const QList<int>& masks = {},
                        const QString& bundle = "A.bundle", const QString& version = "3.2.1") {
        static const QStringList prefixes = QString(TRELLIS_TOOL_PLUGIN_PREFIXES).split('|');
        QVariantMap initials, functions;
        for (int i = 0; i < models.size(); ++i) {
            const QString initial = bundle.left(1) + QString::number(i);
            initials.insert(models[i], initial);
            functions.insert(models[i], masks.value(i, 1));
            for (int tool = 0; tool < 7; ++tool)
                if (masks.value(i, 1) & (1 << tool))
                    app.tree().mkdir(kToolNames[tool] + "/Plugin/PrinterPlugin/" + prefixes[tool] +
                                     initial + ".plugin/Contents");
        }
        testsupport::writeMachineBundle(app.tree(), "MachineBundle/" + bundle,
                                        testsupport::machineSetting(models, initials, functions),
                                        version);
    }
    // <Tool>/<Tool>.app whose program logs "<tool>|<arguments>|<descriptor>" and stays while
    // the file "hold" is there; or one without the program its Info.plist names.
    void writeTool(int tool, bool withProgram = true) {
        const QString name = kToolNames[tool];
        testsupport::writeBundle(app.tree(), name + "/" + name + ".app",
                                 {{"CFBundleExecutable", "Tool"}, {"CFBundleName", name}});
        if (!withProgram)
            return;
        const QString path = app.tree().write(
            name + "/" + name + ".app/Contents/MacOS/Tool",
            QStringLiteral("#!/bin/sh\necho \"%1|$*|$TRELLIS_LAUNCH_DESCRIPTOR\" >> '%2'\n"
                           "while [ -e '%3' ]; do sleep 0.05; done\n")
                .arg(name, app.tree().path("log"), app.tree().path("hold"))
                .toUtf8());
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    }
    QStringList toolLog() const {
        return QString(testsupport::readFile(app.tree().path("log")))
            .split('\n', Qt::SkipEmptyParts);
    }
    // The saved selection, then the saved list.
    static QStringList saved() {
        const QString id = platform::kPreferencesCurrentApplication;
        return QStringList{platform::copyPreferenceValue("SelectPrinterModelName", id).toString()} +
               platform::copyPreferenceValue("PrinterModelList", id).toStringList();
    }

    // Picks the item (from 1) as the user does.
    static void choose(CMainDialog* dialog, int item) {
        auto* popup =
            qobject_cast<QComboBox*>(platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1400)));
        popup->setCurrentIndex(item - 1);
        emit popup->activated(item - 1);
    }
    // A mouse click, or the key on the focused button.
    static void click(CMainDialog* dialog, long number, Qt::Key key = Qt::Key_unknown) {
        QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, number));
        ASSERT_TRUE(button && button->isVisible()) << number;
        button->setFocus(Qt::TabFocusReason);
        if (key == Qt::Key_unknown)
            QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
        else
            QTest::keyClick(button, key);
    }

    testsupport::FakeApplication app;
    testsupport::ScopedEnvironment configHome{"XDG_CONFIG_HOME",
                                              QFile::encodeName(app.tree().path("config"))};
    QStringList alerts;
};

using MainDialogTest = AppTest;
using ApplicationTest = AppTest;
using ToolLaunchTest = AppTest;

// "A @B" as popup names: "Orvel A", and "B" as saved (a bare identifier names a supported
// printer too, so it stays as saved).
QStringList names(const char* text) {
    QStringList list;
    for (const QString& name : QString(text).split(' ', Qt::SkipEmptyParts))
        list.append(name.startsWith('@') ? name.mid(1) : "Orvel " + name);
    return list;
}

TEST_F(MainDialogTest, PopupListsAndSelects) {
    const struct {
        const char *name, *bundles, *selected, *saved, *items;
        int value;
    } rows[] = {
        {"empty saved list: catalogue order", "A B C", "", "", "A B C", 1},
        {"saved order and selection", "A B C", "A", "C A B", "C A B", 2},
        {"new printers first, in catalogue order", "A N1 B N2", "B", "B A", "N1 N2 B A", 3},
        {"gone and repeated entries drop out", "A B", "GONE", "GONE B B @A A", "B @A A", 1},
        {"a printer of two bundles once", "A B/B C", "", "", "A B C", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CMainDialog::DisposeMainDialog();
        resetSingletons();
        QDir(app.tree().path("MachineBundle")).removeRecursively();
        const QStringList bundles = QString(row.bundles).split('/');
        for (qsizetype i = 0; i < bundles.size(); ++i)
            writeCatalogue(bundles[i].split(' '), {}, QString::number(i) + ".bundle");
        const QString id = platform::kPreferencesCurrentApplication;
        platform::setPreferenceValue("PrinterModelList", names(row.saved), id);
        platform::setPreferenceValue("SelectPrinterModelName", names(row.selected).value(0), id);
        ASSERT_EQ(CMainDialog::Create(), 0);
        CMainDialog* dialog = CMainDialog::GetMainDialog();
        CPopupButton popup(dialog->GetWindowRef(), {"MAIN"_4cc, 1400});
        QStringList items(popup.CountMenuItems());
        for (long i = 0; i < items.size(); ++i)
            popup.GetMenuItemText(MenuItemIndex(i + 1), &items[i]);
        EXPECT_EQ(items, names(row.items));
        EXPECT_EQ(popup.GetValue(), row.value);
        EXPECT_EQ(dialog->GetSelectedPrinterName(), items.value(row.value - 1));
    }
    EXPECT_TRUE(alerts.isEmpty());
}

// Buttons of the supported tools with a plug-in only, stacked from the top without gaps;
// every way of quitting saves the selection, then the popup's order with it first.
TEST_F(MainDialogTest, ToolButtonsStackAndEveryWayOfQuittingSaves) {
    writeCatalogue({"T135", "ALL", "NOPLUGIN", "P4", "P5", "P6"}, {1 | 4 | 16, 127, 3});
    QDir(app.tree().path("Status Lantern/Plugin/PrinterPlugin/SLA2.plugin")).removeRecursively();
    ASSERT_EQ(CMainDialog::Create(), 0);
    CMainDialog* dialog = CMainDialog::GetMainDialog();
    const QStringList rows[] = {{"1900@32,112", "1902@32,180", "1904@32,248"},
                                {"1900@32,112", "1901@32,180", "1902@32,248", "1903@32,316",
                                 "1904@32,384", "1905@32,452", "1906@32,520"},
                                {"1900@32,112"}};
    for (const int item : {1, 2, 3, 1}) {
        choose(dialog, item);
        QStringList shown;
        for (const long number : kAppButtonIDList) {
            const QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, number));
            if (button->isVisible())
                shown.append(QString("%1@%2,%3").arg(number).arg(button->x()).arg(button->y()));
        }
        EXPECT_EQ(shown, rows[item - 1]) << item;
    }
    EXPECT_EQ(saved(), QStringList{""}) << "nothing is saved before quitting";
    QWidget* window = platform::widgetForTesting(dialog->GetWindowRef());
    const UInt32 closeBox = 0, quitButton = 1;
    int item = 1;
    for (const UInt32 way : {quitButton, "B100"_4cc, "quit"_4cc, "clos"_4cc, closeBox}) {
        choose(dialog, ++item);
        if (way == quitButton)
            click(dialog, 1100);
        else if (way == closeBox)
            window->close();
        else
            EXPECT_TRUE(dialog->HandleCommand({0, way, {}}));
        QStringList others = names("T135 ALL NOPLUGIN P4 P5 P6");
        const QString selected = others.takeAt(item - 1);
        EXPECT_EQ(saved(), QStringList({selected, selected}) + others) << item;
    }
    EXPECT_TRUE(window->isVisible()) << "the close box does not close the window";
    EXPECT_EQ(platform::ProcessHICommand({0, "zzzz"_4cc, {}}), eventNotHandledErr);
}

// Each row: a required settings file moved away, or the launch mode written as
// Setting_Launch.ini; what the run returns and the alerts it shows, in order.
TEST_F(ApplicationTest, StartUpAlerts) {
    const std::tuple<QString, int, QStringList> rows[] = {
        {"Setting.ini", 1, {kFixedAlert}},
        {"Manual.ini", 1, {kFixedAlert}},
        {"Localize.ini", 1, {kFixedAlert}},
        {"L_Const.ini", 1, {kFixedAlert}},
        {"L_Font.ini", 1, {kFixedAlert}},
        {"Ope=U\n", -50, {kFixedAlert, "A0", "A1", "A2", "A3", "A4", kFixedAlert}}};
    for (const auto& [change, result, expected] : rows) {
        SCOPED_TRACE(change.toStdString());
        const QString path = app.resourcesPath() + "/Settings/" + change;
        const bool moved = change.endsWith(".ini") && QFile::rename(path, path + ".away");
        if (change.startsWith("Ope"))
            app.writeSetting("Setting_Launch.ini", change.toUtf8());
        alerts.clear();
        resetSingletons();
        EXPECT_EQ(CApplication().Run(), result);
        EXPECT_EQ(alerts, expected);
        EXPECT_EQ(CMainDialog::GetMainDialog(), nullptr);
        ASSERT_TRUE(!moved || QFile::rename(path + ".away", path));
    }
}

TEST_F(ApplicationTest, AboutBoxVersionLines) {
    writeCatalogue({"MX-A"});
    app.writeSetting("Setting.ini",
                     "[FUNCTION]\nFUNCTION_NUM=0\n[PRINTER]\nPRINTER_NUM=1\nPRINTER1=LX-9\n");
    EXPECT_EQ(CAboutDialog::CreateApplicationVersionString(), "Trellis (Version 1.0.0)");
    const std::pair<const char*, QString> rows[] = {
        {"MX-A", "MX-A (Version 3.2.1)"}, {"LX-9", "LX-9 (Version )"}, {nullptr, ""}};
    for (const auto& [device, line] : rows) {
        CAboutDialog about;
        about.SetSelectedPrinterDeviceID(QString(device));
        EXPECT_EQ(about.CreateMachineVersionString(), line) << (device ? device : "no printer");
    }
}

// A row that starts nothing is followed by one that starts a tool: a wrong start shows up
// in that one's log. A tool that cannot start alerts, each time.
TEST_F(ToolLaunchTest, EachButtonStartsItsToolForTheSelectedPrinterOrAlerts) {
    const QString id = "MX-R74400 Series", notStarted = "Tool not started";
    const QString utf8 = platform::encodeLaunchDescriptor({"utf8"_4cc, id.toUtf8()});
    writeCatalogue({id, QString(300, 'X')}, {1 | 2 | 4 | 8 | 64, 1});
    for (const int tool : {0, 2, 3, 6})
        writeTool(tool, tool < 3); // 3 and 6 without their programs
    app.tree().write("hold", "");
    ASSERT_EQ(CMainDialog::Create(), 0);
    CMainDialog* dialog = CMainDialog::GetMainDialog();
    click(dialog, 1906);
    EXPECT_EQ(alerts, QStringList{notStarted}) << "no program, as the child task";
    writeTool(6);
    const struct {
        const char* name;
        int item; // of the popup
        long button;
        QString started, alert; // the tool's log line (empty: none), the alert
        Qt::Key key = Qt::Key_unknown;
    } rows[] = {
        {"identifier over 255 bytes: nothing", 2, 1900, "", ""},
        {"service: the identifier as a 'utf8' descriptor", 1, 1900, "Kestrel Loader||" + utf8, ""},
        {"no package", 1, 1901, "", notStarted},
        {"the third button starts the third tool", 1, 1902, "Sheet Glide Tuner||" + utf8, ""},
        {"no program, through the service", 1, 1903, "", notStarted},
        {"child task: the identifier as argument", 1, 1906, "Stock Vault Setup|" + id + "|", ""},
        {"child task still running: nothing, no alert", 1, 1906, "", ""},
        {"service again", 1, 1900, "Kestrel Loader||" + utf8, ""},
        {"Return on the focused button", 1, 1900, "Kestrel Loader||" + utf8, "", Qt::Key_Return},
        {"Space on the focused button", 1, 1902, "Sheet Glide Tuner||" + utf8, "", Qt::Key_Space}};
    for (const auto& [name, item, button, started, alert, key] : rows) {
        SCOPED_TRACE(name);
        choose(dialog, item);
        alerts.clear();
        const qsizetype before = toolLog().size();
        click(dialog, button, key);
        EXPECT_EQ(alerts, alert.isEmpty() ? QStringList() : QStringList{alert});
        if (!started.isEmpty()) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return toolLog().size() > before; }, 10000));
            EXPECT_EQ(toolLog().mid(before), QStringList{started});
        }
    }
    // The alert's text: the tables' own, or else the built-in English.
    const auto demo = [](const char* language) {
        return testsupport::readFile(
            QString(TRELLIS_RESOURCES_DIR "/%1.lproj/Settings/Localize.ini").arg(language));
    };
    const QString builtIn =
        "The tool cannot be started. Make sure that it is installed, and try again.";
    const std::tuple<const char*, QByteArray, QString> texts[] = {
        {"own text", "[ALERT]\n00010005=Tool not started\n", notStarted},
        {"identifier missing", "[ALERT]\n00010004=A4\n", builtIn},
        {"empty text", "[ALERT]\n00010005=\n", builtIn},
        {"demo tables, English", demo("English"), builtIn},
        {"demo tables, Japanese", demo("Japanese"),
         "ツールを起動できません。ツールがインストールされていることを確認してから、"
         "もう一度お試しください。"}};
    for (const auto& [name, table, text] : texts) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(table.isEmpty());
        app.writeSetting("Localize.ini", table);
        CLocalize::DestroyInstance();
        alerts.clear();
        click(dialog, 1901);
        EXPECT_EQ(alerts, QStringList{text});
    }
}

} // namespace
