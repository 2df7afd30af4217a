// The one reader of property lists, forms and INI files: only regular files, never a wait,
// nothing above the cap read at all; and the folder order every scan uses.
#include "platform/FileSystem.h"
#include "platform/PropertyList.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

TEST(GuardedRead, ReadsRegularFilesWithinTheCapAndNothingElseWithoutWaiting) {
    testsupport::TempTree tree;
    QByteArray bytes(70000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    const QByteArray list = "<?xml version=\"1.0\"?><plist><dict><key>k</key><string>v</string>"
                            "</dict></plist>";
    const QByteArray atCap =
        list + QByteArray(platform::kMaxPropertyListFileSize - list.size(), ' ');
    const auto sized = [&](const char* name, qint64 size) {
        QFile file(tree.path(name)); // sparse: nothing is written
        return file.open(QIODevice::WriteOnly) && file.resize(size) ? tree.path(name) : QString();
    };
    const auto fifo = [&] {
        ::mkfifo(QFile::encodeName(tree.path("fifo")).constData(), 0600);
        return tree.path("fifo");
    };
    int writer = -1; // holds the FIFO open, with a list in it
    constexpr qint64 cap = platform::kMaxPropertyListFileSize;
    const struct Row {
        const char* name;
        std::function<QString()> make;
        qint64 cap;
        std::optional<QByteArray> expected;
    } rows[] = {
        {"regular file", [&] { return tree.write("data", bytes); }, 1 << 20, bytes},
        {"link to it",
         [&] { return QFile::link(tree.path("data"), tree.path("l")) ? tree.path("l") : ""; },
         1 << 20, bytes},
        {"empty file", [&] { return tree.write("empty", ""); }, 16, QByteArray()},
        {"missing file", [&] { return tree.path("missing"); }, 16, std::nullopt},
        {"no path", [] { return QString(); }, 16, std::nullopt},
        {"exactly the cap", [&] { return tree.write("8", "12345678"); }, 8, "12345678"},
        {"a byte above the cap", [&] { return tree.write("8", "12345678"); }, 7, std::nullopt},
        {"list of exactly the cap", [&] { return tree.write("cap.plist", atCap); }, cap, atCap},
        {"list a byte above", [&] { return tree.write("cap.plist", atCap + " "); }, cap,
         std::nullopt},
        {"64 GiB", [&] { return sized("huge", qint64(64) << 30); }, cap, std::nullopt},
        {"FIFO without a writer", fifo, cap, std::nullopt},
        {"FIFO with a writer",
         [&] {
             writer = ::open(QFile::encodeName(fifo()).constData(), O_RDWR | O_NONBLOCK);
             return ::write(writer, list.constData(), size_t(list.size())) > 0 ? tree.path("fifo")
                                                                               : "";
         },
         cap, std::nullopt},
        {"link to an endless device",
         [&] { return QFile::link("/dev/random", tree.path("z")) ? tree.path("z") : ""; }, cap,
         std::nullopt},
        {"/dev/null", [] { return QString("/dev/null"); }, cap, std::nullopt},
        {"folder", [&] { return tree.mkdir("Setting.xml"); }, cap, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = row.make();
        // On another thread: a read that blocks on a FIFO is released by opening its other end.
        auto read = std::async(std::launch::async, [&] {
            return std::pair(platform::readRegularFile(path, row.cap),
                             platform::readPropertyListDictionary(path).has_value());
        });
        const bool waited = read.wait_for(std::chrono::seconds(20)) != std::future_status::ready;
        if (waited)
            ::close(::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK));
        const auto [bytesRead, isList] = read.get();
        EXPECT_FALSE(waited);
        EXPECT_EQ(bytesRead, row.expected);
        EXPECT_EQ(isList, row.expected && row.expected->startsWith("<?xml"));
        QFile::remove(tree.path("fifo"));
    }
    ::close(writer);
}

// The order must not depend on the order the file system hands names out in.
TEST(FileSystem, FoldersListCaseInsensitivelyWithByteWiseTiesWhateverTheOrderOnDisk) {
    const QStringList sorted{".hidden",   "A.bundle",  "a.bundle",     "Ab.bundle",
                             "aB.bundle", "ab.bundle", "b.bundle",     "B2.bundle",
                             "b2.bundle", "Z",         "\u00e9t\u00e9"};
    testsupport::TempTree tree;
    std::vector<QByteArray> names;
    for (const QString& name : sorted)
        names.push_back(QFile::encodeName(tree.write(name, "x")).mid(tree.path().size() + 1));
    EXPECT_EQ(platform::listFolder(tree.path()), sorted);
    EXPECT_FALSE(platform::listFolder(tree.path("missing")) ||
                 platform::listFolder(tree.path("Z")));
    std::mt19937 random(20261207);
    for (int round = 0; round < 50; ++round) {
        std::shuffle(names.begin(), names.end(), random);
        ASSERT_EQ(platform::sortFolderEntries(names), sorted) << "round " << round;
    }
}
