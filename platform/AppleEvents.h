#pragma once

#include "platform/StatusCodes.h"

#include <QByteArray>
#include <QMap>
#include <functional>
#include <optional>

namespace platform {

using FourCharCode = OSType;

// A typed value: the pass-through descriptor a tool is started with is ('utf8', bytes).
struct AEDescriptor {
    FourCharCode type = 0;
    QByteArray data;
    bool operator==(const AEDescriptor&) const = default;
};

struct AppleEvent {
    FourCharCode eventClass = 0;
    FourCharCode eventID = 0;
    QMap<FourCharCode, AEDescriptor> parameters;

    const AEDescriptor* parameter(FourCharCode key) const {
        const auto it = parameters.constFind(key);
        return it == parameters.constEnd() ? nullptr : &*it;
    }
};

using AppleEventHandler = std::function<int(const AppleEvent&)>;

// One handler per (class, ID); a later installation replaces the earlier one.
void installAppleEventHandler(FourCharCode eventClass, FourCharCode eventID,
                              AppleEventHandler handler);
void removeAppleEventHandler(FourCharCode eventClass, FourCharCode eventID);
// Dispatches the event to its handler on a later turn of the event loop. Needs a
// QCoreApplication.
void postAppleEvent(const AppleEvent& event);

// The launch hand-off. A program started by the launcher finds the pass-through descriptor
// in this environment variable as "<type as 8 hex digits>:<data in base64>".
constexpr char kLaunchDescriptorVariable[] = "TRELLIS_LAUNCH_DESCRIPTOR";
QByteArray encodeLaunchDescriptor(const AEDescriptor& descriptor);
// std::nullopt for anything that is not exactly that form.
std::optional<AEDescriptor> decodeLaunchDescriptor(const QByteArray& text);

// Takes the hand-off out of the environment (so that programs started later do not inherit
// it) and queues 'aevt'/'oapp' for the first turn of the event loop, with the descriptor as
// its 'prdt' parameter when there was a valid one. Needs a QCoreApplication.
void scheduleOpenApplicationEvent();

// SIGTERM, SIGINT and SIGHUP become 'aevt'/'quit' on the main thread, like a quit request of
// the desktop session. While an alert is up, the request first closes it (closeShownAlert)
// and is then posted again. Needs a QCoreApplication.
void installQuitSignalHandlers();

// True once such a quit request has arrived; start-up steps that run before the event loop
// (alerts) check it so that a request is not lost.
bool isQuitRequested();

// The first call of every program: process-wide settings (SIGPIPE is ignored).
void initializeProcess();

} // namespace platform
