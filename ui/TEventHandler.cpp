#include "ui/TEventHandler.h"

#include "platform/Events.h"
#include "ui/TCarbonEvent.h"

const EventHandlerUPP TEventHandler::sHandlerProc = &TEventHandler::EventHandler;

TEventHandler::~TEventHandler() {
    if (fHandler)
        platform::RemoveEventHandler(fHandler);
}

EventHandlerRef TEventHandler::GetEventHandler() {
    if (!fHandler) {
        if (EventTargetRef target = GetEventTarget())
            platform::InstallEventHandler(target, sHandlerProc, 0, nullptr, this, &fHandler);
    }
    return fHandler;
}

OSStatus TEventHandler::RegisterForEvents(UInt32 count, const EventTypeSpec* types) {
    EventHandlerRef handler = GetEventHandler();
    if (!handler)
        return paramErr;
    return platform::AddEventTypesToHandler(handler, count, types);
}

OSStatus TEventHandler::EventHandler(EventHandlerCallRef callRef, EventRef event, void* object) {
    TCarbonEvent wrapped(event);
    return static_cast<TEventHandler*>(object)->HandleEvent(callRef, wrapped);
}
