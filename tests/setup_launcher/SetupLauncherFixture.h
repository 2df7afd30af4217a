#pragma once

#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>
#include <optional>

namespace setuptest {

using testsupport::machineSetting;

// An installation in a scratch folder, seen from one tool:
//   <root>/MachineBundle/*.bundle, <root>/<tool>/Plugin/PrinterPlugin/,
//   <root>/<tool>/<tool>.app/Contents/{Info.plist, MacOS/<exe>, Resources/<settings>/}
class Installation {
public:
    Installation(const QString& tool, const QString& settingsFolder, const QString& executable)
        : m_tool(tool), m_package(tool + "/" + tool + ".app"),
          m_settings(m_package + "/Contents/Resources/" + settingsFolder + "/") {
        testsupport::writeBundle(m_tree, m_package,
                                 {{"CFBundleName", tool},
                                  {"CFBundleExecutable", executable},
                                  {"CFBundleVersion", "2.0"}});
        m_tree.mkdir(m_package + "/Contents/MacOS");
        m_tree.mkdir(m_settings);
        m_tree.mkdir("tmp");
    }

    const testsupport::TempTree& tree() const { return m_tree; }
    QString root() const { return QFileInfo(m_tree.path()).canonicalFilePath(); }
    QString packagePath() const { return root() + "/" + m_package; }
    QString settingsPath(const QString& name) const { return m_tree.path(m_settings + name); }
    // An INI file of the settings folder, CR LF line ends.
    QString writeSetting(const QString& name, const QByteArray& lfText) const {
        return m_tree.write(m_settings + name, testsupport::withLineEnds(lfText, "\r\n"));
    }
    QString writeMachineBundle(const QString& name, const QVariantMap& setting) const {
        testsupport::writeMachineBundle(m_tree, "MachineBundle/" + name, setting);
        return root() + "/MachineBundle/" + name;
    }
    // A plug-in bundle below the tool folder (see testsupport::writePluginBundle).
    QString writePlugin(const QString& relative, const QString& executableSource,
                        const QByteArray& executableBytes = {}) const {
        testsupport::writePluginBundle(m_tree, m_tool + "/" + relative, executableSource,
                                       executableBytes);
        return root() + "/" + m_tool + "/" + relative;
    }
    // Where launcher runs record their alerts and the recording plug-in its call.
    QString alertLog() const { return m_tree.path("alerts.jsonl"); }
    QString recordPath() const { return m_tree.path("record.txt"); }

private:
    testsupport::TempTree m_tree;
    QString m_tool, m_package, m_settings;
};

// A built set-up launcher that a process test runs.
struct LauncherProgram {
    const char *tool, *settingsFolder, *executableName, *builtExecutable;
    const char* prefix; // of its plug-ins' names
};

// The program's installation with the settings every run reads; *executable is its path.
inline std::unique_ptr<Installation> installProgram(const LauncherProgram& program,
                                                    QString* executable) {
    auto install = std::make_unique<Installation>(program.tool, program.settingsFolder,
                                                  program.executableName);
    for (const char* setting : {"Manual.ini", "Media.ini", "L_Const.ini"})
        install->writeSetting(setting, "[x]\n");
    install->writeSetting("L_Font.ini", "00999999=12,0,0,0\n");
    *executable = install->packagePath() + "/Contents/MacOS/" + program.executableName;
    QFile::copy(program.builtExecutable, *executable);
    return install;
}

// Sheet Glide Tuner's installation, whose package stands in for this program's own.
inline std::unique_ptr<Installation> sheetGlideTunerAsThisProgram() {
    auto install =
        std::make_unique<Installation>("Sheet Glide Tuner", "SGT_Settings", "SheetGlideTuner2");
    platform::Bundle::setMainBundlePathForTesting(install->packagePath());
    return install;
}

// What a set-up launcher process did.
struct LauncherRun {
    bool ended = false, crashed = true;
    int exitCode = -1;
    QList<QJsonObject> alerts;
    QByteArray record, errors;
};

// Starts a set-up launcher as Trellis would: the hand-off variable carries the descriptor, or
// is absent as when started by hand.
inline std::unique_ptr<QProcess>
startLauncher(const Installation& install, const QString& executable,
              const std::optional<platform::AEDescriptor>& descriptor) {
    QFile::remove(install.alertLog());
    QFile::remove(install.recordPath());
    QProcessEnvironment env = testsupport::scratchEnvironment(install.tree().path());
    env.insert("TRELLIS_TEST_PLUGIN_RECORD", install.recordPath());
    env.remove(platform::kLaunchDescriptorVariable);
    if (descriptor)
        env.insert(platform::kLaunchDescriptorVariable,
                   QString::fromLatin1(platform::encodeLaunchDescriptor(*descriptor)));
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(env);
    process->start(executable, {});
    return process;
}

// Waits for the launcher's end (killing it after the timeout) and collects what it did.
inline LauncherRun finishLauncher(const Installation& install, QProcess& process,
                                  int timeoutMs = 60000) {
    LauncherRun run;
    run.ended = process.waitForFinished(timeoutMs);
    if (!run.ended) {
        process.kill();
        process.waitForFinished();
    }
    run.crashed = !run.ended || process.exitStatus() != QProcess::NormalExit;
    run.exitCode = run.ended ? process.exitCode() : -1;
    run.errors = process.readAllStandardError();
    for (const QByteArray& line : testsupport::readFile(install.alertLog()).split('\n'))
        if (!line.isEmpty())
            run.alerts.append(QJsonDocument::fromJson(line).object());
    run.record = testsupport::readFile(install.recordPath());
    return run;
}

} // namespace setuptest
