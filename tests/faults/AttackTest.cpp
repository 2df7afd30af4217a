// A local attacker and hostile files against the real programs: another user's squatter on the
// one-instance sockets, racing starts, quits during start-up alerts, broken preference stores,
// a closed standard error, set-up launchers started twice and plug-in executables that climb
// out of their bundle. The squatter runs as `nobody`, so its rows need root.
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
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The one-instance socket of an identity in the runtime folder the programs inherit.
QString claimSocket(const QString& identity) {
    return qEnvironmentVariable("XDG_RUNTIME_DIR") + "/trellis-" +
           QCryptographicHash::hash(identity.toUtf8(), QCryptographicHash::Sha256)
               .toHex()
               .left(16) +
           ".sock";
}

class Attack : public faults::Staged {
protected:
    int alertCount() const {
        return int(testsupport::readFile(tree.path("alerts.jsonl")).count('\n'));
    }
    QString settings(const QString& name) const {
        return root("Trellis.app/Contents/Resources/Settings/" + name);
    }
    QString tool() const { return root("Nozzle Care Kit/Nozzle Care Kit.app"); }
};

TEST_F(Attack, AnotherUsersSquatterNeitherStopsNorStallsAStart) {
    if (geteuid() != 0)
        GTEST_SKIP() << "another user is needed: the tests do not run as root";
    // A short shared temporary folder as /tmp is, with no runtime folder: the predictable names
    // of the claims are taken by `nobody` first.
    QTemporaryDir sharedDir("/tmp/squat-XXXXXX");
    const QString shared = sharedDir.path(), uid = QString::number(getuid());
    ::chmod(QFile::encodeName(shared).constData(), 01777);
    const QString folder = shared + "/trellis-" + uid;
    const testsupport::ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", ""),
        tmp("TMPDIR", QFile::encodeName(shared)),
        log("TRELLIS_DEMO_TOOL_LOG", QFile::encodeName(tree.path("tools.log")));
    struct Row {
        const char* name;
        const char* mode;
        bool tool; // a tool button's start, else Trellis
    } rows[] = {{"answering, on Trellis", "answer", false},
                {"silent, on Trellis", "silent", false},
                {"answering, on a tool", "answer", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString hash =
            QFileInfo(claimSocket(row.tool ? platform::Bundle::create(tool())->identifier()
                                           : "com.orvel.trellis"))
                .baseName()
                .mid(8);
        QProcess* squatter = processes.add();
        squatter->start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", SQUATTER,
                                    row.mode, folder, folder + "/trellis-" + hash + ".sock",
                                    shared + "/trellis-" + uid + "-" + hash});
        ASSERT_TRUE(squatter->waitForReadyRead(30000) &&
                    squatter->readAllStandardOutput().contains("ready"))
            << squatter->readAllStandardError().toStdString();
        if (row.tool) {
            EXPECT_EQ(platform::openApplication(
                          tool(), platform::AEDescriptor{"utf8"_4cc, "MX-R74400 Series"}),
                      0);
            const auto started = [&] { return testsupport::readFile(tree.path("tools.log")); };
            ASSERT_TRUE(QTest::qWaitFor([&] { return started().contains("MX-R74400"); }, 60000));
            ::kill(pid_t(QJsonDocument::fromJson(started()).object().value("pid").toInt()),
                   SIGKILL);
        } else {
            QProcessEnvironment env = environment();
            env.remove("XDG_RUNTIME_DIR");
            QProcess* trellis = start(this->trellis(), env);
            QByteArray errors;
            ASSERT_TRUE(testsupport::waitShown(trellis, &errors)) << errors.toStdString();
            EXPECT_TRUE(errors.contains("running alone")) << errors.toStdString();
            EXPECT_TRUE(testsupport::quit(trellis));
        }
        squatter->kill();
        squatter->waitForFinished(10000);
        QDir(folder).removeRecursively();
    }
}

TEST_F(Attack, QuickStartsGiveOneTrellisAndAKilledOneBlocksNothing) {
    // Many bundles make the first start slow; the second comes while it scans.
    for (int i = 0; i < 3000; ++i)
        testsupport::writeBundle(tree,
                                 staged(QStringLiteral("MachineBundle/Extra %1.bundle").arg(i)),
                                 {{"CFBundleVersion", "1.0"}});
    QProcess* first = start(trellis());
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(claimSocket("com.orvel.trellis")); },
                                60000));
    for (int later = 0; later < 2; ++later) { // while it scans, then once it is shown
        QProcess* next = start(trellis());
        ASSERT_TRUE(testsupport::endsNormally(next));
        EXPECT_FALSE(next->readAllStandardError().contains("shown "));
        QByteArray errors;
        ASSERT_TRUE(later == 1 || testsupport::waitShown(first, &errors)) << errors.toStdString();
    }
    EXPECT_EQ(first->state(), QProcess::Running);
    // Killed, it leaves its lock and socket file behind; the next start takes over.
    first->kill();
    first->waitForFinished(10000);
    EXPECT_TRUE(testsupport::quit(startShown()));
}

TEST_F(Attack, AQuitDuringAStartUpAlertEndsTrellisWithoutItsWindow) {
    QProcessEnvironment env = environment();
    env.insert("TRELLIS_ALERT_WAIT", "1"); // each alert stays up until something closes it
    tree.write(staged("Trellis.app/Contents/Resources/Settings/Setting_Launch.ini"), "Ope=U\r\n");
    struct Row {
        const char* name;
        int signal;
        bool missingFile; // whose alert comes before the quit handler exists
    } rows[] = {{"SIGTERM at a review alert", SIGTERM, false},
                {"SIGINT at a review alert", SIGINT, false},
                {"SIGTERM at the missing-file alert", SIGTERM, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(!row.missingFile ||
                    QFile::rename(settings("Manual.ini"), settings("Manual.ini.away")));
        QFile::remove(tree.path("alerts.jsonl"));
        QProcess* process = start(trellis(), env);
        ASSERT_TRUE(QTest::qWaitFor([&] { return alertCount() == 1; }, 120000));
        EXPECT_TRUE(testsupport::quit(process, row.signal));
        EXPECT_EQ(alertCount(), 1); // the review stops at the alert that was up
        EXPECT_FALSE(process->readAllStandardError().contains("shown "));
        EXPECT_FALSE(
            QFileInfo::exists(tree.path("config/trellis/com.orvel.trellis.ini"))); // nothing saved
    }
}

TEST_F(Attack, QuitIsBoundedWhateverSitsInTheConfigFolder) {
    const QString store = tree.path("config/trellis/com.orvel.trellis.ini"),
                  victim = tree.write("victim", "keep");
    int heldLock = -1;
    struct Row {
        const char* name;
        std::function<bool()> plant;
        bool saved; // the store holds the values afterwards
    } rows[] = {
        {"a lock held by a writer that hangs",
         [&] {
             heldLock = ::open(QFile::encodeName(store + ".lock").constData(),
                               O_RDWR | O_CREAT | O_CLOEXEC, 0600);
             return flock(heldLock, LOCK_EX | LOCK_NB) == 0;
         },
         false},
        {"a FIFO as the store",
         [&] { return mkfifo(QFile::encodeName(store).constData(), 0600) == 0; }, true},
        {"a folder as the lock", [&] { return QDir().mkpath(store + ".lock"); }, false},
        {"a link as the lock", [&] { return QFile::link(victim, store + ".lock"); }, false},
        {"a 50 MB store",
         [&] {
             QFile file(store);
             const QByteArray line = "[Junk]\nkey=" + QByteArray(1000, 'x') + "\n";
             return file.open(QIODevice::WriteOnly) && file.write(line.repeated(50000)) > 0;
         },
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(tree.path("config")).removeRecursively();
        tree.mkdir("config/trellis");
        ASSERT_TRUE(row.plant());
        QProcess* process = startShown();
        // A quit that waited for ever or for three lock timeouts of 15 s misses this deadline.
        ASSERT_TRUE(testsupport::quit(process, SIGTERM, 30000));
        if (heldLock >= 0)
            ::close(std::exchange(heldLock, -1));
        EXPECT_EQ(QFileInfo(store).isFile() && QFileInfo(store).size() < 4096 &&
                      testsupport::readFile(store).contains("SelectPrinterModelName"),
                  row.saved);
    }
    EXPECT_EQ(testsupport::readFile(victim), "keep");
}

TEST_F(Attack, AClosedStandardErrorDoesNotEndTrellis) {
    // Its reader gone, each alert of the review is written to a broken pipe.
    tree.write(staged("Trellis.app/Contents/Resources/Settings/Setting_Launch.ini"), "Ope=U\r\n");
    QProcess* process = processes.add();
    process->setProcessEnvironment(environment());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setChildProcessModifier([] {
        int ends[2];
        if (::pipe(ends) == 0) {
            ::close(ends[0]);
            ::dup2(ends[1], STDERR_FILENO);
            ::close(ends[1]);
        }
    });
    process->start(trellis());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return alertCount() == 6 || process->state() == QProcess::NotRunning; }, 120000));
    ASSERT_EQ(alertCount(), 6) << "ended: " << process->exitStatus();
    EXPECT_TRUE(testsupport::quit(process));
}

class SetUpLauncherAttack : public Attack {
protected:
    struct Program {
        const char* program;
        const char* tool;
        const char* plugin;
    };
    static constexpr Program kPrograms[] = {
        {"SheetGlideTuner2", "Sheet Glide Tuner", "SGTR74"},
        {"StockProfileEditor2", "Stock Profile Editor", "SPER74"}};
};

TEST_F(SetUpLauncherAttack, ASecondStartBringsTheRunningOneForward) {
    for (const Program& p : kPrograms) {
        SCOPED_TRACE(p.program);
        plantPlugin(p.tool, p.plugin, HANG_PLUGIN);
        const QString package = root(QString(p.tool) + "/" + p.tool + ".app");
        QProcess* first = startLauncher(p.program, "MX-R74400 Series");
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return QFileInfo::exists(
                    claimSocket(platform::Bundle::create(package)->identifier()));
            },
            60000));
        QProcess* second = startLauncher(p.program, "MX-R74400 Series");
        EXPECT_TRUE(testsupport::endsNormally(second))
            << second->readAllStandardError().toStdString();
        EXPECT_EQ(first->state(), QProcess::Running); // still inside its plug-in
        // Once the first has gone, a start runs again.
        first->kill();
        first->waitForFinished(10000);
        plantPlugin(p.tool, p.plugin, RECORDING_PLUGIN);
        EXPECT_TRUE(testsupport::endsNormally(startLauncher(p.program, "MX-R74400 Series")));
        EXPECT_TRUE(record().contains("id=MX-R74400 Series")) << record().toStdString();
        QFile::remove(tree.path("record.txt"));
    }
}

TEST_F(SetUpLauncherAttack, PluginExecutablesStayInsideTheirBundle) {
    struct Row {
        const char* executable; // CFBundleExecutable
        const char* where;      // where the shared object lies, from MacOS
        int entries;
    } rows[] = {{"plugin", "plugin", 1}, // inside: loaded and called, so the set-up is sound
                {"../../../../evil.so", "../../../../evil.so", 0},
                {"../../../evil.so", "../../../evil.so", 0},
                {"sub/../../evil.so", "../evil.so", 0},
                {"../MacOS/plugin", "plugin", 0}, // no step up at all, even one that comes back
                {"plugin", "../../../outside.so", 0}}; // a link that leads out of the bundle
    for (const Program& p : kPrograms) {
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(p.program) + ": " + row.executable + " at " + row.where);
            QFile::remove(tree.path("record.txt"));
            QFile::remove(tree.path("alerts.jsonl"));
            plantPlugin(p.tool, p.plugin, RECORDING_PLUGIN, row.executable, row.where);
            const QString macos = root(QString(p.tool) + "/Plugin/PrinterPlugin/" + p.plugin +
                                       ".plugin/Contents/MacOS/");
            ASSERT_TRUE(!QString(row.where).endsWith("outside.so") ||
                        QFile::link(QDir::cleanPath(macos + row.where), macos + "plugin"));
            EXPECT_TRUE(testsupport::endsNormally(startLauncher(p.program, "MX-R74400 Series")));
            EXPECT_EQ(record().count("entry="), row.entries);
            EXPECT_EQ(alertCount(), 1 - row.entries); // the plug-in counts as missing
        }
    }
}

} // namespace
