// Menus: the menus of the menu bar (QMenu) and the item lists of popup buttons
// (QComboBox), numbered by their IDs, their items sending their commands.

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <algorithm>
#include <set>

namespace {

std::set<const OpaqueMenuRef*>& liveMenus() {
    static std::set<const OpaqueMenuRef*> menus;
    return menus;
}

MenuCommand actionCommand(const QAction* action) {
    return platform::fourCharCodeFromString(action->property("command").toString());
}

HICommand menuCommand(MenuRef menu, QAction* action) {
    HICommand command{};
    command.attributes = kHICommandFromMenu;
    command.commandID = actionCommand(action);
    command.menu.menuRef = menu;
    command.menu.menuItemIndex = MenuItemIndex(menu->menu->actions().indexOf(action) + 1);
    return command;
}

} // namespace

OpaqueMenuRef::~OpaqueMenuRef() {
    liveMenus().erase(this);
}

namespace platform {

namespace detail {

void watchMenu(MenuRef menu) {
    liveMenus().insert(menu);
    if (!menu->menu)
        return;
    QMenu* qmenu = menu->menu;
    // The Quit item has no text of the program's own: it follows the toolkit's
    // translation of the standard item.
    for (QAction* action : qmenu->actions()) {
        if (actionCommand(action) == kHICommandQuit)
            action->setText(
                QCoreApplication::translate("QCocoaMenuItem", action->text().toUtf8().constData()));
    }
    QObject::connect(qmenu, &QMenu::triggered, qmenu, [menu](QAction* action) {
        if (!IsValidMenu(menu) || actionCommand(action) == 0)
            return;
        const QtDispatchScope dispatching;
        ProcessHICommand(menuCommand(menu, action));
    });
    // Before a menu opens, the handlers may enable or disable its commands.
    QObject::connect(qmenu, &QMenu::aboutToShow, qmenu, [menu] {
        if (!IsValidMenu(menu))
            return;
        const QtDispatchScope dispatching;
        for (QAction* action : menu->menu->actions()) {
            if (actionCommand(action) != 0)
                sendCommandToFront(kEventCommandUpdateStatus, menuCommand(menu, action));
        }
    });
}

void forgetMenu(MenuRef menu) {
    liveMenus().erase(menu);
}

} // namespace detail

MenuRef GetMenuHandle(MenuID id) {
    for (const MenuRef menu : detail::menuBarMenus()) {
        if (menu->id == id && IsValidMenu(menu))
            return menu;
    }
    return nullptr;
}

bool IsValidMenu(MenuRef menu) {
    return menu && liveMenus().count(menu) && (menu->menu || menu->combo);
}

UInt16 CountMenuItems(MenuRef menu) {
    if (!IsValidMenu(menu))
        return 0;
    return UInt16(menu->combo ? menu->combo->count() : menu->menu->actions().size());
}

OSStatus SetMenuTitleWithCFString(MenuRef menu, const QString& title) {
    if (!IsValidMenu(menu) || !menu->menu)
        return paramErr;
    menu->menu->setTitle(title);
    return 0;
}

OSStatus SetMenuItemTextWithCFString(MenuRef menu, MenuItemIndex item, const QString& text) {
    if (!IsValidMenu(menu) || item < 1 || item > CountMenuItems(menu))
        return paramErr;
    if (menu->combo)
        menu->combo->setItemText(item - 1, text);
    else
        menu->menu->actions().at(item - 1)->setText(text);
    return 0;
}

OSStatus CopyMenuItemTextAsCFString(MenuRef menu, MenuItemIndex item, QString* outText) {
    if (!IsValidMenu(menu) || !outText || item < 1 || item > CountMenuItems(menu))
        return paramErr;
    *outText =
        menu->combo ? menu->combo->itemText(item - 1) : menu->menu->actions().at(item - 1)->text();
    return 0;
}

OSStatus AppendMenuItemTextWithCFString(MenuRef menu, const QString& text,
                                        MenuItemAttributes /*attributes*/, MenuCommand command,
                                        MenuItemIndex* outIndex) {
    if (!IsValidMenu(menu) || !menu->combo || CountMenuItems(menu) == 0xFFFF)
        return paramErr;
    menu->combo->addItem(text, QVariant::fromValue(quint32(command)));
    if (outIndex)
        *outIndex = CountMenuItems(menu);
    return 0;
}

OSStatus DeleteMenuItems(MenuRef menu, MenuItemIndex first, ItemCount count) {
    if (!IsValidMenu(menu) || !menu->combo || first < 1)
        return paramErr;
    for (ItemCount done = 0; done < count && first <= CountMenuItems(menu); ++done)
        menu->combo->removeItem(first - 1);
    return 0;
}

void EnableMenuCommand(MenuRef menu, MenuCommand command) {
    for (const MenuRef each : menu ? std::vector<MenuRef>{menu} : detail::menuBarMenus()) {
        if (!IsValidMenu(each) || !each->menu)
            continue;
        for (QAction* action : each->menu->actions()) {
            if (actionCommand(action) == command)
                action->setEnabled(true);
        }
    }
}

qsizetype AppendMenuItemsWithCFStrings(MenuRef menu, const QStringList& texts,
                                       MenuItemIndex* outFirst) {
    if (!IsValidMenu(menu) || !menu->combo)
        return 0;
    const qsizetype room = 0xFFFF - qsizetype(CountMenuItems(menu));
    const qsizetype count = std::min(texts.size(), room);
    if (count <= 0)
        return 0;
    if (outFirst)
        *outFirst = MenuItemIndex(CountMenuItems(menu) + 1);
    // No data means command 0, as when appended one by one.
    menu->combo->addItems(count == texts.size() ? texts : texts.first(count));
    return count;
}

} // namespace platform
