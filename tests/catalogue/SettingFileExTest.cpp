// The settings facade: the catalogue first, Setting.ini after, and the special models' rule.
#include "CatalogueFixture.h"
#include "catalogue/SupportMachine.h"
#include "platform/Bundle.h"

#include <QUrl>

using cataloguetest::is;
using cataloguetest::setting;

namespace {

const QByteArray kSettingIni = R"([FUNCTION]
FUNCTION_NUM=7
[PRINTER]
PRINTER_NUM=4
PRINTER1=SI-100
PRINTER1_PATH_F1=:Plugins:KLSI.plugin
PRINTER1_PATH_F6=:Plugins:SPVSI.plugin
PRINTER1_PATH_F7=:Plugins:SPV2SI.plugin
PRINTER2=MX-R54400 Series
PRINTER2_PATH_F6=:Plugins:SPVR5.plugin
PRINTER2_PATH_F7=:Plugins:SPV2R5.plugin
PRINTER3=Both
PRINTER3_PATH_F2=:Plugins:SLBoth.plugin
PRINTER4=Bare
)";

class SettingFileExTest : public cataloguetest::CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        app->writeSetting(QStringLiteral("Setting.ini"), kSettingIni);
        for (const char* plugin : {"KLSI", "SPVSI", "SPV2SI", "SPVR5", "SPV2R5", "SLBoth"})
            testsupport::writeBundle(app->tree(),
                                     QStringLiteral("Trellis.app/Plugins/%1.plugin").arg(plugin),
                                     {{"CFBundleVersion", "1.9"}});
    }
    CSettingFileEx* facade() const { return CSettingFileEx::GetInstance(); }
};

TEST_F(SettingFileExTest, PrintersOfBothSources) {
    writeBundle(
        "Family.bundle",
        setting({"B1", "Both", "Orvel Already"}, {{"B1", "B1"}, {"Both", "BO"}}, {{"B1", 1}}),
        "3.2.1");
    writePlugin("Kestrel Loader", "KLB1.plugin");
    const char* expected[] = {"B1",   "Both", "Orvel Already", "SI-100", "MX-R54400 Series",
                              "Both", "Bare"};
    ASSERT_EQ(facade()->GetSupportPrinterNum(), 7);
    for (long i = -1; i <= 7; ++i) {
        SCOPED_TRACE(i);
        const char* name = i >= 0 && i < 7 ? expected[i] : nullptr;
        EXPECT_TRUE(is(facade()->GetSupportPrinterName(i), name));
        const QString display =
            QString(name).startsWith("Orvel ") ? name : "Orvel " + QString(name);
        EXPECT_TRUE(is(facade()->GetSupportPrinterNameWithVenderName(i),
                       name ? qPrintable(display) : nullptr));
    }
    const struct {
        const char* name;
        const char* deviceID;
        long index; // within the source that answered
        bool supported;
        bool tool0, tool1;
        const char* version;
    } rows[] = {
        {"B1", "B1", 0, true, true, false, "3.2.1"},
        {"Orvel Both", "Both", 1, true, false, false, nullptr},
        {"Both", "Both", 1, true, false, false, "3.2.1"}, // Setting.ini's tool is not asked
        {"Orvel SI-100", "SI-100", 0, true, false, false, "1.9"},
        {"SI-100", "SI-100", 0, true, true, false, "1.9"},
        {"Orvel MX-R54400 Series", "MX-R54400 Series", 1, true, false, false, "1.9"},
        {"Bare", "Bare", 3, false, false, false, nullptr}, // Setting.ini needs a plug-in
        {"Nobody", nullptr, -1, false, false, false, nullptr},
        {nullptr, nullptr, -1, false, false, false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name ? row.name : "(null)");
        const QString name = row.name ? QString::fromUtf8(row.name) : QString();
        long index = -5;
        EXPECT_TRUE(is(facade()->CreateCopyPrinterDevID(name, &index), row.deviceID));
        EXPECT_EQ(index, row.index);
        EXPECT_EQ(facade()->IsSupportPrinter(name), row.supported);
        EXPECT_EQ(facade()->IsSupportApplication(name, 0), row.tool0);
        EXPECT_EQ(facade()->IsSupportApplication(name, 1), row.tool1);
        QString version{"stale"};
        EXPECT_EQ(facade()->CreateMachineVersion(name, &version), noErr);
        EXPECT_TRUE(is(version, row.version));
    }
}

TEST_F(SettingFileExTest, SpecialModelsSwapBackupToolsBySystemVersion) {
    writeBundle("R.bundle", setting({"MX-R74400 Series", "MX-R74400"},
                                    {{"MX-R74400 Series", "R7"}, {"MX-R74400", "R7"}},
                                    {{"MX-R74400 Series", 0x60}, {"MX-R74400", 0x60}}));
    writePlugin("Stock Profile Vault", "SPVR7.plugin");
    writePlugin("Stock Vault Setup", "SPV2R7.plugin");
    const struct {
        const char* model;
        bool special;
    } models[] = {{"MX-R74400 Series", true},
                  {"MX-R54400 Series", true},
                  {"MX-R74400", false},
                  {"SI-100", false}};
    for (const long version : {0x1058L, 0x1060L, 0x1100L, 0L}) {
        platform::setSystemVersionForTesting(version);
        const bool newer = version >= 0x1060;
        for (const auto& row : models) {
            SCOPED_TRACE(std::string(row.model) + " on " + std::to_string(version));
            EXPECT_EQ(facade()->IsSupportApplication(row.model, 5), !row.special || !newer);
            EXPECT_EQ(facade()->IsSupportApplication(row.model, 6), !row.special || newer);
        }
        // A display name does not match the rule, and the catalogue knows no such model.
        EXPECT_FALSE(facade()->IsSupportApplication("Orvel MX-R74400 Series", 6));
    }
}

TEST_F(SettingFileExTest, PathsAndAMissingFolderOrPackage) {
    for (long i = -1; i <= 7; ++i) {
        const QString tool = CSupportMachine::GetApplicationName(i);
        EXPECT_EQ(facade()->GetApplicationURL(i).toLocalFile(),
                  tool.isNull() ? QString() : base() + "/" + tool + "/" + tool + ".app");
    }
    // No MachineBundle folder: Setting.ini still answers.
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 4);
    EXPECT_EQ(facade()->InitializeMember(), paramErr);
    QString path;
    ASSERT_EQ(CSettingFileEx::GetApplicationBundlePath(&path), noErr);
    EXPECT_EQ(path, app->packagePath());
    ASSERT_EQ(CSettingFileEx::GetMachineBundleBasePath(&path), noErr);
    EXPECT_EQ(path, base() + "/MachineBundle");

    reset();
    platform::Bundle::setMainBundlePathForTesting(base() + "/gone.app");
    path = "untouched";
    EXPECT_EQ(CSettingFileEx::GetApplicationBasePath(&path), paramErr);
    EXPECT_EQ(CSettingFileEx::GetMachineBundleBasePath(&path), paramErr);
    EXPECT_EQ(path, "untouched");
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 0);
    EXPECT_TRUE(facade()->GetApplicationURL(0).isEmpty());
}

} // namespace
