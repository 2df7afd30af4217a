// A local attacker and hostile files against the real programs: another user's squatter on the
// one-instance sockets, racing starts, quits during start-up alerts, a closed standard error,
// broken preference stores and set-up launchers started twice. The squatter is another user
// (`nobody`), so it needs root.
#include "Staged.h"
#include "platform/Bundle.h"
#include "platform/LaunchServices.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>

namespace {

// The one-instance socket of an identity in a folder.
QString claim(const QString& identity, const QString& folder) {
    const auto hash = QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256);
    return folder + "/trellis-" + hash.toHex().left(16) + ".sock";
}

// A child process of `nobody` listening on the socket in a folder open to all; it answers "ok"
// to whatever comes, or never answers.
pid_t squat(const QByteArray& folder, const QString& socket, bool answer) {
    const pid_t parent = getpid(), pid = fork();
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(socket).constData(), sizeof address.sun_path);
    const int fd = pid == 0 ? ::socket(AF_UNIX, SOCK_STREAM, 0) : -1;
    if (pid == 0 && (setgid(65534) || setuid(65534) || mkdir(folder, 0777) || chmod(folder, 0777) ||
                     bind(fd, (sockaddr*)&address, sizeof address) || listen(fd, 16)))
        _exit(1);
    if (pid == 0)
        testsupport::dieWithParent(parent);
    while (pid == 0) {
        const int client = accept(fd, nullptr, nullptr);
        if (client >= 0 && answer) // silent: left open, unanswered
            (void)!write(client, "ok\n", 3), close(client);
    }
    return pid;
}

class Attack : public faults::Staged {
protected:
    QString settings(const QString& name) const {
        return staged("Trellis.app/Contents/Resources/Settings/" + name);
    }
    static constexpr const char* kStore = "config/trellis/com.orvel.trellis.ini";
    QString store() const { return tree.path(kStore); }
    // The socket of the identity where the programs of this test claim it.
    QString claim(const QString& identity) const {
        return ::claim(identity, testsupport::runtimeFolder(tree.path()));
    }
};

TEST_F(Attack, AnotherUsersSquatterNeitherStopsNorStallsAStart) {
    if (geteuid() != 0)
        GTEST_SKIP() << "another user is needed: the tests do not run as root";
    // A shared temporary folder as /tmp is, with no runtime folder: `nobody` takes the
    // predictable names of the claims first.
    QTemporaryDir shared("/tmp/squat-XXXXXX");
    ::chmod(QFile::encodeName(shared.path()), 01777);
    const QByteArray folder =
        QFile::encodeName(shared.path()) + "/trellis-" + QByteArray::number(getuid());
    const QString tool = root("Nozzle Care Kit/Nozzle Care Kit.app");
    const testsupport::ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", ""),
        tmp("TMPDIR", QFile::encodeName(shared.path())),
        log("TRELLIS_DEMO_TOOL_LOG", QFile::encodeName(tree.path("tools.log")));
    QProcessEnvironment env = environment();
    env.remove("XDG_RUNTIME_DIR");
    for (const auto& [answer, onTool] : std::initializer_list<std::pair<bool, bool>>{
             {true, false}, {false, false}, {true, true}}) {
        SCOPED_TRACE(std::string(answer ? "answering" : "silent") + (onTool ? " on a tool" : ""));
        const QString socket = ::claim(
            onTool ? platform::Bundle::create(tool)->identifier() : "com.orvel.trellis", folder);
        const pid_t squatter = squat(folder, socket, answer);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }));
        const auto started = [&] { return testsupport::readFile(tree.path("tools.log")); };
        QProcess* process = onTool ? nullptr : start(trellis(), env);
        QByteArray errors;
        if (onTool) {
            EXPECT_EQ(platform::openApplication(tool, {{"utf8"_4cc, "MX-R74400 Series"}}), 0);
            ASSERT_TRUE(QTest::qWaitFor([&] { return started().contains("MX-R74400"); }, 60000));
            ::kill(QJsonDocument::fromJson(started()).object().value("pid").toInt(), SIGKILL);
        } else {
            ASSERT_TRUE(testsupport::waitShown(process, &errors) && testsupport::quit(process));
            EXPECT_TRUE(errors.contains("running alone")) << errors.toStdString();
        }
        ::kill(squatter, SIGKILL), ::waitpid(squatter, nullptr, 0);
        QDir(folder).removeRecursively();
    }
}

TEST_F(Attack, QuickStartsGiveOneTrellisAndAKilledOneBlocksNothing) {
    // Many bundles make the first start slow; the second comes while it scans.
    for (int i = 0; i < 3000; ++i)
        testsupport::writeBundle(tree, staged(QString("MachineBundle/Extra %1.bundle").arg(i)), {});
    QProcess* first = start(trellis());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo::exists(claim("com.orvel.trellis")); }, 60000));
    for (int later = 0; later < 2; ++later) { // while it scans, then once it is shown
        QProcess* next = start(trellis());
        ASSERT_TRUE(testsupport::endsNormally(next));
        EXPECT_FALSE(next->readAllStandardError().contains("shown "));
        QByteArray errors;
        ASSERT_TRUE(later == 1 || testsupport::waitShown(first, &errors)) << errors.toStdString();
    }
    // Killed, it leaves its lock and socket file behind; the next start takes over.
    first->kill();
    first->waitForFinished(10000);
    EXPECT_TRUE(testsupport::quit(startShown()));
}

TEST_F(Attack, AQuitDuringAStartUpAlertEndsTrellisWithoutItsWindow) {
    QProcessEnvironment env = environment();
    env.insert("TRELLIS_ALERT_WAIT", "1"); // each alert stays up until something closes it
    tree.write(settings("Setting_Launch.ini"), "Ope=U\r\n");
    // Rows: a review alert, then the missing-file alert that comes before the quit handler.
    for (const auto& [signal, missingFile] : std::initializer_list<std::pair<int, bool>>{
             {SIGTERM, false}, {SIGINT, false}, {SIGTERM, true}}) {
        SCOPED_TRACE(std::to_string(signal) + (missingFile ? " at the missing-file alert" : ""));
        ASSERT_TRUE(!missingFile || QFile::remove(tree.path(settings("Manual.ini"))));
        QFile::remove(tree.path("alerts.jsonl"));
        QProcess* process = start(trellis(), env);
        ASSERT_TRUE(QTest::qWaitFor([&] { return alerts() == 1; }, 120000));
        EXPECT_TRUE(testsupport::quit(process, signal));
        EXPECT_EQ(alerts(), 1); // the review stops at the alert that was up
        EXPECT_FALSE(process->readAllStandardError().contains("shown "));
        EXPECT_FALSE(QFileInfo::exists(store())); // nothing was loaded, nothing is saved
    }
}

TEST_F(Attack, QuitIsBoundedWhateverSitsInTheConfigFolder) {
    const QString victim = tree.write("victim", "keep");
    const QByteArray lock = QFile::encodeName(store() + ".lock");
    int held = -1; // a lock held by a writer that hangs
    const struct Row {
        const char* name;
        std::function<bool()> plant;
        bool saved; // the store holds the values afterwards
    } rows[] = {
        {"held lock",
         [&] { return flock(held = open(lock, O_RDWR | O_CREAT, 0600), LOCK_EX) == 0; }, false},
        {"FIFO as the store", [&] { return mkfifo(QFile::encodeName(store()), 0600) == 0; }, true},
        {"folder as the lock", [&] { return QDir().mkpath(lock); }, false},
        {"link as the lock", [&] { return QFile::link(victim, lock); }, false},
        {"50 MB store", [&] { return QFile::resize(tree.write(kStore, "[J]\n"), 50 << 20); }, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(tree.path("config")).removeRecursively();
        tree.mkdir("config/trellis");
        ASSERT_TRUE(row.plant());
        // A quit that waited for ever or for three lock timeouts of 15 s misses this deadline.
        ASSERT_TRUE(testsupport::quit(startShown(), SIGTERM, 30000));
        ::close(std::exchange(held, -1));
        EXPECT_EQ(QFileInfo(store()).size() < 4096 &&
                      testsupport::readFile(store()).contains("SelectPrinterModelName"),
                  row.saved);
    }
    EXPECT_EQ(testsupport::readFile(victim), "keep");
}

TEST_F(Attack, AClosedStandardErrorDoesNotEndTrellis) {
    // Its reader gone, the report that the window is shown goes to a broken pipe.
    tree.write(settings("Setting_Launch.ini"), "Ope=U\r\n"); // six alerts, then the window
    int ends[2]; // the child's standard error, its read end closed
    QProcess* process = processes.add(
        [&] { (void)(::pipe(ends) == 0 && ::close(ends[0]) == 0 && ::dup2(ends[1], 2)); });
    process->setProcessEnvironment(environment());
    process->start(trellis());
    ASSERT_TRUE(QTest::qWaitFor([&] { return alerts() == 6; }, 120000));
    EXPECT_TRUE(testsupport::quit(process));
}

TEST_F(Attack, ASecondSetUpLauncherStartBringsTheFirstForward) {
    for (const QString program : {"SheetGlideTuner2", "StockProfileEditor2"}) {
        SCOPED_TRACE(program.toStdString());
        const QString tool = program[1] == 'h' ? "Sheet Glide Tuner" : "Stock Profile Editor";
        // The first stays inside its plug-in while the second starts.
        plantPlugin(tool, program[1] == 'h' ? "SGTR74" : "SPER74", HANG_PLUGIN);
        const QString socket =
            claim(platform::Bundle::create(root(tool + "/" + tool + ".app"))->identifier());
        QProcess* first = startLauncher(program, "MX-R74400 Series");
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 60000));
        EXPECT_TRUE(testsupport::endsNormally(startLauncher(program, "MX-R74400 Series")));
        EXPECT_EQ(first->state(), QProcess::Running);
    }
}

} // namespace
