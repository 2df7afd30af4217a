// Its own unit, so that no program links it.

#include "platform/TestingAccess.h"

#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QMenu>
#include <QWidget>

namespace platform {

QWidget* widgetForTesting(WindowRef window) {
    return IsValidWindowPtr(window) ? window->widget.data() : nullptr;
}

QWidget* widgetForTesting(ControlRef control) {
    return detail::isLiveControl(control) ? control->widget.data() : nullptr;
}

QMenu* menuForTesting(MenuRef menu) {
    return IsValidMenu(menu) ? menu->menu.data() : nullptr;
}

QImage imageForTesting(const CGImageRef& image) {
    return image ? image->image : QImage();
}

} // namespace platform
