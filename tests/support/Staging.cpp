#include "Staging.h"

#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace testsupport {

QString stageInstallation(const QString& prefix) {
    const QByteArray lockPath =
        QFile::encodeName(QStringLiteral(TRELLIS_BUILD_DIR "/.staging.lock"));
    const int lock = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock < 0 || ::flock(lock, LOCK_EX) != 0) {
        if (lock >= 0)
            ::close(lock);
        return QStringLiteral("cannot lock ") + QFile::decodeName(lockPath);
    }
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(TRELLIS_CMAKE),
                  {QStringLiteral("--install"), QStringLiteral(TRELLIS_BUILD_DIR),
                   QStringLiteral("--prefix"), prefix});
    const bool installed = install.waitForFinished(180000) &&
                           install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0;
    ::close(lock); // also releases the lock
    if (installed)
        return QString();
    const QString output = QString::fromLocal8Bit(install.readAll());
    return output.isEmpty() ? QStringLiteral("cmake --install did not finish") : output;
}

QString runtimeFolder(const QString& scratch) {
    const QString programs = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (programs.isEmpty())
        return programs;
    const QString folder =
        programs + QStringLiteral("/") +
        QCryptographicHash::hash(scratch.toUtf8(), QCryptographicHash::Sha256).toHex().left(12);
    QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

QProcessEnvironment scratchEnvironment(const QString& scratch) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (const QString runtime = runtimeFolder(scratch); !runtime.isEmpty())
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), scratch + QStringLiteral("/cache"));
    env.insert(QStringLiteral("TMPDIR"), scratch + QStringLiteral("/tmp"));
    env.insert(QStringLiteral("TRELLIS_ALERT_LOG"), scratch + QStringLiteral("/alerts.jsonl"));
    env.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    return env;
}

StartedProcesses::~StartedProcesses() {
    for (QProcess* process : m_processes) {
        if (process->state() != QProcess::NotRunning) {
            process->kill();
            process->waitForFinished(10000);
        }
        delete process;
    }
}

QProcess* StartedProcesses::add(const std::function<void()>& inChild) {
    auto* process = new QProcess;
    m_processes.append(process);
    // Killed at its timeout, a test program takes its programs along.
    process->setChildProcessModifier([parent = ::getpid(), inChild] {
        dieWithParent(parent);
        if (inChild)
            inChild();
    });
    return process;
}

QProcess* StartedProcesses::start(const QString& program, const QProcessEnvironment& env,
                                  const QStringList& arguments) {
    QProcess* process = add();
    process->setProcessEnvironment(env);
    process->start(program, arguments);
    EXPECT_TRUE(process->waitForStarted(10000)) << program.toStdString();
    return process;
}

bool waitShown(QProcess* process, QByteArray* errors, int timeoutMs) {
    (void)QTest::qWaitFor(
        [&] {
            process->waitForReadyRead(50);
            errors->append(process->readAllStandardError());
            return errors->contains("shown ") || process->state() == QProcess::NotRunning;
        },
        timeoutMs);
    return errors->contains("shown ") && process->state() == QProcess::Running;
}

bool endsNormally(QProcess* process, int timeoutMs) {
    return process->waitForFinished(timeoutMs) && process->exitStatus() == QProcess::NormalExit &&
           process->exitCode() == 0;
}

bool quit(QProcess* process, int signal, int timeoutMs) {
    ::kill(pid_t(process->processId()), signal);
    return endsNormally(process, timeoutMs);
}

} // namespace testsupport
