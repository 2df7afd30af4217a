// Packages: their information list, sound, missing or broken.
#include "platform/Bundle.h"

#include "support/TestSupport.h"

#include <gtest/gtest.h>

using platform::Bundle;

TEST(Bundle, ReadsItsInformationListAndLeavesABadOneEmpty) {
    testsupport::TempTree tree;
    using testsupport::xmlPropertyList;
    const struct Row {
        const char* name;
        QByteArray info; // null: no list at all
        const char *version, *executable;
    } rows[] = {
        {"sound",
         xmlPropertyList(
             QVariantMap{{"CFBundleVersion", "1.10 & <b>"}, {"CFBundleExecutable", "tool"}}),
         "1.10 & <b>", "/Contents/MacOS/tool"},
        {"broken", "<plist><dict><key>x</key>", "", ""},
        {"array root", xmlPropertyList(QVariantList{"not", "a dict"}), "", ""},
        {"no list", QByteArray(), "", ""},
        {"version of the wrong type", xmlPropertyList(QVariantMap{{"CFBundleVersion", 12}}), "",
         ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = tree.mkdir(QString(row.name) + ".bundle");
        if (!row.info.isNull())
            tree.write(QString(row.name) + ".bundle/Contents/Info.plist", row.info);
        const auto bundle = Bundle::create(path);
        ASSERT_TRUE(bundle);
        EXPECT_EQ(bundle->version(), row.version);
        EXPECT_EQ(bundle->executablePath(), *row.executable ? path + row.executable : QString());
    }
    EXPECT_FALSE(Bundle::create(tree.path("missing.bundle")) ||
                 Bundle::create(tree.write("plain", "x")) || Bundle::create(QString()));
}
