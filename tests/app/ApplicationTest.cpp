// Start-up alerts, the About box's version lines, and a quit request during the About box.
#include "AppFixture.h"
#include "app/CAboutDialog.h"
#include "app/CApplication.h"
#include "platform/AppleEvents.h"

#include <QApplication>
#include <QLabel>

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

// The box shows the selected printer; the session's quit request closes it, saves and ends.
TEST_F(ApplicationTest, AQuitRequestDuringTheAboutBoxSavesAndEndsTheRun) {
    writeCatalogue({"MX-A", "MX-B"}, {}, "A.bundle", "4.0");
    CApplication application;
    QString machineLine;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* about = QApplication::activeModalWidget())
                machineLine = about->findChild<QLabel*>("machineVersion")->text();
            platform::dispatchAppleEvent({"aevt"_4cc, "quit"_4cc, {}});
        });
        application.HandleCommand({0, "abou"_4cc, {}});
    });
    QObject guard; // a run that does not end fails with this timer's alert
    QTimer::singleShot(10000, &guard, [this] {
        alerts.append("timed out");
        platform::QuitApplicationEventLoop();
    });
    EXPECT_EQ(application.Run(), 0);
    EXPECT_EQ(machineLine, "MX-A (Version 4.0)");
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(saved(), QStringList({"Orvel MX-A", "Orvel MX-A", "Orvel MX-B"}));
}

} // namespace
