// Start-up alerts and the About box's version lines.
#include "AppFixture.h"
#include "app/CAboutDialog.h"
#include "app/CApplication.h"

namespace {

using ApplicationTest = apptest::AppTest;
using apptest::kFixedAlert;

// Each row: a required settings file moved away, or the launch mode written as
// Setting_Launch.ini; what the run returns and the alerts it shows, in order.
TEST_F(ApplicationTest, StartUpAlerts) {
    const std::tuple<QString, int, QStringList> rows[] = {
        {"Setting.ini", 1, {kFixedAlert}},
        {"Manual.ini", 1, {kFixedAlert}},
        {"Localize.ini", 1, {kFixedAlert}},
        {"L_Const.ini", 1, {kFixedAlert}},
        {"L_Font.ini", 1, {kFixedAlert}},
        {"", -50, {kFixedAlert}} /* no printer */,
        {"Ope=U\n",
         -50,
         {kFixedAlert, "Alert 0", "Alert 1", "Alert 2", "Alert 3", "Alert 4", kFixedAlert}}};
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

} // namespace
