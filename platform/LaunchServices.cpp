#include "LaunchServices.h"

#include "Bundle.h"
#include "SingleInstance.h"

#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QTimer>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

namespace {

QString bundleIdentity(const Bundle& bundle) {
    const QString identifier = bundle.identifier();
    return identifier.isEmpty() ? QFileInfo(bundle.executablePath()).canonicalFilePath()
                                : identifier;
}

// The hand-off goes only to the program it is meant for, never to one started later.
bool startDetached(const QString& program, const QStringList& arguments,
                   const std::optional<AEDescriptor>& passThrough, qint64* pid) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QString::fromLatin1(kLaunchDescriptorVariable));
    if (passThrough)
        environment.insert(QString::fromLatin1(kLaunchDescriptorVariable),
                           QString::fromLatin1(encodeLaunchDescriptor(*passThrough)));
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached(pid);
}

} // namespace

QString startableExecutable(const Bundle* package, int* error) {
    const QString executable = package ? package->executablePath() : QString();
    const QFileInfo info(executable);
    if (!executable.isEmpty() && info.isFile() && info.isExecutable())
        return executable;
    if (error)
        *error = package ? kLSNoExecutableErr : kLSApplicationNotFoundErr;
    return QString();
}

int openApplication(const QString& packagePath, const std::optional<AEDescriptor>& passThrough) {
    const auto bundle = Bundle::create(packagePath);
    int error = 0;
    const QString executable = startableExecutable(bundle.get(), &error);
    if (executable.isEmpty())
        return error;
    switch (SingleInstance::handOver(bundleIdentity(*bundle))) {
    case SingleInstance::Handover::HandedOver:
        return 0;
    case SingleInstance::Handover::Failed:
        // It runs but cannot be brought forward, and a second one must not start.
        return kLSLaunchFailedErr;
    case SingleInstance::Handover::NotRunning:
        break;
    }
    return startDetached(executable, {}, passThrough, nullptr) ? 0 : kLSLaunchFailedErr;
}

ChildTask::ChildTask(QObject* parent) : QObject(parent) {}

ChildTask::~ChildTask() {
    // The program goes on running; only the watch ends.
    if (m_pidFd >= 0)
        close(m_pidFd);
}

bool ChildTask::start(const QString& program, const QStringList& arguments) {
    if (isRunning())
        return false;
    qint64 pid = 0;
    if (!startDetached(program, arguments, std::nullopt, &pid) || pid <= 0)
        return false;
    m_pid = pid;
    m_pidFd = static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    if (m_pidFd < 0) {
        // Already gone (or no process descriptors): report the end on the next turn.
        QTimer::singleShot(0, this, &ChildTask::onExited);
        return true;
    }
    m_notifier = new QSocketNotifier(m_pidFd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ChildTask::onExited);
    return true;
}

void ChildTask::onExited() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_pidFd >= 0) {
        close(m_pidFd);
        m_pidFd = -1;
    }
    m_pid = 0;
    emit finished();
}

} // namespace platform
