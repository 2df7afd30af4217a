// Packages: their information list, the localization that best fits the user's languages and
// the resources found through it.
#include "platform/Bundle.h"

#include "platform/TestingAccess.h"
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

TEST(Bundle, FindsGlobalResourcesBeforeTheBestLocalizationAndThenTheDevelopmentRegion) {
    testsupport::TempTree tree;
    const QString path =
        testsupport::writeBundle(tree, "App.app", {{"CFBundleDevelopmentRegion", "English"}});
    for (const char* file : {"Global.ini", "English.lproj/Global.ini", "English.lproj/Only.ini",
                             "Japanese.lproj/Only.ini", "pt-BR.lproj/Only.ini",
                             "en-GB.lproj/Only.ini", "English.lproj/EnglishOnly.ini"})
        tree.write(QString("App.app/Contents/Resources/") + file, "x");
    const struct Row {
        const char *languages, *name, *expected; // below Resources; empty: none
    } rows[] = {{"ja-JP,en-US", "Global.ini", "Global.ini"},
                {"ja-JP,en-US", "Only.ini", "Japanese.lproj/Only.ini"},
                {"ja-JP,en-US", "EnglishOnly.ini", "English.lproj/EnglishOnly.ini"},
                {"fr,pt", "Only.ini", "pt-BR.lproj/Only.ini"},
                {"en_GB.UTF-8", "Only.ini", "en-GB.lproj/Only.ini"},
                {"en-AU", "Only.ini", "English.lproj/Only.ini"},
                {"fr-FR", "Only.ini", "English.lproj/Only.ini"},
                {"fr-FR", "Missing.ini", ""},
                {"fr-FR", "", ""}};
    for (const Row& row : rows) {
        platform::setPreferredLanguagesForTesting(QString(row.languages).split(','));
        EXPECT_EQ(Bundle::create(path)->resourcePath(row.name),
                  *row.expected ? path + "/Contents/Resources/" + row.expected : QString())
            << row.languages << " " << row.name;
    }
    platform::setPreferredLanguagesForTesting(std::nullopt);
}
