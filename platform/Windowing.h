#pragma once

// Windows, controls, menus, interface files and loops of the window system, built on Qt
// widgets.
//
// Interface files: a nib "<name>" is the folder "<name>.nib" of the main bundle's
// resources, one Qt Designer file "<object>.ui" per window or menu bar. A window whose
// form is a QDialog is a dialog; any other form becomes the content of a document window
// that shows the menu bar. Controls are the form's widgets and carry, as dynamic
// properties:
//   controlSignature  four characters      \ together the control's ControlID
//   controlNumber     integer              /
//   controlCommand    four characters      the command a click or a choice sends
//   controlKind       four characters      overrides the kind that the widget class gives
//   viewClass         class identifier     makes a registered view class for the widget
//   prop.<creator>.<tag>  string           a control property (it carries its NUL)
// The menu bar form holds a QMenuBar; each QMenu may carry "menuID" (else 128, 129, ...
// in order) and each QAction "command" (four characters).

#include "platform/WindowTypes.h"

#include <QString>
#include <QStringList>

namespace platform {

// --- Interface files -------------------------------------------------------------------
OSStatus CreateNibReference(const QString& name, IBNibRef* outNib);
OSStatus CreateWindowFromNib(IBNibRef nib, const QString& name, WindowRef* outWindow);
OSStatus SetMenuBarFromNib(IBNibRef nib, const QString& name);
void DisposeNibReference(IBNibRef nib);

// The base class identifier of every view class.
inline const QString kHIViewClassID = QStringLiteral("org.trellis.hiview");
// Registers a view class: when a form names classID in "viewClass", the handler gets
// 'hiob' construct (userData is the one given here; it stores the instance in 'hioi' as
// 'void'), is then installed on the control with that instance as its user data, and
// gets 'hiob' initialize and, when the control goes, 'hiob' destruct.
OSStatus HIObjectRegisterSubclass(const QString& classID, const QString& baseClassID,
                                  ItemCount numEvents, const EventTypeSpec* events,
                                  EventHandlerUPP handler, void* userData);

// --- Application and loops --------------------------------------------------------------
void RunApplicationEventLoop();
void QuitApplicationEventLoop();
OSStatus RunAppModalLoopForWindow(WindowRef window);
OSStatus QuitAppModalLoopForWindow(WindowRef window);
bool IsAppModalLoopRunning(WindowRef window);

// --- Windows ------------------------------------------------------------------------------
bool IsValidWindowPtr(WindowRef window);
void DisposeWindow(WindowRef window);
EventTargetRef GetWindowEventTarget(WindowRef window);
void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
void SelectWindow(WindowRef window);
// The active window of ours, else the most recently shown visible one.
WindowRef FrontWindow();
WindowRef ActiveNonFloatingWindow();
OSStatus GetWindowActivationScope(WindowRef window, WindowActivationScope* outScope);
OSStatus AdvanceKeyboardFocus(WindowRef window);
OSStatus SetWindowTitleWithCFString(WindowRef window, const QString& title);
OSStatus RepositionWindow(WindowRef window, WindowRef parent, WindowPositionMethod method);
OSStatus SetWindowProperty(WindowRef window, OSType creator, OSType tag, Size size,
                           const void* data);
OSStatus GetWindowProperty(WindowRef window, OSType creator, OSType tag, Size bufferSize,
                           Size* outActualSize, void* outData);
OSStatus GetControlByID(WindowRef window, const ControlID* id, ControlRef* outControl);

// --- Controls -----------------------------------------------------------------------------
bool IsValidControlHandle(ControlRef control);
EventTargetRef GetControlEventTarget(ControlRef control);
WindowRef GetControlOwner(ControlRef control);
// A view answers through 'kind' of kEventControlGetData; else the widget class decides.
OSStatus GetControlKind(ControlRef control, ControlKind* outKind);

OSStatus GetControlProperty(ControlRef control, OSType creator, OSType tag, Size bufferSize,
                            Size* outActualSize, void* outData);

// Values are those of popup buttons (the chosen item from 1, 0 for none); other controls
// have none.
SInt32 GetControl32BitValue(ControlRef control);
void SetControl32BitValue(ControlRef control, SInt32 value);
void SetControl32BitMinimum(ControlRef control, SInt32 minimum);
void SetControl32BitMaximum(ControlRef control, SInt32 maximum);

ControlPartCode GetControlHilite(ControlRef control);
// Sends kEventControlHiliteChanged when the part changes.
void HiliteControl(ControlRef control, ControlPartCode part);
bool IsControlActive(ControlRef control);
// Visible within its window (a hidden window does not count).
bool IsControlVisible(ControlRef control);
OSStatus HIViewSetVisible(ControlRef control, bool visible);
OSStatus HIViewGetBounds(ControlRef control, HIRect* outRect);
OSStatus HIViewGetFrame(ControlRef control, HIRect* outRect);
OSStatus HIViewPlaceInSuperviewAt(ControlRef control, CGFloat x, CGFloat y);
OSStatus HIViewSetNeedsDisplay(ControlRef control, bool needsDisplay);

OSStatus SetControlTitleWithCFString(ControlRef control, const QString& title);
// What assistive technology reads for the control.
OSStatus SetControlAccessibleText(ControlRef control, const QString& name,
                                  const QString& description);
// Tags: 'cfst' (a QString, static text; set only), 'tabi' (ControlTabInfoRecV1, part = tab
// from 1), 'mhan' (a MenuRef, popup buttons; get only). A view gets kEventControlSetData/GetData
// first.
OSStatus SetControlData(ControlRef control, ControlPartCode part, OSType tag, Size size,
                        const void* data);
OSStatus GetControlData(ControlRef control, ControlPartCode part, OSType tag, Size bufferSize,
                        void* outData, Size* outActualSize);
// The embedded controls in form order, counted from 1.
OSStatus GetIndexedSubControl(ControlRef control, UInt16 index, ControlRef* outSubControl);

// --- Mouse tracking regions (rectangles in the window's content coordinates) ------------
OSStatus CreateMouseTrackingRegion(WindowRef window, const Rect& rect, RgnHandle clip,
                                   UInt32 options, MouseTrackingRegionID id, void* refCon,
                                   EventTargetRef target, MouseTrackingRef* outRef);
OSStatus ReleaseMouseTrackingRegion(MouseTrackingRef region);

// --- Menus --------------------------------------------------------------------------------
MenuRef GetMenuHandle(MenuID id);
bool IsValidMenu(MenuRef menu);
UInt16 CountMenuItems(MenuRef menu);
OSStatus SetMenuTitleWithCFString(MenuRef menu, const QString& title);
OSStatus SetMenuItemTextWithCFString(MenuRef menu, MenuItemIndex item, const QString& text);
OSStatus CopyMenuItemTextAsCFString(MenuRef menu, MenuItemIndex item, QString* outText);
// Items are appended and deleted only in popup buttons' menus: paramErr (or none appended)
// for a menu of the menu bar.
OSStatus AppendMenuItemTextWithCFString(MenuRef menu, const QString& text,
                                        MenuItemAttributes attributes, MenuCommand command,
                                        MenuItemIndex* outIndex);
OSStatus DeleteMenuItems(MenuRef menu, MenuItemIndex first, ItemCount count);
// A null menu means every menu of the menu bar.
void EnableMenuCommand(MenuRef menu, MenuCommand command);
// Appends items without a command, in order and as many as fit (at most 0xFFFF items in
// all), in one insertion; the number appended, and the index of the first in outFirst.
qsizetype AppendMenuItemsWithCFStrings(MenuRef menu, const QStringList& texts,
                                       MenuItemIndex* outFirst);

} // namespace platform
