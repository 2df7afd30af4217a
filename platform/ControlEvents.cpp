// Controls in motion: a widget's Qt events and signals turned into control event records,
// and what a control does with the records no handler took.

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPen>
#include <QPushButton>
#include <QResizeEvent>

using platform::detail::setParam;

namespace {

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

// Notifications and records made from Qt signals: handlers see them, Qt's own handling (if
// any) always runs afterwards.
void notify(ControlRef control, EventRef record) {
    platform::detail::sendFromQt(control, record);
    platform::ReleaseEvent(record);
}

void sendHit(ControlRef control, ControlPartCode part) {
    if (!platform::detail::isLiveControl(control))
        return;
    EventRef event = platform::CreateEvent(kEventClassControl, kEventControlHit);
    setParam(event, kEventParamControlPart, typeControlPartCode, part);
    notify(control, event);
}

void sendValueChanged(ControlRef control) {
    if (platform::detail::isLiveControl(control))
        notify(control, platform::CreateEvent(kEventClassControl, kEventControlValueFieldChanged));
}

ControlPartCode hitTest(ControlRef control, const QPointF& position) {
    EventRef event = platform::CreateEvent(kEventClassControl, kEventControlHitTest);
    const HIPoint where{position.x(), position.y()};
    setParam(event, kEventParamMouseLocation, typeHIPoint, where);
    ControlPartCode part = kControlNoPart;
    platform::detail::sendFromQt(control, event);
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

bool paintThroughHandlers(OpaqueControlRef* control, QObject* watched, QEvent* event) {
    OpaqueCGContext context(control->widget);
    EventRef record = platform::CreateEvent(kEventClassControl, kEventControlDraw);
    CGContextRef contextRef = &context;
    setParam(record, kEventParamCGContextRef, typeCGContextRef, contextRef);
    bool drawnByQt = false;
    const bool consumed = platform::detail::dispatchQtEvent(record, control->target.get(), watched,
                                                            event, &drawnByQt);
    if (drawnByQt && !control->viewInstance)
        drawFocusRing(control->widget);
    return consumed;
}

bool mousePressed(OpaqueControlRef* control, const QMouseEvent* mouse) {
    if (mouse->button() != Qt::LeftButton)
        return false;
    QPointer<OpaqueControlRef> self(control);
    const ControlPartCode part = hitTest(control, mouse->position());
    if (!self)
        return true;
    QWidget* widget = control->widget;
    if (part == kControlNoPart) {
        // Outside a button's parts there is no click; a label or picture lets the press go
        // on to its window.
        return qobject_cast<QAbstractButton*>(widget) || qobject_cast<QComboBox*>(widget);
    }
    control->pressedPart = part;
    platform::HiliteControl(control, part);
    return false;
}

void mouseMoved(OpaqueControlRef* control, const QMouseEvent* mouse) {
    QPointer<OpaqueControlRef> self(control);
    platform::detail::updateTrackingForControl(control,
                                               contentPosition(control, mouse->position()));
    if (self && control->pressedPart && (mouse->buttons() & Qt::LeftButton)) {
        const ControlPartCode part = hitTest(control, mouse->position());
        if (self)
            platform::HiliteControl(control, part);
    }
}

void mouseReleased(OpaqueControlRef* control, const QMouseEvent* mouse) {
    if (mouse->button() != Qt::LeftButton || !control->pressedPart)
        return;
    const ControlPartCode part = control->hilite;
    control->pressedPart = part;
    platform::HiliteControl(control, kControlNoPart);
    // Buttons report their hit through Qt's click, which keyboard presses share.
    QWidget* widget = control->widget;
    if (part != kControlNoPart && !qobject_cast<QAbstractButton*>(widget) &&
        !qobject_cast<QComboBox*>(widget))
        sendHit(control, part);
}

EventRef boundsChangedRecord(const QWidget* widget, const QEvent* event) {
    const bool moved = event->type() == QEvent::Move;
    QRect previous = widget->geometry();
    if (moved)
        previous.moveTopLeft(static_cast<const QMoveEvent*>(event)->oldPos());
    else
        previous.setSize(static_cast<const QResizeEvent*>(event)->oldSize());
    const UInt32 attributes =
        moved ? kControlBoundsChangePositionChanged : kControlBoundsChangeSizeChanged;
    EventRef record = platform::CreateEvent(kEventClassControl, kEventControlBoundsChanged);
    setParam(record, kEventParamAttributes, typeUInt32, attributes);
    setParam(record, kEventParamOriginalBounds, typeHIRect, platform::detail::toHIRect(previous));
    setParam(record, kEventParamCurrentBounds, typeHIRect,
             platform::detail::toHIRect(widget->geometry()));
    return record;
}

// Sends the control's command as a command event through the control's target.
void sendControlCommand(ControlRef control) {
    if (!platform::detail::isLiveControl(control) || control->command == 0)
        return;
    HICommandExtended command{};
    command.attributes = kHICommandFromControl;
    command.commandID = control->command;
    command.source.control = control;
    EventRef event = platform::CreateEvent(kEventClassCommand, kEventCommandProcess);
    setParam(event, kEventParamDirectObject, typeHICommand, command);
    platform::SendEventToEventTarget(event, control->target.get());
    platform::ReleaseEvent(event);
}

} // namespace

bool OpaqueControlRef::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget || !platform::detail::isLiveControl(this))
        return false;
    switch (event->type()) {
    case QEvent::Paint:
        return paintThroughHandlers(this, watched, event);
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return mousePressed(this, static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        mouseMoved(this, static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::MouseButtonRelease:
        mouseReleased(this, static_cast<QMouseEvent*>(event));
        return false;
    case QEvent::Enter:
        platform::detail::updateTrackingForControl(
            this, contentPosition(this, static_cast<QEnterEvent*>(event)->position()));
        return false;
    case QEvent::Leave:
        platform::detail::updateTrackingForControl(this, std::nullopt);
        return false;
    case QEvent::Move:
    case QEvent::Resize:
        notify(this, boundsChangedRecord(widget, event));
        return false;
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
        notify(this, platform::CreateEvent(kEventClassControl, kEventControlVisibilityChanged));
        return false;
    case QEvent::EnabledChange:
        notify(this, platform::CreateEvent(kEventClassControl, kEventControlEnabledStateChanged));
        return false;
    default:
        return false;
    }
}

namespace platform::detail {

void connectControlSignals(ControlRef control, QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QObject::connect(button, &QAbstractButton::clicked, control, [control] {
            sendHit(control, control->pressedPart ? control->pressedPart : kControlButtonPart);
        });
        QObject::connect(button, &QAbstractButton::toggled, control,
                         [control] { sendValueChanged(control); });
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        QObject::connect(combo, &QComboBox::currentIndexChanged, control,
                         [control] { sendValueChanged(control); });
        QObject::connect(combo, &QComboBox::activated, control,
                         [control] { sendHit(control, kControlButtonPart); });
        control->minimum = combo->count() > 0 ? 1 : 0;
        control->maximum = combo->count();
    }
}

// What a control does when no handler of its own took the event: Qt's default for Qt
// events, the command for a hit, a button-wide hit test.
OSStatus standardControlHandler(ControlRef control, EventRef event) {
    if (event->qtEvent)
        return runQtDefault(event);
    if (!isLiveControl(control))
        return eventNotHandledErr;
    if (event->eventClass == kEventClassHIObject) {
        if (event->eventKind == kEventHIObjectInitialize)
            sendNew(control->target.get(), kEventClassControl, kEventControlInitialize);
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
        const bool inside =
            control->widget && control->widget->rect().contains(QPoint(int(where.x), int(where.y)));
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
}

} // namespace platform::detail
