// Starting tools for real: script tools of a scratch installation log what they received,
// and a tool that cannot start tells the user each time.
#include "AppFixture.h"
#include "platform/AppleEvents.h"

namespace {

using ToolLaunchTest = apptest::AppTest;
using ToolStartFailureTest = apptest::AppTest;
const QString kNotStarted = "Tool not started";

TEST(ToolLaunch, OnlyTheStockVaultSetupPackageStartsAsAChildTask) {
    const std::pair<const char*, bool> rows[] = {
        {"/x/Stock Vault Setup/Stock Vault Setup.app", true},
        {"/x/Kestrel Loader/Stock Vault Setup.app/", true},
        {"/x/stock vault setup.app", false},
        {"/x/Stock Vault Setup.app/Contents", false},
        {"/x/Stock Vault Setup", false},
        {"", false}};
    for (const auto& [path, task] : rows)
        EXPECT_EQ(CMainDialog::IsNewStockProfileVault(QUrl::fromLocalFile(path)), task) << path;
}

// A row that starts nothing is followed by one that starts a tool: a wrong start shows up
// in that one's log.
TEST_F(ToolLaunchTest, EachButtonStartsItsToolForTheSelectedPrinterOrAlerts) {
    const QString id = "MX-R74400 Series";
    const QString utf8 = platform::encodeLaunchDescriptor({"utf8"_4cc, id.toUtf8()});
    writeCatalogue({id, QString(300, 'X')}, {1 | 2 | 4 | 8 | 64, 1});
    for (const int tool : {0, 2, 6})
        writeTool(tool);
    writeTool(3, false);
    app.tree().write("hold", "");
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    // name, popup item, button, the tool's log line (empty: nothing starts), alert
    const std::tuple<const char*, int, long, QString, bool> rows[] = {
        {"identifier over 255 bytes: nothing", 2, 1900, "", false},
        {"service: no arguments, the identifier as a 'utf8' descriptor", 1, 1900,
         "Kestrel Loader||" + utf8, false},
        {"no package: the alert", 1, 1901, "", true},
        {"the third button starts the third tool", 1, 1902, "Sheet Glide Tuner||" + utf8, false},
        {"no program: the alert", 1, 1903, "", true},
        {"child task: the identifier as its one argument", 1, 1906, "Stock Vault Setup|" + id + "|",
         false},
        {"child task still running: nothing, no alert", 1, 1906, "", false},
        {"service again", 1, 1900, "Kestrel Loader||" + utf8, false},
    };
    for (const auto& [name, item, button, started, alert] : rows) {
        SCOPED_TRACE(name);
        choose(dialog, item);
        alerts.clear();
        const qsizetype before = toolLog().size();
        click(dialog, button);
        EXPECT_EQ(alerts, alert ? QStringList{kNotStarted} : QStringList());
        if (!started.isEmpty()) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return toolLog().size() > before; }, 10000));
            EXPECT_EQ(toolLog().mid(before), QStringList{started});
        }
    }
}

// Without a text of the installation's own, the alert speaks the built-in English.
TEST_F(ToolStartFailureTest, TheAlertsText) {
    const QString builtIn =
        "The tool cannot be started. Make sure that it is installed, and try again.";
    const auto demo = [](const char* language) {
        return testsupport::readFile(
            QStringLiteral(TRELLIS_RESOURCES_DIR "/%1.lproj/Settings/Localize.ini").arg(language));
    };
    const std::tuple<const char*, QByteArray, QString> rows[] = {
        {"own text", "[ALERT]\n00010005=Tool not started\n", kNotStarted},
        {"identifier missing", "[ALERT]\n00010004=Alert 4\n", builtIn},
        {"empty text", "[ALERT]\n00010005=\n", builtIn},
        {"demo tables, English", demo("English"), builtIn},
        {"demo tables, Japanese", demo("Japanese"),
         "ツールを起動できません。ツールがインストールされていることを確認してから、"
         "もう一度お試しください。"},
    };
    writeCatalogue({"MX-A"}, {64});
    writeTool(6, false); // the child task's way
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    for (const auto& [name, table, expected] : rows) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(table.isEmpty());
        app.writeSetting("Localize.ini", table);
        CLocalize::DestroyInstance();
        alerts.clear();
        click(dialog, 1906);
        EXPECT_EQ(alerts, QStringList{expected});
    }
}

} // namespace
