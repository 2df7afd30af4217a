// Starting tools for real: script tools of a scratch installation log what they received,
// and a tool that cannot start tells the user each time.
#include "AppFixture.h"
#include "platform/AppleEvents.h"

namespace {

using ToolLaunchTest = apptest::AppTest;

// A row that starts nothing is followed by one that starts a tool: a wrong start shows up
// in that one's log. A tool that cannot start alerts, each time.
TEST_F(ToolLaunchTest, EachButtonStartsItsToolForTheSelectedPrinterOrAlerts) {
    const QString id = "MX-R74400 Series", notStarted = "Tool not started";
    const QString utf8 = platform::encodeLaunchDescriptor({"utf8"_4cc, id.toUtf8()});
    writeCatalogue({id, QString(300, 'X')}, {1 | 2 | 4 | 8 | 64, 1});
    writeTool(0);
    writeTool(2);
    writeTool(3, false);
    writeTool(6, false);
    app.tree().write("hold", "");
    CMainDialog* dialog = create();
    ASSERT_NE(dialog, nullptr);
    click(dialog, 1906);
    EXPECT_EQ(alerts, QStringList{notStarted}) << "no program, as the child task";
    writeTool(6);
    // name, popup item, button, the tool's log line (empty: none), alert
    const std::tuple<const char*, int, long, QString, QString> rows[] = {
        {"identifier over 255 bytes: nothing", 2, 1900, "", ""},
        {"service: the identifier as a 'utf8' descriptor", 1, 1900, "Kestrel Loader||" + utf8, ""},
        {"no package", 1, 1901, "", notStarted},
        {"the third button starts the third tool", 1, 1902, "Sheet Glide Tuner||" + utf8, ""},
        {"no program, through the service", 1, 1903, "", notStarted},
        {"child task: the identifier as its argument", 1, 1906, "Stock Vault Setup|" + id + "|",
         ""},
        {"child task still running: nothing, no alert", 1, 1906, "", ""},
        {"service again", 1, 1900, "Kestrel Loader||" + utf8, ""}};
    for (const auto& [name, item, button, started, alert] : rows) {
        SCOPED_TRACE(name);
        choose(dialog, item);
        alerts.clear();
        const qsizetype before = toolLog().size();
        click(dialog, button);
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
        {"identifier missing", "[ALERT]\n00010004=Alert 4\n", builtIn},
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
