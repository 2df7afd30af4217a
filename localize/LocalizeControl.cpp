// The texts of windows, controls and menus, replaced by those of the string table.

#include "localize/Localize.h"
#include "platform/Windowing.h"

namespace {

// The table's text, or a null string when the identifier is missing or its text empty.
QString lookUp(CLocalize& table, const char* stringID) {
    QString text;
    if (!stringID || !table.GetLocalizeString(stringID, text, nullptr, nullptr))
        return QString();
    return text;
}

} // namespace

OSStatus CLocalize::LocalizeControl(WindowRef window, ControlID id, const char* stringID,
                                    long index) {
    if (!platform::IsValidWindowPtr(window))
        return paramErr;
    ControlRef control = nullptr;
    OSStatus result = platform::GetControlByID(window, &id, &control);
    if (result != noErr)
        return result;
    ControlKind kind{"????"_4cc, "????"_4cc};
    result = platform::GetControlKind(control, &kind);
    if (result != noErr)
        return result;

    switch (kind.kind) {
    case kControlKindPushButton:
    case kControlKindPushIconButton:
    case kControlKindBevelButton:
    case kControlKindRoundButton:
    case kControlKindCheckBox:
    case kControlKindRadioButton:
    case kControlKindPopupButton:
    case kControlKindGroupBox:
    case kControlKindCheckGroupBox:
    case kControlKindPopupGroupBox:
    case kControlKindWindowHeader:
        return LocalizeControlTitle(control, stringID);
    case kControlKindStaticText:
        return LocalizeControlStaticText(control, stringID);
    case kControlKindTabs:
        return LocalizeControlTabs(control, stringID, index);
    case kControlKindRadioGroup:
        return LocalizeControlRadioGroup(control, stringID, index);
    default:
        return errUnknownControlKind;
    }
}

OSStatus CLocalize::LocalizeControlTitle(ControlRef control, const char* stringID) {
    if (!control)
        return paramErr;
    const QString text = lookUp(*this, stringID);
    if (text.isNull())
        return paramErr;
    return platform::SetControlTitleWithCFString(control, text);
}

OSStatus CLocalize::LocalizeControlStaticText(ControlRef control, const char* stringID) {
    if (!platform::IsValidControlHandle(control))
        return paramErr;
    const QString text = lookUp(*this, stringID);
    if (text.isNull())
        return paramErr;
    return platform::SetControlData(control, kControlEntireControl, kControlStaticTextCFStringTag,
                                    sizeof text, &text);
}

OSStatus CLocalize::LocalizeControlTabs(ControlRef control, const char* stringID, long index) {
    if (!platform::IsValidControlHandle(control))
        return paramErr;
    const auto part = static_cast<ControlPartCode>(index);
    ControlTabInfoRecV1 info;
    OSStatus result =
        platform::GetControlData(control, part, kControlTabInfoTag, sizeof info, &info, nullptr);
    if (result != noErr)
        return result;
    const QString text = lookUp(*this, stringID);
    if (text.isNull())
        return noErr; // the tab keeps its name
    info.name = text;
    return platform::SetControlData(control, part, kControlTabInfoTag, sizeof info, &info);
}

OSStatus CLocalize::LocalizeControlRadioGroup(ControlRef control, const char* stringID,
                                              long index) {
    if (!platform::IsValidControlHandle(control))
        return paramErr;
    ControlRef button = nullptr;
    const OSStatus result =
        platform::GetIndexedSubControl(control, static_cast<UInt16>(index), &button);
    if (result != noErr)
        return result;
    return LocalizeControlTitle(button, stringID);
}

OSStatus CLocalize::LocalizeWindowTitle(WindowRef window, const char* stringID) {
    if (!platform::IsValidWindowPtr(window))
        return paramErr;
    const QString text = lookUp(*this, stringID);
    if (text.isNull())
        return paramErr;
    return platform::SetWindowTitleWithCFString(window, text);
}

OSStatus CLocalize::LocalizeMenuItem(short menuID, unsigned short item, const char* stringID) {
    MenuRef menu = platform::GetMenuHandle(menuID);
    if (!platform::IsValidMenu(menu))
        return paramErr;
    const QString text = lookUp(*this, stringID);
    if (text.isNull() || item == 0)
        return paramErr;
    if (item > platform::CountMenuItems(menu))
        return paramErr;
    platform::SetMenuItemTextWithCFString(menu, item, text);
    return noErr;
}

OSStatus CLocalize::LocalizeMenuTitle(short menuID, const char* stringID) {
    MenuRef menu = platform::GetMenuHandle(menuID);
    if (!platform::IsValidMenu(menu))
        return paramErr;
    const QString text = lookUp(*this, stringID);
    if (text.isNull())
        return paramErr;
    platform::SetMenuTitleWithCFString(menu, text);
    return noErr;
}
