#include "CatalogueFixture.h"
#include "catalogue/SupportMachine.h"
#include "platform/Bundle.h"

#include <QUrl>

using cataloguetest::CatalogueTest;
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

class SettingFileExTest : public CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        writeSettingIni(kSettingIni);
        for (const char* plugin : {"KLSI", "SPVSI", "SPV2SI", "SPVR5", "SPV2R5", "SLBoth"}) {
            app->tree().write(QStringLiteral("Trellis.app/Plugins/%1.plugin/Contents/Info.plist")
                                  .arg(QLatin1String(plugin)),
                              testsupport::xmlPropertyList(
                                  QVariantMap{{"CFBundleVersion", QStringLiteral("1.9")}}));
        }
    }

    // Two printers from one machine bundle: "B1" and "Both" (also in Setting.ini).
    void writeTwoBundlePrinters() const {
        writeBundle("Family.bundle",
                    setting({"B1", "Both"}, {{"B1", "B1"}, {"Both", "BO"}}, {{"B1", 1}}), "3.2.1");
        writePlugin("Kestrel Loader", "KLB1.plugin");
    }

    CSettingFileEx* facade() const { return CSettingFileEx::GetInstance(); }
};

TEST_F(SettingFileExTest, CombinedIndexPutsCatalogueFirst) {
    writeTwoBundlePrinters();
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 6);
    const QStringList expected{"B1", "Both", "SI-100", "MX-R54400 Series", "Both", "Bare"};
    for (long i = 0; i < 6; ++i)
        EXPECT_EQ(facade()->GetSupportPrinterName(i), expected.at(i)) << i;
    EXPECT_TRUE(facade()->GetSupportPrinterName(6).isNull());
    EXPECT_TRUE(facade()->GetSupportPrinterName(-1).isNull());
    EXPECT_EQ(facade()->GetSupportPrinterNameWithVenderName(2), "Orvel SI-100");
    EXPECT_TRUE(facade()->GetSupportPrinterNameWithVenderName(6).isNull());
}

TEST_F(SettingFileExTest, DisplayNameKeepsAnExistingVendorPrefix) {
    writeBundle("A.bundle", setting({"Orvel Already", "MX-R74400 Series"}));
    EXPECT_EQ(facade()->GetSupportPrinterNameWithVenderName(0), "Orvel Already");
    EXPECT_EQ(facade()->GetSupportPrinterNameWithVenderName(1), "Orvel MX-R74400 Series");
}

TEST_F(SettingFileExTest, NameKeyedQuestionsGoToTheCatalogueFirst) {
    writeTwoBundlePrinters();
    long index = -5;
    EXPECT_EQ(facade()->CreateCopyPrinterDevID("Orvel Both", &index), "Both");
    EXPECT_EQ(index, 1); // the catalogue's own position
    EXPECT_EQ(facade()->CreateCopyPrinterDevID("Orvel MX-R54400 Series", &index),
              "MX-R54400 Series");
    EXPECT_EQ(index, 1); // position within Setting.ini
    EXPECT_TRUE(facade()->CreateCopyPrinterDevID("Nobody", &index).isNull());
    EXPECT_EQ(index, -1);
    EXPECT_TRUE(facade()->CreateCopyPrinterDevID(QString(), nullptr).isNull());

    // "Both" has a Status Lantern plug-in in Setting.ini, but its bundle gives no such tool.
    EXPECT_FALSE(facade()->IsSupportApplication("Both", 1));
    EXPECT_TRUE(facade()->IsSupportApplication("B1", 0));
    EXPECT_TRUE(facade()->IsSupportApplication("SI-100", 0));
    EXPECT_FALSE(facade()->IsSupportApplication("SI-100", 1));
    EXPECT_FALSE(facade()->IsSupportApplication("Orvel SI-100", 0));
    EXPECT_FALSE(facade()->IsSupportApplication(QString(), 0));

    QString version{"stale"};
    EXPECT_EQ(facade()->CreateMachineVersion("Both", &version), noErr);
    EXPECT_EQ(version, "3.2.1");
    EXPECT_EQ(facade()->CreateMachineVersion("SI-100", &version), noErr);
    EXPECT_EQ(version, "1.9");
    EXPECT_EQ(facade()->CreateMachineVersion("Nobody", &version), noErr);
    EXPECT_TRUE(version.isNull());
    EXPECT_EQ(facade()->CreateMachineVersion("Orvel B1", &version), noErr);
    EXPECT_TRUE(version.isNull()); // per-model questions need the device identifier
    EXPECT_EQ(facade()->CreateMachineVersion("B1", nullptr), noErr);
}

TEST_F(SettingFileExTest, SupportedPrinters) {
    writeTwoBundlePrinters();
    writeBundle("G.bundle", setting({"NoTools"}));
    EXPECT_TRUE(facade()->IsSupportPrinter("NoTools")); // catalogue: listing is enough
    EXPECT_TRUE(facade()->IsSupportPrinter("Orvel SI-100"));
    EXPECT_FALSE(facade()->IsSupportPrinter("Bare")); // Setting.ini: needs a plug-in
    EXPECT_FALSE(facade()->IsSupportPrinter("Nobody"));
    EXPECT_FALSE(facade()->IsSupportPrinter(QString()));
}

TEST_F(SettingFileExTest, SpecialModelsSwapBackupToolsBySystemVersion) {
    writeBundle("R.bundle", setting({"MX-R74400 Series", "MX-R74400"},
                                    {{"MX-R74400 Series", "R7"}, {"MX-R74400", "R7"}},
                                    {{"MX-R74400 Series", 0x60}, {"MX-R74400", 0x60}}));
    writePlugin("Stock Profile Vault", "SPVR7.plugin");
    writePlugin("Stock Vault Setup", "SPV2R7.plugin");

    struct Case {
        std::optional<long> version;
        bool toolFive;
        bool toolSix;
    };
    for (const Case& c : {Case{0x1058, true, false}, Case{0x1060, false, true},
                          Case{0x1100, false, true}, Case{0, true, false}}) {
        platform::setSystemVersionForTesting(c.version);
        SCOPED_TRACE(*c.version);
        EXPECT_EQ(facade()->IsSupportApplication("MX-R74400 Series", 5), c.toolFive);
        EXPECT_EQ(facade()->IsSupportApplication("MX-R74400 Series", 6), c.toolSix);
        // From Setting.ini the rule holds just the same.
        EXPECT_EQ(facade()->IsSupportApplication("MX-R54400 Series", 5), c.toolFive);
        EXPECT_EQ(facade()->IsSupportApplication("MX-R54400 Series", 6), c.toolSix);
        // Other models, and display names of special ones, keep both tools' answers.
        EXPECT_TRUE(facade()->IsSupportApplication("MX-R74400", 5));
        EXPECT_TRUE(facade()->IsSupportApplication("MX-R74400", 6));
        EXPECT_TRUE(facade()->IsSupportApplication("SI-100", 5));
        EXPECT_TRUE(facade()->IsSupportApplication("SI-100", 6));
        EXPECT_FALSE(facade()->IsSupportApplication("Orvel MX-R74400 Series", 5));
        EXPECT_FALSE(facade()->IsSupportApplication("Orvel MX-R74400 Series", 6));
    }
}

TEST_F(SettingFileExTest, ToolURLsComeFromTheFixedLayout) {
    for (long i = 0; i < 7; ++i) {
        const QString tool = CSupportMachine::GetApplicationName(i);
        EXPECT_EQ(facade()->GetApplicationURL(i).toLocalFile(),
                  base() + "/" + tool + "/" + tool + ".app");
    }
    EXPECT_TRUE(facade()->GetApplicationURL(-1).isEmpty());
    EXPECT_TRUE(facade()->GetApplicationURL(7).isEmpty());
}

TEST_F(SettingFileExTest, MissingMachineBundleFolderLeavesSettingIniAlone) {
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 4);
    EXPECT_EQ(facade()->GetSupportPrinterName(0), "SI-100");
    EXPECT_EQ(facade()->InitializeMember(), paramErr);
    EXPECT_FALSE(facade()->GetApplicationURL(6).isEmpty());
}

TEST_F(SettingFileExTest, BasePaths) {
    QString path;
    ASSERT_EQ(CSettingFileEx::GetApplicationBundlePath(&path), noErr);
    EXPECT_EQ(path, app->packagePath());
    ASSERT_EQ(CSettingFileEx::GetApplicationBasePath(&path), noErr);
    EXPECT_EQ(path, base());
    ASSERT_EQ(CSettingFileEx::GetMachineBundleBasePath(&path), noErr);
    EXPECT_EQ(path, base() + "/MachineBundle");

    platform::Bundle::setMainBundlePathForTesting(base() + "/gone.app");
    path = "untouched";
    EXPECT_EQ(CSettingFileEx::GetApplicationBundlePath(&path), paramErr);
    EXPECT_EQ(CSettingFileEx::GetApplicationBasePath(&path), paramErr);
    EXPECT_EQ(CSettingFileEx::GetMachineBundleBasePath(&path), paramErr);
    EXPECT_EQ(path, "untouched");
    // Without a package the facade still answers, empty-handed.
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 0);
    EXPECT_TRUE(facade()->GetApplicationURL(0).isEmpty());
    EXPECT_FALSE(facade()->IsSupportApplication("SI-100", 0));
}

} // namespace
