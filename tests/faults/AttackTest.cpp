// A local attacker and hostile files against the real programs on an installation staged
// from this build tree: another user's squatter on the one-instance sockets, racing
// starts, quit requests during start-up alerts, broken preference stores, a closed
// standard error, set-up launchers started twice, plug-in executables that climb out of
// their bundle, and setting files built to blow up or overflow. The tests of another user
// run as `nobody` when the tests run as root and are skipped otherwise.

#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
#include "platform/LaunchServices.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

const QString kTrellisIdentifier = QStringLiteral("com.orvel.trellis");

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray claimHash(const QString& identity) {
    return QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
}

class Attack : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_scratch.isValid());
        const QString problem = testsupport::stageInstallation(path("stage"));
        ASSERT_TRUE(problem.isEmpty()) << problem.toStdString();
        QDir().mkpath(path("run"));
        QFile::setPermissions(path("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                               QFileDevice::ExeOwner);
        QDir().mkpath(path("tmp"));
        m_savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path("run")));
    }
    void TearDown() override {
        m_processes.reset();
        qputenv("XDG_RUNTIME_DIR", m_savedRuntime);
    }

    QString path(const QString& relative) const { return m_scratch.filePath(relative); }
    QString root() const { return path("stage/" TRELLIS_INSTALL_ROOT_NAME); }
    QString trellis() const { return root() + "/Trellis.app/Contents/MacOS/Trellis"; }
    QString settings(const QString& name) const {
        return root() + "/Trellis.app/Contents/Resources/Settings/" + name;
    }
    QString store() const { return path("config/trellis/" + kTrellisIdentifier + ".ini"); }
    QString alertLog() const { return path("alerts.jsonl"); }
    // A file of the one-instance claim of an identity in the private runtime folder.
    QString claimFile(const QString& identity, const char* suffix) const {
        return path("run/trellis-" + QString::fromLatin1(claimHash(identity)) + suffix);
    }
    int alertCount() const { return int(contents(alertLog()).count('\n')); }

    QProcessEnvironment environment() const {
        QProcessEnvironment env = testsupport::scratchEnvironment(m_scratch.path());
        env.insert("XDG_RUNTIME_DIR", path("run"));
        env.insert("TRELLIS_REPORT_SHOWN", "1");
        env.insert("TRELLIS_TEST_PLUGIN_RECORD", path("record.txt"));
        return env;
    }
    QProcess* start(const QString& program, const QProcessEnvironment& env,
                    const QStringList& arguments = {}) {
        QProcess* process = m_processes->add();
        process->setProcessEnvironment(env);
        process->start(program, arguments);
        EXPECT_TRUE(process->waitForStarted(10000));
        return process;
    }
    // Reads standard error until the main window has been drawn or the process ended.
    static bool waitShown(QProcess* process, QByteArray* errors) {
        (void)QTest::qWaitFor(
            [&] {
                process->waitForReadyRead(50);
                errors->append(process->readAllStandardError());
                return errors->contains("shown ") || process->state() == QProcess::NotRunning;
            },
            120000);
        return errors->contains("shown ") && process->state() == QProcess::Running;
    }
    static bool endsNormally(QProcess* process, int timeoutMs = 60000) {
        return process->waitForFinished(timeoutMs) &&
               process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    }
    static bool quit(QProcess* process, int signal = SIGTERM) {
        ::kill(pid_t(process->processId()), signal);
        return endsNormally(process);
    }

    // Starts the squatter as `nobody`; false (with the reason) when this is not root.
    bool startSquatter(const QString& mode, const QString& folder, const QStringList& sockets,
                       QString* reason) {
        if (geteuid() != 0) {
            *reason = "another user is needed: the tests do not run as root";
            return false;
        }
        QFile::setPermissions(m_scratch.path(), QFileDevice::Permissions(0x7755));
        QProcess* squatter = m_processes->add();
        m_squatter = squatter;
        squatter->start("setpriv",
                        QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                    QStringLiteral(SQUATTER), mode, folder} +
                            sockets);
        const bool ready = squatter->waitForReadyRead(30000) &&
                           squatter->readAllStandardOutput().contains("ready");
        if (!ready)
            *reason = "the squatter did not start: " + squatter->readAllStandardError();
        return ready;
    }

    void stopSquatter() {
        if (!m_squatter)
            return;
        m_squatter->kill();
        m_squatter->waitForFinished(10000);
        m_squatter = nullptr;
    }

    QTemporaryDir m_scratch;
    std::unique_ptr<testsupport::StartedProcesses> m_processes =
        std::make_unique<testsupport::StartedProcesses>();
    QProcess* m_squatter = nullptr;
    QByteArray m_savedRuntime;
};

TEST_F(Attack, AnotherUsersSquatterNeitherStopsNorStallsTrellis) {
    // A shared temporary folder as /tmp is, with no runtime folder: the predictable names
    // of the claim are taken by `nobody` first.
    const QString shared = path("shared");
    QDir().mkpath(shared);
    QFile::setPermissions(shared, QFileDevice::Permissions(0x7777));
    chmod(QFile::encodeName(shared).constData(), 01777);
    const QString folder = shared + "/trellis-" + QString::number(getuid());
    const QString hash = QString::fromLatin1(claimHash(kTrellisIdentifier));
    for (const QString mode : {"answer", "silent"}) {
        SCOPED_TRACE(mode.toStdString());
        QString reason;
        if (!startSquatter(mode, folder,
                           {folder + "/trellis-" + hash + ".sock",
                            shared + "/trellis-" + QString::number(getuid()) + "-" + hash},
                           &reason))
            GTEST_SKIP() << reason.toStdString();
        QProcessEnvironment env = environment();
        env.remove("XDG_RUNTIME_DIR");
        env.insert("TMPDIR", shared);
        QProcess* victim = start(trellis(), env);
        QByteArray errors;
        ASSERT_TRUE(waitShown(victim, &errors)) << errors.toStdString();
        EXPECT_TRUE(errors.contains("running alone")) << errors.toStdString();
        EXPECT_TRUE(quit(victim));
        stopSquatter();
        QDir(folder).removeRecursively();
    }
}

TEST_F(Attack, AnotherUsersSquatterDoesNotSilenceAToolButton) {
    const QString shared = path("shared");
    QDir().mkpath(shared);
    chmod(QFile::encodeName(shared).constData(), 01777);
    const QString tool = root() + "/Nozzle Care Kit/Nozzle Care Kit.app";
    const auto bundle = platform::Bundle::create(tool);
    ASSERT_TRUE(bundle && !bundle->identifier().isEmpty());
    const QString folder = shared + "/trellis-" + QString::number(getuid());
    const QString hash = QString::fromLatin1(claimHash(bundle->identifier()));
    QString reason;
    if (!startSquatter("answer", folder,
                       {folder + "/trellis-" + hash + ".sock",
                        shared + "/trellis-" + QString::number(getuid()) + "-" + hash},
                       &reason))
        GTEST_SKIP() << reason.toStdString();
    const QByteArray savedTmp = qgetenv("TMPDIR");
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", QFile::encodeName(shared));
    qputenv("TRELLIS_DEMO_TOOL_LOG", QFile::encodeName(path("tools.log")));
    // Either the tool starts or the call says it failed; here it starts.
    EXPECT_EQ(
        platform::openApplication(tool, platform::AEDescriptor{"utf8"_4cc, "MX-R74400 Series"}), 0);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return contents(path("tools.log")).contains("MX-R74400"); }, 60000))
        << contents(path("tools.log")).toStdString();
    QProcess::execute("pkill", {"-KILL", "-f", tool + "/Contents/MacOS/"});
    qputenv("TMPDIR", savedTmp);
    qunsetenv("TRELLIS_DEMO_TOOL_LOG");
}

TEST_F(Attack, AToolThatCannotBeBroughtForwardIsAFailureNotASuccess) {
    const QString tool = root() + "/Nozzle Care Kit/Nozzle Care Kit.app";
    const auto bundle = platform::Bundle::create(tool);
    ASSERT_TRUE(bundle);
    // An instance that holds the claim but never listens.
    const QString lockPath = claimFile(bundle->identifier(), ".lock");
    const int lock = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    qputenv("TRELLIS_DEMO_TOOL_LOG", QFile::encodeName(path("tools.log")));
    EXPECT_EQ(platform::openApplication(tool, std::nullopt), platform::kLSLaunchFailedErr);
    ::close(lock);
    // Free again: it starts.
    EXPECT_EQ(platform::openApplication(tool, std::nullopt), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !contents(path("tools.log")).isEmpty(); }, 60000));
    QProcess::execute("pkill", {"-KILL", "-f", tool + "/Contents/MacOS/"});
    qunsetenv("TRELLIS_DEMO_TOOL_LOG");
}

TEST_F(Attack, QuickStartsGiveOneTrellisAndAKilledOneBlocksNothing) {
    // Many bundles make the first start slow; the second comes while it scans.
    const QString machines = root() + "/MachineBundle";
    const QByteArray info = testsupport::xmlPropertyList(QVariantMap{{"CFBundleVersion", "1.0"}});
    for (int i = 0; i < 3000; ++i) {
        const QString bundle = machines + QStringLiteral("/Extra %1.bundle/Contents").arg(i);
        QDir().mkpath(bundle + "/Resources");
        QFile file(bundle + "/Info.plist");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(info);
    }
    const QString socket = claimFile(kTrellisIdentifier, ".sock");
    QProcess* first = start(trellis(), environment());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 60000));
    QProcess* second = start(trellis(), environment());
    ASSERT_TRUE(endsNormally(second));
    EXPECT_FALSE(second->readAllStandardError().contains("shown "));
    QByteArray errors;
    ASSERT_TRUE(waitShown(first, &errors)) << errors.toStdString();
    QProcess* third = start(trellis(), environment());
    ASSERT_TRUE(endsNormally(third));
    EXPECT_FALSE(third->readAllStandardError().contains("shown "));
    EXPECT_EQ(first->state(), QProcess::Running);

    // Killed, it leaves its lock and socket file behind; the next start takes over.
    first->kill();
    first->waitForFinished(10000);
    QProcess* fourth = start(trellis(), environment());
    errors.clear();
    ASSERT_TRUE(waitShown(fourth, &errors)) << errors.toStdString();
    EXPECT_TRUE(quit(fourth));
}

TEST_F(Attack, AQuitDuringAStartUpAlertEndsTrellisWithoutItsWindow) {
    QProcessEnvironment env = environment();
    env.insert("TRELLIS_ALERT_WAIT", "1"); // each alert stays up until something closes it
    {
        QFile launch(settings("Setting_Launch.ini"));
        ASSERT_TRUE(launch.open(QIODevice::WriteOnly));
        launch.write("Ope=U\r\n");
    }
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        QFile::remove(alertLog());
        QProcess* process = start(trellis(), env);
        ASSERT_TRUE(QTest::qWaitFor([&] { return alertCount() == 1; }, 120000));
        EXPECT_TRUE(quit(process, signal));
        EXPECT_EQ(alertCount(), 1); // the review stops at the alert that was up
        EXPECT_FALSE(process->readAllStandardError().contains("shown "));
        EXPECT_FALSE(QFileInfo::exists(store())); // nothing was loaded, nothing is saved
    }

    // The missing-file alert comes before the quit handler exists.
    ASSERT_TRUE(QFile::rename(settings("Manual.ini"), settings("Manual.ini.away")));
    QFile::remove(alertLog());
    QProcess* process = start(trellis(), env);
    ASSERT_TRUE(QTest::qWaitFor([&] { return alertCount() == 1; }, 120000));
    EXPECT_TRUE(quit(process));
    EXPECT_EQ(alertCount(), 1);
}

TEST_F(Attack, QuitIsBoundedWhateverSitsInTheConfigFolder) {
    struct Case {
        const char* name;
        std::function<void()> plant;
        bool saved; // the store holds the values afterwards
    };
    const QString victim = path("victim.txt");
    int heldLock = -1;
    const QList<Case> cases{
        {"a lock held by a writer that hangs",
         [&] {
             heldLock = ::open(QFile::encodeName(store() + ".lock").constData(),
                               O_RDWR | O_CREAT | O_CLOEXEC, 0600);
             ASSERT_EQ(flock(heldLock, LOCK_EX | LOCK_NB), 0);
         },
         false},
        {"a FIFO as the store",
         [&] { ASSERT_EQ(mkfifo(QFile::encodeName(store()).constData(), 0600), 0); }, true},
        {"a folder as the lock", [&] { ASSERT_TRUE(QDir().mkpath(store() + ".lock")); }, false},
        {"a link as the lock",
         [&] {
             QFile file(victim);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write("keep me\n");
             file.close();
             ASSERT_TRUE(QFile::link(victim, store() + ".lock"));
         },
         false},
        {"a 50 MB store",
         [&] {
             QFile file(store());
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             const QByteArray line = "[Junk]\nkey=" + QByteArray(1000, 'x') + "\n";
             for (int i = 0; i < 50000; ++i)
                 file.write(line);
         },
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(path("config")).removeRecursively();
        QDir().mkpath(path("config/trellis"));
        c.plant();
        QProcess* process = start(trellis(), environment());
        QByteArray errors;
        ASSERT_TRUE(waitShown(process, &errors)) << errors.toStdString();
        // A quit that waited for ever or for three lock timeouts of 15 s would not end
        // within this deadline.
        ::kill(pid_t(process->processId()), SIGTERM);
        ASSERT_TRUE(endsNormally(process, 30000));
        if (heldLock >= 0)
            ::close(std::exchange(heldLock, -1));
        const QFileInfo result(store());
        if (c.saved) {
            EXPECT_TRUE(result.isFile());
            EXPECT_LT(result.size(), 4096);
            EXPECT_TRUE(contents(store()).contains("SelectPrinterModelName"));
        } else {
            EXPECT_FALSE(result.exists());
        }
    }
    EXPECT_EQ(contents(victim), "keep me\n");
}

TEST_F(Attack, AClosedStandardErrorDoesNotEndTrellis) {
    // No private folder (a file stands where it would be made), so the first thing
    // Trellis does is to say so on standard error, whose reader is gone.
    QFile blocker(path("tmp/trellis-" + QString::number(getuid())));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    {
        QFile launch(settings("Setting_Launch.ini"));
        ASSERT_TRUE(launch.open(QIODevice::WriteOnly));
        launch.write("Ope=U\r\n");
    }
    QProcessEnvironment env = environment();
    env.remove("XDG_RUNTIME_DIR");
    QList<QByteArray> strings;
    for (const QString& entry : env.toStringList())
        strings.append(entry.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& entry : strings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    ::close(pipeFds[0]);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    QByteArray program = QFile::encodeName(trellis());
    char* argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.constData(), &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);

    int status = 0;
    const bool alertsShown = QTest::qWaitFor(
        [&] { return alertCount() == 6 || waitpid(pid, &status, WNOHANG) == pid; }, 120000);
    ASSERT_TRUE(alertsShown);
    ASSERT_EQ(alertCount(), 6) << "ended by signal "
                               << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    ::kill(pid, SIGTERM);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 0);
}

class SetUpLauncherAttack
    : public Attack,
      public ::testing::WithParamInterface<std::pair<const char*, const char*>> {
protected:
    QString toolFolder() const { return root() + "/" + GetParam().first; }
    QString package() const { return toolFolder() + "/" + GetParam().first + ".app"; }
    QString executable() const {
        const auto bundle = platform::Bundle::create(package());
        return bundle ? bundle->executablePath() : QString();
    }
    QString pluginFolder() const {
        return toolFolder() + "/Plugin/PrinterPlugin/" + GetParam().second + "R74.plugin";
    }
    // The plug-in of the MX-R74400 printer: the shared object at `file` (copied to
    // `where`, relative to its MacOS folder) named by CFBundleExecutable `name`.
    void replacePlugin(const QString& name, const QString& file, const QString& where) {
        QDir(pluginFolder()).removeRecursively();
        QDir().mkpath(pluginFolder() + "/Contents/MacOS/sub");
        QFile info(pluginFolder() + "/Contents/Info.plist");
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(testsupport::xmlPropertyList(
            QVariantMap{{"CFBundleExecutable", name}, {"CFBundleVersion", "1.0"}}));
        const QString target = QDir::cleanPath(pluginFolder() + "/Contents/MacOS/" + where);
        QDir().mkpath(QFileInfo(target).absolutePath());
        QFile::remove(target);
        ASSERT_TRUE(QFile::copy(file, target));
    }
    QProcessEnvironment launchEnvironment() const {
        QProcessEnvironment env = environment();
        env.insert(platform::kLaunchDescriptorVariable,
                   QString::fromLatin1(
                       platform::encodeLaunchDescriptor({"utf8"_4cc, "MX-R74400 Series"})));
        return env;
    }
};

TEST_P(SetUpLauncherAttack, ASecondStartBringsTheRunningOneForward) {
    replacePlugin("plugin", QStringLiteral(HANG_PLUGIN), "plugin");
    const auto bundle = platform::Bundle::create(package());
    ASSERT_TRUE(bundle && !bundle->identifier().isEmpty());
    const QString socket = claimFile(bundle->identifier(), ".sock");
    QProcess* first = start(executable(), launchEnvironment());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 60000));
    QProcess* second = start(executable(), launchEnvironment());
    EXPECT_TRUE(endsNormally(second)) << second->readAllStandardError().toStdString();
    EXPECT_EQ(first->state(), QProcess::Running); // still inside its plug-in
    // Once the first has gone, a start runs again.
    first->kill();
    first->waitForFinished(10000);
    replacePlugin("plugin", QStringLiteral(RECORDING_PLUGIN), "plugin");
    QProcess* third = start(executable(), launchEnvironment());
    EXPECT_TRUE(endsNormally(third));
    EXPECT_TRUE(contents(path("record.txt")).contains("id=MX-R74400 Series"));
}

TEST_P(SetUpLauncherAttack, PluginExecutablesStayInsideTheirBundle) {
    // Inside: loaded and called, which shows the set-up is sound.
    replacePlugin("plugin", QStringLiteral(RECORDING_PLUGIN), "plugin");
    ASSERT_TRUE(endsNormally(start(executable(), launchEnvironment())));
    ASSERT_TRUE(contents(path("record.txt")).contains("entry="));

    const QList<QPair<QString, QString>> escapes{
        {"../../../../evil.so", "../../../../evil.so"},
        {"../../../evil.so", "../../../evil.so"},
        {"sub/../../evil.so", "../evil.so"},
        {"../MacOS/plugin", "plugin"}, // no step up at all, even one that comes back
    };
    for (const auto& [name, where] : escapes) {
        SCOPED_TRACE(name.toStdString());
        QFile::remove(path("record.txt"));
        QFile::remove(alertLog());
        replacePlugin(name, QStringLiteral(RECORDING_PLUGIN), where);
        EXPECT_TRUE(endsNormally(start(executable(), launchEnvironment())));
        EXPECT_FALSE(contents(path("record.txt")).contains("entry="));
        EXPECT_EQ(alertCount(), 1); // the plug-in counts as missing
    }
    // A link that leads out of the bundle.
    QFile::remove(path("record.txt"));
    replacePlugin("plugin", QStringLiteral(RECORDING_PLUGIN), "../../../outside.so");
    ASSERT_TRUE(QFile::link(QDir::cleanPath(pluginFolder() + "/../outside.so"),
                            pluginFolder() + "/Contents/MacOS/plugin"));
    EXPECT_TRUE(endsNormally(start(executable(), launchEnvironment())));
    EXPECT_FALSE(contents(path("record.txt")).contains("entry="));
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, SetUpLauncherAttack,
                         ::testing::Values(std::make_pair("Sheet Glide Tuner", "SGT"),
                                           std::make_pair("Stock Profile Editor", "SPE")),
                         [](const auto& info) { return std::string(info.param.second); });

TEST_F(Attack, HostileSettingFilesReadAsUnreadableOrAsNoTool) {
    const QString machines = root() + "/MachineBundle";
    auto writeBundle = [&](const QString& name, const QByteArray& setting) {
        const QString contentsFolder = machines + "/" + name + ".bundle/Contents";
        QDir().mkpath(contentsFolder + "/Resources");
        QFile info(contentsFolder + "/Info.plist");
        ASSERT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(testsupport::xmlPropertyList(QVariantMap{{"CFBundleVersion", "1.0"}}));
        QFile file(contentsFolder + "/Resources/Setting.xml");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(setting);
    };
    // 2^40 nodes once expanded, 206 bytes on disk.
    writeBundle("Chain", contents(QStringLiteral(PLIST_SEEDS "/regression-shared-chain-40")));
    writeBundle("Overflow", "<?xml version=\"1.0\"?><plist><dict><key>MODEL</key><array>"
                            "<string>Over A</string><string>Over B</string><string>Over C</string>"
                            "<string>Over D</string></array><key>FUNCTION</key><dict>"
                            "<key>Over A</key><integer>18446744073709551615</integer>"
                            "<key>Over B</key><integer>99999999999999999999999</integer>"
                            "<key>Over C</key><integer>-18446744073709551615</integer>"
                            "<key>Over D</key><integer>127</integer></dict></dict></plist>");
    QProcess scan;
    scan.start(QStringLiteral(CATALOGUE_SCAN), {"--functions", root() + "/Trellis.app"});
    ASSERT_TRUE(scan.waitForFinished(120000));
    const QList<QByteArray> lines = scan.readAllStandardOutput().split('\n');
    for (const QByteArray& line :
         {QByteArray("Over A function=0"), QByteArray("Over B function=0"),
          QByteArray("Over C function=0"), QByteArray("Over D function=127")})
        EXPECT_TRUE(lines.contains(line)) << line.toStdString();

    // Trellis itself starts over them as over any unreadable bundle.
    QProcess* process = start(trellis(), environment());
    QByteArray errors;
    ASSERT_TRUE(waitShown(process, &errors)) << errors.toStdString();
    EXPECT_TRUE(quit(process));
}

} // namespace
