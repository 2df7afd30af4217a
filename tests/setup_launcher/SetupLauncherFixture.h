#pragma once

#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <ostream>

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace setuptest {

inline QVariantMap machineSetting(const QStringList& models, const QVariantMap& initials = {}) {
    QVariantMap map{{QStringLiteral("MODEL"), models}};
    if (!initials.isEmpty())
        map.insert(QStringLiteral("INITIAL"), initials);
    return map;
}

// An installation in a scratch folder, seen from one tool:
//   <root>/MachineBundle/*.bundle
//   <root>/<tool>/<tool>.app/Contents/{Info.plist, MacOS/<exe>, Resources/<settings>/}
//   <root>/<tool>/Plugin/PrinterPlugin/
class Installation {
public:
    Installation(const QString& tool, const QString& settingsFolder, const QString& executable)
        : m_tool(tool), m_settingsFolder(settingsFolder) {
        m_tree.write(package() + QStringLiteral("/Contents/Info.plist"),
                     testsupport::xmlPropertyList(QVariantMap{
                         {QStringLiteral("CFBundleName"), tool},
                         {QStringLiteral("CFBundleExecutable"), executable},
                         {QStringLiteral("CFBundleVersion"), QStringLiteral("2.0.0")}}));
        m_tree.mkdir(package() + QStringLiteral("/Contents/MacOS"));
        m_tree.mkdir(package() + QStringLiteral("/Contents/Resources/") + settingsFolder);
    }

    const testsupport::TempTree& tree() const { return m_tree; }
    QString root() const { return QFileInfo(m_tree.path()).canonicalFilePath(); }
    QString toolFolder() const { return root() + QLatin1Char('/') + m_tool; }
    QString packagePath() const { return root() + QLatin1Char('/') + package(); }
    QString settingsPath(const QString& name = QString()) const {
        return packagePath() + QStringLiteral("/Contents/Resources/") + m_settingsFolder +
               (name.isEmpty() ? QString() : QLatin1Char('/') + name);
    }

    // An INI file of the settings folder, CR LF line ends.
    QString writeSetting(const QString& name, const QByteArray& lfText) const {
        return m_tree.write(settingsRelative(name), testsupport::withLineEnds(lfText, "\r\n"));
    }
    void removeSetting(const QString& name) const { QFile::remove(settingsPath(name)); }

    QString writeMachineBundle(const QString& name, const QVariantMap& setting) const {
        const QString folder = QStringLiteral("MachineBundle/") + name;
        m_tree.write(folder + QStringLiteral("/Contents/Info.plist"),
                     testsupport::xmlPropertyList(
                         QVariantMap{{QStringLiteral("CFBundleVersion"), QStringLiteral("1.4")}}));
        m_tree.write(folder + QStringLiteral("/Contents/Resources/Setting.xml"),
                     testsupport::xmlPropertyList(setting));
        return root() + QLatin1Char('/') + folder;
    }

    // A plug-in bundle at a path relative to the tool folder. The executable is a copy of
    // `executableSource` (a built shared object), or the given bytes, or none at all.
    QString writePlugin(const QString& relative, const QString& executableSource,
                        const QByteArray& executableBytes = QByteArray()) const {
        const QString folder = m_tool + QLatin1Char('/') + relative;
        QVariantMap info{{QStringLiteral("CFBundleVersion"), QStringLiteral("3.1.4")}};
        if (!executableSource.isEmpty() || !executableBytes.isEmpty())
            info.insert(QStringLiteral("CFBundleExecutable"), QStringLiteral("plugin"));
        m_tree.write(folder + QStringLiteral("/Contents/Info.plist"),
                     testsupport::xmlPropertyList(info));
        m_tree.write(folder + QStringLiteral("/Contents/Resources/Media.json"), "[]");
        const QString executable = folder + QStringLiteral("/Contents/MacOS/plugin");
        if (!executableSource.isEmpty()) {
            m_tree.mkdir(folder + QStringLiteral("/Contents/MacOS"));
            QFile::copy(executableSource, m_tree.path(executable));
        } else if (!executableBytes.isEmpty()) {
            m_tree.write(executable, executableBytes);
        }
        return root() + QLatin1Char('/') + folder;
    }

    // Copies a built program into the package's MacOS folder.
    QString installExecutable(const QString& source, const QString& name) const {
        const QString target = packagePath() + QStringLiteral("/Contents/MacOS/") + name;
        QFile::copy(source, target);
        return target;
    }

    // A built set-up launcher with the settings every run reads; its path.
    QString installLauncher(const QString& source, const QString& name) const {
        for (const char* setting : {"Manual.ini", "Media.ini", "L_Const.ini"})
            writeSetting(QLatin1String(setting), "[x]\n");
        writeSetting(QStringLiteral("L_Font.ini"), "00999999=12,0,0,0\n");
        return installExecutable(source, name);
    }

    // Where launcher runs record their alerts and the recording plug-in its call.
    QString alertLog() const { return m_tree.path(QStringLiteral("alerts.jsonl")); }
    QString recordPath() const { return m_tree.path(QStringLiteral("record.txt")); }

private:
    QString package() const { return m_tool + QLatin1Char('/') + m_tool + QStringLiteral(".app"); }
    QString settingsRelative(const QString& name) const {
        return package() + QStringLiteral("/Contents/Resources/") + m_settingsFolder +
               QLatin1Char('/') + name;
    }

    testsupport::TempTree m_tree;
    QString m_tool;
    QString m_settingsFolder;
};

// A built set-up launcher that a process test runs.
struct LauncherProgram {
    const char* tool;
    const char* settingsFolder;
    const char* executableName;
    const char* builtExecutable;
    const char* prefix; // of its plug-ins' names
};

inline void PrintTo(const LauncherProgram& program, std::ostream* out) {
    *out << program.executableName;
}

// The launcher's installation with the program in its package; *executable is its path.
inline std::unique_ptr<Installation> installProgram(const LauncherProgram& program,
                                                    QString* executable) {
    auto install = std::make_unique<Installation>(QLatin1String(program.tool),
                                                  QLatin1String(program.settingsFolder),
                                                  QLatin1String(program.executableName));
    *executable = install->installLauncher(QLatin1String(program.builtExecutable),
                                           QLatin1String(program.executableName));
    return install;
}

// Sheet Glide Tuner's installation, whose package stands in for this program's own.
inline std::unique_ptr<Installation> sheetGlideTunerAsThisProgram() {
    auto install = std::make_unique<Installation>(QStringLiteral("Sheet Glide Tuner"),
                                                  QStringLiteral("SGT_Settings"),
                                                  QStringLiteral("SheetGlideTuner2"));
    platform::Bundle::setMainBundlePathForTesting(install->packagePath());
    return install;
}

// What a set-up launcher process did.
struct LauncherRun {
    bool ended = false;
    bool crashed = true;
    int exitCode = -1;
    QList<QJsonObject> alerts;
    QByteArray record;
    QByteArray errors;
};

// Starts a set-up launcher of the installation as Trellis would: the hand-off variable
// carries the descriptor, or is absent as when started by hand.
inline std::unique_ptr<QProcess>
startLauncher(const Installation& install, const QString& executable,
              const std::optional<platform::AEDescriptor>& descriptor) {
    QFile::remove(install.alertLog());
    QFile::remove(install.recordPath());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TRELLIS_ALERT_LOG"), install.alertLog());
    environment.insert(QStringLiteral("TRELLIS_TEST_PLUGIN_RECORD"), install.recordPath());
    environment.remove(QLatin1String(platform::kLaunchDescriptorVariable));
    if (descriptor)
        environment.insert(QLatin1String(platform::kLaunchDescriptorVariable),
                           QString::fromLatin1(platform::encodeLaunchDescriptor(*descriptor)));
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(QDir::tempPath());
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
        return run;
    }
    run.crashed = process.exitStatus() != QProcess::NormalExit;
    run.exitCode = process.exitCode();
    run.errors = process.readAllStandardError();
    for (const QByteArray& line : testsupport::readFile(install.alertLog()).split('\n')) {
        if (!line.isEmpty())
            run.alerts.append(QJsonDocument::fromJson(line).object());
    }
    run.record = testsupport::readFile(install.recordPath());
    return run;
}

} // namespace setuptest
