// Packages: their information list, the localization that best fits the user's languages and
// the resources found through it.
#include "platform/Bundle.h"

#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using platform::Bundle;

TEST(Bundle, ReadsItsInformationListAndLeavesABadOneEmpty) {
    testsupport::TempTree tree;
    const struct Row {
        const char* name;
        QByteArray info; // none: no list at all
        const char* version;
        const char* executable;
    } rows[] = {
        {"sound",
         testsupport::xmlPropertyList(
             QVariantMap{{"CFBundleVersion", "1.10"}, {"CFBundleExecutable", "tool"}}),
         "1.10", "/Contents/MacOS/tool"},
        {"broken", "<plist><dict><key>x</key>", "", ""},
        {"array root", testsupport::xmlPropertyList(QVariantList{"not", "a dict"}), "", ""},
        {"no list", QByteArray(), "", ""},
        {"version of the wrong type",
         testsupport::xmlPropertyList(QVariantMap{{"CFBundleVersion", 12}}), "", ""},
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
        EXPECT_EQ(bundle->resourcesPath(), path + "/Contents/Resources");
    }
    EXPECT_FALSE(Bundle::create(tree.path("missing.bundle")) ||
                 Bundle::create(tree.write("plain", "x")) || Bundle::create(QString()));
    // The test program sits in no package: its main bundle is its own folder.
    EXPECT_EQ(Bundle::mainBundle()->bundlePath(), QCoreApplication::applicationDirPath());
}

TEST(Bundle, ChoosesTheLocalizationThatBestMatchesTheUsersLanguages) {
    const QStringList folders{"English", "Japanese", "de", "pt-BR", "zh-Hant"};
    const struct Row {
        QStringList folders, languages;
        QString expected;
    } rows[] = {{folders, {"ja-JP,en-US", "en"}, "Japanese"},
                {folders, {"en-US"}, "English"},
                {folders, {"en_GB.UTF-8"}, "English"},
                {folders, {"fr", "de-AT"}, "de"},
                {folders, {"pt"}, "pt-BR"},
                {folders, {"zh-Hant"}, "zh-Hant"},
                {folders, {"fr", "it"}, QString()},
                {{"en", "en-GB"}, {"en-GB"}, "en-GB"},
                {{"en", "en-GB"}, {"en-AU"}, "en"}};
    for (const Row& row : rows)
        EXPECT_EQ(platform::bestLocalization(row.folders, row.languages), row.expected)
            << row.languages.join(", ").toStdString();
}

TEST(Bundle, FindsGlobalResourcesBeforeLocalizedOnesAndFallsBackToTheDevelopmentRegion) {
    testsupport::TempTree tree;
    const QString path =
        testsupport::writeBundle(tree, "App.app", {{"CFBundleDevelopmentRegion", "English"}});
    for (const char* file : {"Settings/Global.ini", "English.lproj/Settings/Global.ini",
                             "English.lproj/Settings/Only.ini", "Japanese.lproj/Settings/Only.ini",
                             "English.lproj/Settings/EnglishOnly.ini",
                             "Japanese.lproj/InfoPlist.strings", "English.lproj/InfoPlist.strings"})
        tree.write(QString("App.app/Contents/Resources/") + file, "x");
    const struct Row {
        const char* languages;
        const char* name;
        const char* folder;
        const char* expected; // below Resources; empty: none
    } rows[] = {
        {"ja-JP,en-US", "Global.ini", "Settings", "Settings/Global.ini"},
        {"ja-JP,en-US", "Only.ini", "Settings", "Japanese.lproj/Settings/Only.ini"},
        {"ja-JP,en-US", "EnglishOnly.ini", "Settings", "English.lproj/Settings/EnglishOnly.ini"},
        {"ja-JP,en-US", "InfoPlist.strings", "", "Japanese.lproj/InfoPlist.strings"},
        {"fr-FR", "Only.ini", "Settings", "English.lproj/Settings/Only.ini"},
        {"fr-FR", "Missing.ini", "Settings", ""},
        {"fr-FR", "", "Settings", ""}};
    for (const Row& row : rows) {
        platform::setPreferredLanguagesForTesting(QString(row.languages).split(','));
        EXPECT_EQ(Bundle::create(path)->resourcePath(row.name, row.folder),
                  *row.expected ? path + "/Contents/Resources/" + row.expected : QString())
            << row.languages << " " << row.name;
    }
    platform::setPreferredLanguagesForTesting(std::nullopt);
}

TEST(Languages, AnExplicitListInTheGlobalPreferencesWins) {
    testsupport::TempTree home;
    const testsupport::ScopedEnvironment config("XDG_CONFIG_HOME", QFile::encodeName(home.path())),
        language("LANGUAGE", "de_DE");
    EXPECT_FALSE(platform::preferredLanguages().isEmpty());
    home.write("trellis/GlobalPreferences.ini", "[General]\nAppleLanguages=ja, en\n");
    EXPECT_EQ(platform::preferredLanguages(), (QStringList{"ja", "en"}));
}
