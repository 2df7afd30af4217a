// The bridge from Qt to the event records, and the way back to Qt's own handling. A click:
//   1. An event filter turns the Qt event into a record: OpaqueWindowPtr::eventFilter
//      (Windowing.cpp) for a window's events, OpaqueControlRef::eventFilter
//      (ControlEvents.cpp) for a control's. Qt signals (a button's click, a popup's choice)
//      make records through sendFromQt instead, with no Qt event behind them.
//   2. dispatchQtEvent hands the record to its target; runChain runs the target's handlers,
//      newest first, until one answers other than eventNotHandledErr (CallNextEventHandler
//      runs the rest of the chain from inside a handler).
//   3. Then, once per dispatch, the target's standard handler: for a record made from a Qt
//      event that is runQtDefault, Qt's own handling of the event, which runs at most once.
//      A control's standard handler turns a hit into its command (ControlEvents.cpp).
//   4. The filter consumes the Qt event when a handler answered or Qt's handling already
//      ran; otherwise Qt handles it as usual. Unhandled command records go on to the
//      container: control, window, application.
// While a dispatch from Qt runs (QtDispatchScope), windows and widgets are deleted later
// (freeLater), so that a handler may dispose of the window whose event it is handling.

#include "platform/Events.h"
#include "platform/WindowSystemObjects.h"

#include <QObject>

namespace platform::detail {

int& qtDispatchDepth() {
    static int depth = 0;
    return depth;
}

void freeLater(QObject* object) {
    if (!object)
        return;
    if (qtDispatchDepth() > 0)
        object->deleteLater();
    else
        delete object;
}

OSStatus runChain(OpaqueEventHandlerCallRef& call, EventRef event) {
    while (call.next < call.chain.size()) {
        const auto handler = call.chain[call.next++];
        if (!handler->target || !handler->wants(event->eventClass, event->eventKind))
            continue;
        const OSStatus result = handler->proc(&call, event, handler->userData);
        if (result != eventNotHandledErr)
            return result;
    }
    if (call.standardDone)
        return eventNotHandledErr;
    call.standardDone = true;
    return call.target->standard ? call.target->standard(event) : eventNotHandledErr;
}

OSStatus dispatch(EventRef event, const std::shared_ptr<OpaqueEventTargetRef>& target) {
    OpaqueEventHandlerCallRef call;
    call.target = target;
    call.chain.assign(target->handlers.rbegin(), target->handlers.rend());
    const OSStatus result = runChain(call, event);
    // Only command events travel on to the container.
    if (result == eventNotHandledErr && event->eventClass == kEventClassCommand &&
        target->container) {
        if (const EventTargetRef next = target->container())
            return dispatch(event, next->shared_from_this());
    }
    return result;
}

OSStatus runQtDefault(EventRef event) {
    if (event->qtDefaultDone || !event->qtReceiver)
        return eventNotHandledErr;
    event->qtDefaultDone = true;
    event->qtReceiver->event(event->qtEvent);
    return 0;
}

bool dispatchQtEvent(EventRef record, EventTargetRef target, QObject* receiver, QEvent* event,
                     bool* qtDone) {
    record->qtReceiver = receiver;
    record->qtEvent = event;
    const QtDispatchScope dispatching;
    const OSStatus result = dispatch(record, target->shared_from_this());
    const bool done = record->qtDefaultDone;
    ReleaseEvent(record);
    if (qtDone)
        *qtDone = done;
    return done || result != eventNotHandledErr;
}

void sendFromQt(ControlRef control, EventRef event) {
    const QtDispatchScope dispatching;
    SendEventToEventTarget(event, control->target.get());
}

} // namespace platform::detail
