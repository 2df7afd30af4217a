#pragma once

#include "platform/AppleEvents.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class QSocketNotifier;

namespace platform {

class Bundle;

// The executable a start of the package runs; empty when there is none, and `error` gets
// kLSApplicationNotFoundErr (a null package) or kLSNoExecutableErr.
QString startableExecutable(const Bundle* package, int* error = nullptr);

// Opens an application package the way the desktop's launcher service would: its
// executable starts detached, handed the pass-through descriptor (see AppleEvents.h). When
// the application already runs for this user, nothing new starts and the running one comes
// to the front. Returns 0 or one of the kLS errors of StatusCodes.h: kLSLaunchFailedErr when the
// application neither started nor was brought forward.
int openApplication(const QString& packagePath, const std::optional<AEDescriptor>& passThrough);

// A program started with arguments and watched until it ends. It runs detached, so it
// outlives this process; finished() arrives on the main thread.
class ChildTask : public QObject {
    Q_OBJECT
public:
    explicit ChildTask(QObject* parent = nullptr);
    ~ChildTask() override;

    bool start(const QString& program, const QStringList& arguments);
    bool isRunning() const { return m_pid > 0; }
    // Test seam: the whole-program tests and the start-up benchmark signal the program.
    qint64 processId() const { return m_pid; }

signals:
    void finished();

private:
    void onExited();

    qint64 m_pid = 0;
    int m_pidFd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
