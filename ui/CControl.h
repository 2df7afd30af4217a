#pragma once

#include "platform/StatusCodes.h"
#include "platform/WindowTypes.h"

#include <QString>
#include <QStringList>

// Typed access to one existing control of a window, found by its ID; made for one
// operation. Every operation is harmless when the control was not found.
class CControl {
public:
    CControl(WindowRef window, const ControlID& id);
    virtual ~CControl() = default;
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    // The control while it is still a valid control, else null.
    ControlRef GetControlRef() const;
    // 0 without a control.
    SInt32 GetValue() const;
    // paramErr without a control.
    OSStatus SetValue(long value);

protected:
    ControlRef fControl = nullptr;
};

// A popup button and its item list. Items are counted from 1.
class CPopupButton : public CControl {
public:
    CPopupButton(WindowRef window, const ControlID& id);

    // -1 without control or menu.
    long CountMenuItems() const;
    // A copy of the item's text.
    OSStatus GetMenuItemText(MenuItemIndex index, QString* outText) const;
    OSStatus AppendMenuItemText(const QString& text, MenuItemAttributes attributes,
                                MenuCommand command, MenuItemIndex* outIndex);
    OSStatus DeleteMenuItems(MenuItemIndex first, ItemCount count);
    // Keeps the value's range at 1 to the item count, or 0 to 0 without items.
    void Sync();
    // Appends the texts in order, as many as fit, with one range update for all; the number
    // appended, and the index of the first in outFirst.
    qsizetype AppendMenuItemTexts(const QStringList& texts, MenuItemIndex* outFirst);

private:
    MenuRef fMenu = nullptr;
};

class CStaticText : public CControl {
public:
    CStaticText(WindowRef window, const ControlID& id) : CControl(window, id) {}

    // paramErr without a valid control.
    OSStatus SetDescriptor(const QString& text);
};
