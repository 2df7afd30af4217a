#pragma once

#include <QString>
#include <functional>

namespace platform {

// One running instance per program and user. The identity is a program's bundle
// identifier (or its executable's path when it has none).
class SingleInstance {
public:
    // Asks a running instance of the identity to come to the front; true when one answered.
    static bool activateRunning(const QString& identity);

    // Makes this process the instance of the identity: false when another one already runs
    // (it has been asked to come to the front). onActivate runs on the main thread whenever
    // a later start asks this one to come forward. Needs a QCoreApplication.
    static bool claim(const QString& identity, std::function<void()> onActivate);

    // The local socket name of an identity for the current user.
    static QString serverName(const QString& identity);
};

} // namespace platform
