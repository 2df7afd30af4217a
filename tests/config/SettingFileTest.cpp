#include "config/SettingFile.h"

#include "config/LaunchMode.h"
#include "config/UFile.h"
#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <string>

namespace {

class SettingFileTest : public ::testing::Test {
protected:
    void TearDown() override { CSettingFile::DestroyInstance(); }
    QString at(const QString& relative) const {
        return QDir::cleanPath(app.basePath() + "/" + relative);
    }
    testsupport::FakeApplication app;
};

// The resolved path, or "#" when nothing resolves (which must come with an error code).
QString resolve(const std::string& path) {
    QUrl url(QStringLiteral("file:///stale"));
    const OSErr err = CSettingFile::GetAbsCFRULRef(path.c_str(), &url);
    EXPECT_EQ(err == noErr, !url.isEmpty()) << path;
    return err == noErr ? url.toLocalFile() : QStringLiteral("#");
}

TEST_F(SettingFileTest, ClassicRelativePathsResolveToExistingItemsInside) {
    app.tree().mkdir("K/K.app");
    const std::string folder(200, 'N'), item(53, 'M');
    app.tree().mkdir(QString::fromStdString("Trellis.app/" + folder + "/" + item));
    const std::pair<std::string, std::string> rows[] = {
        {"Contents", "Trellis.app/Contents"},
        {":Contents:MacOS:", "Trellis.app/Contents/MacOS"},
        {":Contents::Contents", "Trellis.app/Contents"},
        {"::K:K.app", "K/K.app"},
        {"::", ""},
        {":" + folder + ":" + item + "cut at 255 bytes", "Trellis.app/" + folder + "/" + item}};
    for (const auto& [path, expected] : rows)
        EXPECT_EQ(resolve(path), at(QString::fromStdString(expected))) << path;
    // Nothing that does not exist, and no way out through Linux path syntax.
    for (const std::string path : {"Nothing", ":Nothing::Contents", "..", ":..:Trellis.app",
                                   ":Contents/MacOS", "Contents:", ""})
        EXPECT_EQ(resolve(path), "#") << path;
}

TEST(SettingFileVersions, TheNewerByLeadingDecimalValue) {
    // (a, b, the newer) triples; a missing version never replaces one that is there.
    const char* rows[] = {"1.10", "1.9",    "1.9",   "1.9",    "1.10", "1.9", "10",  "9.99",
                          "10",   " +2.5b", "2.4.9", " +2.5b", "-3",   "0",   "0",   "1.0",
                          "1",    "1",      "abc",   "0",      "0",    ".5",  "0.4", ".5",
                          "-1",   nullptr,  "-1",    nullptr,  "0.0",  "0.0"};
    for (size_t i = 0; i < std::size(rows); i += 3)
        EXPECT_EQ(CSettingFile::GetNewVersion(rows[i], rows[i + 1]), rows[i + 2]) << i / 3;
}

TEST_F(SettingFileTest, ToolsPrintersAndLookUps) {
    app.tree().mkdir("K/K.app");
    for (const auto& [name, version] : {std::pair{"A", "1.10"}, {"B", "1.9"}})
        testsupport::writeBundle(app.tree(), QString("K/Plugin/%1.plugin").arg(name),
                                 {{"CFBundleExecutable", name}, {"CFBundleVersion", version}});
    app.writeSetting("Setting.ini",
                     "[FUNCTION]\nFUNCTION_NUM=7\nFUNCTION1=::K:K.app\n[PRINTER]\nPRINTER_NUM=2\n"
                     "PRINTER1=MX-R74400 Series\nPRINTER1_PATH_F1=::K:Plugin:A.plugin\n"
                     "PRINTER1_PATH_F7=::K:Plugin:B.plugin\nPRINTER2_PATH_F2=::K:Plugin:A.plugin\n",
                     "\r");
    const CSettingFile* file = CSettingFile::GetInstance();
    EXPECT_EQ(file->GetFunctionNum(), 7);
    EXPECT_EQ(file->GetApplicationURL(0).toLocalFile(), at("K/K.app"));
    ASSERT_EQ(file->GetSupportPrinterNum(), 2);
    EXPECT_EQ(file->GetPrinterList()[0].pluginVersion, "1.9"); // tool 7's, the last, is newer
    EXPECT_EQ(file->GetPrinterList()[1].pluginVersion, "1.10");
    long index = 99;
    QString version;
    EXPECT_EQ(file->GetPrinterDevID("Orvel MX-R74400 Series", &index, &version),
              "MX-R74400 Series");
    EXPECT_EQ(std::pair(index, version), std::pair(0L, QString("1.9")));
    EXPECT_TRUE(file->GetPrinterDevID("mx-r74400 series", &index, nullptr).isNull());
    EXPECT_TRUE(file->IsSupportPrinter(1, 1));
    EXPECT_FALSE(file->IsSupportPrinter(0, 1));
}

TEST_F(SettingFileTest, EightToolsIsNoToolAtAll) {
    app.writeSetting("Setting.ini",
                     "[FUNCTION]\nFUNCTION_NUM=8\nFUNCTION1=Contents\n[PRINTER]\nPRINTER_NUM=1\n",
                     "\r");
    EXPECT_EQ(CSettingFile::GetInstance()->GetFunctionNum(), 0);
    EXPECT_EQ(CSettingFile::GetInstance()->GetSupportPrinterNum(), 1);
}

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
    for (const char* name : {"Loose.ini", "../Loose.ini", "", "r\xC3\xA9glage.ini"})
        EXPECT_EQ(locate(name, &spec), paramErr) << name;
    // A localized copy serves when there is no global one.
    const QString localized =
        app.tree().write("Trellis.app/Contents/Resources/English.lproj/Settings/M.ini", "A=1\r");
    ASSERT_EQ(locate("M.ini", &spec), noErr);
    EXPECT_EQ(spec.path, QDir::cleanPath(localized));
    Str255 pascal; // at most 255 bytes
    UString::CopyCstrToPstr(std::string(300, 'x').c_str(), pascal);
    EXPECT_EQ(pascal[0], 255);
}

TEST(UFileLanguages, ManualFolderNames) {
    for (const QString row : {"en-US=en", "pt-BR=pt", "ja=ja", "zh-Hans=zh", "zh-Hant=zt",
                              "zh-hant=zh", "zh-Hant-TW=zh", "-en="})
        EXPECT_EQ(UFile::CreateLanguageFolderFromLanguageName(row.section('=', 0, 0)),
                  row.section('=', 1))
            << row.toStdString();
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
