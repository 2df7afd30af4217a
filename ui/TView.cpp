#include "ui/TView.h"

#include "platform/Events.h"
#include "platform/Windowing.h"
#include "ui/TCarbonEvent.h"

#include <map>

namespace {

const EventTypeSpec kHIViewEvents[] = {
    {kEventClassCommand, kEventCommandProcess},
    {kEventClassCommand, kEventCommandUpdateStatus},
    {kEventClassControl, kEventControlInitialize},
    {kEventClassControl, kEventControlDraw},
    {kEventClassControl, kEventControlHitTest},
    {kEventClassControl, kEventControlGetPartRegion},
    {kEventClassControl, kEventControlGetData},
    {kEventClassControl, kEventControlSetData},
    {kEventClassControl, kEventControlGetOptimalBounds},
    {kEventClassControl, kEventControlBoundsChanged},
    {kEventClassControl, kEventControlTrack},
    {kEventClassControl, kEventControlGetSizeConstraints},
    {kEventClassControl, kEventControlHit},
    {kEventClassControl, kEventControlHiliteChanged},
    {kEventClassControl, kEventControlActivate},
    {kEventClassControl, kEventControlDeactivate},
    {kEventClassControl, kEventControlValueFieldChanged},
    {kEventClassControl, kEventControlTitleChanged},
    {kEventClassControl, kEventControlEnabledStateChanged},
};

const EventTypeSpec kHIObjectEvents[] = {
    {kEventClassHIObject, kEventHIObjectConstruct},
    {kEventClassHIObject, kEventHIObjectInitialize},
    {kEventClassHIObject, kEventHIObjectDestruct},
};

const EventTypeSpec kDragEvents[] = {
    {kEventClassControl, kEventControlDragEnter},
    {kEventClassControl, kEventControlDragLeave},
    {kEventClassControl, kEventControlDragWithin},
    {kEventClassControl, kEventControlDragReceive},
};

const EventTypeSpec kKeyboardFocusEvents[] = {
    {kEventClassControl, kEventControlSetFocusPart},
    {kEventClassTextInput, kEventTextInputUnicodeForKeyEvent},
};

// The constructor procedures by class identifier; each entry's address is the user data
// of its class's object handler.
std::map<QString, TView::ConstructProc>& constructors() {
    static auto* table = new std::map<QString, TView::ConstructProc>; // nodes never move
    return *table;
}

} // namespace

TView::TView(ControlRef control) : fControl(control) {
    platform::InstallEventHandler(platform::GetControlEventTarget(control), ViewEventHandler,
                                  sizeof kHIViewEvents / sizeof kHIViewEvents[0], kHIViewEvents,
                                  this, &fHandler);
}

TView::~TView() {
    if (fHandler)
        platform::RemoveEventHandler(fHandler);
}

OSStatus TView::RegisterSubclass(const QString& classID, ConstructProc construct) {
    if (!construct)
        return paramErr;
    auto& table = constructors();
    if (table.count(classID))
        return hiObjectClassExistsErr;
    const auto entry = table.emplace(classID, construct).first;
    const OSStatus result = platform::HIObjectRegisterSubclass(
        classID, platform::kHIViewClassID, sizeof kHIObjectEvents / sizeof kHIObjectEvents[0],
        kHIObjectEvents, ObjectEventHandler, &entry->second);
    if (result != noErr)
        table.erase(entry);
    return result;
}

OSStatus TView::ObjectEventHandler(EventHandlerCallRef callRef, EventRef event, void* userData) {
    TCarbonEvent wrapped(event);
    if (wrapped.GetClass() != kEventClassHIObject)
        return eventNotHandledErr;
    switch (wrapped.GetKind()) {
    case kEventHIObjectConstruct: {
        ControlRef control = nullptr;
        OSStatus result =
            wrapped.GetParameter(kEventParamHIObjectInstance, typeHIObjectRef, &control);
        if (result != noErr)
            return result;
        const auto construct = *static_cast<ConstructProc*>(userData);
        TView* view = nullptr;
        result = construct(control, &view);
        if (result == noErr)
            result = wrapped.SetParameter(kEventParamHIObjectInstance, typeVoidPtr,
                                          static_cast<void*>(view));
        return result;
    }
    case kEventHIObjectInitialize: {
        const OSStatus result = platform::CallNextEventHandler(callRef, event);
        if (result == noErr)
            return static_cast<TView*>(userData)->Initialize(wrapped);
        return result;
    }
    case kEventHIObjectDestruct:
        delete static_cast<TView*>(userData);
        return eventNotHandledErr;
    default:
        return eventNotHandledErr;
    }
}

OSStatus TView::ViewEventHandler(EventHandlerCallRef callRef, EventRef event, void* view) {
    TCarbonEvent wrapped(event);
    return static_cast<TView*>(view)->HandleEvent(callRef, wrapped);
}

OSStatus TView::Redrawn(OSStatus result, UInt32 flag) {
    if (fAutoInvalidateFlags & flag)
        Invalidate();
    return result;
}

OSStatus TView::HandleEvent(EventHandlerCallRef callRef, TCarbonEvent& event) {
    switch (event.GetClass()) {
    case kEventClassControl:
        return HandleControlEvent(callRef, event);
    case kEventClassTextInput:
        return TextInput(event);
    case kEventClassCommand: {
        HICommand command{};
        const OSStatus result = event.GetParameter(kEventParamDirectObject, &command);
        if (result != noErr)
            return result;
        if (event.GetKind() == kEventCommandProcess)
            return ProcessCommand(command);
        if (event.GetKind() == kEventCommandUpdateStatus)
            return UpdateCommandStatus(command);
        return eventNotHandledErr;
    }
    default:
        return eventNotHandledErr;
    }
}

OSStatus TView::HandleControlEvent(EventHandlerCallRef, TCarbonEvent& event) {
    switch (event.GetKind()) {
    case kEventControlHit:
        return OnControlHit(event);
    case kEventControlHitTest:
        return OnHitTest(event);
    case kEventControlDraw:
        return OnDraw(event);
    case kEventControlSetFocusPart:
        return OnSetFocusPart(event);
    case kEventControlActivate:
    case kEventControlDeactivate:
        return Redrawn(ActiveStateChanged(), kAutoInvalidateOnActivate);
    case kEventControlDragEnter:
    case kEventControlDragWithin:
    case kEventControlDragLeave:
    case kEventControlDragReceive:
        return OnDrag(event);
    case kEventControlTrack:
        return OnTrack(event);
    case kEventControlGetPartRegion:
        return OnGetPartRegion(event);
    case kEventControlSetData:
    case kEventControlGetData:
        return OnData(event);
    case kEventControlGetSizeConstraints:
        return OnGetSizeConstraints(event);
    case kEventControlValueFieldChanged:
        return Redrawn(ValueChanged(), kAutoInvalidateOnValueChange);
    case kEventControlBoundsChanged:
        return OnBoundsChanged(event);
    case kEventControlTitleChanged:
        return Redrawn(TitleChanged(), kAutoInvalidateOnTitleChange);
    case kEventControlHiliteChanged:
        return OnHiliteChanged(event);
    case kEventControlEnabledStateChanged:
        return Redrawn(EnabledStateChanged(), kAutoInvalidateOnEnable);
    case kEventControlInitialize:
        event.SetParameter(kEventParamControlFeatures, GetBehaviors());
        return noErr;
    case kEventControlGetOptimalBounds:
        return OnGetOptimalBounds(event);
    default:
        return eventNotHandledErr;
    }
}

OSStatus TView::OnControlHit(TCarbonEvent& event) {
    ControlPartCode part = kControlNoPart;
    UInt32 modifiers = 0;
    event.GetParameter(kEventParamControlPart, typeControlPartCode, &part);
    event.GetParameter(kEventParamKeyModifiers, &modifiers);
    return ControlHit(part, modifiers);
}

OSStatus TView::OnHitTest(TCarbonEvent& event) {
    HIPoint where{};
    event.GetParameter(kEventParamMouseLocation, typeHIPoint, &where);
    const ControlPartCode part = HitTest(where);
    event.SetParameter(kEventParamControlPart, typeControlPartCode, part);
    return noErr;
}

OSStatus TView::OnDraw(TCarbonEvent& event) {
    RgnHandle region = nullptr;
    CGContextRef context = nullptr;
    event.GetParameter(kEventParamRgnHandle, &region);
    event.GetParameter(kEventParamCGContextRef, typeCGContextRef, &context);
    Draw(region, context);
    return noErr;
}

OSStatus TView::OnSetFocusPart(TCarbonEvent& event) {
    ControlPartCode part = kControlNoPart;
    OSStatus result = event.GetParameter(kEventParamControlPart, typeControlPartCode, &part);
    if (result != noErr)
        return result;
    RgnHandle region = nullptr;
    Boolean focusEverything = false;
    event.GetParameter(kEventParamControlInvalRgn, typeQDRgnHandle, &region);
    event.GetParameter(kEventParamControlFocusEverything, &focusEverything);
    ControlPartCode actual = part;
    result = SetFocusPart(part, region, focusEverything, &actual);
    if (result == noErr)
        event.SetParameter(kEventParamControlPart, typeControlPartCode, actual);
    return result;
}

OSStatus TView::OnDrag(TCarbonEvent& event) {
    DragRef drag = nullptr;
    event.GetParameter(kEventParamDragRef, &drag);
    switch (event.GetKind()) {
    case kEventControlDragEnter:
        if (DragEnter(drag))
            return event.SetParameter(kEventParamControlWouldAcceptDrop, true);
        return eventNotHandledErr;
    case kEventControlDragWithin:
        DragWithin(drag);
        return noErr;
    case kEventControlDragLeave:
        DragLeave(drag);
        return noErr;
    default:
        return DragReceive(drag);
    }
}

OSStatus TView::OnTrack(TCarbonEvent& event) {
    ControlPartCode part = kControlNoPart;
    const OSStatus result = Track(event, &part);
    if (result == noErr)
        event.SetParameter(kEventParamControlPart, typeControlPartCode, part);
    return result;
}

OSStatus TView::OnGetPartRegion(TCarbonEvent& event) {
    ControlPartCode part = kControlNoPart;
    RgnHandle region = nullptr;
    event.GetParameter(kEventParamControlPart, typeControlPartCode, &part);
    event.GetParameter(kEventParamControlRegion, typeQDRgnHandle, &region);
    return GetRegion(part, region);
}

OSStatus TView::OnData(TCarbonEvent& event) {
    ControlPartCode part = kControlNoPart;
    OSType tag = 0;
    void* buffer = nullptr;
    Size size = 0;
    event.GetParameter(kEventParamControlPart, typeControlPartCode, &part);
    event.GetParameter(kEventParamControlDataTag, typeEnumeration, &tag);
    event.GetParameter(kEventParamControlDataBuffer, typePtr, &buffer);
    event.GetParameter(kEventParamControlDataBufferSize, typeLongInteger, &size);
    if (event.GetKind() == kEventControlSetData)
        return SetData(tag, part, size, buffer);
    Size outSize = 0;
    const OSStatus result = GetData(tag, part, size, &outSize, buffer);
    if (result == noErr)
        event.SetParameter(kEventParamControlDataBufferSize, typeLongInteger, outSize);
    return result;
}

OSStatus TView::OnGetSizeConstraints(TCarbonEvent& event) {
    CGSize minimum{};
    CGSize maximum{};
    const OSStatus result = GetSizeConstraints(&minimum, &maximum);
    if (result == noErr) {
        event.SetParameter(kEventParamMinimumSize, minimum);
        event.SetParameter(kEventParamMaximumSize, maximum);
    }
    return result;
}

OSStatus TView::OnBoundsChanged(TCarbonEvent& event) {
    UInt32 attributes = 0;
    CGRect oldBounds{};
    CGRect newBounds{};
    RgnHandle region = nullptr;
    event.GetParameter(kEventParamAttributes, &attributes);
    event.GetParameter(kEventParamOriginalBounds, &oldBounds);
    event.GetParameter(kEventParamCurrentBounds, &newBounds);
    event.GetParameter(kEventParamControlInvalRgn, typeQDRgnHandle, &region);
    return BoundsChanged(attributes, oldBounds, newBounds, region);
}

OSStatus TView::OnHiliteChanged(TCarbonEvent& event) {
    ControlPartCode oldPart = kControlNoPart;
    ControlPartCode newPart = kControlNoPart;
    RgnHandle region = nullptr;
    event.GetParameter(kEventParamControlOldPart, typeControlPartCode, &oldPart);
    event.GetParameter(kEventParamControlNewPart, typeControlPartCode, &newPart);
    event.GetParameter(kEventParamControlInvalRgn, typeQDRgnHandle, &region);
    return Redrawn(HiliteChanged(oldPart, newPart, region), kAutoInvalidateOnHilite);
}

OSStatus TView::OnGetOptimalBounds(TCarbonEvent& event) {
    CGSize size{};
    float baseline = 0;
    const OSStatus result = GetOptimalSize(&size, &baseline);
    if (result != noErr)
        return result;
    const CGRect frame = Frame();
    Rect bounds;
    bounds.top = short(frame.origin.y);
    bounds.left = short(frame.origin.x);
    bounds.bottom = short(bounds.top + short(size.height));
    bounds.right = short(bounds.left + short(size.width));
    event.SetParameter(kEventParamControlOptimalBounds, bounds);
    const SInt16 offset = SInt16(baseline);
    event.SetParameter(kEventParamControlOptimalBaselineOffset, typeSInt16, offset);
    return noErr;
}

UInt32 TView::GetBehaviors() {
    return kControlSupportsDataAccess | kControlSupportsGetRegion;
}
OSStatus TView::ActiveStateChanged() {
    return eventNotHandledErr;
}
OSStatus TView::BoundsChanged(UInt32, const CGRect&, const CGRect&, RgnHandle) {
    return eventNotHandledErr;
}
OSStatus TView::ControlHit(ControlPartCode, UInt32) {
    return eventNotHandledErr;
}
OSStatus TView::EnabledStateChanged() {
    return eventNotHandledErr;
}
void TView::Draw(RgnHandle, CGContextRef) {}

OSStatus TView::GetData(OSType tag, ControlPartCode, Size size, Size* outSize, void* buffer) {
    if (tag != kControlKindTag)
        return eventNotHandledErr;
    OSStatus result = noErr;
    if (buffer) {
        if (size == Size(sizeof(ControlKind)))
            *static_cast<ControlKind*>(buffer) = GetKind();
        else
            result = errDataSizeMismatch;
    }
    if (outSize)
        *outSize = sizeof(ControlKind);
    return result;
}

OSStatus TView::GetRegion(ControlPartCode, RgnHandle) {
    return eventNotHandledErr;
}
OSStatus TView::HiliteChanged(ControlPartCode, ControlPartCode, RgnHandle) {
    return eventNotHandledErr;
}
ControlPartCode TView::HitTest(const CGPoint&) {
    return kControlNoPart;
}
OSStatus TView::Initialize(TCarbonEvent&) {
    return noErr;
}
OSStatus TView::SetData(OSType, ControlPartCode, Size, const void*) {
    return eventNotHandledErr;
}
OSStatus TView::SetFocusPart(ControlPartCode, RgnHandle, Boolean, ControlPartCode*) {
    return eventNotHandledErr;
}
OSStatus TView::TextInput(TCarbonEvent&) {
    return eventNotHandledErr;
}
OSStatus TView::TitleChanged() {
    return eventNotHandledErr;
}
OSStatus TView::Track(TCarbonEvent&, ControlPartCode*) {
    return eventNotHandledErr;
}
OSStatus TView::ValueChanged() {
    return eventNotHandledErr;
}
OSStatus TView::GetSizeConstraints(CGSize*, CGSize*) {
    return eventNotHandledErr;
}
OSStatus TView::GetOptimalSize(CGSize*, float*) {
    return eventNotHandledErr;
}
bool TView::DragEnter(DragRef) {
    return false;
}
OSStatus TView::DragWithin(DragRef) {
    return noErr;
}
OSStatus TView::DragLeave(DragRef) {
    return noErr;
}
OSStatus TView::DragReceive(DragRef) {
    return dragNotAcceptedErr;
}
OSStatus TView::ProcessCommand(const HICommand&) {
    return eventNotHandledErr;
}
OSStatus TView::UpdateCommandStatus(const HICommand&) {
    return eventNotHandledErr;
}

OSStatus TView::ActivateInterface(Interface interface) {
    switch (interface) {
    case kDragAndDrop:
        return platform::AddEventTypesToHandler(
            fHandler, sizeof kDragEvents / sizeof kDragEvents[0], kDragEvents);
    case kKeyboardFocus:
        return platform::AddEventTypesToHandler(
            fHandler, sizeof kKeyboardFocusEvents / sizeof kKeyboardFocusEvents[0],
            kKeyboardFocusEvents);
    default:
        return noErr;
    }
}

CGRect TView::Frame() const {
    CGRect frame{};
    platform::HIViewGetFrame(fControl, &frame);
    return frame;
}

CGRect TView::Bounds() const {
    CGRect bounds{};
    platform::HIViewGetBounds(fControl, &bounds);
    return bounds;
}

WindowRef TView::GetOwner() const {
    return platform::GetControlOwner(fControl);
}
bool TView::IsActive() const {
    return platform::IsControlActive(fControl);
}
bool TView::IsVisible() const {
    return platform::IsControlVisible(fControl);
}
void TView::Invalidate() {
    platform::HIViewSetNeedsDisplay(fControl, true);
}

void TView::ChangeAutoInvalidateFlags(UInt32 set, UInt32 clear) {
    fAutoInvalidateFlags = (fAutoInvalidateFlags | set) & ~clear;
}
