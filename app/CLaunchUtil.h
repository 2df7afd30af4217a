#pragma once

#include <QString>
#include <QUrl>

namespace platform {
class ChildTask;
}

// Starts the tool that takes the device identifier as its command-line argument, one at a
// time: a request while the previous one still runs is ignored.
class CLaunchUtil {
public:
    CLaunchUtil() = delete;

    // The shared task, created when there is none.
    static platform::ChildTask* shareTask();
    // Starts nothing while the shared task runs (true: the request is ignored). False when
    // the bundle has no executable or the program could not be started.
    static bool launchApplication(const QUrl& appURL, const QString& deviceID);
    // Forgets the shared task once it has ended.
    static void taskDidEnd();

    // The shared task; null when there is none.
    static platform::ChildTask* currentTask() { return launchTaskP; }

private:
    static platform::ChildTask* launchTaskP;
};
