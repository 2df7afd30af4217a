// One installation staged from this build tree per test, below a folder whose name holds
// spaces, quotes and non-ASCII characters, and the programs started on it.
#pragma once

#include "platform/AppleEvents.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace faults {

class Staged : public ::testing::Test {
protected:
    void SetUp() override {
        const QString problem = testsupport::stageInstallation(tree.path("stage"));
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        tree.mkdir("tmp");
    }
    // A path below the installation, relative to the scratch tree (for its writers).
    QString staged(const QString& relative) const {
        return QDir(tree.path()).relativeFilePath(testsupport::stagedRoot(tree.path("stage"))) +
               "/" + relative;
    }
    QString root(const QString& relative) const { return tree.path(staged(relative)); }
    QString trellis() const { return root("Trellis.app/Contents/MacOS/Trellis"); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = testsupport::scratchEnvironment(tree.path());
        env.insert("TRELLIS_REPORT_SHOWN", "1");
        env.insert("TRELLIS_TEST_PLUGIN_RECORD", tree.path("record.txt"));
        return env;
    }
    QProcess* start(const QString& program, QProcessEnvironment env = {}) {
        return processes.start(program, env.isEmpty() ? environment() : env);
    }
    // Trellis started and shown; its standard error so far, or the test fails.
    QProcess* startShown() {
        QProcess* process = start(trellis());
        QByteArray errors;
        EXPECT_TRUE(testsupport::waitShown(process, &errors)) << errors.toStdString();
        return process;
    }
    QStringList alerts() const {
        return testsupport::recordedAlertMessages(tree.path("alerts.jsonl"));
    }
    QByteArray record() const { return testsupport::readFile(tree.path("record.txt")); }
    // Replaces the plug-in at <tool>/Plugin/PrinterPlugin/<name>.plugin by the shared object
    // `source`, copied to `where` below MacOS and named by CFBundleExecutable `executable`.
    void plantPlugin(const QString& tool, const QString& name, const QString& source,
                     const QString& executable = "plugin", const QString& where = "plugin") const {
        const QString plugin = staged(tool + "/Plugin/PrinterPlugin/" + name + ".plugin");
        QDir(tree.path(plugin)).removeRecursively();
        testsupport::writeBundle(tree, plugin,
                                 {{"CFBundleExecutable", executable}, {"CFBundleVersion", "1.0"}});
        const QString target =
            QDir::cleanPath(tree.mkdir(plugin + "/Contents/MacOS") + "/" + where);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(source, target));
    }
    // Set-up launcher `program` (SheetGlideTuner2 or StockProfileEditor2) started for a printer.
    QProcess* startLauncher(const QString& program, const QByteArray& model) {
        QProcessEnvironment env = environment();
        env.insert(platform::kLaunchDescriptorVariable,
                   QString::fromLatin1(platform::encodeLaunchDescriptor({"utf8"_4cc, model})));
        const QString tool =
            program.startsWith("Sheet") ? "Sheet Glide Tuner" : "Stock Profile Editor";
        return start(root(tool + "/" + tool + ".app/Contents/MacOS/" + program), env);
    }

    testsupport::TemporaryFolderNamed hostile{"Orvel \"Q\" 'x' \u00dctility \u65e5\u672c #1"};
    testsupport::TempTree tree; // made below the hostile name
    testsupport::StartedProcesses processes;
};

} // namespace faults
