// The window, view and event framework: command routing, window life, popups, modal loops.

#include "UiFixture.h"
#include "ui/CControl.h"
#include "ui/TApplication.h"
#include "ui/TCarbonEvent.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

class RecordingApplication : public TApplication {
public:
    explicit RecordingApplication(std::vector<QString>* log)
        : TApplication(QStringLiteral("MenuBar"), QStringLiteral("main")), log(log) {}
    bool HandleCommand(const HICommandExtended& command) override {
        log->push_back("application " + platform::fourCharCodeToString(command.commandID));
        return true;
    }
    std::vector<QString>* log;
};

using FrameworkTest = UiFixture;

TEST_F(FrameworkTest, CommandsReachTheWindowThenTheApplication) {
    RecordingApplication application(&log);
    open("TestWindow");
    platform::ShowWindow(window->GetWindowRef());
    CPopupButton popup(window->GetWindowRef(), {"MAIN"_4cc, 1400});
    QMenu* help = platform::menuForTesting(platform::GetMenuHandle(129));
    ASSERT_TRUE(help && !help->actions().isEmpty());
    const struct Row {
        const char* name;
        std::function<void()> act;
        bool windowHandles;
        std::vector<QString> expected;
    } rows[] = {
        {"push button",
         [&] { QTest::mouseClick(widget(1100), Qt::LeftButton); },
         false,
         {"window B100", "application B100"}},
        {"handled by the window",
         [&] { QTest::mouseClick(widget(1100), Qt::LeftButton); },
         true,
         {"window B100"}},
        {"click on no part", [&] { QTest::mouseClick(widget(1000), Qt::LeftButton); }, false, {}},
        {"menu item",
         [&] { help->actions().first()->trigger(); },
         false,
         {"window HELP", "application HELP"}},
        {"popup choice",
         [&] {
             QMetaObject::invokeMethod(platform::widgetForTesting(popup.GetControlRef()),
                                       "activated", Q_ARG(int, 1));
         },
         false,
         {"window M100", "application M100"}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        log.clear();
        window->handles = row.windowHandles;
        row.act();
        EXPECT_EQ(log, row.expected);
    }
}

TEST_F(FrameworkTest, CloseDeletesTheObjectAndDisposeForgetsTheWindow) {
    auto* closing = new RecordingWindow(&log);
    WindowRef ref = closing->GetWindowRef();
    TCarbonEvent close(kEventClassWindow, kEventWindowClose);
    EXPECT_EQ(
        platform::SendEventToEventTarget(close.GetEventRef(), platform::GetWindowEventTarget(ref)),
        noErr);
    EXPECT_EQ(log.back(), "destroyed");
    EXPECT_FALSE(platform::IsValidWindowPtr(ref));
    // Disposed behind the object's back: the object forgets it and does not dispose twice.
    open("TestWindow");
    platform::DisposeWindow(window->GetWindowRef());
    EXPECT_EQ(window->GetWindowRef(), nullptr);
}

TEST_F(FrameworkTest, PopupValueStaysInItsItemsRange) {
    open("TestWindow");
    CPopupButton popup(window->GetWindowRef(), {"MAIN"_4cc, 1400});
    EXPECT_EQ(popup.CountMenuItems(), 2);
    ASSERT_EQ(popup.DeleteMenuItems(1, 2), noErr);
    EXPECT_EQ(popup.SetValue(1), noErr);
    EXPECT_EQ(popup.GetValue(), 0); // empty
    MenuItemIndex index = 0;
    ASSERT_EQ(popup.AppendMenuItemText("Orvel MX-R74400 Series", 0, 0, &index), noErr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(popup.SetValue(0), noErr);
    EXPECT_EQ(popup.GetValue(), 1);
    ASSERT_EQ(popup.AppendMenuItemText("Orvel MX-R54400 Series", 0, 0, &index), noErr);
    EXPECT_EQ(popup.SetValue(7), noErr);
    EXPECT_EQ(popup.GetValue(), 2);
    QString text;
    EXPECT_EQ(popup.GetMenuItemText(2, &text), noErr);
    EXPECT_EQ(text, "Orvel MX-R54400 Series");
    EXPECT_NE(popup.GetMenuItemText(3, &text), noErr);
}

TEST_F(FrameworkTest, MissingFormsAndControlsAreHarmless) {
    RecordingWindow missing(&log, "NoSuchWindow");
    EXPECT_EQ(missing.GetWindowRef(), nullptr);
    EXPECT_EQ(missing.GetView("MAIN"_4cc, 1100), nullptr);
    missing.Show();
    open("TestWindow");
    CPopupButton none(window->GetWindowRef(), {"MAIN"_4cc, 4242});
    EXPECT_EQ(none.CountMenuItems(), -1);
    EXPECT_EQ(none.SetValue(1), paramErr);
    EXPECT_EQ(none.AppendMenuItemText("x", 0, 0, nullptr), paramErr);
    EXPECT_EQ(CPopupButton(window->GetWindowRef(), {"MAIN"_4cc, 1100}).CountMenuItems(), -1);
    EXPECT_EQ(CStaticText(nullptr, {"MAIN"_4cc, 1000}).SetDescriptor("x"), paramErr);
}

TEST_F(FrameworkTest, ModalLoopEndsOnRequestOrWhenTheWindowIsClosed) {
    open("Dialog");
    window->Show();
    WindowRef dialog = window->GetWindowRef();
    QTimer::singleShot(0, [&] { platform::QuitAppModalLoopForWindow(dialog); });
    EXPECT_EQ(platform::RunAppModalLoopForWindow(dialog), 0);
    // Closed by the desktop while a handler passes the close on: the loop still ends.
    const EventTypeSpec closeType[] = {{kEventClassWindow, kEventWindowClose}};
    platform::InstallEventHandler(
        platform::GetWindowEventTarget(dialog),
        [](EventHandlerCallRef, EventRef, void*) -> OSStatus { return eventNotHandledErr; }, 1,
        closeType, nullptr, nullptr);
    QWidget* shown = platform::widgetForTesting(dialog);
    QTimer::singleShot(0, [&] { shown->hide(); });
    EXPECT_EQ(platform::RunAppModalLoopForWindow(dialog), 0);
    EXPECT_FALSE(shown->isVisible());
}

} // namespace
