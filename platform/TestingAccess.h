#pragma once

// The one way in for tests, benchmarks and the screenshot programs: the Qt objects behind
// the window system's references, and the seams that fix what the machine would answer.
// The programs never call any of it; TestingAccess.cpp is left out of their links.
// (Elsewhere: Bundle::setMainBundlePath in Bundle.h, setPreferredLanguages in Languages.h, TRELLIS_ALERT_LOG in
// Alert.h, TRELLIS_REPORT_SHOWN in app/StartupReport.h.)

#include "platform/Alert.h"
#include "platform/WindowTypes.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QMenu;
class QWidget;

namespace platform {

// Widget tests and the screenshot programs drive and read the widgets with plain Qt.
QWidget* widgetForTesting(WindowRef window);
QWidget* widgetForTesting(ControlRef control);
// Menu-bar tests read a menu's title and items.
QMenu* menuForTesting(MenuRef menu);
// Picture tests and the decoding benchmark: the decoded picture (its device pixel ratio is
// the picture's scale); null for none.
QImage imageForTesting(const CGImageRef& image);

// Alert tests answer alerts themselves (1 OK, 2 Cancel); an empty function restores the
// default.
using AlertPresenter = std::function<short(const AlertRequest&)>;
void setAlertPresenter(AlertPresenter presenter);
// System-version tests make the query answer another value; std::nullopt: the real one.
void setSystemVersionForTesting(std::optional<long> version);

} // namespace platform
