#include "ui/TWindow.h"

#include "platform/Events.h"
#include "platform/Windowing.h"
#include "ui/TCarbonEvent.h"
#include "ui/TNib.h"

namespace {

constexpr OSType kWindowPropertyCreator = "hifr"_4cc;
constexpr OSType kWindowPropertyTag = "twin"_4cc;

} // namespace

TWindow::TWindow(const QString& windowName, const QString& nibName) {
    Init(windowName, nibName);
}

TWindow::~TWindow() {
    if (fWindow)
        platform::DisposeWindow(fWindow);
}

OSStatus TWindow::Init(const QString& windowName, const QString& nibName) {
    TNib nib;
    OSStatus result = nib.Init(nibName);
    if (result != noErr)
        return result;
    WindowRef window = nullptr;
    result = nib.CreateWindow(windowName, &window);
    if (result != noErr)
        return result;
    return Init(window);
}

OSStatus TWindow::Init(WindowRef window) {
    static const EventTypeSpec kEvents[] = {
        {kEventClassWindow, kEventWindowClose},
        {kEventClassWindow, kEventWindowActivated},
        {kEventClassWindow, kEventWindowDeactivated},
        {kEventClassWindow, kEventWindowDispose},
        {kEventClassWindow, kEventWindowDrawContent},
        {kEventClassWindow, kEventWindowBoundsChanged},
        {kEventClassWindow, kEventWindowGetIdealSize},
        {kEventClassWindow, kEventWindowGetMinimumSize},
        {kEventClassWindow, kEventWindowGetMaximumSize},
        {kEventClassCommand, kEventCommandProcess},
        {kEventClassCommand, kEventCommandUpdateStatus},
    };
    if (!window)
        return paramErr;
    fWindow = window;
    OSStatus result = RegisterForEvents(sizeof kEvents / sizeof kEvents[0], kEvents);
    if (result != noErr)
        return result;
    TWindow* self = this;
    return platform::SetWindowProperty(window, kWindowPropertyCreator, kWindowPropertyTag,
                                       sizeof self, &self);
}

EventTargetRef TWindow::GetEventTarget() {
    return platform::GetWindowEventTarget(fWindow);
}

TWindow* TWindow::GetTWindowFromWindowRef(WindowRef window) {
    TWindow* object = nullptr;
    if (platform::GetWindowProperty(window, kWindowPropertyCreator, kWindowPropertyTag,
                                    sizeof object, nullptr, &object) != noErr)
        return nullptr;
    return object;
}

ControlRef TWindow::GetView(const ControlID& id) const {
    ControlRef control = nullptr;
    if (platform::GetControlByID(fWindow, &id, &control) != noErr)
        return nullptr;
    return control;
}

ControlRef TWindow::GetView(OSType signature, long id) const {
    return GetView(ControlID{signature, SInt32(id)});
}

void TWindow::Show() {
    platform::ShowWindow(fWindow);
    WindowActivationScope scope = kWindowActivationScopeNone;
    if (platform::ActiveNonFloatingWindow() == fWindow &&
        platform::GetWindowActivationScope(fWindow, &scope) == noErr &&
        scope == kWindowActivationScopeAll)
        platform::AdvanceKeyboardFocus(fWindow);
}

void TWindow::Hide() {
    platform::HideWindow(fWindow);
}

void TWindow::Close() {
    Hide();
    delete this;
}

bool TWindow::UpdateCommandStatus(const HICommandExtended& command) {
    if (command.commandID == kHICommandClose) {
        platform::EnableMenuCommand(nullptr, kHICommandClose);
        return true;
    }
    return false;
}

bool TWindow::HandleCommand(const HICommandExtended&) {
    return false;
}

namespace {

OSStatus answerSize(TCarbonEvent& event, Point size) {
    if (size.v == 0 || size.h == 0)
        return eventNotHandledErr;
    event.SetParameter(kEventParamDimensions, size);
    return noErr;
}

} // namespace

OSStatus TWindow::HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) {
    if (event.GetClass() == kEventClassCommand) {
        HICommandExtended command{};
        if (event.GetParameter(kEventParamDirectObject, &command) != noErr)
            return eventNotHandledErr;
        bool handled = false;
        if (event.GetKind() == kEventCommandProcess)
            handled = HandleCommand(command);
        else if (event.GetKind() == kEventCommandUpdateStatus)
            handled = UpdateCommandStatus(command);
        return handled ? noErr : eventNotHandledErr;
    }
    if (event.GetClass() != kEventClassWindow)
        return eventNotHandledErr;

    switch (event.GetKind()) {
    case kEventWindowDrawContent:
        platform::CallNextEventHandler(callRef, event.GetEventRef());
        Draw();
        return noErr;
    case kEventWindowActivated:
        platform::CallNextEventHandler(callRef, event.GetEventRef());
        Activated();
        return noErr;
    case kEventWindowDeactivated:
        platform::CallNextEventHandler(callRef, event.GetEventRef());
        Deactivated();
        return noErr;
    case kEventWindowBoundsChanged: {
        UInt32 attributes = 0;
        if (event.GetParameter(kEventParamAttributes, &attributes) != noErr)
            return eventNotHandledErr;
        if (attributes & kWindowBoundsChangeSizeChanged) {
            Resized();
            return noErr;
        }
        if (attributes & kWindowBoundsChangeOriginChanged) {
            Moved();
            return noErr;
        }
        return eventNotHandledErr;
    }
    case kEventWindowClose:
        Close();
        return noErr;
    case kEventWindowGetIdealSize:
        return answerSize(event, GetIdealSize());
    case kEventWindowGetMinimumSize:
        return answerSize(event, GetMinimumSize());
    case kEventWindowGetMaximumSize:
        return answerSize(event, GetMaximumSize());
    case kEventWindowDispose:
        platform::CallNextEventHandler(callRef, event.GetEventRef());
        fWindow = nullptr;
        return noErr;
    default:
        return eventNotHandledErr;
    }
}
