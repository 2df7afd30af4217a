// The settings facade: the catalogue first, Setting.ini after, and the special models' rule.
#include "CatalogueFixture.h"
#include "platform/Bundle.h"

#include <QUrl>

using cataloguetest::is;
using cataloguetest::setting;

namespace {

class SettingFileExTest : public cataloguetest::CatalogueTest {
protected:
    void SetUp() override {
        CatalogueTest::SetUp();
        app->writeSetting("Setting.ini", "[FUNCTION]\nFUNCTION_NUM=7\n[PRINTER]\nPRINTER_NUM=4\n"
                                         "PRINTER1=SI-100\nPRINTER1_PATH_F1=:Plugins:KLSI.plugin\n"
                                         "PRINTER1_PATH_F6=:Plugins:SPVSI.plugin\n"
                                         "PRINTER1_PATH_F7=:Plugins:SPV2SI.plugin\n"
                                         "PRINTER2=MX-R54400 Series\n"
                                         "PRINTER2_PATH_F6=:Plugins:SPVR5.plugin\n"
                                         "PRINTER2_PATH_F7=:Plugins:SPV2R5.plugin\n"
                                         "PRINTER3=Both\nPRINTER3_PATH_F2=:Plugins:SLBoth.plugin\n"
                                         "PRINTER4=Bare\n");
        for (const QString plugin : {"KLSI", "SPVSI", "SPV2SI", "SPVR5", "SPV2R5", "SLBoth"})
            testsupport::writeBundle(app->tree(), "Trellis.app/Plugins/" + plugin + ".plugin",
                                     {{"CFBundleVersion", "1.9"}});
    }
    CSettingFileEx* facade() const { return CSettingFileEx::GetInstance(); }
};

TEST_F(SettingFileExTest, PrintersOfBothSources) {
    writeBundle("F.bundle", setting({"B1", "Both", "Orvel Already"}, {{"B1", "B1"}}, {{"B1", 1}}),
                "3.2.1");
    writePlugin("Kestrel Loader", "KLB1.plugin");
    const QStringList names{"B1",   "Both", "Orvel Already", "SI-100", "MX-R54400 Series",
                            "Both", "Bare"};
    ASSERT_EQ(facade()->GetSupportPrinterNum(), 7);
    for (long i = -1; i <= 7; ++i) {
        const QString name = names.value(i);
        EXPECT_EQ(facade()->GetSupportPrinterName(i), name) << i;
        EXPECT_EQ(facade()->GetSupportPrinterNameWithVenderName(i),
                  name.isEmpty() || name.startsWith("Orvel ") ? name : "Orvel " + name);
    }
    const struct {
        const char *name, *deviceID;
        long index; // within the source that answered
        bool supported, tool0;
        const char* version;
    } rows[] = {
        {"B1", "B1", 0, true, true, "3.2.1"},
        {"Both", "Both", 1, true, false, "3.2.1"}, // Setting.ini's Status Lantern is not asked
        {"Orvel Both", "Both", 1, true, false, nullptr},
        {"SI-100", "SI-100", 0, true, true, "1.9"},
        {"Orvel MX-R54400 Series", "MX-R54400 Series", 1, true, false, "1.9"},
        {"Bare", "Bare", 3, false, false, nullptr}, // Setting.ini needs a plug-in
        {"Nobody", nullptr, -1, false, false, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        long index = -5;
        EXPECT_TRUE(is(facade()->CreateCopyPrinterDevID(row.name, &index), row.deviceID));
        EXPECT_EQ(index, row.index);
        EXPECT_EQ(facade()->IsSupportPrinter(row.name), row.supported);
        EXPECT_EQ(facade()->IsSupportApplication(row.name, 0), row.tool0);
        EXPECT_FALSE(facade()->IsSupportApplication(row.name, 1));
        QString version{"stale"};
        EXPECT_EQ(facade()->CreateMachineVersion(row.name, &version), noErr);
        EXPECT_TRUE(is(version, row.version));
    }
}

TEST_F(SettingFileExTest, SpecialModelsSwapBackupToolsBySystemVersion) {
    const QStringList models{"MX-R74400 Series", "MX-R74400", "Orvel MX-R74400 Series"};
    writeBundle("R.bundle",
                setting(models, {{models[0], "R7"}, {models[1], "R7"}, {models[2], "R7"}},
                        {{models[0], 0x60}, {models[1], 0x60}, {models[2], 0x60}}));
    writePlugin("Stock Profile Vault", "SPVR7.plugin");
    writePlugin("Stock Vault Setup", "SPV2R7.plugin");
    // Special: the first two of the catalogue's models and Setting.ini's MX-R54400 Series.
    for (const long version : {0x1058L, 0x1060L, 0x1100L, 0L}) {
        platform::setSystemVersionForTesting(version);
        const bool newer = version >= 0x1060;
        for (const QString& model : models + QStringList{"MX-R54400 Series", "SI-100"}) {
            const bool special = model == models[0] || model == "MX-R54400 Series";
            EXPECT_EQ(facade()->IsSupportApplication(model, 5), !special || !newer)
                << model.toStdString() << version;
            EXPECT_EQ(facade()->IsSupportApplication(model, 6), !special || newer)
                << model.toStdString() << version;
        }
    }
}

TEST_F(SettingFileExTest, MissingFolderOrPackage) {
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 4); // Setting.ini still answers
    EXPECT_EQ(facade()->InitializeMember(), paramErr);
    QString path;
    ASSERT_EQ(CSettingFileEx::GetMachineBundleBasePath(&path), noErr);
    EXPECT_EQ(path, base() + "/MachineBundle");
    CSettingFileEx::DestroyInstance();
    CSettingFile::DestroyInstance();
    platform::Bundle::setMainBundlePathForTesting(base() + "/gone.app");
    EXPECT_EQ(CSettingFileEx::GetMachineBundleBasePath(&path), paramErr);
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 0);
    EXPECT_TRUE(facade()->GetApplicationURL(0).isEmpty());
}

} // namespace
