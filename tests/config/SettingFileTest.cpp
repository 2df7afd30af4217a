#include "config/SettingFile.h"

#include "support/TestSupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <string>

namespace {

class SettingFileTest : public ::testing::Test {
protected:
    void SetUp() override { CSettingFile::DestroyInstance(); }
    void TearDown() override { CSettingFile::DestroyInstance(); }

    void plugin(const QString& name, const QString& version) const {
        QVariantMap info{{QStringLiteral("CFBundleExecutable"), name}};
        if (!version.isNull())
            info.insert(QStringLiteral("CFBundleVersion"), version);
        app.tree().write("K/Plugin/" + name + ".plugin/Contents/Info.plist",
                         testsupport::xmlPropertyList(info));
    }
    QString base() const { return QDir::cleanPath(app.basePath()); }

    testsupport::FakeApplication app;
};

// The resolved path, or "#" when nothing resolves (which must come with an error code).
QString resolve(const std::string& path) {
    QUrl url(QStringLiteral("file:///stale"));
    const OSErr err = CSettingFile::GetAbsCFRULRef(path.c_str(), &url);
    EXPECT_EQ(err == noErr, !url.isEmpty()) << path;
    return err == noErr ? url.toLocalFile() : QStringLiteral("#");
}

TEST_F(SettingFileTest, ClassicRelativePathsResolveToExistingItems) {
    app.tree().mkdir("K/K.app");
    const QString folder(200, QLatin1Char('N')), item(53, QLatin1Char('M'));
    app.tree().mkdir("Trellis.app/" + folder + "/" + item);
    const QString pkg = base() + "/Trellis.app";
    const std::pair<std::string, QString> cases[] = {
        {"Contents", pkg + "/Contents"},
        {":Contents:MacOS:", pkg + "/Contents/MacOS"},
        {":Contents::Contents", pkg + "/Contents"},
        {"::K:K.app", base() + "/K/K.app"},
        {"::", base()},
        // Cut at 255 bytes before it is resolved.
        {":" + folder.toStdString() + ":" + item.toStdString() + "ignored",
         pkg + "/" + folder + "/" + item},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(resolve(path), expected) << path;
    // Nothing that does not exist, and no way out through Linux path syntax.
    const std::string outside[] = {"Nothing",
                                   ":Nothing::Contents",
                                   "::K:Missing.app",
                                   "..",
                                   ".",
                                   ":..:Trellis.app",
                                   ":.:Contents",
                                   ":Contents/MacOS",
                                   "../Trellis.app",
                                   "Volume:Contents",
                                   "Contents:",
                                   "",
                                   std::string(64, ':') + "tmp"};
    for (const std::string& path : outside)
        EXPECT_EQ(resolve(path), "#") << path;
}

TEST(SettingFileVersions, DecimalComparison) {
    const char* cases[][3] = {
        {"1.10", "1.9", "1.9"}, {"1.9", "1.10", "1.9"},
        {"10", "9.99", "10"},   {" +2.5b", "2.4.9", " +2.5b"},
        {"-3", "0", "0"},       {"1.0", "1", "1"},
        {"abc", "0", "0"},      {".5", "0.4", ".5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSettingFile::GetNewVersion(c[0], c[1]), c[2]) << c[0] << " " << c[1];
    // A missing version never replaces one that is there.
    EXPECT_EQ(CSettingFile::GetNewVersion("-1", QString()), "-1");
    EXPECT_EQ(CSettingFile::GetNewVersion(QString(), "0.0"), "0.0");
}

TEST_F(SettingFileTest, ReadsToolsPrintersAndAnswersLookUps) {
    app.tree().mkdir("K/K.app");
    plugin("A", "1.10");
    plugin("B", "1.9");
    plugin("N", QString());
    app.writeSetting("Setting.ini",
                     "[FUNCTION]\nFUNCTION_NUM=7\nFUNCTION1=::K:K.app\n"
                     "FUNCTION2=::K:None.app\nFUNCTION7=Contents\nFUNCTION8=Contents\n"
                     "[PRINTER]\nPRINTER_NUM=3\nPRINTER1=MX-R74400 Series\n"
                     "PRINTER1_PATH_F1=::K:Plugin:A.plugin\n"
                     "PRINTER1_PATH_F3=::K:Plugin:N.plugin\n"
                     "PRINTER1_PATH_F7=::K:Plugin:B.plugin\n"
                     "PRINTER2_PATH_F2=::K:Plugin:A.plugin\n"
                     "PRINTER3=Orvel Plain\nPRINTER3_PATH_F1=::K:Plugin:None.plugin\n"
                     "PRINTER4=Ignored\n",
                     "\r");
    const CSettingFile* file = CSettingFile::GetInstance();
    EXPECT_EQ(file->GetFunctionNum(), 7);
    EXPECT_EQ(file->GetApplicationURL(0).toLocalFile(), base() + "/K/K.app");
    EXPECT_TRUE(file->GetApplicationURL(1).isEmpty());
    EXPECT_FALSE(file->GetApplicationURL(6).isEmpty());
    EXPECT_TRUE(file->GetApplicationURL(7).isEmpty());

    ASSERT_EQ(file->GetSupportPrinterNum(), 3);
    EXPECT_TRUE(file->GetSupportPrinterName(1).isNull());
    EXPECT_EQ(file->GetSupportPrinterName(2), "Orvel Plain");
    EXPECT_TRUE(file->GetSupportPrinterName(3).isNull());
    const auto& records = file->GetPrinterList();
    EXPECT_EQ(records[2].number, 3);
    EXPECT_EQ(records[0].pluginURL[2].toLocalFile(), base() + "/K/Plugin/N.plugin");
    EXPECT_EQ(records[0].pluginVersion, "1.9");
    EXPECT_EQ(records[1].pluginVersion, "1.10");
    EXPECT_TRUE(records[2].pluginVersion.isNull());

    long index = 99;
    QString version;
    EXPECT_EQ(file->GetPrinterDevID("Orvel MX-R74400 Series", &index, &version),
              "MX-R74400 Series");
    EXPECT_EQ(index, 0);
    EXPECT_EQ(version, "1.9");
    EXPECT_TRUE(file->GetPrinterDevID("mx-r74400 series", &index, nullptr).isNull());
    EXPECT_EQ(index, -1);
    EXPECT_EQ(file->GetPrinterDevID("Orvel Orvel Plain", &index, nullptr), "Orvel Plain");
    EXPECT_EQ(index, 2);

    EXPECT_TRUE(file->IsSupportPrinter("MX-R74400 Series"));
    EXPECT_FALSE(file->IsSupportPrinter("Orvel Plain"));
    EXPECT_TRUE(file->IsSupportPrinter(1, 1));
    EXPECT_FALSE(file->IsSupportPrinter(0, 1));
    EXPECT_FALSE(file->IsSupportPrinter(0, 7));
    EXPECT_FALSE(file->IsSupportPrinter(2, -1));
    EXPECT_TRUE(file->IsSupportApplication("MX-R74400 Series", 0));
    EXPECT_FALSE(file->IsSupportApplication("Orvel MX-R74400 Series", 0));
    EXPECT_FALSE(file->IsSupportApplication("MX-R74400 Series", -1));
}

TEST_F(SettingFileTest, DegenerateFiles) {
    struct Case {
        const char* text;
        const char* eol;
        long functions, printers;
    } const cases[] = {
        {nullptr, "\r", 0, 0},
        {"[FUNCTION]\nFUNCTION_NUM=8\nFUNCTION1=Contents\n[PRINTER]\nPRINTER_NUM=1\n", "\r", 0, 1},
        {"[FUNCTION]\nFUNCTION_NUM= +2x\nFUNCTION2=Contents\n[PRINTER]\nPRINTER_NUM=-4\n", "\r", 2,
         0},
        {"[PRINTER]\nPRINTER_NUM=99999999999999999999\nPRINTER2=Two\n", "\r", 0, 1024},
        {"[FUNCTION]\nFUNCTION_NUM=1\n[PRINTER]\nPRINTER_NUM=1\n", "\n", 0, 0},
        {"[PRINTER]\nPRINTER_NUM=2\nPRINTER1=Bad\xFF\nPRINTER2=\n", "\r\n", 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "no file");
        if (c.text)
            app.writeSetting("Setting.ini", c.text, c.eol);
        const CSettingFile* file = CSettingFile::GetInstance();
        EXPECT_EQ(file->GetFunctionNum(), c.functions);
        EXPECT_EQ(file->GetSupportPrinterNum(), c.printers);
        EXPECT_TRUE(file->GetApplicationURL(0).isEmpty());
        EXPECT_EQ(file->GetApplicationURL(1).isEmpty(), c.functions != 2);
        for (long i = 0; i < file->GetSupportPrinterNum(); ++i)
            EXPECT_FALSE(file->IsSupportPrinter(i, -1));
        // Invalid UTF-8 is no name; an empty value is an empty one.
        if (c.printers == 2) {
            EXPECT_TRUE(file->GetSupportPrinterName(0).isNull());
            EXPECT_FALSE(file->GetSupportPrinterName(1).isNull());
        }
        EXPECT_EQ(file->GetSupportPrinterName(1) == "Two", c.printers == 1024);
        CSettingFile::DestroyInstance();
    }
}

} // namespace
