#include "ui/TApplication.h"

#include "platform/Events.h"
#include "platform/Windowing.h"
#include "ui/TCarbonEvent.h"
#include "ui/TNib.h"

TApplication::TApplication(const QString& menuBarName, const QString& nibName) {
    Init(menuBarName, nibName);
}

OSStatus TApplication::Init(const QString& menuBarName, const QString& nibName) {
    static const EventTypeSpec kEvents[] = {{kEventClassCommand, kEventCommandProcess}};
    OSStatus result = RegisterForEvents(1, kEvents);
    if (result != noErr)
        return result;
    TNib nib;
    result = nib.Init(nibName);
    if (result != noErr)
        return result;
    return nib.SetMenuBar(menuBarName);
}

EventTargetRef TApplication::GetEventTarget() {
    return platform::GetApplicationEventTarget();
}

OSStatus TApplication::Run() {
    platform::RunApplicationEventLoop();
    return noErr;
}

OSStatus TApplication::HandleEvent(EventHandlerCallRef, TCarbonEvent& event) {
    if (event.GetClass() != kEventClassCommand)
        return eventNotHandledErr;
    HICommandExtended command{};
    if (event.GetParameter(kEventParamDirectObject, &command) != noErr)
        return eventNotHandledErr;
    bool handled = false;
    if (event.GetKind() == kEventCommandProcess)
        handled = HandleCommand(command);
    else if (event.GetKind() == kEventCommandUpdateStatus)
        handled = UpdateCommandStatus(command);
    else
        return eventNotHandledErr;
    return handled ? noErr : eventNotHandledErr;
}

bool TApplication::UpdateCommandStatus(const HICommandExtended&) {
    return false;
}

bool TApplication::HandleCommand(const HICommandExtended&) {
    return false;
}
