// The one reader of property lists, forms and INI files: only regular files, never a wait,
// nothing above the size cap read at all.
#include "platform/FileSystem.h"
#include "platform/PropertyList.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <chrono>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kDictionary = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">"
                               "<dict><key>CFBundleVersion</key><string>1.0</string></dict>"
                               "</plist>\n";

bool makeFifo(const QString& path) {
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Makes a sparse file of the size: nothing is written, so huge sizes cost nothing.
bool makeSizedFile(const QString& path, qint64 size) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0)
        return false;
    const bool sized = ::ftruncate(fd, off_t(size)) == 0;
    ::close(fd);
    return sized;
}

// Runs the read on another thread. A read that blocks in open() on a FIFO is released by
// opening the writing end, so that the test fails instead of hanging.
template <typename Read>
auto readWithin(const QString& fifoToRelease, Read read) -> std::optional<decltype(read())> {
    auto future = std::async(std::launch::async, read);
    if (future.wait_for(std::chrono::seconds(20)) == std::future_status::ready)
        return future.get();
    if (!fifoToRelease.isEmpty()) {
        const int fd = ::open(QFile::encodeName(fifoToRelease).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0)
            ::close(fd);
    }
    future.wait();
    return std::nullopt;
}

TEST(GuardedRead, ReadsARegularFileWholeAndExactly) {
    testsupport::TempTree tree;
    QByteArray bytes(70000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    const QString path = tree.write("data.bin", bytes);
    EXPECT_EQ(platform::readRegularFile(path, 1 << 20), bytes);
    // A link to a regular file is that file.
    ASSERT_TRUE(QFile::link(path, tree.path("link.bin")));
    EXPECT_EQ(platform::readRegularFile(tree.path("link.bin"), 1 << 20), bytes);
    // An empty file is read as empty, and is no property list.
    const QString empty = tree.write("empty", "");
    EXPECT_EQ(platform::readRegularFile(empty, 16), QByteArray());
    EXPECT_FALSE(platform::readPropertyListDictionary(empty));
    EXPECT_FALSE(platform::readRegularFile(tree.path("missing"), 16));
    EXPECT_FALSE(platform::readRegularFile(QString(), 16));
}

TEST(GuardedRead, TheCapIsCheckedBeforeReading) {
    testsupport::TempTree tree;
    const QString atCap = tree.write("at-cap", "12345678");
    EXPECT_EQ(platform::readRegularFile(atCap, 8), QByteArray("12345678"));
    EXPECT_FALSE(platform::readRegularFile(atCap, 7));

    // A list of exactly the documented size is still read; one byte more is not.
    const QString limit = tree.path("limit.plist");
    QByteArray padded = kDictionary;
    padded.append(QByteArray(platform::kMaxPropertyListFileSize - padded.size(), ' '));
    QFile file(limit);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(padded), platform::kMaxPropertyListFileSize);
    file.close();
    EXPECT_TRUE(platform::readPropertyListDictionary(limit));
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(" ");
    file.close();
    EXPECT_FALSE(platform::readPropertyListDictionary(limit));

    // 64 GiB would end the program if it were read, or allocated, before the check.
    const QString huge = tree.path("huge.plist");
    ASSERT_TRUE(makeSizedFile(huge, qint64(64) << 30));
    EXPECT_FALSE(platform::readRegularFile(huge, platform::kMaxPropertyListFileSize));
    EXPECT_FALSE(platform::readPropertyListDictionary(huge));
}

TEST(GuardedRead, FifosDevicesAndFoldersAreRefusedWithoutWaiting) {
    testsupport::TempTree tree;
    const QString fifo = tree.path("Info.plist");
    ASSERT_TRUE(makeFifo(fifo));
    const auto fifoRead =
        readWithin(fifo, [&] { return platform::readPropertyListDictionary(fifo); });
    ASSERT_TRUE(fifoRead) << "reading a FIFO waited for a writer";
    EXPECT_FALSE(*fifoRead);

    // A FIFO with a writer holding it open is refused as well, not read.
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::write(writer, kDictionary.constData(), size_t(kDictionary.size())),
              ssize_t(kDictionary.size()));
    const auto heldRead =
        readWithin(QString(), [&] { return platform::readRegularFile(fifo, 1 << 20); });
    ::close(writer);
    ASSERT_TRUE(heldRead);
    EXPECT_FALSE(*heldRead);

    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), tree.path("zero.plist")));
    const auto zeroRead = readWithin(
        QString(), [&] { return platform::readPropertyListDictionary(tree.path("zero.plist")); });
    ASSERT_TRUE(zeroRead);
    EXPECT_FALSE(*zeroRead);
    EXPECT_FALSE(platform::readRegularFile(QStringLiteral("/dev/null"), 16));

    const QString folder = tree.mkdir("Setting.xml");
    EXPECT_FALSE(platform::readRegularFile(folder, 1 << 20));
    EXPECT_FALSE(platform::readPropertyListDictionary(folder));
}

TEST(GuardedRead, OpenRegularFileHandsOutAClosingOnExecDescriptorAndTheSize) {
    testsupport::TempTree tree;
    const QString path = tree.write("file", "abc");
    qint64 size = -1;
    const int fd = platform::openRegularFile(path, &size);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(size, 3);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);

    ASSERT_TRUE(makeFifo(tree.path("fifo")));
    size = -1;
    EXPECT_EQ(platform::openRegularFile(tree.path("fifo"), &size), -1);
    EXPECT_EQ(size, -1); // untouched on refusal
    EXPECT_EQ(platform::openRegularFile(tree.path()), -1);
    EXPECT_EQ(platform::openRegularFile(tree.path("missing")), -1);
}

} // namespace
