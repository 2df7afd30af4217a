#include "ui/TCarbonEvent.h"

#include "platform/Events.h"

TCarbonEvent::TCarbonEvent(EventRef event) : fEvent(platform::RetainEvent(event)) {}

TCarbonEvent::TCarbonEvent(UInt32 eventClass, UInt32 eventKind)
    : fEvent(platform::CreateEvent(eventClass, eventKind)) {}

TCarbonEvent::~TCarbonEvent() {
    platform::ReleaseEvent(fEvent);
}

UInt32 TCarbonEvent::GetClass() const {
    return platform::GetEventClass(fEvent);
}
UInt32 TCarbonEvent::GetKind() const {
    return platform::GetEventKind(fEvent);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, EventParamType type, Size size,
                                    void* data) const {
    return platform::GetEventParameter(fEvent, name, type, nullptr, size, nullptr, data);
}

OSStatus TCarbonEvent::SetParameter(EventParamName name, EventParamType type, Size size,
                                    const void* data) {
    return platform::SetEventParameter(fEvent, name, type, size, data);
}

OSStatus TCarbonEvent::SetParameter(EventParamName name, bool value) {
    const Boolean flag = value ? 1 : 0;
    return SetParameter(name, typeBoolean, sizeof flag, &flag);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, Boolean* value) const {
    return GetParameter(name, typeBoolean, sizeof *value, value);
}

OSStatus TCarbonEvent::SetParameter(EventParamName name, Point value) {
    return SetParameter(name, typeQDPoint, sizeof value, &value);
}

OSStatus TCarbonEvent::SetParameter(EventParamName name, const Rect& value) {
    return SetParameter(name, typeQDRectangle, sizeof value, &value);
}

OSStatus TCarbonEvent::SetParameter(EventParamName name, const CGSize& value) {
    return SetParameter(name, typeHISize, sizeof value, &value);
}

OSStatus TCarbonEvent::SetParameter(EventParamName name, UInt32 value) {
    return SetParameter(name, typeUInt32, sizeof value, &value);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, UInt32* value) const {
    return GetParameter(name, typeUInt32, sizeof *value, value);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, CGRect* value) const {
    return GetParameter(name, typeHIRect, sizeof *value, value);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, RgnHandle* value) const {
    return GetParameter(name, typeQDRgnHandle, sizeof *value, value);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, DragRef* value) const {
    return GetParameter(name, typeDragRef, sizeof *value, value);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, HICommand* value) const {
    return GetParameter(name, typeHICommand, sizeof *value, value);
}

OSStatus TCarbonEvent::GetParameter(EventParamName name, HICommandExtended* value) const {
    return GetParameter(name, typeHICommand, sizeof *value, value);
}
