#pragma once

// For tests only: the Qt widgets behind windows and controls, to drive them with real
// Qt input.

#include "platform/WindowTypes.h"

class QWidget;

namespace platform {

QWidget* widgetForTesting(WindowRef window);
QWidget* widgetForTesting(ControlRef control);

} // namespace platform
