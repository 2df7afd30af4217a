#pragma once

#include <QString>
#include <functional>

namespace platform {

// One running instance per program and user. The identity is a program's bundle
// identifier (or its executable's path when it has none).
//
// The claim lives in a folder only the user can reach: $XDG_RUNTIME_DIR when it is a
// folder of the user's with no access for others, else "trellis-<uid>" in the temporary
// folder, created with mode 0700 and used only when its owner and mode check out. In it,
// "<hash>.lock" decides who is the instance (an exclusive flock, released by the kernel when
// the holder dies) and "<hash>.sock" takes the requests of later starts. Both ends check
// the other's user (SO_PEERCRED). Without such a folder there is no claim: every start
// runs on its own.
class SingleInstance {
public:
    enum class Handover {
        NotRunning, // no instance holds the claim
        HandedOver, // the running instance has the request to come to the front
        Failed,     // an instance holds the claim but could not be reached
    };

    // Hands a request to come to the front to the running instance of the identity; does
    // not wait for it to be read.
    static Handover handOver(const QString& identity);

    // Makes this process the instance of the identity: false when another one already runs
    // (it has been handed the request to come to the front). From here on, later starts'
    // requests queue up until the event loop runs; onActivate then runs on the main thread
    // for each. Needs a QCoreApplication.
    static bool claim(const QString& identity, std::function<void()> onActivate);

    // claim() for the running program: its main bundle's identifier, or its executable's
    // path when it has none.
    static bool claimForProgram(std::function<void()> onActivate);
};

} // namespace platform
