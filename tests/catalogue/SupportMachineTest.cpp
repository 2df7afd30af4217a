// The machine catalogue: the registry of one machine-bundle folder, tools and plug-ins, and the
// settings facade over it and Setting.ini.
#include "catalogue/SupportMachine.h"

#include "catalogue/SettingFileEx.h"
#include "config/SettingFile.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "support/TestSupport.h"

#include <QUrl>
#include <gtest/gtest.h>
#include <unistd.h>

using testsupport::machineSetting;

namespace {

// A text as a table shows it: "null" for a null string.
const auto shown = [](const QString& text) { return text.isNull() ? QString("null") : text; };

// A launcher package in a scratch folder, with the machine-bundle folder and the tool folders
// beside it, and every singleton and test override reset after each test.
class SupportMachineTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setPreferredLanguages(QStringList{"en"});
        // Setting.ini's printers for the facade; the machine catalogue never reads them.
        app.writeSetting(
            "Setting.ini",
            "[FUNCTION]\nFUNCTION_NUM=7\n[PRINTER]\nPRINTER_NUM=4\nPRINTER1=SI-100\n"
            "PRINTER1_PATH_F1=:Plugins:KLSI.plugin\nPRINTER1_PATH_F6=:Plugins:SPVSI.plugin\n"
            "PRINTER1_PATH_F7=:Plugins:SPV2SI.plugin\nPRINTER2=MX-R54400 Series\n"
            "PRINTER2_PATH_F6=:Plugins:SPVR5.plugin\nPRINTER2_PATH_F7=:Plugins:SPV2R5.plugin\n"
            "PRINTER3=Both\nPRINTER3_PATH_F2=:Plugins:SLBoth.plugin\nPRINTER4=Bare\n");
        for (const QString plugin : {"KLSI", "SPVSI", "SPV2SI", "SPVR5", "SPV2R5", "SLBoth"})
            testsupport::writeBundle(app.tree(), "Trellis.app/Plugins/" + plugin + ".plugin",
                                     {{"CFBundleVersion", "1.9"}});
    }
    void TearDown() override {
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        platform::setSystemVersionForTesting(std::nullopt);
        platform::setPreferredLanguages(std::nullopt);
    }
    QString machineFolder() const { return app.tree().path("MachineBundle"); }
    QString writeBundle(const QString& name, const QVariantMap& setting,
                        const QString& version = "2.0.1") const {
        return testsupport::writeMachineBundle(app.tree(), "MachineBundle/" + name, setting,
                                               version);
    }
    // <tool>/Plugin/PrinterPlugin/<file>: a bundle folder.
    void writePlugin(const QString& tool, const QString& file) const {
        testsupport::writeBundle(app.tree(), tool + "/Plugin/PrinterPlugin/" + file, {});
    }
    CSettingFileEx* facade() const { return CSettingFileEx::GetInstance(); }
    std::unique_ptr<CSupportMachine> scan(OSStatus expected = noErr) const {
        auto machine = std::make_unique<CSupportMachine>();
        EXPECT_EQ(machine->OnInitialize(machineFolder()), expected);
        return machine;
    }
    static QStringList names(const CSupportMachine& machine) {
        QStringList result;
        for (long i = 0; i < machine.GetSupportPrinterCount(); ++i)
            result.append(machine.GetPrinterNameWithIndex(i));
        return result;
    }

    testsupport::FakeApplication app;
};

// Over 16 entries: the folder is opened on helper threads too, and must still list in order.
TEST_F(SupportMachineTest, RegistryOfOneFolder) {
    writeBundle("Alpha.bundle", machineSetting({"A2", "A1", "Dup"}, {{"Dup", "AA"}}, {{"Dup", 4}}),
                "1.0");
    writeBundle("alpha.bundle", machineSetting({"a1"}), "1.5");
    writeBundle("beta.bundle",
                machineSetting({"Dup", "X", "Orvel X", "Orvel "}, {{"Dup", "B"}}, {{"Dup", 8}}),
                "9.0");
    writeBundle("Gammabundle", machineSetting({"G1"}), "3.0");
    writeBundle("Hash#%20 x.bundle", machineSetting({"H1"}));
    writeBundle("Delta.Bundle", machineSetting({"D1"}));
    writeBundle("Epsilon.plugin", machineSetting({"E1"}));
    writeBundle("Empty.bundle", machineSetting({}));
    // Bundles that contribute nothing, among them links that lead nowhere or round in circles.
    app.tree().write("MachineBundle/0plain file.bundle", "a file");
    testsupport::writeMachineBundle(app.tree(), "MachineBundle/0bad.bundle", "<plist>");
    testsupport::writeMachineBundle(app.tree(), "MachineBundle/0array.bundle",
                                    testsupport::xmlPropertyList(QVariantList{}));
    writeBundle("0model string.bundle", {{"MODEL", "lonely"}});
    writeBundle("0model mixed.bundle", {{"MODEL", QVariantList{"mixed", 1}}});
    writeBundle("0initial array.bundle",
                {{"MODEL", QStringList{"i6"}}, {"INITIAL", QVariantList{}}});
    writeBundle("0function string.bundle", {{"MODEL", QStringList{"f7"}}, {"FUNCTION", "127"}});
    writeBundle("0no version.bundle", machineSetting({"nv"}), QString());
    QFile::remove(writeBundle("0no info.bundle", machineSetting({"ni"})) + "/Contents/Info.plist");
    int link = 0;
    for (const char* target : {"00.bundle", ".", "..", "nowhere"}) // 00.bundle: itself
        ASSERT_EQ(symlink(target, qPrintable(machineFolder() + QString("/0%1.bundle").arg(link++))),
                  0);
    const QString locked = writeBundle("0locked.bundle", machineSetting({"L1"}));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    // As an ordinary user: permissions do not bind root.
    EXPECT_TRUE(testsupport::asOrdinaryUser({app.basePath()}, [&] {
        const auto machine = scan();
        EXPECT_EQ(names(*machine), QStringList({"A2", "A1", "Dup", "a1", "Dup", "X", "Orvel X",
                                                "Orvel ", "G1", "H1"}));
        const struct Row {
            const char *name, *id;
            long index;
            const char* initial;
            long function;
            OSStatus status;
            const char *bundle, *version; // with noErr only
        } rows[] = {{"Dup", "Dup", 2, "AA", 4, noErr, "Alpha.bundle", "1.0"},
                    {"Orvel Dup", "Dup", 2, "null", 0, paramErr, "", ""},
                    {"a1", "a1", 3, "null", 0, noErr, "alpha.bundle", "1.5"},
                    {"Orvel X", "X", 5, "null", 0, noErr, "beta.bundle", "9.0"},
                    {"Orvel ", "Orvel ", 7, "null", 0, noErr, "beta.bundle", "9.0"},
                    {"G1", "G1", 8, "null", 0, noErr, "Gammabundle", "3.0"},
                    {"H1", "H1", 9, "null", 0, noErr, "Hash#%20 x.bundle", "2.0.1"},
                    {"Orvel", "null", -7, "null", 0, paramErr, "", ""}};
        for (const Row& row : rows) {
            long index = -7;
            QString bundle, version;
            const QString id = shown(machine->GetPrinterDevID(row.name, &index));
            const OSStatus status =
                machine->GetMachineBundleNameAndVersion(row.name, &bundle, &version);
            EXPECT_EQ(std::tuple(id, index, shown(machine->GetPrinterInitial(row.name)),
                                 machine->GetFunctionAttribute(row.name), status, bundle, version),
                      std::tuple(QString(row.id), row.index, QString(row.initial),
                                 long(row.function), row.status, QString(row.bundle),
                                 QString(row.version)))
                << row.name;
        }
        for (const char* absent : {"Orvel", "dup", "orvel Dup", "D1", "E1", "lonely", "mixed", "i6",
                                   "f7", "nv", "ni", "L1", ""})
            EXPECT_FALSE(machine->IsSupportPrinter(absent)) << absent;
    }));
    QFile::setPermissions(locked, QFileDevice::Permissions(0x7700));
}

TEST_F(SupportMachineTest, WorldWideOnlyBundlesAreLeftOutUnderJapaneseOnly) {
    writeBundle("A.bundle", {{"MODEL", QStringList{"W1"}}, {"IsWorldWideOnly", false}});
    writeBundle("B.bundle", machineSetting({"B1"}));
    const std::tuple<const char*, const char*, QStringList> rows[] = {
        // a localization added, the language, the printers
        {"English", "en", {"W1", "B1"}},
        {"Japanese", "ja-JP", {"B1"}},
        {"ja", "ja", {"W1", "B1"}}}; // only a folder named Japanese.lproj counts
    for (const auto& [lproj, language, models] : rows) {
        app.tree().write(
            QString("Trellis.app/Contents/Resources/%1.lproj/InfoPlist.strings").arg(lproj), "x");
        platform::setPreferredLanguages(QStringList{language});
        EXPECT_EQ(names(*scan()), models) << lproj;
    }
}

TEST_F(SupportMachineTest, PerModelValues) {
    const std::tuple<const char*, QVariant, QVariant, const char*, int> rows[] = {
        // model, its INITIAL and FUNCTION (none when invalid), the initial and mask read
        {"ok", "AB", 4, "AB", 4},
        {"three dots", "...", 4, "...", 4},
        {"slash", "/../../../Escaped", 4, "null", 4},
        {"dot dot", "..", 4, "null", 4},
        {"number initial", 5, 4, "null", 4},
        {"no function", "NF", {}, "NF", 0},
        {"negative", {}, -1, "null", -1},
        {"over", {}, qint64(2147483648), "null", 0},
        {"wrap", {}, qint64(4294967300), "null", 0},
        {"string", {}, "4", "null", 0},
        {"whole real", {}, 4.0, "null", 4},
        {"fraction", {}, 4.5, "null", 0}};
    QStringList models;
    QVariantMap initials, functions;
    for (const auto& [model, initial, function, _, __] : rows) {
        models << model;
        if (initial.isValid())
            initials[model] = initial;
        if (function.isValid())
            functions[model] = function;
    }
    writeBundle("A.bundle", machineSetting(models, initials, functions));
    const auto machine = scan();
    for (const auto& [model, _, __, initial, function] : rows) {
        EXPECT_EQ(shown(machine->GetPrinterInitial(model)), initial) << model;
        EXPECT_EQ(machine->GetFunctionAttribute(model), function) << model;
    }
}

TEST_F(SupportMachineTest, ToolsPluginsAndSystemVersion) {
    writeBundle("A.bundle",
                machineSetting({"M44", "M42", "M02", "NoInit"},
                               {{"M44", "A"}, {"M42", "B"}, {"M02", "C"}},
                               {{"M44", 0x44}, {"M42", 0x42}, {"M02", 0x02}, {"NoInit", 0x7f}}));
    const QStringList tools{"Kestrel Loader",       "Status Lantern",  "Sheet Glide Tuner",
                            "Stock Profile Editor", "Nozzle Care Kit", "Stock Profile Vault",
                            "Stock Vault Setup"};
    const QStringList prefixes{"KL", "SL", "SGT", "SPE", "NCK", "SPV", "SPV2"};
    for (long i = 0; i < 7; ++i)
        writePlugin(tools[i], prefixes[i] + "A.plugin"); // every plug-in of M44
    writePlugin("Status Lantern", "SLC.plugin");
    app.tree().write("Status Lantern/Plugin/PrinterPlugin/SLB.plugin", "a file, no bundle");
    const auto machine = scan();
    for (long i = -1; i <= 7; ++i) { // the tool's name, package and plug-in of M44
        const QString tool = tools.value(i), folder = app.basePath() + "/" + tool;
        QString path{"untouched"};
        EXPECT_EQ(machine->GetApplicationURL(i).toLocalFile(),
                  tool.isEmpty() ? "" : folder + "/" + tool + ".app");
        EXPECT_EQ(machine->CreateApplicationPluginPath("M44", i, &path),
                  tool.isEmpty() ? paramErr : noErr);
        EXPECT_EQ(path, tool.isEmpty()
                            ? "untouched"
                            : folder + "/Plugin/PrinterPlugin/" + prefixes[i] + "A.plugin");
    }
    const std::tuple<const char*, const char*, const char*> rows[] = {
        // model, the tools 0..6 offered before system 0x1060 and from 0x1060 on
        {"M44", "0010001", "0010001"},
        {"M42", "0000000", "0000001"},
        {"M02", "0100000", "0100000"},
        {"NoInit", "0000000", "0000001"},
        {"Orvel M44", "0000000", "0000000"}};
    for (const long version : {0x1058L, 0x1060L, 0L}) {
        platform::setSystemVersionForTesting(version);
        for (const auto& [model, older, newer] : rows) {
            QString offered;
            for (long i = -1; i <= 7; ++i)
                offered += machine->IsSupportApplication(model, i) ? '1' : '0';
            EXPECT_EQ(offered, "0" + QString(version >= 0x1060 ? newer : older) + "0")
                << model << " on " << version;
        }
    }
}

using SettingFileExTest = SupportMachineTest;

TEST_F(SettingFileExTest, PrintersOfBothSources) {
    writeBundle("F.bundle",
                machineSetting({"B1", "Both", "Orvel Already"}, {{"B1", "B1"}}, {{"B1", 1}}),
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
    const struct Row {
        const char *name, *id;
        long index; // in the source that answered
        bool supported, tool0;
        const char* version;
    } rows[] = {
        {"B1", "B1", 0, true, true, "3.2.1"},
        {"SI-100", "SI-100", 0, true, true, "1.9"},
        {"Orvel Both", "Both", 1, true, false, "null"},
        {"Both", "Both", 1, true, false, "3.2.1"}, // Setting.ini's Status Lantern is not asked
        {"Orvel MX-R54400 Series", "MX-R54400 Series", 1, true, false, "1.9"},
        {"Bare", "Bare", 3, false, false, "null"}, // Setting.ini needs a plug-in
        {"Nobody", "null", -1, false, false, "null"}};
    for (const Row& row : rows) {
        long index = -5;
        QString version{"stale"};
        const QString id = shown(facade()->CreateCopyPrinterDevID(row.name, &index));
        EXPECT_EQ(facade()->CreateMachineVersion(row.name, &version), noErr);
        EXPECT_FALSE(facade()->IsSupportApplication(row.name, 1));
        EXPECT_EQ(
            std::tuple(id, index, bool(facade()->IsSupportPrinter(row.name)),
                       bool(facade()->IsSupportApplication(row.name, 0)), shown(version)),
            std::tuple(QString(row.id), row.index, row.supported, row.tool0, QString(row.version)))
            << row.name;
    }
}

TEST_F(SettingFileExTest, SpecialModelsSwapBackupToolsBySystemVersion) {
    const QStringList models{"MX-R74400 Series", "MX-R74400", "Orvel MX-R74400 Series"};
    writeBundle("R.bundle",
                machineSetting(models, {{models[0], "R7"}, {models[1], "R7"}, {models[2], "R7"}},
                               {{models[0], 0x60}, {models[1], 0x60}, {models[2], 0x60}}));
    writePlugin("Stock Profile Vault", "SPVR7.plugin");
    writePlugin("Stock Vault Setup", "SPV2R7.plugin");
    // Special: MX-R74400 Series here and Setting.ini's MX-R54400 Series; not a display name.
    for (const long version : {0x1058L, 0x1060L, 0x1100L, 0L}) {
        platform::setSystemVersionForTesting(version);
        QString offered; // tools 5 and 6 of each model
        for (const QString& model : models + QStringList{"MX-R54400 Series", "SI-100"})
            for (const long tool : {5, 6})
                offered += facade()->IsSupportApplication(model, tool) ? '1' : '0';
        EXPECT_EQ(offered, version >= 0x1060 ? "0111110111" : "1011111011") << version;
    }
}

TEST_F(SettingFileExTest, MissingFolderOrPackage) {
    EXPECT_EQ(facade()->GetSupportPrinterNum(), 4);               // Setting.ini still answers
    EXPECT_FALSE(scan(paramErr)->GetApplicationURL(0).isEmpty()); // the tools are still known
    writeBundle("A.bundle", machineSetting({"L1"}));
    QFile::setPermissions(machineFolder(), QFileDevice::Permissions());
    EXPECT_TRUE(testsupport::asOrdinaryUser(
        {app.basePath()}, [&] { EXPECT_EQ(scan(paramErr)->GetSupportPrinterCount(), 0); }));
    QFile::setPermissions(machineFolder(), QFileDevice::Permissions(0x7700));
}

} // namespace
