#include "AppFixture.h"
#include "app/CAboutDialog.h"
#include "app/CApplication.h"
#include "app/CMainDialog.h"
#include "platform/AppleEvents.h"
#include "platform/Events.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "ui/CControl.h"
#include "ui/TCarbonEvent.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QWidget>

using apptest::AppTest;

namespace {

const QString kFixedAlert = "The necessary file cannot be found. Install the program again.";

class ApplicationTest : public AppTest {
protected:
    static QString labelText(WindowRef window, OSType signature, long number) {
        ControlRef control = nullptr;
        const ControlID id{signature, SInt32(number)};
        platform::GetControlByID(window, &id, &control);
        auto* label = qobject_cast<QLabel*>(platform::widgetForTesting(control));
        return label ? label->text() : QStringLiteral("<none>");
    }

    // Runs the About box for the identifier and, once it shows, reads its three texts and
    // closes it with a click (a mouse-down event on the box's window).
    static QStringList aboutTexts(const QString& deviceID) {
        CAboutDialog dialog;
        dialog.SetSelectedPrinterDeviceID(deviceID);
        QStringList texts;
        QTimer::singleShot(0, [&] {
            const WindowRef about = dialog.GetWindowRef();
            const QWidget* window = platform::widgetForTesting(about);
            if (!window || !window->isVisible())
                return;
            for (const long number : {2000, 2001, 2002})
                texts.append(labelText(about, "ABOU"_4cc, number));
            EventRef click = platform::CreateEvent(kEventClassMouse, kEventMouseDown);
            platform::SendEventToEventTarget(click, platform::GetWindowEventTarget(about));
            platform::ReleaseEvent(click);
        });
        dialog.RunModal();
        const QWidget* shown = platform::widgetForTesting(dialog.GetWindowRef());
        EXPECT_FALSE(shown && shown->isVisible());
        return texts;
    }

    // Runs the application; true when it ended by itself within 10 s (it is ended then).
    static bool runsToItsEnd(CApplication& application) {
        QTimer guard;
        guard.setSingleShot(true);
        bool timedOut = false;
        QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
            timedOut = true;
            platform::QuitApplicationEventLoop();
        });
        guard.start(10000);
        EXPECT_EQ(application.Run(), 0);
        return !timedOut;
    }
};

TEST_F(ApplicationTest, AMissingRequiredFileGivesTheFixedAlertOnly) {
    for (const char* name :
         {"Setting.ini", "Manual.ini", "Localize.ini", "L_Const.ini", "L_Font.ini"}) {
        SCOPED_TRACE(name);
        const QString path = app->resourcesPath() + "/Settings/" + name;
        ASSERT_TRUE(QFile::rename(path, path + ".away"));
        alerts.clear();
        resetSingletons();
        {
            CApplication application;
            EXPECT_EQ(application.Run(), 1); // the alert's OK
        }
        EXPECT_EQ(alerts, QStringList{kFixedAlert});
        EXPECT_EQ(CMainDialog::GetMainDialog(), nullptr);
        ASSERT_TRUE(QFile::rename(path + ".away", path));
    }
}

TEST_F(ApplicationTest, UIModeShowsTheSixAlertsBeforeTheWindow) {
    app->writeSetting("Setting_Launch.ini", "Ope=U\n");
    // No printer: the window cannot be made, so Run returns before the event loop.
    CApplication application;
    EXPECT_EQ(application.Run(), -50);
    EXPECT_EQ(alerts, QStringList({kFixedAlert, "Alert 0", "Alert 1", "Alert 2", "Alert 3",
                                   "Alert 4", kFixedAlert}));
}

TEST_F(ApplicationTest, NormalModeShowsNoAlertAndRunsUntilQuit) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 1}});
    CApplication application;
    QTimer::singleShot(0, [] {
        ASSERT_NE(CMainDialog::GetMainDialog(), nullptr);
        // The session's quit request, as the signal handlers deliver it.
        platform::AppleEvent quit;
        quit.eventClass = "aevt"_4cc;
        quit.eventID = "quit"_4cc;
        EXPECT_EQ(platform::dispatchAppleEvent(quit), 0);
    });
    EXPECT_TRUE(runsToItsEnd(application));
    EXPECT_TRUE(alerts.isEmpty());
    EXPECT_EQ(savedList(), QStringList({"Orvel MX-A", "Orvel MX-B"}));
    EXPECT_EQ(savedSelection(), "Orvel MX-A");
}

TEST_F(ApplicationTest, AQuitRequestWhileTheAboutBoxIsOpenClosesItAndStillSavesAndQuits) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 1}});
    CApplication application;
    bool aboutWasOpen = false;
    QTimer::singleShot(0, [&] {
        HICommandExtended about{};
        about.commandID = "abou"_4cc;
        QTimer::singleShot(0, [&] {
            aboutWasOpen = QApplication::activeModalWidget() != nullptr;
            platform::AppleEvent quit;
            quit.eventClass = "aevt"_4cc;
            quit.eventID = "quit"_4cc;
            platform::dispatchAppleEvent(quit);
        });
        application.HandleCommand(about); // runs the About box until the request ends it
    });
    EXPECT_TRUE(runsToItsEnd(application));
    EXPECT_TRUE(aboutWasOpen);
    EXPECT_EQ(savedSelection(), "Orvel MX-A");
}

TEST_F(ApplicationTest, TheMenuBarIsLocalized) {
    CApplication application;
    QString text;
    platform::CopyMenuItemTextAsCFString(platform::GetMenuHandle(128), 1, &text);
    EXPECT_EQ(text, "About Test");
    const QMenu* help = platform::menuForTesting(platform::GetMenuHandle(129));
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title(), "Help");
}

TEST_F(ApplicationTest, ApplicationCommands) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 1}});
    CApplication application;
    HICommandExtended command{};
    command.commandID = "nope"_4cc;
    EXPECT_FALSE(application.HandleCommand(command));

    // Quit without a main dialog: handled, nothing saved.
    command.commandID = "quit"_4cc;
    EXPECT_TRUE(application.HandleCommand(command));
    EXPECT_TRUE(savedList().isEmpty());

    ASSERT_EQ(CMainDialog::Create(), 0);
    EXPECT_TRUE(application.HandleCommand(command));
    EXPECT_EQ(savedSelection(), "Orvel MX-A");
}

TEST_F(ApplicationTest, AboutShowsTheVersionsOfTheApplicationAndTheSelectedMachine) {
    writeCatalogue({{"MX-A", "A", 1}}, "A.bundle", "3.2.1");
    app->writeSetting("Setting.ini", "[FUNCTION]\nFUNCTION_NUM=0\n[PRINTER]\nPRINTER_NUM=1\n"
                                     "PRINTER1=LX-9\n");
    EXPECT_EQ(aboutTexts("MX-A"),
              QStringList({"Trellis (Version 1.0.0)", "MX-A (Version 3.2.1)", "Notice text"}));
    // No version for the printer: the word alone in the parentheses.
    EXPECT_EQ(aboutTexts("LX-9").value(1), "LX-9 (Version )");
    // Without a printer the machine line stays empty.
    EXPECT_EQ(aboutTexts(QString()).value(1), "");
}

TEST_F(ApplicationTest, TheAboutCommandHandsOverTheSelectedPrinter) {
    writeCatalogue({{"MX-A", "A", 1}, {"MX-B", "B", 1}}, "A.bundle", "4.0");
    CApplication application;
    ASSERT_EQ(CMainDialog::Create(), 0);
    QString machineLine;
    QTimer::singleShot(0, [&] {
        // The box is the modal window; closing it from the desktop ends its loop too.
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        if (auto* label = about->findChild<QLabel*>("machineVersion"))
            machineLine = label->text();
        about->close();
    });
    HICommandExtended command{};
    command.commandID = "abou"_4cc;
    EXPECT_TRUE(application.HandleCommand(command));
    EXPECT_EQ(machineLine, "MX-A (Version 4.0)");
}

} // namespace
