// The launcher as a whole program on an installation staged from this build tree: alerts
// are recorded instead of shown, the preferences and the one-instance lock live in
// scratch folders of each test.

#include "platform/Preferences.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kFixedAlert = "The necessary file cannot be found. Install the program again.";
const QString kIdentifier = "com.orvel.trellis";

class ProcessTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sStage.make(); }
    static void TearDownTestSuite() { sStage.reset(); }

    void SetUp() override {
        ASSERT_TRUE(sStage.ok()) << sStage.problem();
        m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_scratch.filePath("config").toLocal8Bit());
        QDir().mkpath(m_scratch.filePath("tmp"));
    }
    void TearDown() override {
        m_processes.reset();
        for (const auto& [moved, original] : m_moved)
            QFile::rename(moved, original);
        for (const QString& path : m_written)
            QFile::remove(path);
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    }

    static QString root() { return sStage.root(); }
    static QString settings(const QString& name) {
        return root() + "/Trellis.app/Contents/Resources/Settings/" + name;
    }
    void moveAway(const QString& path) {
        ASSERT_TRUE(QFile::rename(path, path + ".away"));
        m_moved.append({path + ".away", path});
    }
    void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        m_written.append(path);
    }

    QProcess* start() {
        QProcess* process = m_processes->add();
        QProcessEnvironment env = testsupport::scratchEnvironment(m_scratch.path());
        env.insert("TRELLIS_REPORT_SHOWN", "1");
        process->setProcessEnvironment(env);
        process->start(root() + "/Trellis.app/Contents/MacOS/Trellis", {});
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    // Reads the standard error until the main window has been drawn.
    static bool waitShown(QProcess* process, QByteArray* errors) {
        return QTest::qWaitFor(
                   [&] {
                       process->waitForReadyRead(50);
                       errors->append(process->readAllStandardError());
                       return errors->contains("shown ") ||
                              process->state() == QProcess::NotRunning;
                   },
                   60000) &&
               errors->contains("shown ");
    }
    static bool terminate(QProcess* process) {
        ::kill(pid_t(process->processId()), SIGTERM);
        return process->waitForFinished(30000) && process->exitStatus() == QProcess::NormalExit;
    }
    QStringList alertMessages() const {
        return testsupport::recordedAlertMessages(m_scratch.filePath("alerts.jsonl"));
    }

    QTemporaryDir m_scratch;

private:
    static inline testsupport::SuiteStage sStage;
    std::unique_ptr<testsupport::StartedProcesses> m_processes =
        std::make_unique<testsupport::StartedProcesses>();
    QList<QPair<QString, QString>> m_moved;
    QStringList m_written;
    QByteArray m_savedConfigHome;
};

TEST_F(ProcessTest, AMissingRequiredFileGivesTheFixedAlertAndNoWindow) {
    moveAway(settings("Manual.ini"));
    QProcess* trellis = start();
    ASSERT_TRUE(trellis->waitForFinished(60000));
    EXPECT_EQ(trellis->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(trellis->exitCode(), 0);
    EXPECT_EQ(alertMessages(), QStringList{kFixedAlert});
    EXPECT_FALSE(trellis->readAllStandardError().contains("shown "));
}

TEST_F(ProcessTest, UILaunchModeShowsTheSixAlertsInOrderBeforeTheWindow) {
    write(settings("Setting_Launch.ini"), "Ope=U\r\n");
    QProcess* trellis = start();
    QByteArray errors;
    ASSERT_TRUE(waitShown(trellis, &errors)) << errors.toStdString();
    EXPECT_EQ(
        alertMessages(),
        QStringList({kFixedAlert, "The necessary file cannot be found. Install the program again.",
                     "An internal error occurred (invalid parameter). Quit the program "
                     "and start it again.",
                     "This version of the operating system is not supported.",
                     "There is not enough memory. Quit other programs and try again.",
                     "The manual cannot be opened. Make sure that the manual is installed "
                     "and that a web browser is available."}));
    EXPECT_TRUE(terminate(trellis));
}

TEST_F(ProcessTest, SigtermSavesThePreferencesLikeQuit) {
    QProcess* trellis = start();
    QByteArray errors;
    ASSERT_TRUE(waitShown(trellis, &errors)) << errors.toStdString();
    EXPECT_TRUE(alertMessages().isEmpty());
    ASSERT_TRUE(terminate(trellis));
    EXPECT_EQ(trellis->exitCode(), 0);

    const QStringList list =
        platform::copyPreferenceValue("PrinterModelList", kIdentifier).toStringList();
    const QString selected =
        platform::copyPreferenceValue("SelectPrinterModelName", kIdentifier).toString();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(selected, list.first());
    EXPECT_TRUE(list.contains("Orvel MX-R74400 Series")) << list.join(", ").toStdString();
    EXPECT_TRUE(list.contains("Orvel LX-1000")) << list.join(", ").toStdString();
}

TEST_F(ProcessTest, ASecondStartLeavesTheFirstInstanceAlone) {
    QProcess* first = start();
    QByteArray errors;
    ASSERT_TRUE(waitShown(first, &errors)) << errors.toStdString();
    QProcess* second = start();
    ASSERT_TRUE(second->waitForFinished(30000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_FALSE(second->readAllStandardError().contains("shown "));
    EXPECT_EQ(first->state(), QProcess::Running);
    EXPECT_TRUE(terminate(first));
}

} // namespace
