#include "catalogue/MachineBundle.h"

#include "CatalogueFixture.h"
#include "platform/Bundle.h"

#include <QUrl>

using cataloguetest::CatalogueTest;
using cataloguetest::setting;

namespace {

class MachineBundleTest : public CatalogueTest {
protected:
    // Gives the launcher package localizations and picks the user's language.
    void localize(const QStringList& lprojs, const QString& language) const {
        for (const QString& lproj : lprojs)
            app->tree().write(QStringLiteral("Trellis.app/Contents/Resources/") + lproj +
                                  QStringLiteral(".lproj/InfoPlist.strings"),
                              "\"CFBundleName\" = \"Trellis\";\n");
        platform::setPreferredLanguagesForTesting(QStringList{language});
    }
};

TEST_F(MachineBundleTest, ReadsSettingDictionaryAndModels) {
    const QString path =
        writeBundle(QStringLiteral("A.bundle"), setting({"MX-R74400 Series", "MX-R54400 Series"},
                                                        {{"MX-R74400 Series", "R74"}}));
    CMachineBundle bundle;
    ASSERT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(path)), noErr);
    ASSERT_NE(bundle.GetSettingDictionary(), nullptr);

    QStringList models;
    ASSERT_EQ(bundle.GetSupportPrinter(&models), noErr);
    EXPECT_EQ(models, (QStringList{"MX-R74400 Series", "MX-R54400 Series"}));

    QVariant value;
    EXPECT_EQ(bundle.GetValue(QStringLiteral("INITIAL"), &value), noErr);
    EXPECT_EQ(value.toMap().value("MX-R74400 Series").toString(), "R74");
    EXPECT_EQ(bundle.GetValue(QStringLiteral("initial"), &value), paramErr); // exact keys
    EXPECT_EQ(bundle.GetValue(QString(), &value), paramErr);

    bundle.CleanupClass();
    EXPECT_EQ(bundle.GetSettingDictionary(), nullptr);
    EXPECT_EQ(bundle.GetValue(QStringLiteral("MODEL"), &value), paramErr);
}

TEST_F(MachineBundleTest, EmptyModelArraySucceedsWithNoModels) {
    const QString path = writeBundle(QStringLiteral("A.bundle"), setting({}));
    CMachineBundle bundle;
    ASSERT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(path)), noErr);
    QStringList models{"stale"};
    EXPECT_EQ(bundle.GetSupportPrinter(&models), noErr);
    EXPECT_TRUE(models.isEmpty());
}

TEST_F(MachineBundleTest, OpeningFailures) {
    CMachineBundle bundle;
    EXPECT_EQ(bundle.OnInitialize(QUrl()), paramErr);
    EXPECT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(machineFolder() + "/missing.bundle")),
              paramErr);
    // A plain file named like a bundle is no package.
    const QString file = app->tree().write("MachineBundle/file.bundle", "not a folder");
    EXPECT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(file)), paramErr);
    EXPECT_EQ(bundle.GetSettingDictionary(), nullptr);
}

TEST_F(MachineBundleTest, PackageWithoutResourcesFolderHasNoDictionary) {
    app->tree().mkdir("MachineBundle/Bare.bundle/Contents");
    CMachineBundle bundle;
    EXPECT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(machineFolder() + "/Bare.bundle")), noErr);
    EXPECT_EQ(bundle.GetSettingDictionary(), nullptr);
    EXPECT_EQ(bundle.GetSupportPrinter(nullptr), paramErr);
}

TEST_F(MachineBundleTest, UnreadableSettingFilesGiveNoDictionary) {
    const QByteArray good = testsupport::xmlPropertyList(setting({"M"}));
    const QList<QByteArray> bad = {
        "",                                                     // empty
        good.left(good.size() / 2),                             // truncated
        "<plist version=\"1.0\"><dict><key>MODEL</key><array>", // unclosed
        "this is not a property list at all",                   // garbage
        testsupport::xmlPropertyList(QVariantList{"MODEL"}),    // root is an array
        testsupport::xmlPropertyList(QStringLiteral("MODEL")),  // root is a string
    };
    for (const QByteArray& xml : bad) {
        const QString path = writeBundleRaw(QStringLiteral("Bad.bundle"), xml);
        CMachineBundle bundle;
        EXPECT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(path)), paramErr) << xml.constData();
        EXPECT_EQ(bundle.GetSettingDictionary(), nullptr);
    }

    QVariantMap untouched{{"keep", 1}};
    EXPECT_EQ(CMachineBundle::CreateDictionaryWithURLRef(
                  QUrl::fromLocalFile(machineFolder() + "/Bad.bundle/Contents/Resources/"
                                                        "Setting.xml"),
                  &untouched),
              paramErr);
    EXPECT_EQ(untouched.value("keep").toInt(), 1);
}

TEST_F(MachineBundleTest, ModelMustBeAnArrayOfStrings) {
    const QList<QVariant> badModels = {
        QStringLiteral("MX-R74400 Series"),
        QVariantList{"MX-R74400 Series", 5},
        QVariantList{"MX-R74400 Series", QVariantList{"nested"}},
        QVariantMap{{"MX-R74400 Series", "x"}},
    };
    for (const QVariant& models : badModels) {
        const QString path = writeBundle(QStringLiteral("A.bundle"), {{"MODEL", models}});
        CMachineBundle bundle;
        ASSERT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(path)), noErr);
        QStringList out{"untouched"};
        EXPECT_EQ(bundle.GetSupportPrinter(&out), paramErr);
        EXPECT_EQ(out, QStringList{"untouched"});
    }
}

TEST_F(MachineBundleTest, WorldWideOnlyHidesBundleUnderJapaneseOnly) {
    QVariantMap hidden = setting({"M1"});
    hidden.insert("IsWorldWideOnly", false); // only the key's presence counts
    const QString path = writeBundle(QStringLiteral("W.bundle"), hidden);
    const QString plain = writeBundle(QStringLiteral("P.bundle"), setting({"M2"}));

    localize({"English", "Japanese"}, "ja");
    ASSERT_TRUE(CMachineBundle::IsJapaneseLanguage());
    CMachineBundle worldWide;
    ASSERT_EQ(worldWide.OnInitialize(QUrl::fromLocalFile(path)), noErr);
    EXPECT_EQ(worldWide.GetSupportPrinter(nullptr), paramErr);
    CMachineBundle other;
    ASSERT_EQ(other.OnInitialize(QUrl::fromLocalFile(plain)), noErr);
    EXPECT_EQ(other.GetSupportPrinter(nullptr), noErr);

    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    EXPECT_FALSE(CMachineBundle::IsJapaneseLanguage());
    QStringList models;
    EXPECT_EQ(worldWide.GetSupportPrinter(&models), noErr);
    EXPECT_EQ(models, QStringList{"M1"});
}

TEST_F(MachineBundleTest, OnlyAFolderNamedJapaneseLprojCounts) {
    localize({"en", "ja"}, "ja");
    EXPECT_FALSE(CMachineBundle::IsJapaneseLanguage());
}

TEST(MachineBundleStandalone, JapaneseNameAboveThePackageDoesNotCount) {
    // The package itself lies inside a folder that carries the name.
    testsupport::TempTree tree;
    const QString package = tree.path("Japanese.lproj/Trellis.app");
    tree.write("Japanese.lproj/Trellis.app/Contents/Info.plist",
               testsupport::xmlPropertyList(QVariantMap{{"CFBundleIdentifier", "t.x"}}));
    tree.write("Japanese.lproj/Trellis.app/Contents/Resources/English.lproj/InfoPlist.strings",
               "x");
    platform::Bundle::setMainBundlePathForTesting(package);
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    EXPECT_FALSE(CMachineBundle::IsJapaneseLanguage());
    platform::setPreferredLanguagesForTesting(std::nullopt);
    platform::Bundle::setMainBundlePathForTesting(QString());
}

} // namespace
