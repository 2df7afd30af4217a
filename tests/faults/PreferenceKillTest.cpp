// The stored printer choice under killed and racing writers: the store always holds one
// writer's whole pair (list and selection), and nothing a dead writer left stops the next save.
#include "catalogue/Preference.h"
#include "platform/Preferences.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <signal.h>
#include <thread>

namespace {

class KilledSaves : public ::testing::Test {
protected:
    // A writer of the pairs <tag>-0, <tag>-1, ... ("loop") or <tag>-0 ("once"), after a line.
    std::unique_ptr<QProcess> writer(const QString& mode, const QString& tag) const {
        auto process = std::make_unique<QProcess>();
        process->start(PREFERENCE_WRITER, {app.packagePath(), mode, tag});
        return process;
    }
    static void go(QProcess& process) {
        while (!process.canReadLine() && process.waitForReadyRead(30000)) {
        }
        ASSERT_EQ(process.readLine().trimmed(), "ready");
        process.write("go\n");
        process.waitForBytesWritten(1000);
    }
    // The stored selection ("Orvel <tag>") when the list is that writer's whole list.
    static QString wholePair() {
        QString name;
        QStringList list;
        CUPreference preference;
        preference.GetPrinterName(&name);
        if (!preference.GetPrinterList(&list) || list.value(0) != name)
            return "mixed or missing: " + name + " / " + list.join(", ");
        for (int i = 1; i < list.size(); ++i)
            if (list[i] != QStringLiteral("Orvel other %1 of %2").arg(i - 1).arg(name.mid(6)))
                return "foreign entry: " + list[i];
        return name;
    }
    static bool save(const QString& tag) {
        const QString name = "Orvel " + tag;
        return CUPreference().SavePrinterSelection({name, "Orvel other 0 of " + tag}, name);
    }
    // The folder holds the store alone: no lock, pending copy or temporary survives.
    static QStringList leftInFolder() {
        const QFileInfo store(platform::preferencesPath(platform::kPreferencesCurrentApplication));
        return QDir(store.absolutePath()).entryList(QDir::Files | QDir::Hidden);
    }
    static QStringList storeOnly() {
        return {QFileInfo(platform::preferencesPath(platform::kPreferencesCurrentApplication))
                    .fileName()};
    }

    testsupport::TempTree config;
    testsupport::ScopedEnvironment configHome{"XDG_CONFIG_HOME", QFile::encodeName(config.path())};
    testsupport::FakeApplication app;
};

TEST_F(KilledSaves, StoreHoldsTheOldOrTheNewPairAndTheNextSaveGoesThrough) {
    std::mt19937 random(20261206);
    // A pair takes tens of milliseconds under the sanitizers: kills land before, inside and
    // between saves.
    std::uniform_int_distribution<int> delayUs(0, 120000);
    ASSERT_TRUE(save("start"));
    QString previous = "Orvel start";
    int sawNew = 0;
    auto next = writer("loop", "k0"); // starts up while the one before saves
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        auto current = std::move(next);
        go(*current);
        if (round + 1 < 200)
            next = writer("loop", QStringLiteral("k%1").arg(round + 1));
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(pid_t(current->processId()), SIGKILL);
        ASSERT_TRUE(current->waitForFinished(30000));
        ASSERT_EQ(current->exitStatus(), QProcess::CrashExit) << "the writer ended by itself";
        const QString stored = wholePair();
        if (stored != previous) {
            ASSERT_TRUE(stored.startsWith(QStringLiteral("Orvel k%1-").arg(round)))
                << stored.toStdString();
            ++sawNew;
        }
        QElapsedTimer timer;
        timer.start();
        ASSERT_TRUE(save(QStringLiteral("after%1").arg(round)));
        EXPECT_LT(timer.elapsed(), 5000) << "the save waited for a dead writer";
        previous = QStringLiteral("Orvel after%1").arg(round);
        ASSERT_EQ(wholePair(), previous);
        ASSERT_EQ(leftInFolder(), storeOnly());
    }
    EXPECT_GT(sawNew, 0) << "no kill came after a save";
    std::printf("kills after at least one new save: %d of 200\n", sawNew);
}

TEST_F(KilledSaves, TwoWritersQuittingTogetherLeaveOneWholePair) {
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        auto first = writer("once", QStringLiteral("a%1").arg(round));
        auto second = writer("once", QStringLiteral("b%1").arg(round));
        go(*first);
        go(*second);
        ASSERT_TRUE(first->waitForFinished(30000) && second->waitForFinished(30000));
        EXPECT_EQ(first->exitCode() + second->exitCode(), 0);
        const QString stored = wholePair();
        EXPECT_TRUE(stored == QStringLiteral("Orvel a%1-0").arg(round) ||
                    stored == QStringLiteral("Orvel b%1-0").arg(round))
            << stored.toStdString();
        EXPECT_EQ(leftInFolder(), storeOnly());
    }
}

TEST_F(KilledSaves, ALockFileNamingNoHolderIsTakenOver) {
    ASSERT_TRUE(save("old"));
    // Its writer died while making it.
    QFile lock(platform::preferencesPath(platform::kPreferencesCurrentApplication) + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime);
    lock.close();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(save("after"));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(wholePair(), "Orvel after");
    EXPECT_EQ(leftInFolder(), storeOnly());
}

} // namespace
