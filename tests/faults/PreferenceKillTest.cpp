// The launcher's stored printer choice under killed and racing writers: the store always
// holds one writer's whole pair (list and selection), and nothing left behind by a dead
// writer stops the next save.
#include "catalogue/Preference.h"
#include "platform/Preferences.h"
#include "support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <signal.h>
#include <thread>

namespace {

struct Pair {
    QString name;
    QStringList list;
    bool found = false;
};

class KilledSaves : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedConfigHome = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        app = std::make_unique<testsupport::FakeApplication>();
    }
    void TearDown() override {
        app.reset();
        qputenv("XDG_CONFIG_HOME", m_savedConfigHome);
    }

    QString storePath() const {
        return platform::preferencesPath(platform::kPreferencesCurrentApplication);
    }

    // A writer process; once "ready" it saves when it reads a line.
    std::unique_ptr<QProcess> launchWriter(const QString& mode, const QString& tag) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        process->setProcessEnvironment(env);
        process->start(QStringLiteral(PREFERENCE_WRITER), {app->packagePath(), mode, tag});
        return process;
    }
    static void awaitReady(QProcess& process) {
        while (!process.canReadLine() && process.waitForReadyRead(30000)) {
        }
        ASSERT_EQ(process.readLine().trimmed(), "ready");
    }
    std::unique_ptr<QProcess> startWriter(const QString& mode, const QString& tag) const {
        auto process = launchWriter(mode, tag);
        awaitReady(*process);
        return process;
    }

    static Pair read() {
        Pair pair;
        CUPreference preference;
        preference.GetPrinterName(&pair.name);
        pair.found = preference.GetPrinterList(&pair.list);
        return pair;
    }

    // The pair one save of the writer (or of savePair below) leaves: the selection first,
    // then the others of the same tag.
    static ::testing::AssertionResult isWhole(const Pair& pair) {
        if (!pair.found || pair.name.isNull() || pair.list.isEmpty())
            return ::testing::AssertionFailure() << "nothing stored";
        if (pair.list.first() != pair.name)
            return ::testing::AssertionFailure() << "mixed pair: " << pair.name.toStdString()
                                                 << " / " << pair.list.first().toStdString();
        const QString tag = pair.name.mid(6);
        for (int i = 1; i < pair.list.size(); ++i) {
            if (pair.list.at(i) != QStringLiteral("Orvel other %1 of %2").arg(i - 1).arg(tag))
                return ::testing::AssertionFailure()
                       << "foreign entry in list of " << tag.toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    // Saved here as the launcher does.
    static bool savePair(const QString& tag) {
        const QString name = QStringLiteral("Orvel ") + tag;
        return CUPreference().SavePrinterSelection(
            {name, QStringLiteral("Orvel other 0 of ") + tag}, name);
    }

    // The folder holds the store alone: no lock, pending copy or temporary survives.
    ::testing::AssertionResult onlyTheStoreIsLeft() const {
        const QStringList names =
            QDir(QFileInfo(storePath()).absolutePath()).entryList(QDir::Files | QDir::Hidden);
        if (names == QStringList{QFileInfo(storePath()).fileName()})
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << names.join(", ").toStdString();
    }

    std::unique_ptr<testsupport::FakeApplication> app;

private:
    testsupport::TempTree m_config;
    QByteArray m_savedConfigHome;
};

TEST_F(KilledSaves, StoreHoldsTheOldOrTheNewPairAndTheNextSaveGoesThrough) {
    std::mt19937 random(20261206);
    // A pair takes tens of milliseconds under the sanitizers: kills land before the first
    // save, inside one and between saves.
    std::uniform_int_distribution<int> delayUs(0, 120000);
    ASSERT_TRUE(savePair(QStringLiteral("start")));
    QString previous = QStringLiteral("start");
    int sawNew = 0;
    // The next writer starts up while this one saves; it waits for its line.
    auto next = launchWriter(QStringLiteral("loop"), QStringLiteral("k0"));
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        const QString tag = QStringLiteral("k%1").arg(round);
        auto writer = std::move(next);
        awaitReady(*writer);
        writer->write("go\n");
        writer->waitForBytesWritten(1000);
        if (round + 1 < 200)
            next = launchWriter(QStringLiteral("loop"), QStringLiteral("k%1").arg(round + 1));
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(static_cast<pid_t>(writer->processId()), SIGKILL);
        ASSERT_TRUE(writer->waitForFinished(30000));
        ASSERT_EQ(writer->exitStatus(), QProcess::CrashExit) << "the writer ended by itself";

        QFile raw(storePath());
        ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
        ASSERT_GT(raw.size(), 0);
        QSettings parsed(storePath(), QSettings::IniFormat);
        (void)parsed.allKeys();
        ASSERT_EQ(parsed.status(), QSettings::NoError);

        const Pair pair = read();
        ASSERT_TRUE(isWhole(pair));
        const QString stored = pair.name.mid(6);
        if (stored != previous) {
            ASSERT_TRUE(stored.startsWith(tag + QLatin1Char('-'))) << stored.toStdString();
            ++sawNew;
        }

        // The dead writer's lock and pending copy are no obstacle.
        QElapsedTimer timer;
        timer.start();
        previous = QStringLiteral("after%1").arg(round);
        ASSERT_TRUE(savePair(previous));
        EXPECT_LT(timer.elapsed(), 5000) << "the save waited for a dead writer";
        EXPECT_EQ(read().name, QStringLiteral("Orvel ") + previous);
        ASSERT_TRUE(onlyTheStoreIsLeft());
    }
    EXPECT_GT(sawNew, 0) << "no kill came after a save";
    std::printf("kills after at least one new save: %d of 200\n", sawNew);
}

TEST_F(KilledSaves, TwoWritersQuittingTogetherLeaveOneWholePair) {
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        const QString a = QStringLiteral("a%1").arg(round), b = QStringLiteral("b%1").arg(round);
        auto first = startWriter(QStringLiteral("once"), a);
        auto second = startWriter(QStringLiteral("once"), b);
        first->write("go\n");
        second->write("go\n");
        ASSERT_TRUE(first->waitForFinished(30000));
        ASSERT_TRUE(second->waitForFinished(30000));
        EXPECT_EQ(first->exitCode(), 0);
        EXPECT_EQ(second->exitCode(), 0);
        const Pair pair = read();
        ASSERT_TRUE(isWhole(pair));
        EXPECT_TRUE(pair.name == "Orvel " + a + "-0" || pair.name == "Orvel " + b + "-0")
            << pair.name.toStdString();
        EXPECT_TRUE(onlyTheStoreIsLeft());
    }
}

TEST_F(KilledSaves, ALockFileNamingNoHolderIsTakenOver) {
    // Its writer died while making it.
    ASSERT_TRUE(savePair(QStringLiteral("old")));
    QFile lock(storePath() + ".lock");
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.close();
    ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
    lock.setFileTime(QDateTime::currentDateTime().addSecs(-5), QFileDevice::FileModificationTime);
    lock.close();
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(savePair(QStringLiteral("after")));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(read().name, QStringLiteral("Orvel after"));
    EXPECT_TRUE(onlyTheStoreIsLeft());
}

} // namespace
