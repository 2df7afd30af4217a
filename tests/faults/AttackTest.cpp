// A local attacker and hostile files against the real programs: another user's squatter on the
// one-instance sockets, racing starts, quits during start-up alerts, broken preference stores,
// a closed standard error, set-up launchers started twice and plug-in executables that climb
// out of their bundle. The squatter is another user, so its rows need root.
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
#include <unistd.h>

namespace {

// The one-instance socket of an identity in a folder (by default, the runtime folder).
QString claim(const QString& identity, QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR")) {
    const auto hash = QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256);
    return folder + "/trellis-" + hash.toHex().left(16) + ".sock";
}

// A child process of user `nobody` listening on the socket in a folder open to all; it answers
// "ok" to whatever comes, or never answers.
pid_t squat(const QByteArray& folder, const QString& socket, bool answer) {
    const pid_t pid = fork();
    sockaddr_un address{AF_UNIX, {}};
    qstrncpy(address.sun_path, QFile::encodeName(socket).constData(), sizeof address.sun_path);
    const int fd = pid == 0 ? ::socket(AF_UNIX, SOCK_STREAM, 0) : -1;
    if (pid == 0 && (setgid(65534) || setuid(65534) || mkdir(folder.constData(), 0777) ||
                     chmod(folder.constData(), 0777) ||
                     bind(fd, (sockaddr*)&address, sizeof address) || listen(fd, 16)))
        _exit(1);
    while (pid == 0) {
        const int client = accept(fd, nullptr, nullptr);
        if (client >= 0 && answer) // silent: left open, unanswered
            (void)!write(client, "ok\n", 3), close(client);
    }
    return pid;
}

class Attack : public faults::Staged {
protected:
    int alertCount() const { return int(alerts().size()); }
    QString settings(const QString& name) const {
        return staged("Trellis.app/Contents/Resources/Settings/" + name);
    }
    QString store() const { return tree.path("config/trellis/com.orvel.trellis.ini"); }
};

TEST_F(Attack, AnotherUsersSquatterNeitherStopsNorStallsAStart) {
    if (geteuid() != 0)
        GTEST_SKIP() << "another user is needed: the tests do not run as root";
    // A short shared temporary folder as /tmp is, with no runtime folder: the predictable names
    // of the claims are taken by `nobody` first.
    QTemporaryDir shared("/tmp/squat-XXXXXX");
    ::chmod(QFile::encodeName(shared.path()).constData(), 01777);
    const QByteArray folder =
        QFile::encodeName(shared.path()) + "/trellis-" + QByteArray::number(getuid());
    const QString tool = root("Nozzle Care Kit/Nozzle Care Kit.app");
    const testsupport::ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", ""),
        tmp("TMPDIR", QFile::encodeName(shared.path())),
        log("TRELLIS_DEMO_TOOL_LOG", QFile::encodeName(tree.path("tools.log")));
    for (const auto& [name, answer, onTool] : {std::tuple{"answering, on Trellis", true, false},
                                               std::tuple{"silent, on Trellis", false, false},
                                               std::tuple{"answering, on a tool", true, true}}) {
        SCOPED_TRACE(name);
        const QString socket = claim(
            onTool ? platform::Bundle::create(tool)->identifier() : "com.orvel.trellis", folder);
        const pid_t squatter = squat(folder, socket, answer);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }));
        if (onTool) {
            EXPECT_EQ(platform::openApplication(
                          tool, platform::AEDescriptor{"utf8"_4cc, "MX-R74400 Series"}),
                      0);
            const auto started = [&] { return testsupport::readFile(tree.path("tools.log")); };
            ASSERT_TRUE(QTest::qWaitFor([&] { return started().contains("MX-R74400"); }, 60000));
            ::kill(QJsonDocument::fromJson(started()).object().value("pid").toInt(), SIGKILL);
        } else {
            QProcessEnvironment env = environment();
            env.remove("XDG_RUNTIME_DIR");
            QProcess* process = start(trellis(), env);
            QByteArray errors;
            ASSERT_TRUE(testsupport::waitShown(process, &errors)) << errors.toStdString();
            EXPECT_TRUE(errors.contains("running alone")) << errors.toStdString();
            EXPECT_TRUE(testsupport::quit(process));
        }
        ::kill(squatter, SIGKILL);
        ::waitpid(squatter, nullptr, 0);
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
    // The missing-file alert comes before the quit handler exists.
    for (const auto& [name, signal, missingFile] :
         {std::tuple{"SIGTERM at a review alert", SIGTERM, false},
          std::tuple{"SIGINT at a review alert", SIGINT, false},
          std::tuple{"at the missing-file alert", SIGTERM, true}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(!missingFile || QFile::remove(tree.path(settings("Manual.ini"))));
        QFile::remove(tree.path("alerts.jsonl"));
        QProcess* process = start(trellis(), env);
        ASSERT_TRUE(QTest::qWaitFor([&] { return alertCount() == 1; }, 120000));
        EXPECT_TRUE(testsupport::quit(process, signal));
        EXPECT_EQ(alertCount(), 1); // the review stops at the alert that was up
        EXPECT_FALSE(process->readAllStandardError().contains("shown "));
        EXPECT_FALSE(QFileInfo::exists(store())); // nothing was loaded, nothing is saved
    }
}

TEST_F(Attack, QuitIsBoundedWhateverSitsInTheConfigFolder) {
    const QString victim = tree.write("victim", "keep");
    int held = -1; // a lock held by a writer that hangs
    const struct Row {
        const char* name;
        std::function<bool()> plant;
        bool saved; // the store holds the values afterwards
    } rows[] = {
        {"held lock",
         [&] {
             return flock(held =
                              ::open(QFile::encodeName(store() + ".lock"), O_RDWR | O_CREAT, 0600),
                          LOCK_EX) == 0;
         },
         false},
        {"FIFO as the store", [&] { return mkfifo(QFile::encodeName(store()), 0600) == 0; }, true},
        {"folder as the lock", [&] { return QDir().mkpath(store() + ".lock"); }, false},
        {"link as the lock", [&] { return QFile::link(victim, store() + ".lock"); }, false},
        {"50 MB store",
         [&] {
             return !tree.write("config/trellis/com.orvel.trellis.ini",
                                ("[J]\nk=" + QByteArray(1000, 'x') + "\n").repeated(50000))
                         .isEmpty();
         },
         true},
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
    // Its reader gone, each alert of the review is written to a broken pipe.
    tree.write(settings("Setting_Launch.ini"), "Ope=U\r\n");
    QProcess* process = processes.add();
    process->setProcessEnvironment(environment());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setChildProcessModifier([] {
        int ends[2];
        if (::pipe(ends) == 0)
            ::close(ends[0]), ::dup2(ends[1], STDERR_FILENO);
    });
    process->start(trellis());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return alertCount() == 6 || process->state() == QProcess::NotRunning; }, 120000));
    ASSERT_EQ(alertCount(), 6) << "ended: " << process->exitStatus();
    EXPECT_TRUE(testsupport::quit(process));
}

TEST_F(Attack, SetUpLaunchersRunAloneAndLoadOnlyPluginsInsideTheirBundle) {
    const struct Row {
        const char* executable; // CFBundleExecutable
        const char* where;      // where the shared object lies, from MacOS
        int calls;
    } rows[] = {{"plugin", "plugin", 1}, // inside: loaded and called, so the set-up is sound
                {"../../../../evil.so", "../../../../evil.so", 0},
                {"../../../evil.so", "../../../evil.so", 0},
                {"sub/../../evil.so", "../evil.so", 0},
                {"../MacOS/plugin", "plugin", 0}, // no step up at all, even one that comes back
                {"plugin", "../../../outside.so", 0}}; // a link that leads out of the bundle
    for (const auto& [program, tool, plugin] :
         {std::tuple{"SheetGlideTuner2", "Sheet Glide Tuner", "SGTR74"},
          std::tuple{"StockProfileEditor2", "Stock Profile Editor", "SPER74"}}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(program) + ": " + row.executable + " at " + row.where);
            QFile::remove(tree.path("record.txt"));
            QFile::remove(tree.path("alerts.jsonl"));
            const QString macos =
                plantPlugin(tool, plugin, RECORDING_PLUGIN, row.executable, row.where);
            ASSERT_TRUE(!QString(row.where).endsWith("outside.so") ||
                        QFile::link(QDir::cleanPath(macos + row.where), macos + "plugin"));
            EXPECT_TRUE(testsupport::endsNormally(startLauncher(program, "MX-R74400 Series")));
            EXPECT_EQ(record().count("id=MX-R74400 Series\n"), row.calls);
            EXPECT_EQ(alertCount(), 1 - row.calls); // the plug-in counts as missing
        }
        // A second start while the first is inside its plug-in brings the first forward.
        plantPlugin(tool, plugin, HANG_PLUGIN);
        const QString socket = claim(
            platform::Bundle::create(root(QString(tool) + "/" + tool + ".app"))->identifier());
        QFile::remove(socket); // left by the runs above
        QProcess* first = startLauncher(program, "MX-R74400 Series");
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(socket); }, 60000));
        EXPECT_TRUE(testsupport::endsNormally(startLauncher(program, "MX-R74400 Series")));
        EXPECT_EQ(first->state(), QProcess::Running);
    }
}

} // namespace
