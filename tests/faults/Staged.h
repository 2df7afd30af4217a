// One installation staged from this build tree per test, below a folder whose name holds
// spaces, quotes and non-ASCII characters, and the programs started on it.
#pragma once

#include "platform/AppleEvents.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>

namespace faults {

class Staged : public ::testing::Test {
protected:
    void SetUp() override {
        const QString problem = testsupport::stageInstallation(tree.path("stage"));
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        tree.mkdir("tmp");
    }
    // A path below the installation, relative to the scratch tree (for the tree's writers).
    QString staged(const QString& relative) const {
        return "stage/" TRELLIS_INSTALL_ROOT_NAME "/" + relative;
    }
    QString root(const QString& relative) const { return tree.path(staged(relative)); }
    QString trellis() const { return root("Trellis.app/Contents/MacOS/Trellis"); }
    QProcessEnvironment environment() const {
        QProcessEnvironment env = testsupport::scratchEnvironment(tree.path());
        env.insert("TRELLIS_REPORT_SHOWN", "1");
        return env;
    }
    QProcess* start(const QString& program, QProcessEnvironment env = {}) {
        return processes.start(program, env.isEmpty() ? environment() : env);
    }
    QProcess* startShown(const QProcessEnvironment& env = {}) {
        QProcess* process = start(trellis(), env);
        QByteArray errors;
        EXPECT_TRUE(testsupport::waitShown(process, &errors)) << errors.toStdString();
        return process;
    }
    qsizetype alerts() const {
        return testsupport::recordedAlertMessages(tree.path("alerts.jsonl")).size();
    }
    QByteArray record() const { return testsupport::readFile(tree.path("record.txt")); }
    // <tool>/Plugin/PrinterPlugin/<name>.plugin below the installation (for the tree's writers).
    QString plugin(const QString& tool, const QString& name) const {
        return staged(tool + "/Plugin/PrinterPlugin/" + name + ".plugin");
    }
    // That plug-in made afresh around the shared object `source`.
    void plantPlugin(const QString& tool, const QString& name, const QString& source) {
        QDir(tree.path(plugin(tool, name))).removeRecursively();
        testsupport::writePluginBundle(tree, plugin(tool, name), source);
    }
    // SheetGlideTuner2 or StockProfileEditor2 started for a printer.
    QProcess* startLauncher(const QString& program, const QByteArray& model) {
        QProcessEnvironment env = environment();
        env.insert(platform::kLaunchDescriptorVariable,
                   platform::encodeLaunchDescriptor({"utf8"_4cc, model}));
        const QString tool = program[1] == 'h' ? "Sheet Glide Tuner" : "Stock Profile Editor";
        return start(root(tool + "/" + tool + ".app/Contents/MacOS/" + program), env);
    }

    testsupport::TemporaryFolderNamed hostile{"Orvel \"Q\" 'x' \u00dctility \u65e5\u672c #1"};
    testsupport::TempTree tree; // made below the hostile name
    testsupport::StartedProcesses processes;
};

} // namespace faults
