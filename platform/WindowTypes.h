#pragma once

// The value types, codes and opaque references of the window system that the interface
// framework is written against. Everything here is plain data: the objects behind the
// references live in platform/ and are reached only through Events.h, Windowing.h and
// Drawing.h.

#include "platform/StatusCodes.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

using UInt16 = std::uint16_t;
using UInt32 = std::uint32_t;
using SInt16 = std::int16_t;
using SInt32 = std::int32_t;
using Boolean = unsigned char;
using Size = long;
using ItemCount = unsigned long;
using CGFloat = double;

// Opaque references (the objects are the platform's own).
struct OpaqueWindowPtr;
struct OpaqueControlRef;
struct OpaqueMenuRef;
struct OpaqueEventRef;
struct OpaqueEventHandlerRef;
struct OpaqueEventHandlerCallRef;
struct OpaqueEventTargetRef;
struct OpaqueIBNibRef;
struct OpaqueMouseTrackingRef;
struct OpaqueRgnHandle;
struct OpaqueDragRef;
struct OpaqueCGContext;
struct OpaqueCGImage;

using WindowRef = OpaqueWindowPtr*;
using ControlRef = OpaqueControlRef*;
using HIObjectRef = ControlRef;
using MenuRef = OpaqueMenuRef*;
using EventRef = OpaqueEventRef*;
using EventHandlerRef = OpaqueEventHandlerRef*;
using EventHandlerCallRef = OpaqueEventHandlerCallRef*;
using EventTargetRef = OpaqueEventTargetRef*;
using IBNibRef = OpaqueIBNibRef*;
using MouseTrackingRef = OpaqueMouseTrackingRef*;
using RgnHandle = OpaqueRgnHandle*; // regions are not modelled; always null
using DragRef = OpaqueDragRef*;     // drags are not modelled; only hand-made events carry one
using CGContextRef = OpaqueCGContext*;
// Pictures are shared values: the last holder frees them.
using CGImageRef = std::shared_ptr<const OpaqueCGImage>;

using EventHandlerUPP = OSStatus (*)(EventHandlerCallRef, EventRef, void*);

using EventParamName = OSType;
using EventParamType = OSType;
using MenuID = SInt16;
using MenuItemIndex = UInt16;
using MenuCommand = UInt32;
using MenuItemAttributes = UInt32;
using ControlPartCode = SInt16;
using WindowActivationScope = UInt32;
using WindowPositionMethod = UInt32;

struct CGPoint {
    CGFloat x = 0;
    CGFloat y = 0;
};
struct CGSize {
    CGFloat width = 0;
    CGFloat height = 0;
};
struct CGRect {
    CGPoint origin;
    CGSize size;
};
using HIPoint = CGPoint;
using HIRect = CGRect;

// Whole-number geometry: a point is (v, h), a rectangle top, left, bottom, right.
struct Point {
    short v = 0;
    short h = 0;
};
struct Rect {
    short top = 0;
    short left = 0;
    short bottom = 0;
    short right = 0;
};

struct EventTypeSpec {
    UInt32 eventClass;
    UInt32 eventKind;
};

struct ControlID {
    OSType signature;
    SInt32 id;
};

struct ControlKind {
    OSType signature;
    OSType kind;
};

struct MouseTrackingRegionID {
    OSType signature;
    SInt32 id;
};

struct HICommand {
    UInt32 attributes;
    UInt32 commandID;
    struct {
        MenuRef menuRef;
        MenuItemIndex menuItemIndex;
    } menu;
};

struct HICommandExtended {
    UInt32 attributes;
    UInt32 commandID;
    union {
        ControlRef control;
        WindowRef window;
        struct {
            MenuRef menuRef;
            MenuItemIndex menuItemIndex;
        } menu;
    } source;
};

// The information record of one tab ('tabi'); the name is a value.
struct ControlTabInfoRecV1 {
    SInt16 version = 1;
    SInt16 iconSuiteID = 0;
    QString name;
};

// Text box style of HIThemeDrawTextBox.
struct HIThemeTextInfo {
    UInt32 version = 0;
    UInt32 state = 1;  // kThemeStateActive
    UInt16 fontID = 0; // kThemeSystemFont, kThemeSmallSystemFont
    UInt32 horizontalFlushness = 0;
    UInt32 verticalFlushness = 0;
    UInt32 options = 0;
    UInt32 truncationPosition = 0; // none, or kHIThemeTextTruncationEnd
    UInt32 truncationMaxLines = 0;
    Boolean truncationHappened = false;
};

// Event classes.
constexpr UInt32 kEventClassMouse = "mous"_4cc;
constexpr UInt32 kEventClassTextInput = "text"_4cc;
constexpr UInt32 kEventClassWindow = "wind"_4cc;
constexpr UInt32 kEventClassControl = "cntl"_4cc;
constexpr UInt32 kEventClassCommand = "cmds"_4cc;
constexpr UInt32 kEventClassHIObject = "hiob"_4cc;

// Event kinds.
constexpr UInt32 kEventMouseDown = 1;
constexpr UInt32 kEventMouseEntered = 8;
constexpr UInt32 kEventMouseExited = 9;
constexpr UInt32 kEventTextInputUnicodeForKeyEvent = 2;
constexpr UInt32 kEventCommandProcess = 1;
constexpr UInt32 kEventCommandUpdateStatus = 2;
constexpr UInt32 kEventWindowDrawContent = 2;
constexpr UInt32 kEventWindowActivated = 5;
constexpr UInt32 kEventWindowDeactivated = 6;
constexpr UInt32 kEventWindowBoundsChanged = 27;
constexpr UInt32 kEventWindowClose = 72;
constexpr UInt32 kEventWindowGetIdealSize = 80;
constexpr UInt32 kEventWindowGetMinimumSize = 81;
constexpr UInt32 kEventWindowGetMaximumSize = 82;
constexpr UInt32 kEventWindowDispose = 1005;
constexpr UInt32 kEventControlHit = 1;
constexpr UInt32 kEventControlHitTest = 3;
constexpr UInt32 kEventControlDraw = 4;
constexpr UInt32 kEventControlSetFocusPart = 7;
constexpr UInt32 kEventControlGetFocusPart = 8;
constexpr UInt32 kEventControlActivate = 9;
constexpr UInt32 kEventControlDeactivate = 10;
constexpr UInt32 kEventControlDragEnter = 18;
constexpr UInt32 kEventControlDragWithin = 19;
constexpr UInt32 kEventControlDragLeave = 20;
constexpr UInt32 kEventControlDragReceive = 21;
constexpr UInt32 kEventControlTrack = 51;
constexpr UInt32 kEventControlGetPartRegion = 101;
constexpr UInt32 kEventControlSetData = 103;
constexpr UInt32 kEventControlGetData = 104;
constexpr UInt32 kEventControlGetSizeConstraints = 105;
constexpr UInt32 kEventControlValueFieldChanged = 151;
constexpr UInt32 kEventControlBoundsChanged = 154;
constexpr UInt32 kEventControlVisibilityChanged = 157;
constexpr UInt32 kEventControlTitleChanged = 158;
constexpr UInt32 kEventControlHiliteChanged = 160;
constexpr UInt32 kEventControlEnabledStateChanged = 161;
constexpr UInt32 kEventControlInitialize = 1000;
constexpr UInt32 kEventControlGetOptimalBounds = 1003;
constexpr UInt32 kEventHIObjectConstruct = 1;
constexpr UInt32 kEventHIObjectInitialize = 2;
constexpr UInt32 kEventHIObjectDestruct = 3;

// Event parameter names.
constexpr EventParamName kEventParamDirectObject = "----"_4cc;
constexpr EventParamName kEventParamAttributes = "attr"_4cc;
constexpr EventParamName kEventParamCurrentBounds = "crct"_4cc;
constexpr EventParamName kEventParamOriginalBounds = "orct"_4cc;
constexpr EventParamName kEventParamDimensions = "dims"_4cc;
constexpr EventParamName kEventParamControlPart = "cprt"_4cc;
constexpr EventParamName kEventParamKeyModifiers = "kmod"_4cc;
constexpr EventParamName kEventParamMouseLocation = "mloc"_4cc;
constexpr EventParamName kEventParamRgnHandle = "rgnh"_4cc;
constexpr EventParamName kEventParamCGContextRef = "cntx"_4cc;
constexpr EventParamName kEventParamControlInvalRgn = "civr"_4cc;
constexpr EventParamName kEventParamControlFocusEverything = "cfev"_4cc;
constexpr EventParamName kEventParamControlWouldAcceptDrop = "cldg"_4cc;
constexpr EventParamName kEventParamDragRef = "drag"_4cc;
constexpr EventParamName kEventParamControlRegion = "crgn"_4cc;
constexpr EventParamName kEventParamControlDataTag = "cdtg"_4cc;
constexpr EventParamName kEventParamControlDataBuffer = "cdbf"_4cc;
constexpr EventParamName kEventParamControlDataBufferSize = "cdbs"_4cc;
constexpr EventParamName kEventParamMinimumSize = "mnsz"_4cc;
constexpr EventParamName kEventParamMaximumSize = "mxsz"_4cc;
constexpr EventParamName kEventParamControlFeatures = "cftr"_4cc;
constexpr EventParamName kEventParamControlOptimalBounds = "cobn"_4cc;
constexpr EventParamName kEventParamControlOptimalBaselineOffset = "cobo"_4cc;
constexpr EventParamName kEventParamControlOldPart = "copc"_4cc;
constexpr EventParamName kEventParamControlNewPart = "cnpc"_4cc;
constexpr EventParamName kEventParamHIObjectInstance = "hioi"_4cc;

// Event parameter types.
constexpr EventParamType typeWildCard = "****"_4cc;
constexpr EventParamType typeBoolean = "bool"_4cc;
constexpr EventParamType typeQDPoint = "QDpt"_4cc;
constexpr EventParamType typeQDRectangle = "qdrt"_4cc;
constexpr EventParamType typeHISize = "hisz"_4cc;
constexpr EventParamType typeUInt32 = "magn"_4cc;
constexpr EventParamType typeSInt16 = "shor"_4cc;
constexpr EventParamType typeLongInteger = "long"_4cc;
constexpr EventParamType typeHIRect = "hirc"_4cc;
constexpr EventParamType typeHIPoint = "hipt"_4cc;
constexpr EventParamType typeQDRgnHandle = "rgnh"_4cc;
constexpr EventParamType typeDragRef = "drag"_4cc;
constexpr EventParamType typeHICommand = "hcmd"_4cc;
constexpr EventParamType typeControlPartCode = "cprt"_4cc;
constexpr EventParamType typeCGContextRef = "cntx"_4cc;
constexpr EventParamType typeEnumeration = "enum"_4cc;
constexpr EventParamType typePtr = "ptr "_4cc;
constexpr EventParamType typeVoidPtr = "void"_4cc;
constexpr EventParamType typeHIObjectRef = "hiob"_4cc;

// Command sources and well-known commands.
constexpr UInt32 kHICommandFromMenu = 1 << 0;
constexpr UInt32 kHICommandFromControl = 1 << 1;
constexpr UInt32 kHICommandQuit = "quit"_4cc;
constexpr UInt32 kHICommandClose = "clos"_4cc;

// Window bounds-change attributes.
constexpr UInt32 kWindowBoundsChangeSizeChanged = 1 << 2;
constexpr UInt32 kWindowBoundsChangeOriginChanged = 1 << 3;
constexpr UInt32 kControlBoundsChangeSizeChanged = 1 << 2;
constexpr UInt32 kControlBoundsChangePositionChanged = 1 << 3;

// Window placement and activation.
constexpr WindowPositionMethod kWindowCenterOnMainScreen = 1;
constexpr WindowPositionMethod kWindowAlertPositionOnMainScreen = 7;
constexpr WindowActivationScope kWindowActivationScopeNone = 0;
constexpr WindowActivationScope kWindowActivationScopeAll = 2;

// Control parts and highlight values.
constexpr ControlPartCode kControlNoPart = 0;
constexpr ControlPartCode kControlButtonPart = 10;
constexpr ControlPartCode kControlEntireControl = 0;
constexpr ControlPartCode kControlInactivePart = 255;

// Control data tags and features.
constexpr OSType kControlKindTag = "kind"_4cc;
constexpr OSType kControlStaticTextCFStringTag = "cfst"_4cc;
constexpr OSType kControlTabInfoTag = "tabi"_4cc;
constexpr OSType kControlPopupButtonMenuHandleTag = "mhan"_4cc;
constexpr UInt32 kControlSupportsDataAccess = 1 << 13;
constexpr UInt32 kControlSupportsGetRegion = 1 << 17;

// Control kinds.
constexpr OSType kControlKindSignatureApple = "appl"_4cc;
constexpr OSType kControlKindPushButton = "push"_4cc;
constexpr OSType kControlKindPushIconButton = "picn"_4cc;
constexpr OSType kControlKindBevelButton = "bevl"_4cc;
constexpr OSType kControlKindRoundButton = "rndb"_4cc;
constexpr OSType kControlKindCheckBox = "cbox"_4cc;
constexpr OSType kControlKindRadioButton = "rdio"_4cc;
constexpr OSType kControlKindPopupButton = "popb"_4cc;
constexpr OSType kControlKindGroupBox = "grpb"_4cc;
constexpr OSType kControlKindCheckGroupBox = "cgrp"_4cc;
constexpr OSType kControlKindPopupGroupBox = "pgrp"_4cc;
constexpr OSType kControlKindWindowHeader = "whed"_4cc;
constexpr OSType kControlKindStaticText = "stxt"_4cc;
constexpr OSType kControlKindTabs = "tabs"_4cc;
constexpr OSType kControlKindRadioGroup = "rgrp"_4cc;
constexpr OSType kControlKindEditText = "etxt"_4cc;
constexpr OSType kControlKindUserPane = "upan"_4cc;

// Theme text.
constexpr UInt16 kThemeSystemFont = 0;
constexpr UInt16 kThemeSmallSystemFont = 1;
constexpr UInt32 kThemeStateActive = 1;
constexpr UInt32 kHIThemeTextHorizontalFlushLeft = 0;
constexpr UInt32 kHIThemeTextVerticalFlushTop = 0;
constexpr UInt32 kHIThemeTextTruncationEnd = 2;
constexpr UInt32 kHIThemeOrientationNormal = 0;
