#include "platform/Bundle.h"

#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using platform::Bundle;
using testsupport::TempTree;
using testsupport::xmlPropertyList;

namespace {

class LanguagesGuard {
public:
    explicit LanguagesGuard(const QStringList& languages) {
        platform::setPreferredLanguagesForTesting(languages);
    }
    ~LanguagesGuard() { platform::setPreferredLanguagesForTesting(std::nullopt); }
};

QString writeBundle(const TempTree& tree, const QString& name, const QVariantMap& info) {
    tree.write(name + QStringLiteral("/Contents/Info.plist"), xmlPropertyList(info));
    return tree.path(name);
}

} // namespace

TEST(Bundle, ReadsInfoValuesAndRejectsMissingFolders) {
    TempTree tree;
    const QString path = writeBundle(tree, QStringLiteral("Tool.plugin"),
                                     {{"CFBundleName", "Tool"},
                                      {"CFBundleVersion", "1.10"},
                                      {"CFBundleIdentifier", "com.example.tool"},
                                      {"CFBundleExecutable", "tool"},
                                      {"CFBundleDevelopmentRegion", "English"}});
    const auto bundle = Bundle::create(path);
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->name(), "Tool");
    EXPECT_EQ(bundle->version(), "1.10");
    EXPECT_EQ(bundle->identifier(), "com.example.tool");
    EXPECT_EQ(bundle->executablePath(), path + "/Contents/MacOS/tool");
    EXPECT_EQ(bundle->resourcesPath(), path + "/Contents/Resources");

    EXPECT_FALSE(Bundle::create(tree.path("missing.bundle")));
    EXPECT_FALSE(Bundle::create(tree.write("plain.bundle", "not a folder")));
    EXPECT_FALSE(Bundle::create(QString()));
}

TEST(Bundle, BadInfoPlistLeavesAnEmptyDictionary) {
    TempTree tree;
    tree.write("A.bundle/Contents/Info.plist", "<plist><dict><key>x</key>");
    tree.write("B.bundle/Contents/Info.plist", xmlPropertyList(QVariantList{"not", "a dict"}));
    tree.write("B.bundle/Contents/Info.plist", xmlPropertyList(QVariantList{"not", "a dict"}));
    tree.mkdir("C.bundle");
    // A version of the wrong type is no version.
    writeBundle(tree, "D.bundle", {{"CFBundleVersion", 12}});
    for (const char* name : {"A.bundle", "B.bundle", "C.bundle", "D.bundle"}) {
        const auto bundle = Bundle::create(tree.path(name));
        ASSERT_TRUE(bundle) << name;
        EXPECT_TRUE(bundle->version().isEmpty()) << name;
        EXPECT_TRUE(bundle->executablePath().isEmpty()) << name;
    }
}

TEST(Bundle, ChoosesTheLocalizationThatBestMatchesTheUsersLanguages) {
    const QStringList folders{"English", "Japanese", "de", "pt-BR", "zh-Hant"};
    EXPECT_EQ(platform::bestLocalization(folders, {"ja-JP", "en"}), "Japanese");
    EXPECT_EQ(platform::bestLocalization(folders, {"en-US"}), "English");
    EXPECT_EQ(platform::bestLocalization(folders, {"en_GB.UTF-8"}), "English");
    EXPECT_EQ(platform::bestLocalization(folders, {"fr", "de-AT"}), "de");
    EXPECT_EQ(platform::bestLocalization(folders, {"pt"}), "pt-BR");
    EXPECT_EQ(platform::bestLocalization(folders, {"zh-Hant"}), "zh-Hant");
    EXPECT_EQ(platform::bestLocalization(folders, {"fr", "it"}), QString());
    EXPECT_EQ(platform::bestLocalization({"en", "en-GB"}, {"en-GB"}), "en-GB");
    EXPECT_EQ(platform::bestLocalization({"en", "en-GB"}, {"en-AU"}), "en");
}

TEST(Bundle, FindsGlobalResourcesBeforeLocalizedOnesAndFallsBackToTheDevelopmentRegion) {
    TempTree tree;
    const QString path = writeBundle(tree, "App.app", {{"CFBundleDevelopmentRegion", "English"}});
    tree.write("App.app/Contents/Resources/Settings/Global.ini", "g");
    tree.write("App.app/Contents/Resources/English.lproj/Settings/Global.ini", "localized");
    tree.write("App.app/Contents/Resources/English.lproj/Settings/Only.ini", "en");
    tree.write("App.app/Contents/Resources/Japanese.lproj/Settings/Only.ini", "ja");
    tree.write("App.app/Contents/Resources/English.lproj/Settings/EnglishOnly.ini", "en");
    tree.write("App.app/Contents/Resources/Japanese.lproj/InfoPlist.strings", "ja");
    tree.write("App.app/Contents/Resources/English.lproj/InfoPlist.strings", "en");
    const auto bundle = Bundle::create(path);
    ASSERT_TRUE(bundle);
    const QString resources = path + "/Contents/Resources/";

    {
        LanguagesGuard japanese({"ja-JP", "en-US"});
        EXPECT_EQ(bundle->resourcePath("Global.ini", "Settings"),
                  resources + "Settings/Global.ini");
        EXPECT_EQ(bundle->resourcePath("Only.ini", "Settings"),
                  resources + "Japanese.lproj/Settings/Only.ini");
        EXPECT_EQ(bundle->resourcePath("EnglishOnly.ini", "Settings"),
                  resources + "English.lproj/Settings/EnglishOnly.ini");
        EXPECT_EQ(bundle->resourcePath("InfoPlist.strings"),
                  resources + "Japanese.lproj/InfoPlist.strings");
    }
    {
        LanguagesGuard french({"fr-FR"});
        EXPECT_EQ(bundle->resourcePath("Only.ini", "Settings"),
                  resources + "English.lproj/Settings/Only.ini");
        EXPECT_EQ(bundle->resourcePath("Missing.ini", "Settings"), QString());
        EXPECT_EQ(bundle->resourcePath(QString(), "Settings"), QString());
    }
}

TEST(Bundle, MainBundleFollowsTheTestOverride) {
    testsupport::FakeApplication app(QStringLiteral("Trellis"));
    const auto bundle = Bundle::mainBundle();
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundlePath(), app.packagePath());
    EXPECT_EQ(bundle->name(), "Trellis");
}

TEST(Bundle, MainBundleOfARealExecutableIsFoundFromItsOwnPath) {
    // The test binary does not sit in a package, so its main bundle is its own folder,
    // whatever the current folder is.
    const auto bundle = Bundle::mainBundle();
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundlePath(), QCoreApplication::applicationDirPath());
}

TEST(Languages, ExplicitListInTheGlobalPreferencesWins) {
    TempTree home;
    qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
    const QByteArray oldLanguage = qgetenv("LANGUAGE");
    qputenv("LANGUAGE", "de_DE");
    EXPECT_FALSE(platform::preferredLanguages().isEmpty());
    home.write("trellis/GlobalPreferences.ini", "[General]\nAppleLanguages=ja, en\n");
    EXPECT_EQ(platform::preferredLanguages(), (QStringList{"ja", "en"}));
    qputenv("LANGUAGE", oldLanguage);
    qunsetenv("XDG_CONFIG_HOME");
}
