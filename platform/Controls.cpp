// Controls: the widgets of a form, with the identity, kind, command and properties that
// the form gives them, and their Qt events turned into control event records.

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPen>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

using platform::detail::setParam;

namespace {

std::set<const OpaqueControlRef*>& liveControls() {
    static std::set<const OpaqueControlRef*> controls;
    return controls;
}

std::map<const QWidget*, ControlRef>& controlOfWidget() {
    static std::map<const QWidget*, ControlRef> controls;
    return controls;
}

// String-table texts end their lines with CR, which a label would not break on.
QString labelText(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// The same ring the image buttons draw, for the popup and push buttons: the style's own
// focus frame is too faint to find at a glance.
void drawFocusRing(QWidget* widget) {
    if (!widget || !widget->hasFocus() ||
        !widget->window()->testAttribute(Qt::WA_KeyboardFocusChange) ||
        !(qobject_cast<QComboBox*>(widget) || qobject_cast<QPushButton*>(widget)))
        return;
    QPainter painter(widget);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ring = widget->palette().color(QPalette::Highlight);
    ring.setAlpha(200);
    painter.setPen(QPen(ring, 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(widget->rect()).adjusted(1, 1, -1, -1), 4.0, 4.0);
}

HIRect toHIRect(const QRect& rect) {
    return {{CGFloat(rect.x()), CGFloat(rect.y())},
            {CGFloat(rect.width()), CGFloat(rect.height())}};
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
    else if (qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
             qobject_cast<const QPlainTextEdit*>(widget) ||
             qobject_cast<const QAbstractSpinBox*>(widget))
        kind = kControlKindEditText;
    else if (qobject_cast<const QTabWidget*>(widget) || qobject_cast<const QTabBar*>(widget))
        kind = kControlKindTabs;
    else if (qobject_cast<const QAbstractSlider*>(widget))
        kind = kControlKindSlider;
    else if (qobject_cast<const QProgressBar*>(widget))
        kind = kControlKindProgressBar;
    return {kControlKindSignatureApple, kind};
}

// "kind" or "signature/kind".
std::optional<ControlKind> kindFromText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('/'));
    if (parts.size() == 1 && platform::fourCharCodeFromString(parts[0]))
        return ControlKind{kControlKindSignatureApple, platform::fourCharCodeFromString(parts[0])};
    if (parts.size() == 2 && platform::fourCharCodeFromString(parts[0]) &&
        platform::fourCharCodeFromString(parts[1]))
        return ControlKind{platform::fourCharCodeFromString(parts[0]),
                           platform::fourCharCodeFromString(parts[1])};
    return std::nullopt;
}

void sendSimple(ControlRef control, UInt32 kind) {
    EventRef event = platform::CreateEvent(kEventClassControl, kind);
    platform::SendEventToEventTarget(event, control->target.get());
    platform::ReleaseEvent(event);
}

// Runs a record made from a Qt signal (no Qt event behind it).
void sendFromQt(ControlRef control, EventRef event) {
    const platform::detail::QtDispatchScope dispatching;
    platform::SendEventToEventTarget(event, control->target.get());
}

void sendHit(ControlRef control, ControlPartCode part) {
    if (!platform::detail::isLiveControl(control))
        return;
    EventRef event = platform::CreateEvent(kEventClassControl, kEventControlHit);
    setParam(event, kEventParamControlPart, typeControlPartCode, part);
    const UInt32 modifiers = 0;
    setParam(event, kEventParamKeyModifiers, typeUInt32, modifiers);
    sendFromQt(control, event);
    platform::ReleaseEvent(event);
}

void sendValueChanged(ControlRef control) {
    if (!platform::detail::isLiveControl(control))
        return;
    const platform::detail::QtDispatchScope dispatching;
    sendSimple(control, kEventControlValueFieldChanged);
}

ControlPartCode hitTest(ControlRef control, const QPointF& position) {
    EventRef event = platform::CreateEvent(kEventClassControl, kEventControlHitTest);
    const HIPoint where{position.x(), position.y()};
    setParam(event, kEventParamMouseLocation, typeHIPoint, where);
    ControlPartCode part = kControlNoPart;
    sendFromQt(control, event);
    platform::GetEventParameter(event, kEventParamControlPart, typeControlPartCode, nullptr,
                                sizeof part, nullptr, &part);
    platform::ReleaseEvent(event);
    return part;
}

std::optional<QPoint> contentPosition(ControlRef control, const QPointF& local) {
    if (!control->window || !control->window->content || !control->widget)
        return std::nullopt;
    return control->widget->mapTo(control->window->content, local.toPoint());
}

void readDynamicProperties(ControlRef control, const QWidget* widget) {
    control->id.signature =
        platform::fourCharCodeFromString(widget->property("controlSignature").toString());
    control->id.id = widget->property("controlNumber").toInt();
    control->command =
        platform::fourCharCodeFromString(widget->property("controlCommand").toString());
    control->kindOverride = kindFromText(widget->property("controlKind").toString());
    for (const QByteArray& name : widget->dynamicPropertyNames()) {
        const QList<QByteArray> parts = name.split('.');
        if (parts.size() != 3 || parts[0] != "prop")
            continue;
        const OSType creator = platform::fourCharCodeFromString(QString::fromLatin1(parts[1]));
        const OSType tag = platform::fourCharCodeFromString(QString::fromLatin1(parts[2]));
        if (!creator || !tag)
            continue;
        const QVariant value = widget->property(name.constData());
        QByteArray data;
        if (value.typeId() == QMetaType::QByteArray)
            data = value.toByteArray();
        else
            data = value.toString().toUtf8() + '\0'; // strings carry their terminator
        control->properties[{creator, tag}] = data;
    }
}

void connectSignals(ControlRef control, QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QObject::connect(button, &QAbstractButton::clicked, control, [control] {
            sendHit(control, control->pressedPart ? control->pressedPart : kControlButtonPart);
        });
        QObject::connect(button, &QAbstractButton::toggled, control,
                         [control] { sendValueChanged(control); });
        control->hasRange = true;
        control->maximum = 1;
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QObject::connect(combo, &QComboBox::currentIndexChanged, control,
                         [control] { sendValueChanged(control); });
        QObject::connect(combo, &QComboBox::activated, control,
                         [control] { sendHit(control, kControlButtonPart); });
        control->hasRange = true;
        control->minimum = combo->count() > 0 ? 1 : 0;
        control->maximum = combo->count();
    } else if (auto* slider = qobject_cast<QAbstractSlider*>(widget)) {
        QObject::connect(slider, &QAbstractSlider::valueChanged, control,
                         [control] { sendValueChanged(control); });
    } else if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
        QObject::connect(tabs, &QTabWidget::currentChanged, control,
                         [control] { sendValueChanged(control); });
    }
}

} // namespace

OpaqueControlRef::~OpaqueControlRef() {
    if (platform::detail::isLiveControl(this))
        platform::detail::retireControl(this, false);
}

bool OpaqueControlRef::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget || !platform::detail::isLiveControl(this))
        return false;
    EventRef record = nullptr;
    switch (event->type()) {
    case QEvent::Paint: {
        OpaqueCGContext context(widget);
        record = platform::CreateEvent(kEventClassControl, kEventControlDraw);
        CGContextRef contextRef = &context;
        RgnHandle region = nullptr;
        setParam(record, kEventParamCGContextRef, typeCGContextRef, contextRef);
        setParam(record, kEventParamRgnHandle, typeQDRgnHandle, region);
        const bool consumed =
            platform::detail::dispatchQtEvent(record, target.get(), watched, event);
        const bool drawnByQt = record->qtDefaultDone;
        platform::ReleaseEvent(record);
        if (drawnByQt && !viewInstance)
            drawFocusRing(widget);
        return consumed;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        QPointer<OpaqueControlRef> self(this);
        const ControlPartCode part = hitTest(this, mouse->position());
        if (!self)
            return true;
        if (part == kControlNoPart) {
            // Outside a button's parts there is no click; a label or picture lets the press
            // go on to its window.
            return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget);
        }
        pressedPart = part;
        platform::HiliteControl(this, part);
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        QPointer<OpaqueControlRef> self(this);
        platform::detail::updateTrackingForControl(this, contentPosition(this, mouse->position()));
        if (self && pressedPart && (mouse->buttons() & Qt::LeftButton)) {
            const ControlPartCode part = hitTest(this, mouse->position());
            if (self)
                platform::HiliteControl(this, part);
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton || !pressedPart)
            return false;
        const ControlPartCode part = hilite;
        pressedPart = part;
        platform::HiliteControl(this, kControlNoPart);
        // Buttons report their hit through Qt's click, which keyboard presses share.
        if (part != kControlNoPart && !qobject_cast<QAbstractButton*>(widget) &&
            !qobject_cast<QComboBox*>(widget))
            sendHit(this, part);
        return false;
    }
    case QEvent::Enter:
        platform::detail::updateTrackingForControl(
            this, contentPosition(this, static_cast<QEnterEvent*>(event)->position()));
        return false;
    case QEvent::Leave:
        platform::detail::updateTrackingForControl(this, std::nullopt);
        return false;
    case QEvent::Move:
    case QEvent::Resize: {
        const bool moved = event->type() == QEvent::Move;
        QRect previous = widget->geometry();
        if (moved)
            previous.moveTopLeft(static_cast<QMoveEvent*>(event)->oldPos());
        else
            previous.setSize(static_cast<QResizeEvent*>(event)->oldSize());
        const UInt32 attributes =
            moved ? kControlBoundsChangePositionChanged : kControlBoundsChangeSizeChanged;
        RgnHandle region = nullptr;
        record = platform::CreateEvent(kEventClassControl, kEventControlBoundsChanged);
        setParam(record, kEventParamAttributes, typeUInt32, attributes);
        setParam(record, kEventParamOriginalBounds, typeHIRect, toHIRect(previous));
        setParam(record, kEventParamCurrentBounds, typeHIRect, toHIRect(widget->geometry()));
        setParam(record, kEventParamControlInvalRgn, typeQDRgnHandle, region);
        break;
    }
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        record = platform::CreateEvent(kEventClassControl, kEventControlVisibilityChanged);
        break;
    case QEvent::EnabledChange:
        record = platform::CreateEvent(kEventClassControl, kEventControlEnabledStateChanged);
        break;
    default:
        return false;
    }
    // Notifications: handlers see them, Qt's own handling always runs afterwards.
    {
        const platform::detail::QtDispatchScope dispatching;
        platform::SendEventToEventTarget(record, target.get());
    }
    platform::ReleaseEvent(record);
    return false;
}

namespace platform {

namespace detail {

bool isLiveControl(ControlRef control) {
    return control && liveControls().count(control);
}

ControlRef wrapControl(WindowRef window, QWidget* widget) {
    auto* control = new OpaqueControlRef;
    control->setParent(widget); // goes with its widget
    control->widget = widget;
    control->window = window;
    control->target = std::make_shared<OpaqueEventTargetRef>();
    control->target->control = control;
    control->target->container = [window]() -> EventTargetRef {
        return isLiveWindow(window) ? window->target.get() : nullptr;
    };
    control->target->standard = [control](EventRef event) -> OSStatus {
        if (event->qtEvent) {
            if (event->qtDefaultDone || !event->qtReceiver)
                return eventNotHandledErr;
            event->qtDefaultDone = true;
            event->qtReceiver->event(event->qtEvent);
            return 0;
        }
        if (!isLiveControl(control))
            return eventNotHandledErr;
        if (event->eventClass == kEventClassHIObject) {
            if (event->eventKind == kEventHIObjectInitialize) {
                EventRef initialize = CreateEvent(kEventClassControl, kEventControlInitialize);
                SendEventToEventTarget(initialize, control->target.get());
                ReleaseEvent(initialize);
            }
            return 0;
        }
        if (event->eventClass != kEventClassControl)
            return eventNotHandledErr;
        switch (event->eventKind) {
        case kEventControlHit:
            sendControlCommand(control);
            return 0;
        case kEventControlHitTest: {
            HIPoint where{};
            GetEventParameter(event, kEventParamMouseLocation, typeHIPoint, nullptr, sizeof where,
                              nullptr, &where);
            const bool inside = control->widget && control->widget->rect().contains(
                                                       QPoint(int(where.x), int(where.y)));
            const ControlPartCode part = inside ? kControlButtonPart : kControlNoPart;
            setParam(event, kEventParamControlPart, typeControlPartCode, part);
            return 0;
        }
        case kEventControlInitialize:
        case kEventControlDraw:
            return 0;
        default:
            return eventNotHandledErr;
        }
    };
    readDynamicProperties(control, widget);
    liveControls().insert(control);
    controlOfWidget()[widget] = control;
    window->controls.push_back(control);
    widget->installEventFilter(control);
    connectSignals(control, widget);
    return control;
}

void retireControl(ControlRef control, bool freeObject) {
    if (!isLiveControl(control))
        return;
    if (control->objectHandler) {
        EventRef destruct = CreateEvent(kEventClassHIObject, kEventHIObjectDestruct);
        SendEventToEventTarget(destruct, control->target.get());
        ReleaseEvent(destruct);
        control->objectHandler = nullptr;
        control->viewInstance = nullptr;
    }
    liveControls().erase(control);
    for (auto it = controlOfWidget().begin(); it != controlOfWidget().end();) {
        if (it->second == control)
            it = controlOfWidget().erase(it);
        else
            ++it;
    }
    if (isLiveWindow(control->window)) {
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

OSStatus sendControlCommand(ControlRef control) {
    if (!isLiveControl(control) || control->command == 0)
        return eventNotHandledErr;
    HICommandExtended command{};
    command.attributes = kHICommandFromControl;
    command.commandID = control->command;
    command.source.control = control;
    EventRef event = CreateEvent(kEventClassCommand, kEventCommandProcess);
    setParam(event, kEventParamDirectObject, typeHICommand, command);
    const OSStatus result = SendEventToEventTarget(event, control->target.get());
    ReleaseEvent(event);
    return result;
}

void updateTrackingForControl(ControlRef control, const std::optional<QPoint>& contentPos) {
    if (!isLiveControl(control) || !isLiveWindow(control->window))
        return;
    std::vector<std::pair<MouseTrackingRef, UInt32>> changes;
    for (const auto& region : control->window->trackingRegions) {
        if (region->target.lock() != control->target)
            continue;
        const bool inside = contentPos && region->rect.contains(*contentPos);
        if (inside != region->inside) {
            region->inside = inside;
            changes.emplace_back(region.get(), inside ? kEventMouseEntered : kEventMouseExited);
        }
    }
    for (const auto& [region, kind] : changes) {
        if (!isLiveControl(control))
            return;
        EventRef event = CreateEvent(kEventClassMouse, kind);
        MouseTrackingRef ref = region;
        setParam(event, kEventParamMouseTrackingRef, typeMouseTrackingRef, ref);
        sendFromQt(control, event);
        ReleaseEvent(event);
    }
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

OSStatus GetControlID(ControlRef control, ControlID* outID) {
    if (!detail::isLiveControl(control) || !outID)
        return -50;
    *outID = control->id;
    return 0;
}

OSStatus GetControlKind(ControlRef control, ControlKind* outKind) {
    if (!detail::isLiveControl(control) || !outKind)
        return -50;
    // A view names its own kind.
    ControlKind viewKind{};
    Size actual = 0;
    if (control->objectHandler || control->target->handlers.size() > 0) {
        EventRef event = CreateEvent(kEventClassControl, kEventControlGetData);
        const ControlPartCode part = kControlEntireControl;
        const OSType tag = kControlKindTag;
        void* buffer = &viewKind;
        const Size size = sizeof viewKind;
        setParam(event, kEventParamControlPart, typeControlPartCode, part);
        setParam(event, kEventParamControlDataTag, typeEnumeration, tag);
        setParam(event, kEventParamControlDataBuffer, typePtr, buffer);
        setParam(event, kEventParamControlDataBufferSize, typeLongInteger, size);
        const OSStatus answered = SendEventToEventTarget(event, control->target.get());
        GetEventParameter(event, kEventParamControlDataBufferSize, typeLongInteger, nullptr,
                          sizeof actual, nullptr, &actual);
        ReleaseEvent(event);
        if (answered == 0 && actual == Size(sizeof viewKind)) {
            *outKind = viewKind;
            return 0;
        }
    }
    if (control->kindOverride)
        *outKind = *control->kindOverride;
    else
        *outKind = control->widget ? kindFromWidget(control->widget)
                                   : ControlKind{kControlKindSignatureApple, kControlKindUserPane};
    return 0;
}

OSStatus GetControlCommandID(ControlRef control, UInt32* outCommand) {
    if (!detail::isLiveControl(control) || !outCommand)
        return -50;
    *outCommand = control->command;
    return 0;
}

OSStatus SetControlCommandID(ControlRef control, UInt32 command) {
    if (!detail::isLiveControl(control))
        return -50;
    control->command = command;
    return 0;
}

OSStatus GetControlProperty(ControlRef control, OSType creator, OSType tag, Size bufferSize,
                            Size* outActualSize, void* outData) {
    if (!detail::isLiveControl(control))
        return -50;
    const auto found = control->properties.find({creator, tag});
    if (found == control->properties.end())
        return errControlPropertyNotFound;
    if (outActualSize)
        *outActualSize = found->second.size();
    if (bufferSize < found->second.size())
        return errDataSizeMismatch;
    if (outData)
        std::memcpy(outData, found->second.constData(), std::size_t(found->second.size()));
    return 0;
}

OSStatus GetControlPropertySize(ControlRef control, OSType creator, OSType tag, Size* outSize) {
    if (!detail::isLiveControl(control) || !outSize)
        return -50;
    const auto found = control->properties.find({creator, tag});
    if (found == control->properties.end())
        return errControlPropertyNotFound;
    *outSize = found->second.size();
    return 0;
}

OSStatus SetControlProperty(ControlRef control, OSType creator, OSType tag, Size size,
                            const void* data) {
    if (!detail::isLiveControl(control) || size < 0 || (size > 0 && !data))
        return -50;
    control->properties[{creator, tag}] =
        QByteArray(static_cast<const char*>(data), qsizetype(size));
    return 0;
}

OSStatus RemoveControlProperty(ControlRef control, OSType creator, OSType tag) {
    if (!detail::isLiveControl(control))
        return -50;
    return control->properties.erase({creator, tag}) ? 0 : errControlPropertyNotFound;
}

SInt32 GetControl32BitValue(ControlRef control) {
    if (!detail::isLiveControl(control) || !control->widget)
        return 0;
    QWidget* widget = control->widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        return combo->currentIndex() + 1;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->isCheckable() ? (button->isChecked() ? 1 : 0) : control->storedValue;
    if (auto* slider = qobject_cast<QAbstractSlider*>(widget))
        return slider->value();
    if (auto* tabs = qobject_cast<QTabWidget*>(widget))
        return tabs->currentIndex() + 1;
    if (auto* progress = qobject_cast<QProgressBar*>(widget))
        return progress->value();
    return control->storedValue;
}

void SetControl32BitValue(ControlRef control, SInt32 value) {
    if (!detail::isLiveControl(control) || !control->widget)
        return;
    if (qobject_cast<QAbstractSlider*>(control->widget.data()) ||
        qobject_cast<QProgressBar*>(control->widget.data())) {
        control->widget->setProperty("value", value);
        return;
    }
    if (control->hasRange)
        value = std::clamp(value, control->minimum, std::max(control->minimum, control->maximum));
    QWidget* widget = control->widget;
    if (auto* combo = qobject_cast<QComboBox*>(widget))
        combo->setCurrentIndex(value >= 1 && value <= combo->count() ? value - 1 : -1);
    else if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->isCheckable())
        button->setChecked(value != 0);
    else if (auto* tabs = qobject_cast<QTabWidget*>(widget))
        tabs->setCurrentIndex(value - 1);
    else {
        const bool changed = control->storedValue != value;
        control->storedValue = value;
        if (changed)
            sendSimple(control, kEventControlValueFieldChanged);
    }
}

SInt32 GetControl32BitMinimum(ControlRef control) {
    if (!detail::isLiveControl(control))
        return 0;
    if (auto* slider = qobject_cast<QAbstractSlider*>(control->widget.data()))
        return slider->minimum();
    return control->minimum;
}

void SetControl32BitMinimum(ControlRef control, SInt32 minimum) {
    if (!detail::isLiveControl(control))
        return;
    if (auto* slider = qobject_cast<QAbstractSlider*>(control->widget.data())) {
        slider->setMinimum(minimum);
        return;
    }
    control->hasRange = true;
    control->minimum = minimum;
    if (GetControl32BitValue(control) < minimum)
        SetControl32BitValue(control, minimum);
}

SInt32 GetControl32BitMaximum(ControlRef control) {
    if (!detail::isLiveControl(control))
        return 0;
    if (auto* slider = qobject_cast<QAbstractSlider*>(control->widget.data()))
        return slider->maximum();
    return control->maximum;
}

void SetControl32BitMaximum(ControlRef control, SInt32 maximum) {
    if (!detail::isLiveControl(control))
        return;
    if (auto* slider = qobject_cast<QAbstractSlider*>(control->widget.data())) {
        slider->setMaximum(maximum);
        return;
    }
    control->hasRange = true;
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
    RgnHandle region = nullptr;
    setParam(event, kEventParamControlOldPart, typeControlPartCode, old);
    setParam(event, kEventParamControlNewPart, typeControlPartCode, part);
    setParam(event, kEventParamControlInvalRgn, typeQDRgnHandle, region);
    SendEventToEventTarget(event, control->target.get());
    ReleaseEvent(event);
}

bool IsControlActive(ControlRef control) {
    return detail::isLiveControl(control) && control->active && control->widget &&
           control->widget->isEnabled();
}

OSStatus ActivateControl(ControlRef control) {
    if (!detail::isLiveControl(control))
        return -50;
    if (!control->active) {
        control->active = true;
        sendSimple(control, kEventControlActivate);
    }
    return 0;
}

OSStatus DeactivateControl(ControlRef control) {
    if (!detail::isLiveControl(control))
        return -50;
    if (control->active) {
        control->active = false;
        sendSimple(control, kEventControlDeactivate);
    }
    return 0;
}

bool IsControlVisible(ControlRef control) {
    if (!detail::isLiveControl(control) || !control->widget)
        return false;
    return control->widget->isVisibleTo(control->widget->window());
}

OSStatus HIViewSetVisible(ControlRef control, bool visible) {
    if (!detail::isLiveControl(control) || !control->widget)
        return -50;
    control->widget->setVisible(visible);
    return 0;
}

OSStatus HIViewGetBounds(ControlRef control, HIRect* outRect) {
    if (!detail::isLiveControl(control) || !control->widget || !outRect)
        return -50;
    *outRect = toHIRect(control->widget->rect());
    return 0;
}

OSStatus HIViewGetFrame(ControlRef control, HIRect* outRect) {
    if (!detail::isLiveControl(control) || !control->widget || !outRect)
        return -50;
    *outRect = toHIRect(control->widget->geometry());
    return 0;
}

OSStatus HIViewPlaceInSuperviewAt(ControlRef control, CGFloat x, CGFloat y) {
    if (!detail::isLiveControl(control) || !control->widget)
        return -50;
    control->widget->move(qRound(x), qRound(y));
    return 0;
}

OSStatus HIViewSetNeedsDisplay(ControlRef control, bool needsDisplay) {
    if (!detail::isLiveControl(control) || !control->widget)
        return -50;
    if (needsDisplay)
        control->widget->update();
    return 0;
}

OSStatus SetControlTitleWithCFString(ControlRef control, const QString& title) {
    if (!detail::isLiveControl(control) || !control->widget)
        return -50;
    QWidget* widget = control->widget;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        button->setText(title);
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        group->setTitle(title);
    else if (auto* label = qobject_cast<QLabel*>(widget))
        label->setText(labelText(title));
    else
        control->storedTitle = title;
    sendSimple(control, kEventControlTitleChanged);
    return 0;
}

OSStatus SetControlAccessibleText(ControlRef control, const QString& name,
                                  const QString& description) {
    if (!detail::isLiveControl(control) || !control->widget)
        return -50;
    control->widget->setAccessibleName(name);
    control->widget->setAccessibleDescription(description);
    return 0;
}

OSStatus CopyControlTitleAsCFString(ControlRef control, QString* outTitle) {
    if (!detail::isLiveControl(control) || !control->widget || !outTitle)
        return -50;
    QWidget* widget = control->widget;
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        *outTitle = button->text();
    else if (auto* group = qobject_cast<QGroupBox*>(widget))
        *outTitle = group->title();
    else if (auto* label = qobject_cast<QLabel*>(widget))
        *outTitle = label->text();
    else
        *outTitle = control->storedTitle;
    return 0;
}

namespace {

// kEventControlSetData / GetData to the control's view first.
OSStatus askView(ControlRef control, UInt32 kind, ControlPartCode part, OSType tag, Size size,
                 void* buffer, Size* outSize) {
    EventRef event = CreateEvent(kEventClassControl, kind);
    setParam(event, kEventParamControlPart, typeControlPartCode, part);
    setParam(event, kEventParamControlDataTag, typeEnumeration, tag);
    setParam(event, kEventParamControlDataBuffer, typePtr, buffer);
    setParam(event, kEventParamControlDataBufferSize, typeLongInteger, size);
    const OSStatus result = SendEventToEventTarget(event, control->target.get());
    if (result == 0 && outSize)
        GetEventParameter(event, kEventParamControlDataBufferSize, typeLongInteger, nullptr,
                          sizeof *outSize, nullptr, outSize);
    ReleaseEvent(event);
    return result;
}

} // namespace

OSStatus SetControlData(ControlRef control, ControlPartCode part, OSType tag, Size size,
                        const void* data) {
    if (!detail::isLiveControl(control) || !control->widget)
        return -50;
    const OSStatus viewResult =
        askView(control, kEventControlSetData, part, tag, size, const_cast<void*>(data), nullptr);
    if (viewResult != eventNotHandledErr)
        return viewResult;
    QWidget* widget = control->widget;
    switch (tag) {
    case kControlStaticTextCFStringTag: {
        if (size != Size(sizeof(QString)) || !data)
            return errDataSizeMismatch;
        const QString& text = *static_cast<const QString*>(data);
        if (auto* label = qobject_cast<QLabel*>(widget))
            label->setText(labelText(text));
        else if (!widget->setProperty("text", text))
            return errDataNotSupported;
        return 0;
    }
    case kControlTabInfoTag: {
        if (size != Size(sizeof(ControlTabInfoRecV1)) || !data)
            return errDataSizeMismatch;
        const auto& info = *static_cast<const ControlTabInfoRecV1*>(data);
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            if (part < 1 || part > tabs->count())
                return errInvalidPartCode;
            tabs->setTabText(part - 1, info.name);
            return 0;
        }
        if (auto* bar = qobject_cast<QTabBar*>(widget)) {
            if (part < 1 || part > bar->count())
                return errInvalidPartCode;
            bar->setTabText(part - 1, info.name);
            return 0;
        }
        return errDataNotSupported;
    }
    default:
        return errDataNotSupported;
    }
}

OSStatus GetControlData(ControlRef control, ControlPartCode part, OSType tag, Size bufferSize,
                        void* outData, Size* outActualSize) {
    if (!detail::isLiveControl(control) || !control->widget)
        return -50;
    const OSStatus viewResult =
        askView(control, kEventControlGetData, part, tag, bufferSize, outData, outActualSize);
    if (viewResult != eventNotHandledErr)
        return viewResult;
    QWidget* widget = control->widget;
    auto fits = [&](Size needed) {
        if (outActualSize)
            *outActualSize = needed;
        return bufferSize == needed && outData;
    };
    switch (tag) {
    case kControlStaticTextCFStringTag: {
        auto* label = qobject_cast<QLabel*>(widget);
        const QVariant text = label ? QVariant(label->text()) : widget->property("text");
        if (!text.isValid())
            return errDataNotSupported;
        if (!fits(sizeof(QString)))
            return errDataSizeMismatch;
        *static_cast<QString*>(outData) = text.toString();
        return 0;
    }
    case kControlTabInfoTag: {
        QString name;
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) {
            if (part < 1 || part > tabs->count())
                return errInvalidPartCode;
            name = tabs->tabText(part - 1);
        } else if (auto* bar = qobject_cast<QTabBar*>(widget)) {
            if (part < 1 || part > bar->count())
                return errInvalidPartCode;
            name = bar->tabText(part - 1);
        } else {
            return errDataNotSupported;
        }
        if (!fits(sizeof(ControlTabInfoRecV1)))
            return errDataSizeMismatch;
        auto& info = *static_cast<ControlTabInfoRecV1*>(outData);
        info.version = 1;
        info.iconSuiteID = 0;
        info.name = name;
        return 0;
    }
    case kControlPopupButtonMenuHandleTag: {
        auto* combo = qobject_cast<QComboBox*>(widget);
        if (!combo)
            return errDataNotSupported;
        if (!fits(sizeof(MenuRef)))
            return errDataSizeMismatch;
        if (!control->popupMenu) {
            control->popupMenu = std::make_unique<OpaqueMenuRef>();
            control->popupMenu->combo = combo;
            detail::watchMenu(control->popupMenu.get());
        }
        *static_cast<MenuRef*>(outData) = control->popupMenu.get();
        return 0;
    }
    case kControlKindTag: {
        ControlKind kind{};
        GetControlKind(control, &kind);
        if (!fits(sizeof kind))
            return errDataSizeMismatch;
        std::memcpy(outData, &kind, sizeof kind);
        return 0;
    }
    default:
        return errDataNotSupported;
    }
}

namespace {

std::vector<ControlRef> subControls(ControlRef control) {
    std::vector<ControlRef> result;
    for (const ControlRef candidate : control->window->controls) {
        if (!detail::isLiveControl(candidate) || !candidate->widget)
            continue;
        // The nearest enclosing widget that is a control.
        for (QWidget* up = candidate->widget->parentWidget(); up; up = up->parentWidget()) {
            const auto found = controlOfWidget().find(up);
            const ControlRef owner = found == controlOfWidget().end() ? nullptr : found->second;
            if (owner && detail::isLiveControl(owner)) {
                if (owner == control)
                    result.push_back(candidate);
                break;
            }
        }
    }
    return result;
}

} // namespace

OSStatus CountSubControls(ControlRef control, UInt16* outCount) {
    if (!detail::isLiveControl(control) || !outCount)
        return -50;
    *outCount = UInt16(subControls(control).size());
    return 0;
}

OSStatus GetIndexedSubControl(ControlRef control, UInt16 index, ControlRef* outSubControl) {
    if (outSubControl)
        *outSubControl = nullptr;
    if (!detail::isLiveControl(control) || !outSubControl)
        return -50;
    const auto list = subControls(control);
    if (index < 1 || index > list.size())
        return -50;
    *outSubControl = list[index - 1];
    return 0;
}

OSStatus CreateMouseTrackingRegion(WindowRef window, const Rect& rect, RgnHandle /*clip*/,
                                   UInt32 /*options*/, MouseTrackingRegionID id, void* /*refCon*/,
                                   EventTargetRef target, MouseTrackingRef* outRef) {
    if (outRef)
        *outRef = nullptr;
    if (!detail::isLiveWindow(window) || !target || !outRef)
        return -50;
    auto region = std::make_unique<OpaqueMouseTrackingRef>();
    region->window = window;
    region->rect = QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
    region->id = id;
    region->target = target->shared_from_this();
    if (const ControlRef control = target->control;
        detail::isLiveControl(control) && control->widget && window->content) {
        control->widget->setMouseTracking(true);
        // A region made under the pointer starts inside, so that leaving it is noticed.
        if (control->widget->underMouse())
            region->inside = region->rect.contains(window->content->mapFromGlobal(QCursor::pos()));
    }
    *outRef = region.get();
    window->trackingRegions.push_back(std::move(region));
    return 0;
}

OSStatus ReleaseMouseTrackingRegion(MouseTrackingRef region) {
    if (!region)
        return -50;
    for (const WindowRef window : detail::allWindows()) {
        auto& regions = window->trackingRegions;
        const auto found = std::find_if(regions.begin(), regions.end(),
                                        [&](const auto& entry) { return entry.get() == region; });
        if (found != regions.end()) {
            regions.erase(found);
            return 0;
        }
    }
    return -50;
}

} // namespace platform
