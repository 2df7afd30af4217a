// Where the one-instance claim lives and how a second start reaches its holder.
#include "platform/SingleInstance.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QUuid>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::SingleInstance;

TEST(SingleInstance, ClaimsLiveOnlyInFoldersOfTheUserClosedToOthers) {
    testsupport::TempTree tree;
    const QString run = tree.mkdir("run"), elsewhere = tree.mkdir("elsewhere");
    const QString fallback = tree.mkdir("tmp") + "/trellis-" + QString::number(getuid());
    const QByteArray fallbackName = QFile::encodeName(fallback);
    const testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", QFile::encodeName(run)),
        tmp("TMPDIR", QFile::encodeName(tree.path("tmp")));
    const auto sockets = [](const QString& folder) {
        return QDir(folder).entryList({"*.sock"}, QDir::System).size();
    };
    const struct Row {
        const char* name;
        mode_t runtimeMode;
        std::function<void()> prepare;
        qsizetype inFallback; // claims there afterwards; the runtime folder keeps the first only
    } rows[] = {
        {"a private runtime folder", 0700, [] {}, 0},
        {"a runtime folder others may enter: a closed one of ours instead", 0755, [] {}, 1},
        {"ours left open is closed again", 0755, [&] { ::chmod(fallbackName, 0777); }, 2},
        // No claim at all: the start runs on its own instead of being stopped.
        {"a link where ours would be", 0755,
         [&] { QDir(fallback).removeRecursively(), QFile::link(elsewhere, fallback); }, 0},
        {"a file where ours would be", 0755,
         [&] { QFile::remove(fallback), QFile(fallback).open(QIODevice::WriteOnly); }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ::chmod(QFile::encodeName(run).constData(), row.runtimeMode);
        row.prepare();
        const QString id = "test.claim." + QUuid::createUuid().toString(QUuid::Id128);
        EXPECT_TRUE(SingleInstance::claim(id, {}));
        EXPECT_EQ(sockets(run), 1);
        EXPECT_EQ(sockets(fallback), row.inFallback);
        EXPECT_EQ(SingleInstance::handOver(id) == SingleInstance::Handover::HandedOver,
                  row.runtimeMode == 0700 || row.inFallback > 0);
        struct stat info {};
        EXPECT_TRUE(row.inFallback == 0 ||
                    (::lstat(fallbackName, &info) == 0 && (info.st_mode & 07777) == 0700));
    }
    EXPECT_TRUE(QDir(elsewhere).isEmpty());
}
