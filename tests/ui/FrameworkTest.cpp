// The window, view and event framework: command routing, window life, popups, modal loops.

#include "UiFixture.h"
#include "ui/CControl.h"
#include "ui/TApplication.h"
#include "ui/TCarbonEvent.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QTimer>

namespace {

class RecordingApplication : public TApplication {
public:
    explicit RecordingApplication(Log* log) : TApplication("MenuBar", "main"), log(log) {}
    bool HandleCommand(const HICommandExtended& command) override {
        log->push_back("application " + platform::fourCharCodeToString(command.commandID));
        return true;
    }
    Log* log;
};

using FrameworkTest = UiFixture;

TEST_F(FrameworkTest, CommandsReachTheWindowThenTheApplication) {
    RecordingApplication application(&log);
    open("TestWindow");
    platform::ShowWindow(window->GetWindowRef());
    const auto after = [&](bool windowHandles, const std::function<void()>& act) {
        log.clear();
        window->handles = windowHandles;
        act();
        return log;
    };
    const auto click = [&](long id) {
        return [=, this] { QTest::mouseClick(widget(id), Qt::LeftButton); };
    };
    EXPECT_EQ(after(false, click(1100)), (Log{"window B100", "application B100"}));
    EXPECT_EQ(after(true, click(1100)), (Log{"window B100"}));
    EXPECT_EQ(after(false, click(1000)), Log{}) << "a click on no part";
    QMenu* help = platform::menuForTesting(platform::GetMenuHandle(129));
    ASSERT_TRUE(help && !help->actions().isEmpty());
    EXPECT_EQ(after(false, [&] { help->actions().first()->trigger(); }),
              (Log{"window HELP", "application HELP"}));
    CPopupButton popup(window->GetWindowRef(), {"MAIN"_4cc, 1400});
    QWidget* combo = platform::widgetForTesting(popup.GetControlRef());
    EXPECT_EQ(after(false, [&] { QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 1)); }),
              (Log{"window M100", "application M100"}));
}

TEST_F(FrameworkTest, CloseDeletesTheObjectAndDisposeForgetsTheWindow) {
    WindowRef closed = (new RecordingWindow(&log, "TestWindow"))->GetWindowRef();
    TCarbonEvent close(kEventClassWindow, kEventWindowClose);
    EXPECT_EQ(platform::SendEventToEventTarget(close.GetEventRef(),
                                               platform::GetWindowEventTarget(closed)),
              noErr);
    EXPECT_EQ(log, Log{"destroyed"});
    EXPECT_FALSE(platform::IsValidWindowPtr(closed));
    open("TestWindow"); // disposed behind its back: forgotten, not disposed twice
    platform::DisposeWindow(window->GetWindowRef());
    EXPECT_EQ(window->GetWindowRef(), nullptr);
}

TEST_F(FrameworkTest, ModalLoopEndsOnRequestOrWhenTheWindowIsClosed) {
    open("Dialog");
    window->Show();
    WindowRef dialog = window->GetWindowRef();
    QTimer::singleShot(0, [&] { platform::QuitAppModalLoopForWindow(dialog); });
    EXPECT_EQ(platform::RunAppModalLoopForWindow(dialog), 0);
    // Closed by the desktop while a handler passes the close on: the loop still ends.
    const EventTypeSpec closeType{kEventClassWindow, kEventWindowClose};
    platform::InstallEventHandler(
        platform::GetWindowEventTarget(dialog),
        [](EventHandlerCallRef, EventRef, void*) -> OSStatus { return eventNotHandledErr; }, 1,
        &closeType, nullptr, nullptr);
    QTimer::singleShot(0, [&] { platform::widgetForTesting(dialog)->hide(); });
    EXPECT_EQ(platform::RunAppModalLoopForWindow(dialog), 0);
    EXPECT_EQ(CStaticText(nullptr, {"MAIN"_4cc, 1000}).SetDescriptor("x"), paramErr); // harmless
}

} // namespace
