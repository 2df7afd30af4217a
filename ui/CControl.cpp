#include "ui/CControl.h"

#include "platform/Windowing.h"

CControl::CControl(WindowRef window, const ControlID& id) {
    if (platform::GetControlByID(window, &id, &fControl) != noErr)
        fControl = nullptr;
}

ControlRef CControl::GetControlRef() const {
    return platform::IsValidControlHandle(fControl) ? fControl : nullptr;
}

SInt32 CControl::GetValue() const {
    ControlRef control = GetControlRef();
    return control ? platform::GetControl32BitValue(control) : 0;
}

OSStatus CControl::SetValue(long value) {
    ControlRef control = GetControlRef();
    if (!control)
        return paramErr;
    platform::SetControl32BitValue(control, SInt32(value));
    return noErr;
}

CPopupButton::CPopupButton(WindowRef window, const ControlID& id) : CControl(window, id) {
    if (ControlRef control = GetControlRef()) {
        MenuRef menu = nullptr;
        if (platform::GetControlData(control, kControlEntireControl,
                                     kControlPopupButtonMenuHandleTag, sizeof menu, &menu,
                                     nullptr) == noErr)
            fMenu = menu;
    }
}

long CPopupButton::CountMenuItems() const {
    if (!GetControlRef() || !platform::IsValidMenu(fMenu))
        return -1;
    return platform::CountMenuItems(fMenu);
}

OSStatus CPopupButton::GetMenuItemText(MenuItemIndex index, QString* outText) const {
    if (!GetControlRef() || !platform::IsValidMenu(fMenu))
        return paramErr;
    return platform::CopyMenuItemTextAsCFString(fMenu, index, outText);
}

OSStatus CPopupButton::AppendMenuItemText(const QString& text, MenuItemAttributes attributes,
                                          MenuCommand command, MenuItemIndex* outIndex) {
    if (!GetControlRef() || !platform::IsValidMenu(fMenu))
        return paramErr;
    const OSStatus result =
        platform::AppendMenuItemTextWithCFString(fMenu, text, attributes, command, outIndex);
    if (result == noErr)
        Sync();
    return result;
}

OSStatus CPopupButton::DeleteMenuItems(MenuItemIndex first, ItemCount count) {
    if (!GetControlRef() || !platform::IsValidMenu(fMenu))
        return paramErr;
    const OSStatus result = platform::DeleteMenuItems(fMenu, first, count);
    if (result == noErr)
        Sync();
    return result;
}

qsizetype CPopupButton::AppendMenuItemTexts(const QStringList& texts, MenuItemIndex* outFirst) {
    if (!GetControlRef() || !platform::IsValidMenu(fMenu))
        return 0;
    const qsizetype appended = platform::AppendMenuItemsWithCFStrings(fMenu, texts, outFirst);
    if (appended > 0)
        Sync();
    return appended;
}

void CPopupButton::Sync() {
    ControlRef control = GetControlRef();
    if (!control)
        return;
    const long count = CountMenuItems();
    if (count >= 1) {
        platform::SetControl32BitMaximum(control, SInt32(count));
        platform::SetControl32BitMinimum(control, 1);
    } else {
        platform::SetControl32BitMinimum(control, 0);
        platform::SetControl32BitMaximum(control, 0);
    }
}

OSStatus CStaticText::SetDescriptor(const QString& text) {
    ControlRef control = GetControlRef();
    if (!control)
        return paramErr;
    return platform::SetControlData(control, kControlEntireControl, kControlStaticTextCFStringTag,
                                    sizeof text, &text);
}
