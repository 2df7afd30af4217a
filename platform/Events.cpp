#include "platform/Events.h"

#include "platform/WindowSystemObjects.h"
#include "platform/Windowing.h"

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

namespace {

// Every installed handler until its owner removes it, also once its target went away (then
// without one), so that a stale reference never names a newer handler. Outlives all targets.
std::map<const OpaqueEventHandlerRef*, std::shared_ptr<OpaqueEventHandlerRef>>& installed() {
    static auto* records =
        new std::map<const OpaqueEventHandlerRef*, std::shared_ptr<OpaqueEventHandlerRef>>;
    return *records;
}

std::set<const OpaqueEventRef*>& liveEvents() {
    static std::set<const OpaqueEventRef*> events;
    return events;
}

OSStatus applicationStandardHandler(EventRef event) {
    if (event->eventClass == kEventClassCommand && event->eventKind == kEventCommandProcess) {
        HICommandExtended command{};
        if (platform::GetEventParameter(event, kEventParamDirectObject, typeHICommand, nullptr,
                                        sizeof command, nullptr, &command) == 0 &&
            command.commandID == kHICommandQuit) {
            QCoreApplication::exit(0);
            return 0;
        }
    }
    return eventNotHandledErr;
}

} // namespace

bool OpaqueEventHandlerRef::wants(UInt32 eventClass, UInt32 eventKind) const {
    return std::any_of(types.begin(), types.end(), [&](const EventTypeSpec& spec) {
        return spec.eventClass == eventClass && spec.eventKind == eventKind;
    });
}

OpaqueEventTargetRef::~OpaqueEventTargetRef() {
    clear();
}

void OpaqueEventTargetRef::clear() {
    for (const auto& handler : handlers)
        handler->target = nullptr;
    handlers.clear();
    standard = nullptr;
    container = nullptr;
}

namespace platform {

EventRef CreateEvent(UInt32 eventClass, UInt32 eventKind) {
    auto* event = new OpaqueEventRef;
    event->eventClass = eventClass;
    event->eventKind = eventKind;
    liveEvents().insert(event);
    return event;
}

EventRef RetainEvent(EventRef event) {
    if (event && liveEvents().count(event))
        ++event->refCount;
    return event;
}

void ReleaseEvent(EventRef event) {
    if (!event || !liveEvents().count(event))
        return;
    if (--event->refCount == 0) {
        liveEvents().erase(event);
        delete event;
    }
}

UInt32 GetEventClass(EventRef event) {
    return event ? event->eventClass : 0;
}
UInt32 GetEventKind(EventRef event) {
    return event ? event->eventKind : 0;
}

OSStatus GetEventParameter(EventRef event, EventParamName name, EventParamType desiredType,
                           EventParamType* outActualType, Size bufferSize, Size* outActualSize,
                           void* outData) {
    if (!event)
        return paramErr;
    const auto found = event->params.find(name);
    if (found == event->params.end())
        return eventParameterNotFoundErr;
    const auto& param = found->second;
    if (desiredType != typeWildCard && desiredType != param.type)
        return errAECoercionFail;
    if (outActualType)
        *outActualType = param.type;
    if (outActualSize)
        *outActualSize = param.data.size();
    if (outData && bufferSize > 0)
        std::memcpy(outData, param.data.constData(),
                    std::min<std::size_t>(std::size_t(bufferSize), param.data.size()));
    return 0;
}

OSStatus SetEventParameter(EventRef event, EventParamName name, EventParamType type, Size size,
                           const void* data) {
    if (!event || size < 0 || (size > 0 && !data))
        return paramErr;
    event->params[name] = {type, QByteArray(static_cast<const char*>(data), qsizetype(size))};
    return 0;
}

EventTargetRef GetApplicationEventTarget() {
    // Lives for the whole process, past every other static.
    static const auto* target = [] {
        auto* made =
            new std::shared_ptr<OpaqueEventTargetRef>(std::make_shared<OpaqueEventTargetRef>());
        (*made)->standard = applicationStandardHandler;
        return made;
    }();
    return target->get();
}

OSStatus InstallEventHandler(EventTargetRef target, EventHandlerUPP handler, ItemCount numTypes,
                             const EventTypeSpec* types, void* userData, EventHandlerRef* outRef) {
    if (!target || !handler || (numTypes > 0 && !types))
        return paramErr;
    auto record = std::make_shared<OpaqueEventHandlerRef>();
    record->target = target;
    record->proc = handler;
    record->userData = userData;
    record->types.assign(types, types + numTypes);
    installed()[record.get()] = record;
    target->handlers.push_back(record);
    if (outRef)
        *outRef = record.get();
    return 0;
}

OSStatus AddEventTypesToHandler(EventHandlerRef handler, ItemCount numTypes,
                                const EventTypeSpec* types) {
    if (!handler || !installed().count(handler) || !handler->target || (numTypes > 0 && !types))
        return paramErr;
    handler->types.insert(handler->types.end(), types, types + numTypes);
    return 0;
}

OSStatus RemoveEventHandler(EventHandlerRef handler) {
    if (!handler || !installed().count(handler))
        return paramErr;
    if (handler->target) {
        auto& list = handler->target->handlers;
        list.erase(std::remove_if(list.begin(), list.end(),
                                  [&](const auto& entry) { return entry.get() == handler; }),
                   list.end());
        handler->target = nullptr;
    }
    // The record itself stays alive while a dispatch in progress still holds it.
    installed().erase(handler);
    return 0;
}

OSStatus CallNextEventHandler(EventHandlerCallRef callRef, EventRef event) {
    if (!callRef || !event)
        return paramErr;
    return detail::runChain(*callRef, event);
}

OSStatus SendEventToEventTarget(EventRef event, EventTargetRef target) {
    if (!event || !target)
        return paramErr;
    return platform::detail::dispatch(event, target->shared_from_this());
}

OSStatus ProcessHICommand(const HICommand& command) {
    return detail::sendCommandToFront(kEventCommandProcess, command);
}

OSType fourCharCodeFromString(const QString& text) {
    if (text.size() != 4)
        return 0;
    OSType code = 0;
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return 0;
        code = (code << 8) | c.unicode();
    }
    return code;
}

namespace detail {

OSStatus sendCommandToFront(UInt32 kind, const HICommand& command) {
    HICommandExtended extended{};
    extended.attributes = command.attributes;
    extended.commandID = command.commandID;
    extended.source.menu.menuRef = command.menu.menuRef;
    extended.source.menu.menuItemIndex = command.menu.menuItemIndex;
    EventRef event = CreateEvent(kEventClassCommand, kind);
    SetEventParameter(event, kEventParamDirectObject, typeHICommand, sizeof extended, &extended);
    const WindowRef front = FrontWindow();
    const OSStatus result =
        SendEventToEventTarget(event, front ? front->target.get() : GetApplicationEventTarget());
    ReleaseEvent(event);
    return result;
}

OSStatus sendNew(EventTargetRef target, UInt32 eventClass, UInt32 eventKind) {
    EventRef event = CreateEvent(eventClass, eventKind);
    const OSStatus result = SendEventToEventTarget(event, target);
    ReleaseEvent(event);
    return result;
}

} // namespace detail

void RunAfterCurrentEvent(std::function<void()> task) {
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(task));
}

} // namespace platform
