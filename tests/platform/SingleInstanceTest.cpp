// Where the one-instance claim lives and how requests reach its holder.
#include "platform/SingleInstance.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QUuid>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using platform::SingleInstance;

namespace {

// Runtime and temporary folders of the test's own, restored afterwards.
class ClaimFolders : public ::testing::Test {
protected:
    void SetUp() override {
        m_runtimeDir = std::make_unique<testsupport::ScopedEnvironment>("XDG_RUNTIME_DIR",
                                                                        qgetenv("XDG_RUNTIME_DIR"));
        m_tmpDir = std::make_unique<testsupport::ScopedEnvironment>(
            "TMPDIR", QFile::encodeName(m_tree.mkdir("tmp")));
    }
    void TearDown() override {
        m_tmpDir.reset();
        m_runtimeDir.reset();
    }
    QString runtime(mode_t mode) {
        const QString path = m_tree.mkdir("run");
        chmod(QFile::encodeName(path).constData(), mode);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path));
        return path;
    }
    QString fallback() const { return m_tree.path("tmp/trellis-" + QString::number(getuid())); }
    static mode_t modeOf(const QString& path) {
        struct stat info {};
        return lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777
                                                                      : mode_t(-1);
    }
    // Listening claims in a folder.
    static int sockets(const QString& folder) {
        return int(QDir(folder).entryList({"*.sock"}, QDir::System).size());
    }
    static QString identity() { return "test.claim." + QUuid::createUuid().toString(QUuid::Id128); }

    testsupport::TempTree m_tree;
    std::unique_ptr<testsupport::ScopedEnvironment> m_runtimeDir;
    std::unique_ptr<testsupport::ScopedEnvironment> m_tmpDir;
};

} // namespace

TEST_F(ClaimFolders, OnlyFoldersOfTheUserClosedToOthersAreUsed) {
    const QString private0700 = runtime(0700);
    ASSERT_TRUE(SingleInstance::claim(identity(), {}));
    EXPECT_EQ(sockets(private0700), 1);

    // A runtime folder others may enter is passed over for one of our own in the
    // temporary folder, made closed.
    runtime(0755);
    ASSERT_TRUE(SingleInstance::claim(identity(), {}));
    EXPECT_EQ(sockets(private0700), 1);
    EXPECT_EQ(sockets(fallback()), 1);
    EXPECT_EQ(modeOf(fallback()), mode_t(0700));

    // One of ours left open is closed again.
    chmod(QFile::encodeName(fallback()).constData(), 0777);
    ASSERT_TRUE(SingleInstance::claim(identity(), {}));
    EXPECT_EQ(sockets(fallback()), 2);
    EXPECT_EQ(modeOf(fallback()), mode_t(0700));

    // A link, or a file, where the folder would be: no claim at all, so the start runs on
    // its own instead of being stopped.
    const QString id = identity();
    QDir(fallback()).removeRecursively();
    const QString elsewhere = m_tree.mkdir("elsewhere");
    ASSERT_TRUE(QFile::link(elsewhere, fallback()));
    EXPECT_TRUE(SingleInstance::claim(id, {}));
    EXPECT_EQ(SingleInstance::handOver(id), SingleInstance::Handover::NotRunning);
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
    QFile::remove(fallback());
    QFile file(fallback());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_TRUE(SingleInstance::claim(id, {}));
    EXPECT_EQ(SingleInstance::handOver(id), SingleInstance::Handover::NotRunning);
}

TEST_F(ClaimFolders, RequestsQueueUntilTheHoldersEventLoopRuns) {
    runtime(0700);
    const QString id = identity();
    EXPECT_EQ(SingleInstance::handOver(id), SingleInstance::Handover::NotRunning);
    int activations = 0;
    ASSERT_TRUE(SingleInstance::claim(id, [&] { ++activations; }));
    // Handed over at once, though this thread has not returned to its event loop.
    EXPECT_EQ(SingleInstance::handOver(id), SingleInstance::Handover::HandedOver);
    EXPECT_FALSE(SingleInstance::claim(id, {})); // a second claim hands over as well
    EXPECT_EQ(activations, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 2; }, 15000));
    EXPECT_EQ(SingleInstance::handOver(id), SingleInstance::Handover::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 3; }, 15000));
}
