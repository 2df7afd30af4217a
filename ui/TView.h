#pragma once

#include "platform/StatusCodes.h"
#include "platform/WindowTypes.h"

#include <QString>

class TCarbonEvent;

// Base of custom views: the view events of one control become virtual calls.
class TView {
public:
    enum Interface { kDragAndDrop = 1, kKeyboardFocus = 2 };
    // Redraw on: 1 activation change, 2 highlight change, 4 enabled-state change,
    // 8 value change, 16 title change.
    enum AutoInvalidateFlags : UInt32 {
        kAutoInvalidateOnActivate = 1,
        kAutoInvalidateOnHilite = 2,
        kAutoInvalidateOnEnable = 4,
        kAutoInvalidateOnValueChange = 8,
        kAutoInvalidateOnTitleChange = 16,
    };
    using ConstructProc = OSStatus (*)(ControlRef control, TView** outView);

    explicit TView(ControlRef control);
    virtual ~TView();
    TView(const TView&) = delete;
    TView& operator=(const TView&) = delete;

    virtual ControlKind GetKind() = 0;
    virtual UInt32 GetBehaviors();
    virtual OSStatus ActiveStateChanged();
    virtual OSStatus BoundsChanged(UInt32 attributes, const CGRect& oldBounds,
                                   const CGRect& newBounds, RgnHandle invalidRegion);
    virtual OSStatus ControlHit(ControlPartCode part, UInt32 modifiers);
    virtual OSStatus EnabledStateChanged();
    virtual void Draw(RgnHandle limitRegion, CGContextRef context);
    virtual OSStatus GetData(OSType tag, ControlPartCode part, Size size, Size* outSize,
                             void* buffer);
    virtual OSStatus GetRegion(ControlPartCode part, RgnHandle region);
    virtual OSStatus HiliteChanged(ControlPartCode oldPart, ControlPartCode newPart,
                                   RgnHandle invalidRegion);
    virtual ControlPartCode HitTest(const CGPoint& where);
    virtual OSStatus Initialize(TCarbonEvent& event);
    virtual OSStatus SetData(OSType tag, ControlPartCode part, Size size, const void* data);
    virtual OSStatus SetFocusPart(ControlPartCode desiredFocus, RgnHandle invalidRegion,
                                  Boolean focusEverything, ControlPartCode* outActualFocus);
    virtual OSStatus TextInput(TCarbonEvent& event);
    virtual OSStatus TitleChanged();
    virtual OSStatus Track(TCarbonEvent& event, ControlPartCode* outPart);
    virtual OSStatus ValueChanged();
    virtual OSStatus GetSizeConstraints(CGSize* outMin, CGSize* outMax);
    virtual OSStatus GetOptimalSize(CGSize* outSize, float* outBaseline);
    virtual bool DragEnter(DragRef drag);
    virtual OSStatus DragWithin(DragRef drag);
    virtual OSStatus DragLeave(DragRef drag);
    virtual OSStatus DragReceive(DragRef drag);
    virtual OSStatus ProcessCommand(const HICommand& command);
    virtual OSStatus UpdateCommandStatus(const HICommand& command);
    virtual OSStatus ActivateInterface(Interface interface);
    virtual void PrintDebugInfo() {}

    // Views of this class are then made by the class identifier.
    static OSStatus RegisterSubclass(const QString& classID, ConstructProc construct);

    ControlRef GetViewRef() const { return fControl; }
    CGRect Frame() const;
    CGRect Bounds() const;
    WindowRef GetOwner() const;
    bool IsActive() const;
    bool IsVisible() const;
    void Invalidate();
    void ChangeAutoInvalidateFlags(UInt32 set, UInt32 clear);

protected:
    OSStatus HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event);

    static OSStatus ViewEventHandler(EventHandlerCallRef callRef, EventRef event, void* view);
    static OSStatus ObjectEventHandler(EventHandlerCallRef callRef, EventRef event, void* userData);

private:
    OSStatus HandleControlEvent(EventHandlerCallRef callRef, TCarbonEvent& event);
    // One control event each: read its parameters, call the virtual, write the answer.
    OSStatus OnControlHit(TCarbonEvent& event);
    OSStatus OnHitTest(TCarbonEvent& event);
    OSStatus OnDraw(TCarbonEvent& event);
    OSStatus OnSetFocusPart(TCarbonEvent& event);
    OSStatus OnDrag(TCarbonEvent& event);
    OSStatus OnTrack(TCarbonEvent& event);
    OSStatus OnGetPartRegion(TCarbonEvent& event);
    OSStatus OnData(TCarbonEvent& event);
    OSStatus OnGetSizeConstraints(TCarbonEvent& event);
    OSStatus OnBoundsChanged(TCarbonEvent& event);
    OSStatus OnHiliteChanged(TCarbonEvent& event);
    OSStatus OnGetOptimalBounds(TCarbonEvent& event);
    OSStatus Redrawn(OSStatus result, UInt32 flag);

    ControlRef fControl;
    EventHandlerRef fHandler = nullptr;
    UInt32 fAutoInvalidateFlags = 0;
};
