// The window, view and event framework over the window-system stand-in: windows from
// forms, window and view event dispatch, command routing, menus, popups, modal loops.

#include "UiFixture.h"
#include "platform/Events.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "ui/CControl.h"
#include "ui/TApplication.h"
#include "ui/TCarbonEvent.h"
#include "ui/TView.h"
#include "ui/TWindow.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <vector>

namespace {

class RecordingWindow : public TWindow {
public:
    explicit RecordingWindow(std::vector<QString>* log, const QString& name = "TestWindow")
        : TWindow(name, QStringLiteral("main")), log(log) {}
    ~RecordingWindow() override { log->push_back("destroyed"); }

    void Draw() override { log->push_back("Draw"); }
    void Activated() override { log->push_back("Activated"); }
    void Moved() override { log->push_back("Moved"); }
    void Resized() override { log->push_back("Resized"); }
    Point GetMinimumSize() override { return minimum; }
    bool HandleCommand(const HICommandExtended& command) override {
        log->push_back("window " + platform::fourCharCodeToString(command.commandID));
        return handles;
    }

    std::vector<QString>* log;
    Point minimum{0, 0};
    bool handles = false;
};

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

// Sends a hand-made window event; returns the handlers' result.
OSStatus sendWindowEvent(WindowRef window, UInt32 /*kind*/, TCarbonEvent& event) {
    return platform::SendEventToEventTarget(event.GetEventRef(),
                                            platform::GetWindowEventTarget(window));
}

class FrameworkTest : public UiFixture {};

TEST_F(FrameworkTest, WindowFromFormIsTiedToItsObjectAndFindsItsControls) {
    std::vector<QString> log;
    const auto window = std::make_unique<RecordingWindow>(&log);
    ASSERT_NE(window->GetWindowRef(), nullptr);
    EXPECT_EQ(TWindow::GetTWindowFromWindowRef(window->GetWindowRef()), window.get());
    EXPECT_NE(window->GetView("MAIN"_4cc, 1100), nullptr);
    EXPECT_EQ(window->GetView("MAIN"_4cc, 9999), nullptr);
    EXPECT_EQ(window->GetView("ABOU"_4cc, 1100), nullptr);

    // A window made without the framework has no object behind it.
    IBNibRef nib = nullptr;
    ASSERT_EQ(platform::CreateNibReference("main", &nib), 0);
    WindowRef bare = nullptr;
    ASSERT_EQ(platform::CreateWindowFromNib(nib, "TestWindow", &bare), 0);
    platform::DisposeNibReference(nib);
    EXPECT_EQ(TWindow::GetTWindowFromWindowRef(bare), nullptr);
    platform::DisposeWindow(bare);
    EXPECT_FALSE(platform::IsValidWindowPtr(bare));
    EXPECT_EQ(TWindow::GetTWindowFromWindowRef(bare), nullptr);
}

TEST_F(FrameworkTest, MissingFormOrNibLeavesANullWindow) {
    std::vector<QString> log;
    RecordingWindow missingWindow(&log, "NoSuchWindow");
    EXPECT_EQ(missingWindow.GetWindowRef(), nullptr);
    EXPECT_EQ(missingWindow.GetView("MAIN"_4cc, 1100), nullptr);
    missingWindow.Show(); // harmless
    TWindow missingNib(QStringLiteral("TestWindow"), QStringLiteral("nothing"));
    EXPECT_EQ(missingNib.GetWindowRef(), nullptr);
}

TEST_F(FrameworkTest, BoundsChangedCallsResizedBeforeMoved) {
    std::vector<QString> log;
    RecordingWindow window(&log);
    const auto send = [&](std::optional<UInt32> attributes) {
        TCarbonEvent event(kEventClassWindow, kEventWindowBoundsChanged);
        if (attributes)
            event.SetParameter(kEventParamAttributes, *attributes);
        return sendWindowEvent(window.GetWindowRef(), 0, event);
    };
    EXPECT_EQ(send(kWindowBoundsChangeSizeChanged | kWindowBoundsChangeOriginChanged), noErr);
    EXPECT_EQ(log, (std::vector<QString>{"Resized"}));
    EXPECT_EQ(send(kWindowBoundsChangeOriginChanged), noErr);
    EXPECT_EQ(log.back(), "Moved");
    log.clear();
    EXPECT_EQ(send(0), eventNotHandledErr);
    EXPECT_EQ(send(std::nullopt), eventNotHandledErr);
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameworkTest, SizeAnswersWithAZeroArePassedOn) {
    std::vector<QString> log;
    RecordingWindow window(&log);
    const auto ask = [&](UInt32 kind, Point* answer) {
        TCarbonEvent event(kEventClassWindow, kind);
        const OSStatus result = sendWindowEvent(window.GetWindowRef(), kind, event);
        *answer = {};
        event.GetParameter(kEventParamDimensions, typeQDPoint, answer);
        return result;
    };
    Point answer{};
    window.minimum = {120, 0};
    EXPECT_EQ(ask(kEventWindowGetMinimumSize, &answer), eventNotHandledErr);
    window.minimum = {0, 200};
    EXPECT_EQ(ask(kEventWindowGetMinimumSize, &answer), eventNotHandledErr);
    window.minimum = {120, 200};
    EXPECT_EQ(ask(kEventWindowGetMinimumSize, &answer), noErr);
    EXPECT_EQ(answer.v, 120);
    EXPECT_EQ(answer.h, 200);
    EXPECT_EQ(ask(kEventWindowGetIdealSize, &answer), eventNotHandledErr); // 0,0 by default

    // The window system asks at the first showing and keeps the answer.
    platform::ShowWindow(window.GetWindowRef());
    auto* host = qobject_cast<QMainWindow*>(platform::widgetForTesting(window.GetWindowRef()));
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->centralWidget()->minimumSize(), QSize(200, 120));
}

TEST_F(FrameworkTest, DrawAndActivationRunTheStandardHandlerFirst) {
    std::vector<QString> log;
    RecordingWindow window(&log);
    // A handler installed later runs before the window's and records the order.
    struct Probe {
        static OSStatus handler(EventHandlerCallRef call, EventRef event, void* data) {
            auto* entries = static_cast<std::vector<QString>*>(data);
            entries->push_back("probe before");
            const OSStatus result = platform::CallNextEventHandler(call, event);
            entries->push_back("probe after");
            return result;
        }
    };
    const EventTypeSpec types[] = {{kEventClassWindow, kEventWindowDrawContent}};
    EventHandlerRef probe = nullptr;
    ASSERT_EQ(platform::InstallEventHandler(platform::GetWindowEventTarget(window.GetWindowRef()),
                                            Probe::handler, 1, types, &log, &probe),
              0);
    TCarbonEvent draw(kEventClassWindow, kEventWindowDrawContent);
    EXPECT_EQ(sendWindowEvent(window.GetWindowRef(), 0, draw), noErr);
    EXPECT_EQ(log, (std::vector<QString>{"probe before", "Draw", "probe after"}));
    EXPECT_EQ(platform::RemoveEventHandler(probe), 0);
    EXPECT_NE(platform::RemoveEventHandler(probe), 0); // once only

    log.clear();
    TCarbonEvent activated(kEventClassWindow, kEventWindowActivated);
    EXPECT_EQ(sendWindowEvent(window.GetWindowRef(), 0, activated), noErr);
    EXPECT_EQ(log, (std::vector<QString>{"Activated"}));
}

TEST_F(FrameworkTest, CloseDeletesTheObjectAndDisposeForgetsTheWindow) {
    std::vector<QString> log;
    auto* window = new RecordingWindow(&log);
    WindowRef ref = window->GetWindowRef();
    TCarbonEvent close(kEventClassWindow, kEventWindowClose);
    EXPECT_EQ(sendWindowEvent(ref, 0, close), noErr);
    EXPECT_EQ(log.back(), "destroyed");
    EXPECT_FALSE(platform::IsValidWindowPtr(ref));

    // Disposed behind the object's back: the object forgets it and does not dispose twice.
    RecordingWindow other(&log);
    platform::DisposeWindow(other.GetWindowRef());
    EXPECT_EQ(other.GetWindowRef(), nullptr);
}

TEST_F(FrameworkTest, ClickOnAPushButtonReachesTheWindowThenTheApplication) {
    std::vector<QString> log;
    RecordingApplication application(&log);
    RecordingWindow window(&log);
    platform::ShowWindow(window.GetWindowRef());
    log.clear(); // showing moves and sizes the window
    QWidget* quit = platform::widgetForTesting(window.GetView("MAIN"_4cc, 1100));
    ASSERT_NE(quit, nullptr);

    QTest::mouseClick(quit, Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<QString>{"window B100", "application B100"}));

    log.clear();
    window.handles = true;
    QTest::mouseClick(quit, Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<QString>{"window B100"}));

    // A click outside the button's part (hit test answers none) sends nothing.
    log.clear();
    QTest::mouseClick(platform::widgetForTesting(window.GetView("MAIN"_4cc, 1000)), Qt::LeftButton);
    EXPECT_TRUE(log.empty());
}

TEST_F(FrameworkTest, PressOnALabelReachesTheWindowAsItsMouseDownButNotOnAButton) {
    class MouseWindow : public RecordingWindow {
    public:
        using RecordingWindow::RecordingWindow;
        OSStatus HandleEvent(EventHandlerCallRef call, TCarbonEvent& event) override {
            if (event.GetClass() == kEventClassMouse && event.GetKind() == kEventMouseDown) {
                HIPoint where{};
                event.GetParameter(kEventParamMouseLocation, typeHIPoint, sizeof where, &where);
                log->push_back(QStringLiteral("mouse down %1,%2").arg(where.x).arg(where.y));
                return noErr;
            }
            return RecordingWindow::HandleEvent(call, event);
        }
    };
    std::vector<QString> log;
    MouseWindow window(&log);
    const EventTypeSpec mouseDown{kEventClassMouse, kEventMouseDown};
    window.RegisterForEvents(1, &mouseDown);
    platform::ShowWindow(window.GetWindowRef());
    log.clear();
    // The explanation label sits at 10,10 in the window's content.
    QTest::mouseClick(platform::widgetForTesting(window.GetView("MAIN"_4cc, 1000)), Qt::LeftButton,
                      {}, QPoint(5, 4));
    EXPECT_EQ(log, (std::vector<QString>{"mouse down 15,14"}));
    log.clear();
    QTest::mouseClick(platform::widgetForTesting(window.GetView("MAIN"_4cc, 1100)), Qt::LeftButton);
    EXPECT_EQ(log, (std::vector<QString>{"window B100"}));
}

TEST_F(FrameworkTest, PopupChoiceAndMenuItemsSendTheirCommands) {
    std::vector<QString> log;
    RecordingApplication application(&log);
    RecordingWindow window(&log);
    platform::ShowWindow(window.GetWindowRef());
    log.clear();

    MenuRef appMenu = platform::GetMenuHandle(128);
    MenuRef helpMenu = platform::GetMenuHandle(129);
    ASSERT_TRUE(platform::IsValidMenu(appMenu));
    ASSERT_TRUE(platform::IsValidMenu(helpMenu));
    EXPECT_FALSE(platform::IsValidMenu(platform::GetMenuHandle(130)));
    EXPECT_EQ(platform::CountMenuItems(appMenu), 3); // About, separator, Quit
    QMenu* help = platform::menuForTesting(helpMenu);
    ASSERT_NE(help, nullptr);
    ASSERT_FALSE(help->actions().isEmpty());
    help->actions().first()->trigger();
    EXPECT_EQ(log, (std::vector<QString>{"window HELP", "application HELP"}));
    log.clear();

    // The menu bar is shown in the document window.
    auto* host = platform::widgetForTesting(window.GetWindowRef());
    auto* bar = host->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QAction* about = nullptr;
    for (QAction* menuAction : bar->actions())
        for (QAction* item : menuAction->menu() ? menuAction->menu()->actions() : QList<QAction*>{})
            if (item->text() == "About")
                about = item;
    ASSERT_NE(about, nullptr);
    about->trigger();
    EXPECT_EQ(log, (std::vector<QString>{"window abou", "application abou"}));

    log.clear();
    CPopupButton popup(window.GetWindowRef(), {"MAIN"_4cc, 1400});
    QWidget* combo = platform::widgetForTesting(popup.GetControlRef());
    ASSERT_NE(combo, nullptr);
    QMetaObject::invokeMethod(combo, "activated", Q_ARG(int, 1));
    EXPECT_EQ(log, (std::vector<QString>{"window M100", "application M100"}));
}

TEST_F(FrameworkTest, CloseCommandIsEnabledByTheWindow) {
    std::vector<QString> log;
    RecordingApplication application(&log);
    RecordingWindow window(&log);
    HICommandExtended close{};
    close.commandID = kHICommandClose;
    TCarbonEvent update(kEventClassCommand, kEventCommandUpdateStatus);
    update.SetParameter(kEventParamDirectObject, typeHICommand, close);
    EXPECT_EQ(platform::SendEventToEventTarget(
                  update.GetEventRef(), platform::GetWindowEventTarget(window.GetWindowRef())),
              noErr);
    HICommandExtended other{};
    other.commandID = "xyzw"_4cc;
    TCarbonEvent otherUpdate(kEventClassCommand, kEventCommandUpdateStatus);
    otherUpdate.SetParameter(kEventParamDirectObject, typeHICommand, other);
    // Not the window's: it travels on to the application, which does not update it.
    EXPECT_EQ(platform::SendEventToEventTarget(
                  otherUpdate.GetEventRef(), platform::GetWindowEventTarget(window.GetWindowRef())),
              eventNotHandledErr);
}

TEST_F(FrameworkTest, PopupRangeFollowsItsItems) {
    std::vector<QString> log;
    RecordingWindow window(&log);
    CPopupButton popup(window.GetWindowRef(), {"MAIN"_4cc, 1400});
    ControlRef control = popup.GetControlRef();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(popup.CountMenuItems(), 2);

    ASSERT_EQ(popup.DeleteMenuItems(1, popup.CountMenuItems()), noErr);
    EXPECT_EQ(popup.CountMenuItems(), 0);
    EXPECT_EQ(popup.GetValue(), 0);
    EXPECT_EQ(popup.SetValue(1), noErr); // beyond the empty range
    EXPECT_EQ(popup.GetValue(), 0);

    MenuItemIndex index = 0;
    ASSERT_EQ(popup.AppendMenuItemText("Orvel MX-R74400 Series", 0, 0, &index), noErr);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(popup.GetValue(), 1);
    EXPECT_EQ(popup.SetValue(0), noErr); // below the range
    EXPECT_EQ(popup.GetValue(), 1);

    ASSERT_EQ(popup.AppendMenuItemText("Orvel MX-R54400 Series", 0, 0, &index), noErr);
    ASSERT_EQ(popup.SetValue(2), noErr);
    EXPECT_EQ(popup.GetValue(), 2);
    EXPECT_EQ(popup.SetValue(7), noErr); // clamped to the range
    EXPECT_EQ(popup.GetValue(), 2);
    QString text;
    ASSERT_EQ(popup.GetMenuItemText(2, &text), noErr);
    EXPECT_EQ(text, "Orvel MX-R54400 Series");
    EXPECT_NE(popup.GetMenuItemText(3, &text), noErr);
}

TEST_F(FrameworkTest, WrappersWithoutAControlAreHarmless) {
    std::vector<QString> log;
    RecordingWindow window(&log);
    CPopupButton missing(window.GetWindowRef(), {"MAIN"_4cc, 4242});
    EXPECT_EQ(missing.GetControlRef(), nullptr);
    EXPECT_EQ(missing.CountMenuItems(), -1);
    EXPECT_EQ(missing.GetValue(), 0);
    EXPECT_EQ(missing.SetValue(1), paramErr);
    EXPECT_EQ(missing.AppendMenuItemText("x", 0, 0, nullptr), paramErr);
    EXPECT_EQ(missing.DeleteMenuItems(1, 1), paramErr);
    QString text;
    EXPECT_EQ(missing.GetMenuItemText(1, &text), paramErr);
    CStaticText missingText(nullptr, {"MAIN"_4cc, 1000});
    EXPECT_EQ(missingText.SetDescriptor("x"), paramErr);

    // A push button is no popup: the menu is missing, not the control.
    CPopupButton notAPopup(window.GetWindowRef(), {"MAIN"_4cc, 1100});
    EXPECT_NE(notAPopup.GetControlRef(), nullptr);
    EXPECT_EQ(notAPopup.CountMenuItems(), -1);

    CStaticText label(window.GetWindowRef(), {"MAIN"_4cc, 1000});
    ASSERT_EQ(label.SetDescriptor("New text"), noErr);
    QString shown;
    ASSERT_EQ(platform::GetControlData(label.GetControlRef(), 0, kControlStaticTextCFStringTag,
                                       sizeof shown, &shown, nullptr),
              0);
    EXPECT_EQ(shown, "New text");
}

// A view that records what the framework turned events into.
class ProbeView : public TView {
public:
    explicit ProbeView(ControlRef control) : TView(control) {}
    ControlKind GetKind() override { return {"PRBE"_4cc, "PRBE"_4cc}; }
    ControlPartCode HitTest(const CGPoint& where) override {
        return where.x < 10 ? 5 : kControlNoPart;
    }
    OSStatus HiliteChanged(ControlPartCode oldPart, ControlPartCode newPart, RgnHandle) override {
        hilites.emplace_back(oldPart, newPart);
        return noErr;
    }
    OSStatus Initialize(TCarbonEvent&) override {
        initialized = true;
        return noErr;
    }
    std::vector<std::pair<ControlPartCode, ControlPartCode>> hilites;
    bool initialized = false;
};

TEST_F(FrameworkTest, ViewEventsBecomeVirtualCalls) {
    std::vector<QString> log;
    RecordingWindow window(&log);
    ControlRef control = window.GetView("MAIN"_4cc, 1101);
    ProbeView view(control);

    TCarbonEvent hitTest(kEventClassControl, kEventControlHitTest);
    hitTest.SetParameter(kEventParamMouseLocation, typeHIPoint, HIPoint{3, 3});
    EXPECT_EQ(platform::SendEventToEventTarget(hitTest.GetEventRef(),
                                               platform::GetControlEventTarget(control)),
              noErr);
    ControlPartCode part = 0;
    ASSERT_EQ(hitTest.GetParameter(kEventParamControlPart, typeControlPartCode, &part), noErr);
    EXPECT_EQ(part, 5);

    // The kind through the data interface: 8 bytes or a size mismatch, size always 8.
    ControlKind kind{};
    ASSERT_EQ(platform::GetControlKind(control, &kind), 0);
    EXPECT_EQ(kind.signature, "PRBE"_4cc);
    Size size = 0;
    ControlKind wrong[2] = {};
    EXPECT_EQ(view.GetData(kControlKindTag, 0, 16, &size, wrong), errDataSizeMismatch);
    EXPECT_EQ(size, 8);
    EXPECT_EQ(view.GetData("abcd"_4cc, 0, 8, &size, wrong), eventNotHandledErr);

    // Behaviours answer the initialize event.
    TCarbonEvent initialize(kEventClassControl, kEventControlInitialize);
    platform::SendEventToEventTarget(initialize.GetEventRef(),
                                     platform::GetControlEventTarget(control));
    UInt32 features = 0;
    ASSERT_EQ(initialize.GetParameter(kEventParamControlFeatures, &features), noErr);
    EXPECT_EQ(features, kControlSupportsDataAccess | kControlSupportsGetRegion);

    // A real press: hit test, then the part highlighted while the button is down.
    QWidget* widget = platform::widgetForTesting(control);
    QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(platform::GetControlHilite(control), 5);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(4, 4));
    EXPECT_EQ(platform::GetControlHilite(control), 0);
    EXPECT_EQ(view.hilites,
              (std::vector<std::pair<ControlPartCode, ControlPartCode>>{{0, 5}, {5, 0}}));

    view.ChangeAutoInvalidateFlags(2 | 8, 0);
    view.ChangeAutoInvalidateFlags(0, 8);
    EXPECT_EQ(view.GetAutoInvalidateFlags(), 2u);
}

ProbeView* sLastProbe = nullptr;
int sProbesDestroyed = 0;

class RegisteredProbe : public ProbeView {
public:
    using ProbeView::ProbeView;
    ~RegisteredProbe() override { ++sProbesDestroyed; }
    static OSStatus Construct(ControlRef control, TView** out) {
        sLastProbe = new RegisteredProbe(control);
        *out = sLastProbe;
        return noErr;
    }
};

TEST_F(FrameworkTest, RegisteredViewClassIsMadeByTheFormAndDestroyedWithIt) {
    ASSERT_EQ(TView::RegisterSubclass("org.trellis.test.Probe", RegisteredProbe::Construct), noErr);
    EXPECT_EQ(TView::RegisterSubclass("org.trellis.test.Probe", RegisteredProbe::Construct),
              hiObjectClassExistsErr);
    // The image window's buttons name another class; point one at the probe.
    const QString form = app->resourcesPath() + "/main.nib/ImageWindow.ui";
    QFile file(form);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray xml = file.readAll();
    file.close();
    xml.replace("org.trellis.HIImagePushButton", "org.trellis.test.Probe");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(xml);
    file.close();

    sLastProbe = nullptr;
    sProbesDestroyed = 0;
    {
        std::vector<QString> log;
        RecordingWindow window(&log, "ImageWindow");
        ASSERT_NE(sLastProbe, nullptr);
        EXPECT_TRUE(sLastProbe->initialized);
        ControlKind kind{};
        platform::GetControlKind(window.GetView("MAIN"_4cc, 1902), &kind);
        EXPECT_EQ(kind.kind, "PRBE"_4cc);
        platform::GetControlKind(window.GetView("MAIN"_4cc, 1903), &kind);
        EXPECT_EQ(kind.kind, kControlKindPushButton); // no view class on that one
    }
    EXPECT_EQ(sProbesDestroyed, 3);
}

TEST_F(FrameworkTest, ModalLoopEndsOnRequestOrWhenTheWindowIsClosed) {
    std::vector<QString> log;
    RecordingWindow dialog(&log, "Dialog");
    ASSERT_NE(dialog.GetWindowRef(), nullptr);
    dialog.Show();
    QTimer::singleShot(0, [&] { platform::QuitAppModalLoopForWindow(dialog.GetWindowRef()); });
    EXPECT_EQ(platform::RunAppModalLoopForWindow(dialog.GetWindowRef()), 0);

    // Closed by the desktop (the handler passes the close on): the loop still ends.
    struct PassClose {
        static OSStatus handler(EventHandlerCallRef, EventRef, void*) { return eventNotHandledErr; }
    };
    const EventTypeSpec closeType[] = {{kEventClassWindow, kEventWindowClose}};
    platform::InstallEventHandler(platform::GetWindowEventTarget(dialog.GetWindowRef()),
                                  PassClose::handler, 1, closeType, nullptr, nullptr);
    QWidget* widget = platform::widgetForTesting(dialog.GetWindowRef());
    QTimer::singleShot(0, [&] { widget->hide(); });
    EXPECT_EQ(platform::RunAppModalLoopForWindow(dialog.GetWindowRef()), 0);
    EXPECT_FALSE(widget->isVisible());
}

TEST_F(FrameworkTest, EventParametersAreTypedAndCounted) {
    TCarbonEvent event(kEventClassControl, kEventControlDraw);
    EXPECT_EQ(event.GetClass(), kEventClassControl);
    EXPECT_EQ(event.GetKind(), kEventControlDraw);
    UInt32 value = 7;
    EXPECT_EQ(event.GetParameter(kEventParamAttributes, &value), eventParameterNotFoundErr);
    ASSERT_EQ(event.SetParameter(kEventParamAttributes, UInt32(42)), noErr);
    ASSERT_EQ(event.GetParameter(kEventParamAttributes, &value), noErr);
    EXPECT_EQ(value, 42u);
    CGRect rect{};
    EXPECT_EQ(event.GetParameter(kEventParamAttributes, &rect), errAECoercionFail);
    ASSERT_EQ(event.SetParameter("flag"_4cc, true), noErr);
    Boolean flag = 0;
    ASSERT_EQ(event.GetParameter("flag"_4cc, &flag), noErr);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ("MAIN"_4cc, 0x4D41494Eu);
    EXPECT_EQ(platform::fourCharCodeFromString("C100"), "C100"_4cc);
    EXPECT_EQ(platform::fourCharCodeFromString("C10"), 0u);
}

} // namespace
