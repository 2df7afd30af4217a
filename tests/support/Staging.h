#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <csignal>

namespace testsupport {

// Installs this build tree with `cmake --install` into prefix, one installation at a time
// per build tree (installations share scratch files in it). Empty when it worked, else what
// the installation printed.
QString stageInstallation(const QString& prefix);

// The environment of a program under test whose preferences, temporary files and alert
// record (<scratch>/alerts.jsonl) live in a scratch folder: offscreen, in English.
QProcessEnvironment scratchEnvironment(const QString& scratch);

// The processes a test started: any still running is killed when the list goes.
class StartedProcesses {
public:
    StartedProcesses() = default;
    ~StartedProcesses();
    StartedProcesses(const StartedProcesses&) = delete;
    StartedProcesses& operator=(const StartedProcesses&) = delete;
    // A new process owned by the list.
    QProcess* add();
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
