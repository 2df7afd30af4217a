#pragma once

#include "platform/StatusCodes.h"
#include "platform/WindowTypes.h"

// One event record with typed access to its parameters. Holds the record for its lifetime.
class TCarbonEvent {
public:
    explicit TCarbonEvent(EventRef event);
    // A new record of that class and kind.
    TCarbonEvent(UInt32 eventClass, UInt32 eventKind);
    ~TCarbonEvent();
    TCarbonEvent(const TCarbonEvent&) = delete;
    TCarbonEvent& operator=(const TCarbonEvent&) = delete;

    UInt32 GetClass() const;
    UInt32 GetKind() const;
    EventRef GetEventRef() const { return fEvent; }

    OSStatus GetParameter(EventParamName name, EventParamType type, Size size, void* data) const;
    OSStatus SetParameter(EventParamName name, EventParamType type, Size size, const void* data);

    OSStatus SetParameter(EventParamName name, bool value);
    OSStatus GetParameter(EventParamName name, Boolean* value) const;
    OSStatus SetParameter(EventParamName name, Point value);
    OSStatus SetParameter(EventParamName name, const Rect& value);
    OSStatus SetParameter(EventParamName name, const CGSize& value);
    OSStatus SetParameter(EventParamName name, UInt32 value);
    OSStatus GetParameter(EventParamName name, UInt32* value) const;
    OSStatus GetParameter(EventParamName name, CGRect* value) const;
    OSStatus GetParameter(EventParamName name, RgnHandle* value) const;
    OSStatus GetParameter(EventParamName name, DragRef* value) const;
    OSStatus GetParameter(EventParamName name, HICommand* value) const;
    OSStatus GetParameter(EventParamName name, HICommandExtended* value) const;

    // Typed access for the other parameter types.
    template <typename T>
    OSStatus GetParameter(EventParamName name, EventParamType type, T* value) const {
        return GetParameter(name, type, Size(sizeof(T)), value);
    }
    template <typename T>
    OSStatus SetParameter(EventParamName name, EventParamType type, const T& value) {
        return SetParameter(name, type, Size(sizeof(T)), &value);
    }

private:
    EventRef fEvent;
};
