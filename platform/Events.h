#pragma once

// Event records and event targets. A record has a class, a kind and typed parameters
// named by four-character codes. Every target (the application, each window, each
// control) has a stack of installed handlers: the newest runs first, a handler that
// answers eventNotHandledErr lets the next one run, CallNextEventHandler runs the rest at
// once, and the target's standard handler sits at the bottom. Unhandled command events
// travel on from a control to its window and from a window to the application.

#include "platform/WindowTypes.h"

#include <QString>
#include <functional>

namespace platform {

// A new record, held once by the caller (ReleaseEvent).
EventRef CreateEvent(UInt32 eventClass, UInt32 eventKind);
EventRef RetainEvent(EventRef event);
void ReleaseEvent(EventRef event);
UInt32 GetEventClass(EventRef event);
UInt32 GetEventKind(EventRef event);

// Copies at most bufferSize bytes of the stored value. eventParameterNotFoundErr when the
// name is absent, errAECoercionFail when it was stored with another type (typeWildCard
// accepts any). outActualType and outActualSize may be null.
OSStatus GetEventParameter(EventRef event, EventParamName name, EventParamType desiredType,
                           EventParamType* outActualType, Size bufferSize, Size* outActualSize,
                           void* outData);
OSStatus SetEventParameter(EventRef event, EventParamName name, EventParamType type, Size size,
                           const void* data);

// The application's target; one for the process.
EventTargetRef GetApplicationEventTarget();

// Handlers: types may be empty and added later; outRef may be null.
OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, ItemCount numTypes,
                             const EventTypeSpec* types, void* userData, EventHandlerRef* outRef);
OSStatus AddEventTypesToHandler(EventHandlerRef handler, ItemCount numTypes,
                                const EventTypeSpec* types);
OSStatus RemoveEventHandler(EventHandlerRef handler);
OSStatus CallNextEventHandler(EventHandlerCallRef callRef, EventRef event);

// Runs the target's handlers for the event (and its container's, for command events).
OSStatus SendEventToEventTarget(EventRef event, EventTargetRef target);

// Sends the command to the front window (then the application), as a menu item does.
OSStatus ProcessHICommand(const HICommand& command);

// Four-character codes from text, for dynamic properties: 0 when the text is not four
// Latin-1 characters.
OSType fourCharCodeFromString(const QString& text);

// Runs the task on the main thread once the event being handled is done, with whatever
// drawing it belongs to (a window's first frame is drawn whole within one event).
void RunAfterCurrentEvent(std::function<void()> task);

} // namespace platform
