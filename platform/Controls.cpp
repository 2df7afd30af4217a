// Controls: the widgets of a form, with the identity, kind, command and properties that
// the form gives them, and their values, highlight, visibility, geometry and titles.

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <algorithm>
#include <set>

using platform::detail::setParam;

namespace {

std::set<const OpaqueControlRef*>& liveControls() {
    static std::set<const OpaqueControlRef*> controls;
    return controls;
}

ControlKind kindFromWidget(const QWidget* widget) {
    OSType kind = kControlKindUserPane;
    if (qobject_cast<const QCheckBox*>(widget))
        kind = kControlKindCheckBox;
    else if (qobject_cast<const QRadioButton*>(widget))
        kind = kControlKindRadioButton;
    else if (qobject_cast<const QAbstractButton*>(widget))
        kind = kControlKindPushButton;
    else if (qobject_cast<const QComboBox*>(widget))
        kind = kControlKindPopupButton;
    else if (auto* group = qobject_cast<const QGroupBox*>(widget))
        kind = group->isCheckable() ? kControlKindCheckGroupBox : kControlKindGroupBox;
    else if (qobject_cast<const QLabel*>(widget))
        kind = kControlKindStaticText;
    else if (qobject_cast<const QLineEdit*>(widget))
        kind = kControlKindEditText;
    else if (qobject_cast<const QTabWidget*>(widget))
        kind = kControlKindTabs;
    return {kControlKindSignatureApple, kind};
}

void readDynamicProperties(ControlRef control, const QWidget* widget) {
    control->id.signature =
        platform::fourCharCodeFromString(widget->property("controlSignature").toString());
    control->id.id = widget->property("controlNumber").toInt();
    control->command =
        platform::fourCharCodeFromString(widget->property("controlCommand").toString());
    if (const OSType kind =
            platform::fourCharCodeFromString(widget->property("controlKind").toString()))
        control->kindOverride = ControlKind{kControlKindSignatureApple, kind};
    for (const QByteArray& name : widget->dynamicPropertyNames()) {
        const QList<QByteArray> parts = name.split('.');
        if (parts.size() != 3 || parts[0] != "prop")
            continue;
        const OSType creator = platform::fourCharCodeFromString(QString::fromLatin1(parts[1]));
        const OSType tag = platform::fourCharCodeFromString(QString::fromLatin1(parts[2]));
        if (!creator || !tag)
            continue;
        // Strings carry their terminator.
        control->properties[{creator, tag}] =
            widget->property(name.constData()).toString().toUtf8() + '\0';
    }
}

// Values are those of popup buttons: the chosen item, counted from 1 (0 for none).
QComboBox* popupOf(ControlRef control) {
    return platform::detail::isLiveControl(control)
               ? qobject_cast<QComboBox*>(control->widget.data())
               : nullptr;
}

} // namespace

OpaqueControlRef::~OpaqueControlRef() {
    platform::detail::retireControl(this, false);
}

namespace platform {

namespace detail {

bool isLiveControl(ControlRef control) {
    return control && liveControls().count(control);
}

HIRect toHIRect(const QRect& rect) {
    return {{CGFloat(rect.x()), CGFloat(rect.y())},
            {CGFloat(rect.width()), CGFloat(rect.height())}};
}

ControlRef wrapControl(WindowRef window, QWidget* widget) {
    auto* control = new OpaqueControlRef;
    control->setParent(widget); // goes with its widget
    control->widget = widget;
    control->window = window;
    control->target = std::make_shared<OpaqueEventTargetRef>();
    control->target->control = control;
    control->target->container = [window]() -> EventTargetRef {
        return IsValidWindowPtr(window) ? window->target.get() : nullptr;
    };
    control->target->standard = [control](EventRef event) {
        return standardControlHandler(control, event);
    };
    readDynamicProperties(control, widget);
    liveControls().insert(control);
    window->controls.push_back(control);
    widget->installEventFilter(control);
    connectControlSignals(control, widget);
    return control;
}

void retireControl(ControlRef control, bool freeObject) {
    if (!isLiveControl(control))
        return;
    if (control->objectHandler) {
        sendNew(control->target.get(), kEventClassHIObject, kEventHIObjectDestruct);
        control->objectHandler = nullptr;
        control->viewInstance = nullptr;
    }
    liveControls().erase(control);
    if (IsValidWindowPtr(control->window)) {
        auto& list = control->window->controls;
        list.erase(std::remove(list.begin(), list.end(), control), list.end());
        auto& regions = control->window->trackingRegions;
        regions.erase(std::remove_if(regions.begin(), regions.end(),
                                     [&](const auto& region) {
                                         return region->target.lock() == control->target;
                                     }),
                      regions.end());
    }
    control->target->clear();
    if (control->widget)
        control->widget->removeEventFilter(control);
    control->popupMenu.reset();
    if (freeObject)
        freeLater(control);
}

} // namespace detail

bool IsValidControlHandle(ControlRef control) {
    return detail::isLiveControl(control);
}

EventTargetRef GetControlEventTarget(ControlRef control) {
    return detail::isLiveControl(control) ? control->target.get() : nullptr;
}

WindowRef GetControlOwner(ControlRef control) {
    return detail::isLiveControl(control) ? control->window : nullptr;
}

OSStatus GetControlKind(ControlRef control, ControlKind* outKind) {
    if (!detail::isLiveControl(control) || !outKind)
        return paramErr;
    // A view names its own kind.
    ControlKind viewKind{};
    Size actual = 0;
    if ((control->objectHandler || !control->target->handlers.empty()) &&
        detail::askView(control, kEventControlGetData, kControlEntireControl, kControlKindTag,
                        sizeof viewKind, &viewKind, &actual) == 0 &&
        actual == Size(sizeof viewKind)) {
        *outKind = viewKind;
        return 0;
    }
    *outKind = control->kindOverride.value_or(kindFromWidget(control->widget));
    return 0;
}

OSStatus GetControlProperty(ControlRef control, OSType creator, OSType tag, Size bufferSize,
                            Size* outActualSize, void* outData) {
    if (!detail::isLiveControl(control))
        return paramErr;
    return detail::copyProperty(control->properties, creator, tag, bufferSize, outActualSize,
                                outData, errControlPropertyNotFound);
}

SInt32 GetControl32BitValue(ControlRef control) {
    const QComboBox* combo = popupOf(control);
    return combo ? combo->currentIndex() + 1 : 0;
}

void SetControl32BitValue(ControlRef control, SInt32 value) {
    if (QComboBox* combo = popupOf(control)) {
        value = std::clamp(value, control->minimum, std::max(control->minimum, control->maximum));
        combo->setCurrentIndex(value >= 1 && value <= combo->count() ? value - 1 : -1);
    }
}

void SetControl32BitMinimum(ControlRef control, SInt32 minimum) {
    if (!detail::isLiveControl(control))
        return;
    control->minimum = minimum;
    if (GetControl32BitValue(control) < minimum)
        SetControl32BitValue(control, minimum);
}

void SetControl32BitMaximum(ControlRef control, SInt32 maximum) {
    if (!detail::isLiveControl(control))
        return;
    control->maximum = maximum;
    if (GetControl32BitValue(control) > maximum)
        SetControl32BitValue(control, maximum);
}

ControlPartCode GetControlHilite(ControlRef control) {
    return detail::isLiveControl(control) ? control->hilite : kControlNoPart;
}

void HiliteControl(ControlRef control, ControlPartCode part) {
    if (!detail::isLiveControl(control) || control->hilite == part)
        return;
    const ControlPartCode old = control->hilite;
    control->hilite = part;
    EventRef event = CreateEvent(kEventClassControl, kEventControlHiliteChanged);
    setParam(event, kEventParamControlOldPart, typeControlPartCode, old);
    setParam(event, kEventParamControlNewPart, typeControlPartCode, part);
    SendEventToEventTarget(event, control->target.get());
    ReleaseEvent(event);
}

bool IsControlActive(ControlRef control) {
    return detail::isLiveControl(control) && control->widget && control->widget->isEnabled();
}

bool IsControlVisible(ControlRef control) {
    if (!detail::isLiveControl(control) || !control->widget)
        return false;
    return control->widget->isVisibleTo(control->widget->window());
}

OSStatus HIViewSetVisible(ControlRef control, bool visible) {
    if (!detail::isLiveControl(control) || !control->widget)
        return paramErr;
    control->widget->setVisible(visible);
    return 0;
}

OSStatus HIViewGetBounds(ControlRef control, HIRect* outRect) {
    if (!detail::isLiveControl(control) || !control->widget || !outRect)
        return paramErr;
    *outRect = detail::toHIRect(control->widget->rect());
    return 0;
}

OSStatus HIViewGetFrame(ControlRef control, HIRect* outRect) {
    if (!detail::isLiveControl(control) || !control->widget || !outRect)
        return paramErr;
    *outRect = detail::toHIRect(control->widget->geometry());
    return 0;
}

OSStatus HIViewPlaceInSuperviewAt(ControlRef control, CGFloat x, CGFloat y) {
    if (!detail::isLiveControl(control) || !control->widget)
        return paramErr;
    control->widget->move(qRound(x), qRound(y));
    return 0;
}

OSStatus HIViewSetNeedsDisplay(ControlRef control, bool needsDisplay) {
    if (!detail::isLiveControl(control) || !control->widget)
        return paramErr;
    if (needsDisplay)
        control->widget->update();
    return 0;
}

OSStatus SetControlTitleWithCFString(ControlRef control, const QString& title) {
    if (!detail::isLiveControl(control) || !control->widget)
        return paramErr;
    QWidget* widget = control->widget;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(title);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(title);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(detail::labelText(title));
    detail::sendNew(control->target.get(), kEventClassControl, kEventControlTitleChanged);
    return 0;
}

OSStatus SetControlAccessibleText(ControlRef control, const QString& name,
                                  const QString& description) {
    if (!detail::isLiveControl(control) || !control->widget)
        return paramErr;
    control->widget->setAccessibleName(name);
    control->widget->setAccessibleDescription(description);
    return 0;
}

namespace {

std::vector<ControlRef> subControls(ControlRef control) {
    const auto& controls = control->window->controls;
    const auto isControl = [&](const QWidget* widget) {
        return std::any_of(controls.begin(), controls.end(), [&](ControlRef each) {
            return detail::isLiveControl(each) && each->widget == widget;
        });
    };
    std::vector<ControlRef> result;
    for (const ControlRef candidate : controls) {
        if (!detail::isLiveControl(candidate) || !candidate->widget)
            continue;
        // The nearest enclosing widget that is a control.
        QWidget* up = candidate->widget->parentWidget();
        while (up && !isControl(up))
            up = up->parentWidget();
        if (up && up == control->widget)
            result.push_back(candidate);
    }
    return result;
}

} // namespace

OSStatus GetIndexedSubControl(ControlRef control, UInt16 index, ControlRef* outSubControl) {
    if (outSubControl)
        *outSubControl = nullptr;
    if (!detail::isLiveControl(control) || !outSubControl)
        return paramErr;
    const auto list = subControls(control);
    if (index < 1 || index > list.size())
        return paramErr;
    *outSubControl = list[index - 1];
    return 0;
}

} // namespace platform
