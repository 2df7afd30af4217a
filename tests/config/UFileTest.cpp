#include "config/UFile.h"

#include "config/LaunchMode.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <string>

namespace {

OSErr locate(const char* name, FSSpec* spec) {
    Str255 pascal;
    UString::CopyCstrToPstr(name, pascal);
    return UFile::GetIniFileFSSpec(pascal, spec);
}

TEST(UFileLocations, SettingsFilesByBareNameInsideTheSettingsFolder) {
    testsupport::FakeApplication app;
    const QString written = app.writeSetting(QStringLiteral("Réglage.ini"), "A=1\n");
    FSSpec spec;
    ASSERT_EQ(locate("R\xC3\xA9glage.ini", &spec), noErr);
    EXPECT_EQ(spec.path, QDir::cleanPath(written));
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
    Str255 pascal; // at most 255 bytes
    UString::CopyCstrToPstr(std::string(300, 'x').c_str(), pascal);
    EXPECT_EQ(pascal[0], 255);
    EXPECT_EQ(pascal[255], 'x');
    // All required files, or the start-up check fails.
    unsigned char names[3][256];
    for (int i = 0; i < 3; ++i)
        UString::CopyCstrToPstr(("F" + std::to_string(i) + ".ini").c_str(), names[i]);
    app.writeSetting("F1.ini", "x\n");
    app.writeSetting("F2.ini", "x\n");
    EXPECT_FALSE(UAppLaunch::CheckAllIniFileExist(names, 3));
    EXPECT_TRUE(UAppLaunch::CheckAllIniFileExist(names + 1, 2));
}

TEST(UFileLanguages, ManualFolderNames) {
    for (const auto& [language, folder] : {std::pair{"en-US", "en"},
                                           {"pt-BR", "pt"},
                                           {"ja", "ja"},
                                           {"zh-Hans", "zh"},
                                           {"zh-Hant", "zt"},
                                           {"zh-hant", "zh"},
                                           {"zh-Hant-TW", "zh"},
                                           {"-en", ""}})
        EXPECT_EQ(UFile::CreateLanguageFolderFromLanguageName(language), QString(folder));
}

TEST(LaunchMode, ReadOnceFromTheFile) {
    const std::pair<const char*, short> rows[] = {
        {nullptr, 0},   {"[Any]\nOpe=U", 1}, {"Ope=P\n", 2},        {"Ope=UI\n", 0},
        {"Ope=u\n", 0}, {"Ope=U \n", 0},     {"Ope=P\nOpe=U\n", 2}, {"", 0}};
    for (const auto& [text, mode] : rows) {
        SCOPED_TRACE(text ? text : "no file");
        testsupport::FakeApplication app;
        if (text)
            app.writeSetting("Setting_Launch.ini", text, "\r");
        CLaunchMode* first = CLaunchMode::GetInstance();
        app.writeSetting("Setting_Launch.ini", "Ope=U\n");
        EXPECT_EQ(CLaunchMode::GetInstance(), first);
        EXPECT_EQ(CLaunchMode::GetMode(), mode);
        EXPECT_EQ(CLaunchMode::IsUIMode(), mode == 1);
        CLaunchMode::DestroyInstance();
    }
}

} // namespace
