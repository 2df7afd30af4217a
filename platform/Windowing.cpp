// Windows and loops: Qt top-level widgets whose events become window event records.

#include "platform/Windowing.h"

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cstring>
#include <set>

namespace {

std::set<const OpaqueWindowPtr*>& liveWindows() {
    static std::set<const OpaqueWindowPtr*> windows;
    return windows;
}

// Front to back order is the reverse of this list.
std::vector<WindowRef>& windowOrder() {
    static std::vector<WindowRef> order;
    return order;
}

void forgetWindow(WindowRef window) {
    auto& order = windowOrder();
    order.erase(std::remove(order.begin(), order.end(), window), order.end());
}

void noteWindowRaised(WindowRef window) {
    forgetWindow(window);
    windowOrder().push_back(window);
}

// 'wind' 80..82 at the first showing: the answers size the content.
void askSizes(WindowRef window) {
    window->sizeAsked = true;
    for (const UInt32 kind :
         {kEventWindowGetIdealSize, kEventWindowGetMinimumSize, kEventWindowGetMaximumSize}) {
        EventRef event = platform::CreateEvent(kEventClassWindow, kind);
        Point dims{};
        const bool answered =
            platform::SendEventToEventTarget(event, window->target.get()) == 0 &&
            platform::GetEventParameter(event, kEventParamDimensions, typeQDPoint, nullptr,
                                        sizeof dims, nullptr, &dims) == 0 &&
            dims.v > 0 && dims.h > 0;
        platform::ReleaseEvent(event);
        if (!answered || !platform::IsValidWindowPtr(window) || !window->content)
            continue;
        const QSize size(dims.h, dims.v);
        if (kind == kEventWindowGetIdealSize)
            window->content->resize(size);
        else if (kind == kEventWindowGetMinimumSize)
            window->content->setMinimumSize(size);
        else
            window->content->setMaximumSize(size);
    }
}

} // namespace

OpaqueWindowPtr::~OpaqueWindowPtr() {
    liveWindows().erase(this);
}

bool OpaqueWindowPtr::eventFilter(QObject* watched, QEvent* event) {
    if (!platform::IsValidWindowPtr(this))
        return false;
    using platform::detail::setParam;
    EventRef record = nullptr;
    const bool top = watched == widget;
    switch (event->type()) {
    case QEvent::Close:
        if (top)
            record = platform::CreateEvent(kEventClassWindow, kEventWindowClose);
        break;
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
        if (top) {
            const bool activated = event->type() == QEvent::WindowActivate;
            if (activated)
                noteWindowRaised(this);
            record = platform::CreateEvent(kEventClassWindow, activated ? kEventWindowActivated
                                                                        : kEventWindowDeactivated);
        }
        break;
    case QEvent::Move:
    case QEvent::Resize:
        if (top) {
            // Windows read only what changed.
            const UInt32 attributes = event->type() == QEvent::Move
                                          ? kWindowBoundsChangeOriginChanged
                                          : kWindowBoundsChangeSizeChanged;
            record = platform::CreateEvent(kEventClassWindow, kEventWindowBoundsChanged);
            setParam(record, kEventParamAttributes, typeUInt32, attributes);
        }
        break;
    case QEvent::Paint:
        if (watched == content)
            record = platform::CreateEvent(kEventClassWindow, kEventWindowDrawContent);
        break;
    case QEvent::MouseButtonPress: {
        // A press that no control took (labels and pictures pass theirs on) reaches the
        // window as its mouse-down.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && (watched == content || top)) {
            const QPointF inContent =
                content ? content->mapFromGlobal(mouse->globalPosition()) : mouse->position();
            record = platform::CreateEvent(kEventClassMouse, kEventMouseDown);
            setParam(record, kEventParamMouseLocation, typeHIPoint,
                     HIPoint{inContent.x(), inContent.y()});
        }
        break;
    }
    case QEvent::Show:
        if (top && !sizeAsked) {
            const platform::detail::QtDispatchScope dispatching;
            askSizes(this);
        }
        break;
    case QEvent::Hide:
        // A window hidden while its modal loop runs (closed by the desktop) ends the loop.
        if (top && modalLoop)
            modalLoop->exit(0);
        break;
    default:
        break;
    }
    if (!record)
        return false;
    bool qtDone = false;
    const bool consumed =
        platform::detail::dispatchQtEvent(record, target.get(), watched, event, &qtDone);
    if (consumed && event->type() == QEvent::Close && !qtDone)
        event->ignore(); // a handler kept the window open
    return consumed;
}

namespace platform {

namespace detail {

OSStatus copyProperty(const std::map<std::pair<OSType, OSType>, QByteArray>& bag, OSType creator,
                      OSType tag, Size bufferSize, Size* outActualSize, void* outData,
                      OSStatus notFound) {
    const auto found = bag.find({creator, tag});
    if (found == bag.end())
        return notFound;
    if (outActualSize)
        *outActualSize = found->second.size();
    if (bufferSize < found->second.size())
        return errDataSizeMismatch;
    if (outData)
        std::memcpy(outData, found->second.constData(), std::size_t(found->second.size()));
    return 0;
}

void registerWindow(WindowRef window) {
    liveWindows().insert(window);
    window->target->container = [] { return GetApplicationEventTarget(); };
    window->target->standard = [window](EventRef event) -> OSStatus {
        if (event->qtEvent)
            return runQtDefault(event);
        if (event->eventClass == kEventClassWindow && event->eventKind == kEventWindowClose &&
            IsValidWindowPtr(window)) {
            HideWindow(window);
            return 0;
        }
        return eventNotHandledErr;
    };
    window->widget->installEventFilter(window);
    if (window->content != window->widget)
        window->content->installEventFilter(window);
}

std::vector<WindowRef> allWindows() {
    std::vector<WindowRef> windows;
    for (const auto* window : liveWindows())
        windows.push_back(const_cast<WindowRef>(window));
    return windows;
}

} // namespace detail

WindowRef FrontWindow() {
    if (QWidget* active = QApplication::activeWindow()) {
        for (auto* window : liveWindows()) {
            if (window->widget == active)
                return const_cast<WindowRef>(window);
        }
    }
    const auto& order = windowOrder();
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (IsValidWindowPtr(*it) && (*it)->widget && (*it)->widget->isVisible())
            return *it;
    }
    return nullptr;
}

void RunApplicationEventLoop() {
    // Closing a window never ends the program by itself; the program quits explicitly.
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::exec();
}

void QuitApplicationEventLoop() {
    QCoreApplication::exit(0);
}

OSStatus RunAppModalLoopForWindow(WindowRef window) {
    if (!IsValidWindowPtr(window) || !window->widget)
        return errInvalidWindowRef;
    if (window->modalLoop)
        return paramErr;
    QWidget* widget = window->widget;
    if (widget->windowModality() != Qt::ApplicationModal) {
        const bool wasVisible = widget->isVisible();
        if (wasVisible)
            widget->hide(); // modality takes effect on the next showing
        widget->setWindowModality(Qt::ApplicationModal);
        if (wasVisible)
            widget->show();
    }
    QEventLoop loop;
    QPointer<OpaqueWindowPtr> guard(window);
    window->modalLoop = &loop;
    loop.exec();
    if (guard)
        guard->modalLoop = nullptr;
    return 0;
}

OSStatus QuitAppModalLoopForWindow(WindowRef window) {
    if (!IsValidWindowPtr(window))
        return errInvalidWindowRef;
    if (window->modalLoop)
        window->modalLoop->exit(0);
    return 0;
}

bool IsAppModalLoopRunning(WindowRef window) {
    return IsValidWindowPtr(window) && window->modalLoop;
}

bool IsValidWindowPtr(WindowRef window) {
    return window && liveWindows().count(window);
}

void DisposeWindow(WindowRef window) {
    if (!IsValidWindowPtr(window))
        return;
    detail::sendNew(window->target.get(), kEventClassWindow, kEventWindowDispose);
    if (!IsValidWindowPtr(window))
        return;
    if (window->modalLoop)
        window->modalLoop->exit(0);
    const std::vector<ControlRef> controls = window->controls;
    for (auto it = controls.rbegin(); it != controls.rend(); ++it)
        detail::retireControl(*it);
    window->controls.clear();
    window->trackingRegions.clear();
    forgetWindow(window);
    liveWindows().erase(window);
    window->target->clear();
    if (window->widget) {
        window->widget->removeEventFilter(window);
        if (window->content)
            window->content->removeEventFilter(window);
        window->widget->hide();
        detail::freeLater(window->widget);
    }
    detail::freeLater(window);
}

EventTargetRef GetWindowEventTarget(WindowRef window) {
    return IsValidWindowPtr(window) ? window->target.get() : nullptr;
}

void ShowWindow(WindowRef window) {
    if (!IsValidWindowPtr(window) || !window->widget)
        return;
    window->widget->show();
    SelectWindow(window);
    // Keyboard use starts with the first key, not the first Tab: the control holding the
    // focus shows it from the start, as the image buttons' ring does. (Showing a window
    // clears this state, so it comes after.)
    window->widget->window()->setAttribute(Qt::WA_KeyboardFocusChange);
}

void HideWindow(WindowRef window) {
    if (IsValidWindowPtr(window) && window->widget)
        window->widget->hide();
}

void SelectWindow(WindowRef window) {
    if (!IsValidWindowPtr(window) || !window->widget)
        return;
    window->widget->raise();
    window->widget->activateWindow();
    noteWindowRaised(window);
}

WindowRef ActiveNonFloatingWindow() {
    return FrontWindow();
}

OSStatus GetWindowActivationScope(WindowRef window, WindowActivationScope* outScope) {
    if (!IsValidWindowPtr(window) || !outScope)
        return errInvalidWindowRef;
    *outScope = kWindowActivationScopeAll;
    return 0;
}

OSStatus AdvanceKeyboardFocus(WindowRef window) {
    if (!IsValidWindowPtr(window))
        return errInvalidWindowRef;
    // Ask every control for its focus part first, as the focus walk does.
    const std::vector<ControlRef> controls = window->controls;
    for (const ControlRef control : controls) {
        if (detail::isLiveControl(control))
            detail::sendNew(control->target.get(), kEventClassControl, kEventControlGetFocusPart);
    }
    for (const ControlRef control : window->controls) {
        QWidget* widget = detail::isLiveControl(control) ? control->widget.data() : nullptr;
        if (widget && (widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() &&
            widget->isVisibleTo(window->widget)) {
            widget->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    return 0;
}

OSStatus SetWindowTitleWithCFString(WindowRef window, const QString& title) {
    if (!IsValidWindowPtr(window) || !window->widget)
        return errInvalidWindowRef;
    window->widget->setWindowTitle(title);
    return 0;
}

OSStatus RepositionWindow(WindowRef window, WindowRef /*parent*/, WindowPositionMethod method) {
    if (!IsValidWindowPtr(window) || !window->widget)
        return errInvalidWindowRef;
    if (method != kWindowCenterOnMainScreen && method != kWindowAlertPositionOnMainScreen)
        return paramErr;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return 0;
    const QRect area = screen->availableGeometry();
    const QSize size = window->widget->frameGeometry().size();
    const int x = area.x() + (area.width() - size.width()) / 2;
    // Alerts sit a third of the way down, as users expect of them.
    const int y = method == kWindowCenterOnMainScreen
                      ? area.y() + (area.height() - size.height()) / 2
                      : area.y() + (area.height() - size.height()) / 3;
    window->widget->move(x, y);
    return 0;
}

OSStatus SetWindowProperty(WindowRef window, OSType creator, OSType tag, Size size,
                           const void* data) {
    if (!IsValidWindowPtr(window))
        return errInvalidWindowRef;
    if (size < 0 || (size > 0 && !data))
        return paramErr;
    window->properties[{creator, tag}] =
        QByteArray(static_cast<const char*>(data), qsizetype(size));
    return 0;
}

OSStatus GetWindowProperty(WindowRef window, OSType creator, OSType tag, Size bufferSize,
                           Size* outActualSize, void* outData) {
    if (!IsValidWindowPtr(window))
        return errInvalidWindowRef;
    return detail::copyProperty(window->properties, creator, tag, bufferSize, outActualSize,
                                outData, errWindowPropertyNotFound);
}

OSStatus GetControlByID(WindowRef window, const ControlID* id, ControlRef* outControl) {
    if (outControl)
        *outControl = nullptr;
    if (!IsValidWindowPtr(window) || !id || !outControl)
        return paramErr;
    for (const ControlRef control : window->controls) {
        if (detail::isLiveControl(control) && control->id.signature == id->signature &&
            control->id.id == id->id) {
            *outControl = control;
            return 0;
        }
    }
    return errUnknownControl;
}

} // namespace platform
