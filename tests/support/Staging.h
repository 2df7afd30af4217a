#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>
#include <functional>

namespace testsupport {

// Installs this build tree with `cmake --install` into prefix, one installation at a time
// per build tree (installations share scratch files in it). Empty when it worked, else what
// the installation printed.
QString stageInstallation(const QString& prefix);

// The runtime folder of the programs a test starts on a scratch folder, made on first use:
// the one-instance claims of one test never meet those an earlier test left behind. Below the
// test program's own (a scratch path is too long for a socket's name); empty without that.
QString runtimeFolder(const QString& scratch);

// The environment of a program under test whose preferences, temporary files and alert
// record (<scratch>/alerts.jsonl) live in a scratch folder: offscreen, in English, with the
// scratch folder's runtime folder.
QProcessEnvironment scratchEnvironment(const QString& scratch);

// The processes a test started: any still running is killed when the list goes.
class StartedProcesses {
public:
    StartedProcesses() = default;
    ~StartedProcesses();
    StartedProcesses(const StartedProcesses&) = delete;
    StartedProcesses& operator=(const StartedProcesses&) = delete;
    // A new process owned by the list, made to die with the test program; inChild runs in
    // the child before its program starts.
    QProcess* add(const std::function<void()>& inChild = {});
    // A new process owned by the list, started (the test fails when it cannot start).
    QProcess* start(const QString& program, const QProcessEnvironment& env,
                    const QStringList& arguments = {});

private:
    QList<QProcess*> m_processes;
};

// Reads standard error into *errors until a program started with TRELLIS_REPORT_SHOWN=1 has
// drawn its first frame ("shown "); false when it ended first or timed out.
bool waitShown(QProcess* process, QByteArray* errors, int timeoutMs = 120000);
// The process ended within the time, normally and with exit code 0.
bool endsNormally(QProcess* process, int timeoutMs = 60000);
// Sends the signal (SIGTERM: a quit) and waits for a normal end.
bool quit(QProcess* process, int signal = SIGTERM, int timeoutMs = 60000);

} // namespace testsupport
