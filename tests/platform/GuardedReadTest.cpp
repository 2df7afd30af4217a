// The one reader of property lists, forms and INI files: only regular files, never a wait,
// nothing above the cap read at all.
#include "platform/FileSystem.h"
#include "platform/PropertyList.h"
#include "support/TestSupport.h"

#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(GuardedRead, ReadsRegularFilesWithinTheCapAndNothingElseWithoutWaiting) {
    testsupport::TempTree tree;
    const QByteArray bytes = QByteArray(40000, '\xA7') + QByteArray(30000, '\0') + "end";
    const QByteArray list = "<?xml version=\"1.0\"?><plist><dict></dict></plist>";
    constexpr qint64 cap = platform::kMaxPropertyListFileSize;
    const QByteArray atCap = list + QByteArray(cap - list.size(), ' ');
    const QString data = tree.write("data", bytes), fifo = tree.path("fifo"),
                  held = tree.path("held");
    ::mkfifo(QFile::encodeName(fifo).constData(), 0600);
    ::mkfifo(QFile::encodeName(held).constData(), 0600);
    const int writer = ::open(QFile::encodeName(held).constData(), O_RDWR | O_NONBLOCK);
    ASSERT_EQ(::write(writer, list.constData(), size_t(list.size())), list.size());
    QFile huge(tree.path("huge")); // sparse: nothing is written
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(64) << 30));
    ASSERT_TRUE(QFile::link(data, tree.path("link")) &&
                QFile::link("/dev/random", tree.path("device")));
    const std::nullopt_t no = std::nullopt;
    const struct Row {
        const char* name;
        QString path;
        qint64 cap;
        std::optional<QByteArray> expected;
    } rows[] = {{"regular file", data, 1 << 20, bytes},
                {"link to it", tree.path("link"), 1 << 20, bytes},
                {"empty file", tree.write("empty", ""), 16, QByteArray()},
                {"missing file", tree.path("missing"), 16, no},
                {"list of exactly the cap", tree.write("cap", atCap), cap, atCap},
                {"list a byte above", tree.write("over", atCap + " "), cap, no},
                {"64 GiB", tree.path("huge"), cap, no},
                {"FIFO", fifo, cap, no},
                {"FIFO with a writer", held, cap, no},
                {"link to an endless device", tree.path("device"), cap, no},
                {"/dev/null", "/dev/null", cap, no},
                {"folder", tree.mkdir("folder"), cap, no}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // On another thread: a read that blocks on a FIFO is released by opening its other end.
        auto read = std::async(std::launch::async, [&] {
            return std::pair(platform::readRegularFile(row.path, row.cap),
                             platform::readPropertyListDictionary(row.path).has_value());
        });
        const bool waited = read.wait_for(std::chrono::seconds(20)) != std::future_status::ready;
        if (waited)
            ::close(::open(QFile::encodeName(row.path).constData(), O_WRONLY | O_NONBLOCK));
        const auto [bytesRead, isList] = read.get();
        EXPECT_FALSE(waited);
        EXPECT_EQ(bytesRead, row.expected);
        EXPECT_EQ(isList, row.expected && row.expected->startsWith("<?xml"));
    }
    ::close(writer);
}
