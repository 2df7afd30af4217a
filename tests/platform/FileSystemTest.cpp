#include "platform/FileSystem.h"

#include "platform/SystemInfo.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

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

TEST(FileSystem, ExecutablePathIsThisProgram) {
    EXPECT_EQ(platform::executablePath(), QCoreApplication::applicationFilePath());
}

TEST(SystemInfo, ReportsACurrentSystemUnlessATestSaysOtherwise) {
    EXPECT_GE(platform::systemVersion(), 0x1060);
    platform::setSystemVersionForTesting(0x1058);
    EXPECT_EQ(platform::systemVersion(), 0x1058);
    platform::setSystemVersionForTesting(0);
    EXPECT_EQ(platform::systemVersion(), 0);
    platform::setSystemVersionForTesting(std::nullopt);
    EXPECT_GE(platform::systemVersion(), 0x1060);
}
