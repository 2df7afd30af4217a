#pragma once

#include "platform/StatusCodes.h"
#include "platform/WindowTypes.h"

class TCarbonEvent;

// Binds one handler of the window system to one object: each event becomes a call of
// HandleEvent.
class TEventHandler {
public:
    TEventHandler() = default;
    virtual ~TEventHandler();
    TEventHandler(const TEventHandler&) = delete;
    TEventHandler& operator=(const TEventHandler&) = delete;

    virtual OSStatus HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) = 0;
    virtual EventTargetRef GetEventTarget() = 0;

    // Installs the handler on the first call, with no event types yet.
    EventHandlerRef GetEventHandler();
    OSStatus RegisterForEvents(UInt32 count, const EventTypeSpec* types);

protected:
    static OSStatus EventHandler(EventHandlerCallRef callRef, EventRef event, void* object);

private:
    static const EventHandlerUPP sHandlerProc;
    EventHandlerRef fHandler = nullptr;
};
