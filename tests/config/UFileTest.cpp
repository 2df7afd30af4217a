#include "config/UFile.h"

#include "support/TestSupport.h"

#include <QDir>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

OSErr locate(const char* name, FSSpec* spec) {
    Str255 pascal;
    UString::CopyCstrToPstr(name, pascal);
    return UFile::GetIniFileFSSpec(pascal, spec);
}

TEST(UFileLocations, SettingsFilesByBareName) {
    testsupport::FakeApplication app;
    const QString written = app.writeSetting(QStringLiteral("Réglage.ini"), "A=1\n");
    FSSpec spec;
    ASSERT_EQ(locate("R\xC3\xA9glage.ini", &spec), noErr);
    EXPECT_EQ(spec.path, QDir::cleanPath(written));

    // Only the settings folder counts, and a name cannot climb out of it.
    app.tree().write("Trellis.app/Contents/Resources/Loose.ini", "A=1\r");
    for (const char* name : {"Loose.ini", "../Loose.ini", "..", "", "r\xC3\xA9glage.ini",
                             "R\xE9glage.ini", "Settings/../Settings/R\xC3\xA9glage.ini"})
        EXPECT_EQ(locate(name, &spec), paramErr) << name;
    const unsigned char withNul[] = {3, 'a', 0, 'b'};
    EXPECT_EQ(UFile::GetIniFileFSSpec(withNul, &spec), paramErr);

    // A localized copy serves when there is no global one.
    const QString localized =
        app.tree().write("Trellis.app/Contents/Resources/English.lproj/Settings/M.ini", "A=1\r");
    ASSERT_EQ(locate("M.ini", &spec), noErr);
    EXPECT_EQ(spec.path, QDir::cleanPath(localized));
}

TEST(UFileLocations, FoldersComeFromTheMainBundle) {
    testsupport::FakeApplication app;
    FSSpec spec;
    ASSERT_EQ(UFile::GetAppFSSpec(&spec), noErr);
    EXPECT_EQ(spec.path, QDir::cleanPath(app.packagePath() + "/Contents/MacOS"));
    ASSERT_EQ(UFile::GetApplicationPackageFSSpec(&spec), noErr);
    EXPECT_EQ(spec.path, QDir::cleanPath(app.packagePath()));
    EXPECT_EQ(UFile::GetAppResourceFileURL("Back.png").toLocalFile(),
              app.resourcesPath() + "/Back.png");

    EXPECT_EQ(UFile::FSMakeFSSpecFromURL(QUrl::fromLocalFile(app.basePath() + "/none"), &spec),
              paramErr);
    EXPECT_TRUE(spec.path.isEmpty());
    EXPECT_EQ(UFile::FSMakeFSSpecFromURL(QUrl(), &spec), paramErr);

    ASSERT_TRUE(QDir(app.packagePath() + "/Contents/MacOS").removeRecursively());
    EXPECT_NE(UFile::GetApplicationPackageFSSpec(&spec), noErr);
}

TEST(UFileLanguages, ManualFolderNames) {
    for (const auto& [language, folder] : {std::pair{"en-US", "en"},
                                           {"pt-BR", "pt"},
                                           {"ja", "ja"},
                                           {"zh-Hans", "zh"},
                                           {"zh-Hant", "zt"},
                                           {"zh-hant", "zh"},
                                           {"zh-Hant-TW", "zh"}})
        EXPECT_EQ(UFile::CreateLanguageFolderFromLanguageName(language), QString(folder));
    EXPECT_TRUE(UFile::CreateLanguageFolderFromLanguageName("-en").isNull());
}

TEST(UtilityFunctions, PascalStringsRequiredFilesAndArrays) {
    Str255 pascal;
    UString::CopyCstrToPstr(std::string(300, 'x').c_str(), pascal);
    EXPECT_EQ(pascal[0], 255);
    EXPECT_EQ(pascal[255], 'x');

    testsupport::FakeApplication app;
    unsigned char names[3][256];
    for (int i = 0; i < 3; ++i)
        UString::CopyCstrToPstr(("F" + std::to_string(i) + ".ini").c_str(), names[i]);
    app.writeSetting("F1.ini", "x\n");
    app.writeSetting("F2.ini", "x\n");
    EXPECT_FALSE(UAppLaunch::CheckAllIniFileExist(names, 3));
    EXPECT_TRUE(UAppLaunch::CheckAllIniFileExist(names + 1, 2));

    const QStringList list{QStringLiteral("MX-R74400 Series"), QString()};
    EXPECT_TRUE(UCFArray::IsContainsStringValue(&list, QStringLiteral("MX-R74400 Series")));
    EXPECT_FALSE(UCFArray::IsContainsStringValue(&list, QStringLiteral("mx-r74400 series")));
    EXPECT_FALSE(UCFArray::IsContainsStringValue(&list, QString()));
}

} // namespace
