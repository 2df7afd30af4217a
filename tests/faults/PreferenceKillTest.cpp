// The stored printer choice under killed and racing writers: the store always holds one
// writer's whole pair (list and selection), and nothing a dead writer left stops the next save.
#include "catalogue/Preference.h"
#include "platform/Preferences.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QTest>
#include <gtest/gtest.h>
#include <random>
#include <sys/wait.h>
#include <thread>

namespace {

// Pair <t>: the list {"Orvel <t>", then "Orvel other <i> of <t>" for i < n}, the name "Orvel <t>".
bool save(const QString& tag, int others = 1) {
    QStringList list{"Orvel " + tag};
    for (int i = 0; i < others; ++i)
        list << QString("Orvel other %1 of %2").arg(i).arg(tag);
    return CUPreference().SavePrinterSelection(list, list[0]);
}

// A child process saving the pairs <tag>-0, <tag>-1, ... until killed, or only the first.
pid_t writer(const QString& tag, bool once) {
    const pid_t parent = getpid(), pid = fork();
    if (pid == 0)
        testsupport::dieWithParent(parent);
    for (int serial = 0; pid == 0; ++serial)
        if (!save(QString("%1-%2").arg(tag).arg(serial), serial % 6 + 1) || once)
            _exit(once ? 0 : 1);
    return pid;
}

// The stored selection when the list is that writer's whole list.
QString wholePair() {
    QString name;
    QStringList list;
    CUPreference().GetPrinterName(&name);
    if (!CUPreference().GetPrinterList(&list) || list.value(0) != name)
        return "mixed or missing: " + name + " / " + list.join(", ");
    for (int i = 1; i < list.size(); ++i)
        if (list[i] != QString("Orvel other %1 of %2").arg(i - 1).arg(name.mid(6)))
            return "foreign entry: " + list[i];
    return name;
}

class KilledSaves : public ::testing::Test {
protected:
    // The folder holds the store alone: no lock, pending copy or temporary survives.
    static bool onlyTheStoreIsLeft() {
        const QFileInfo store(platform::preferencesPath(platform::kPreferencesCurrentApplication));
        return QDir(store.absolutePath()).entryList(QDir::Files | QDir::Hidden) ==
               QStringList{store.fileName()};
    }
    testsupport::TempTree config;
    testsupport::ScopedEnvironment home{"XDG_CONFIG_HOME", QFile::encodeName(config.path())};
    testsupport::FakeApplication app;
};

TEST_F(KilledSaves, StoreHoldsTheOldOrTheNewPairAndTheNextSaveGoesThrough) {
    ASSERT_TRUE(save("start"));
    // A lock whose writer died while making it names no holder.
    QFile lock(platform::preferencesPath(platform::kPreferencesCurrentApplication) + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly) &&
                lock.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                 QFileDevice::FileModificationTime));
    std::mt19937 random(20261206);
    // A pair takes milliseconds: kills land before, inside and between saves.
    std::uniform_int_distribution<int> delayUs(0, 30000);
    QString previous = "Orvel start";
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const QString mine = QString("Orvel k%1-").arg(round);
        const pid_t pid = writer(QString("k%1").arg(round), false);
        // Every other round lets one pair land first, so that kills also come after a save.
        const bool landed =
            round % 2 == 1 && QTest::qWaitFor([&] { return wholePair().startsWith(mine); }, 20000);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        int status = 0;
        ASSERT_TRUE(::kill(pid, SIGKILL) == 0 && ::waitpid(pid, &status, 0) == pid);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself";
        ASSERT_EQ(landed, round % 2 == 1) << "no save of the writer landed";
        const QString stored = wholePair();
        ASSERT_TRUE(stored.startsWith(mine) || (!landed && stored == previous))
            << stored.toStdString();
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        ASSERT_TRUE(save(QString("after%1").arg(round)));
        EXPECT_LT(QDateTime::currentMSecsSinceEpoch() - before, 5000)
            << "it waited for a dead writer";
        ASSERT_EQ(wholePair(), previous = QString("Orvel after%1").arg(round));
        ASSERT_TRUE(onlyTheStoreIsLeft());
    }
}

TEST_F(KilledSaves, TwoWritersQuittingTogetherLeaveOneWholePair) {
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        const pid_t first = writer(QString("a%1").arg(round), true);
        const pid_t second = writer(QString("b%1").arg(round), true);
        int a = -1, b = -1;
        ASSERT_TRUE(::waitpid(first, &a, 0) == first && ::waitpid(second, &b, 0) == second);
        EXPECT_EQ(a + b, 0);
        const QString stored = wholePair();
        EXPECT_TRUE(stored == QString("Orvel a%1-0").arg(round) ||
                    stored == QString("Orvel b%1-0").arg(round))
            << stored.toStdString();
        EXPECT_TRUE(onlyTheStoreIsLeft());
    }
}

} // namespace

TEST_F(KilledSaves, AWriterKilledWhileClearingAStaleLockHoldsUpNoLaterSave) {
    ASSERT_TRUE(save("start"));
    const QString lock =
        platform::preferencesPath(platform::kPreferencesCurrentApplication) + ".lock";
    QFile stale(lock), clearing(lock + ".rmlock"); // both empty: killed before writing either
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly) &&
                stale.setFileTime(QDateTime::currentDateTime().addSecs(-5),
                                  QFileDevice::FileModificationTime) &&
                clearing.open(QIODevice::WriteOnly));
    EXPECT_TRUE(save("after"));
    EXPECT_EQ(wholePair(), "Orvel after");
}
