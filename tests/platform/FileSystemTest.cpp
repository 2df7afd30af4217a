#include "platform/FileSystem.h"

#include "support/TestSupport.h"

#include <QFile>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

TEST(FileSystem, ListsFolderCaseInsensitivelyWithByteWiseTies) {
    testsupport::TempTree tree;
    for (const char* name :
         {"b.bundle", "A.bundle", "a.bundle", "C", ".hidden", "\xC3\xA9t\xC3\xA9"})
        tree.write(QString::fromUtf8(name), "x");
    const auto names = platform::listFolder(tree.path());
    ASSERT_TRUE(names);
    EXPECT_EQ(*names, (QStringList{".hidden", "A.bundle", "a.bundle", "b.bundle", "C",
                                   QString::fromUtf8("\xC3\xA9t\xC3\xA9")}));
    EXPECT_FALSE(platform::listFolder(tree.path("missing")).has_value());
    EXPECT_FALSE(platform::listFolder(tree.path("C")).has_value());
}

// The order must not depend on the order the file system hands names out in.
TEST(FileSystem, FolderOrderIsTheSameWhateverOrderTheEntriesArriveIn) {
    const std::vector<QByteArray> sorted{"A.bundle",  "a.bundle",         "Ab.bundle", "aB.bundle",
                                         "ab.bundle", "b.bundle",         "B2.bundle", "b2.bundle",
                                         "Z",         "\xC3\xA9t\xC3\xA9"};
    QStringList expected;
    for (const QByteArray& name : sorted)
        expected.append(QFile::decodeName(name));
    std::mt19937 random(20261207);
    for (int round = 0; round < 50; ++round) {
        std::vector<QByteArray> shuffled = sorted;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        ASSERT_EQ(platform::sortFolderEntries(shuffled), expected) << "round " << round;
    }
}
