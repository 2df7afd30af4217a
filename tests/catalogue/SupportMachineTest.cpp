#include "catalogue/SupportMachine.h"

#include "CatalogueFixture.h"
#include "platform/Bundle.h"

#include <QFile>
#include <QUrl>
#include <unistd.h>

using cataloguetest::CatalogueTest;
using cataloguetest::setting;

namespace {

class SupportMachineTest : public CatalogueTest {
protected:
    // Builds the registry from the MachineBundle folder beside the package.
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
};

// --- the registry ---

TEST_F(SupportMachineTest, RecordsFollowListingOrderThenModelOrder) {
    writeBundle("beta.bundle", setting({"B1", "B2"}), "2.0");
    writeBundle("Alpha.bundle", setting({"A2", "A1"}), "1.0");
    writeBundle("alpha.bundle", setting({"a1"}), "1.5");
    writeBundle("Gammabundle", setting({"G1"}), "3.0"); // no dot: still a bundle
    writeBundle("Hash#%20 x.bundle", setting({"H1"}));  // URL-special characters
    app->tree().write("MachineBundle/notes.txt", "ignored");
    writeBundle("Delta.Bundle", setting({"D1"}));   // suffix is case-sensitive
    writeBundle("Epsilon.plugin", setting({"E1"})); // not a bundle name

    const auto machine = scan();
    EXPECT_EQ(names(*machine), (QStringList{"A2", "A1", "a1", "B1", "B2", "G1", "H1"}));
    EXPECT_EQ(machine->GetPrinterNameWithIndex(-1), QString());
    EXPECT_TRUE(machine->GetPrinterNameWithIndex(7).isNull());

    QString bundleName, version;
    ASSERT_EQ(machine->GetMachineBundleNameAndVersion("G1", &bundleName, &version), noErr);
    EXPECT_EQ(bundleName, "Gammabundle");
    EXPECT_EQ(version, "3.0");
    ASSERT_EQ(machine->GetMachineBundleNameAndVersion("H1", &bundleName, nullptr), noErr);
    EXPECT_EQ(bundleName, "Hash#%20 x.bundle");
    ASSERT_EQ(machine->GetPluginVersion("a1", &version), noErr);
    EXPECT_EQ(version, "1.5");
    EXPECT_EQ(machine->GetMachineBundleNameAndVersion("A1", nullptr, nullptr), noErr);
    EXPECT_EQ(machine->GetMachineBundleNameAndVersion("D1", &bundleName, &version), paramErr);
    EXPECT_EQ(machine->GetMachineBundleNameAndVersion(QString(), nullptr, nullptr), paramErr);
}

TEST_F(SupportMachineTest, DuplicateModelsKeepEveryRecordAndFirstBundleAnswers) {
    writeBundle(
        "A.bundle",
        setting({"MX-R74400 Series"}, {{"MX-R74400 Series", "AA"}}, {{"MX-R74400 Series", 4}}),
        "1.0");
    writeBundle("B.bundle",
                setting({"Other", "MX-R74400 Series"}, {{"MX-R74400 Series", "BB"}},
                        {{"MX-R74400 Series", 8}}),
                "9.0");
    const auto machine = scan();
    EXPECT_EQ(machine->GetSupportPrinterCount(), 3);

    long index = -7;
    EXPECT_EQ(machine->GetPrinterDevID("MX-R74400 Series", &index), "MX-R74400 Series");
    EXPECT_EQ(index, 0);
    EXPECT_EQ(machine->GetPrinterInitial("MX-R74400 Series"), "AA");
    EXPECT_EQ(machine->GetFunctionAttribute("MX-R74400 Series"), 4);
    QString version;
    ASSERT_EQ(machine->GetPluginVersion("MX-R74400 Series", &version), noErr);
    EXPECT_EQ(version, "1.0");
    EXPECT_EQ(machine->GetPrinterDevID("Other", &index), "Other");
    EXPECT_EQ(index, 1);
}

TEST_F(SupportMachineTest, DisplayNamesFindPrintersButNotPerModelData) {
    writeBundle("A.bundle", setting({"X", "MX-R74400 Series"}, {{"MX-R74400 Series", "R7"}},
                                    {{"MX-R74400 Series", 4}}));
    const auto machine = scan();
    long index = -1;
    EXPECT_EQ(machine->GetPrinterDevID("Orvel MX-R74400 Series", &index), "MX-R74400 Series");
    EXPECT_EQ(index, 1);
    EXPECT_EQ(machine->CreatePrinterDevID("MX-R74400 Series", nullptr), "MX-R74400 Series");
    EXPECT_TRUE(machine->IsSupportPrinter("Orvel MX-R74400 Series"));
    EXPECT_FALSE(machine->IsSupportPrinter("orvel MX-R74400 Series"));
    EXPECT_FALSE(machine->IsSupportPrinter("MX-R74400 series"));
    EXPECT_FALSE(machine->IsSupportPrinter(QString()));

    EXPECT_EQ(machine->GetFunctionAttribute("Orvel MX-R74400 Series"), 0);
    EXPECT_TRUE(machine->GetPrinterInitial("Orvel MX-R74400 Series").isNull());
    EXPECT_EQ(machine->GetPluginVersion("Orvel MX-R74400 Series", nullptr), paramErr);

    index = 42;
    EXPECT_TRUE(machine->GetPrinterDevID("Unknown", &index).isNull());
    EXPECT_EQ(index, 42); // untouched without a match
}

TEST_F(SupportMachineTest, NameMatchesAsGivenOrStrippedWhicheverRecordComesFirst) {
    // "Orvel X" is itself a model, listed after "X": the earlier record wins.
    writeBundle("A.bundle", setting({"X", "Orvel X", "Orvel "}));
    writeBundle("B.bundle", setting({""}));
    const auto machine = scan();
    long index = -1;
    EXPECT_EQ(machine->GetPrinterDevID("Orvel X", &index), "X");
    EXPECT_EQ(index, 0);
    // "Orvel " strips to the empty name; only a model that is itself "Orvel " or empty fits.
    EXPECT_EQ(machine->GetPrinterDevID("Orvel ", &index), "Orvel ");
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(machine->IsSupportPrinter("Orvel")); // the empty model needs the blank too
}

TEST_F(SupportMachineTest, ModelMissingFromFunctionStillCountsButSupportsNothing) {
    writeBundle("A.bundle", setting({"M1", "M2"}, {{"M1", "I1"}, {"M2", "I2"}}, {{"M1", 1}}));
    writePlugin("Kestrel Loader", "KLI2.plugin");
    const auto machine = scan();
    EXPECT_TRUE(machine->IsSupportPrinter("M2"));
    EXPECT_EQ(machine->GetFunctionAttribute("M2"), 0);
    for (long tool = 0; tool < 7; ++tool)
        EXPECT_FALSE(machine->IsSupportApplication("M2", tool)) << tool;
}

TEST_F(SupportMachineTest, WorldWideOnlyBundleIsLeftOutUnderJapanese) {
    QVariantMap worldWide = setting({"W1"}, {{"W1", "W"}}, {{"W1", 1}});
    worldWide.insert("IsWorldWideOnly", true);
    writeBundle("A.bundle", worldWide);
    writeBundle("B.bundle", setting({"B1"}));
    app->tree().write("Trellis.app/Contents/Resources/Japanese.lproj/InfoPlist.strings", "x");
    platform::setPreferredLanguagesForTesting(QStringList{"ja-JP"});
    const auto machine = scan();
    EXPECT_EQ(names(*machine), QStringList{"B1"});
    // No dictionary was kept for it either.
    EXPECT_EQ(machine->SearchSettingDictionary("W1", nullptr), paramErr);
    const platform::MachineSetting* dictionary = nullptr;
    EXPECT_EQ(machine->SearchSettingDictionary("B1", &dictionary), noErr);
    ASSERT_NE(dictionary, nullptr);
    EXPECT_EQ(dictionary->modelNames, QStringList{"B1"});
}

TEST_F(SupportMachineTest, MissingOrUnlistableFolderFailsButKeepsToolList) {
    {
        const auto machine = scan(paramErr);
        EXPECT_EQ(machine->GetSupportPrinterCount(), 0);
        EXPECT_FALSE(machine->GetApplicationURL(0).isEmpty());
        EXPECT_TRUE(machine->GetPrinterDevID("X", nullptr).isNull());
    }
    CSupportMachine machine;
    EXPECT_EQ(machine.OnInitialize(QString()), paramErr);
    EXPECT_TRUE(machine.GetApplicationURL(0).isEmpty());
    EXPECT_EQ(machine.SearchMachineBundle(QString()), paramErr);
    EXPECT_EQ(machine.AppendMachineBundle(QUrl()), paramErr);
    EXPECT_EQ(machine.AppendPrinter(nullptr, "b", "v"), paramErr);
}

TEST_F(SupportMachineTest, BadBundlesContributeNothingAndOthersStillCount) {
    const QByteArray good = testsupport::xmlPropertyList(setting({"never"}));
    writeBundle("00good.bundle", setting({"G0"}, {{"G0", "G"}}, {{"G0", 1}}));
    writeBundleRaw("01malformed.bundle", "<plist><dict><key>MODEL</key><array><string>");
    writeBundleRaw("02truncated.bundle", good.left(good.size() - 20));
    writeBundleRaw("03rootarray.bundle", testsupport::xmlPropertyList(QVariantList{"x"}));
    writeBundle("04modelstring.bundle", {{"MODEL", "lonely"}});
    writeBundle("05modelmixed.bundle", {{"MODEL", QVariantList{"mixed", 1}}});
    writeBundle("06initialarray.bundle",
                {{"MODEL", QStringList{"i6"}}, {"INITIAL", QVariantList{"i6"}}});
    writeBundle("07functionstring.bundle",
                {{"MODEL", QStringList{"f7"}}, {"FUNCTION", QStringLiteral("127")}});
    app->tree().write("MachineBundle/08file.bundle", "plain file");
    writeBundle("09noversion.bundle", setting({"nv"}), QString());
    writeBundle("10noinfo.bundle", setting({"ni"}));
    QFile::remove(machineFolder() + "/10noinfo.bundle/Contents/Info.plist");
    writeBundle("11versionnumber.bundle", setting({"vn"}));
    app->tree().write("MachineBundle/11versionnumber.bundle/Contents/Info.plist",
                      testsupport::xmlPropertyList(QVariantMap{{"CFBundleVersion", 3}}));
    app->tree().mkdir("MachineBundle/12empty.bundle");
    writeBundle("13nomodel.bundle", {{"INITIAL", QVariantMap{{"x", "y"}}}});
    // Links that lead nowhere or round in circles.
    ASSERT_EQ(symlink("14loop.bundle", qPrintable(machineFolder() + "/14loop.bundle")), 0);
    ASSERT_EQ(symlink(".", qPrintable(machineFolder() + "/15self.bundle")), 0);
    ASSERT_EQ(symlink("..", qPrintable(machineFolder() + "/16parent.bundle")), 0);
    ASSERT_EQ(symlink("nowhere", qPrintable(machineFolder() + "/17dangling.bundle")), 0);
    writeBundle("zz-good.bundle", setting({"G1"}));

    const auto machine = scan();
    EXPECT_EQ(names(*machine), (QStringList{"G0", "G1"}));
    EXPECT_EQ(machine->GetFunctionAttribute("G0"), 1);
    for (const char* model : {"never", "lonely", "mixed", "i6", "f7", "nv", "ni", "vn"})
        EXPECT_FALSE(machine->IsSupportPrinter(model)) << model;
}

TEST_F(SupportMachineTest, UnreadableBundleFolderIsSkipped) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    const QString locked = writeBundle("A.bundle", setting({"L1"}));
    writeBundle("B.bundle", setting({"B1"}));
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const auto machine = scan();
    QFile::setPermissions(locked,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(names(*machine), QStringList{"B1"});
}

TEST_F(SupportMachineTest, UnreadableMachineBundleFolderFails) {
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind root";
    writeBundle("A.bundle", setting({"L1"}));
    QFile::setPermissions(machineFolder(), QFileDevice::Permissions());
    const auto machine = scan(paramErr);
    QFile::setPermissions(machineFolder(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(machine->GetSupportPrinterCount(), 0);
}

TEST_F(SupportMachineTest, FunctionValuesReadAsSigned32Bit) {
    writeBundle("A.bundle", {{"MODEL", QStringList{"neg", "max", "over", "under", "wrap", "str",
                                                   "bool", "real", "frac"}},
                             {"FUNCTION", QVariantMap{{"neg", -1},
                                                      {"max", qint64(2147483647)},
                                                      {"over", qint64(2147483648)},
                                                      {"under", qint64(-2147483649)},
                                                      {"wrap", qint64(4294967300)},
                                                      {"str", "4"},
                                                      {"bool", true},
                                                      {"real", 4.0},
                                                      {"frac", 4.5}}}});
    const auto machine = scan();
    EXPECT_EQ(machine->GetFunctionAttribute("neg"), -1);
    EXPECT_EQ(machine->GetFunctionAttribute("max"), 2147483647);
    EXPECT_EQ(machine->GetFunctionAttribute("over"), 0);
    EXPECT_EQ(machine->GetFunctionAttribute("under"), 0);
    EXPECT_EQ(machine->GetFunctionAttribute("wrap"), 0); // not cut down to 4
    EXPECT_EQ(machine->GetFunctionAttribute("str"), 0);
    EXPECT_EQ(machine->GetFunctionAttribute("bool"), 0);
    EXPECT_EQ(machine->GetFunctionAttribute("real"), 4);
    EXPECT_EQ(machine->GetFunctionAttribute("frac"), 0);
    EXPECT_EQ(machine->GetFunctionAttribute(QString()), 0);
}

TEST_F(SupportMachineTest, InitialsThatWouldLeaveThePluginFolderAreNoInitial) {
    const QStringList models{"ok", "slash", "dot", "dotdot", "number", "dots3"};
    writeBundle(
        "A.bundle",
        {{"MODEL", models},
         {"INITIAL", QVariantMap{{"ok", "AB"},
                                 {"slash", "/../../../Escaped"},
                                 {"dot", "."},
                                 {"dotdot", ".."},
                                 {"number", 5},
                                 {"dots3", "..."}}},
         {"FUNCTION",
          QVariantMap{
              {"ok", 4}, {"slash", 4}, {"dot", 4}, {"dotdot", 4}, {"number", 4}, {"dots3", 4}}}});
    // Where the slashed initial would lead from Sheet Glide Tuner's plug-in folder.
    app->tree().mkdir("Sheet Glide Tuner/Plugin/PrinterPlugin/SGT");
    writePlugin("Sheet Glide Tuner", "../../Escaped.plugin");
    writePlugin("Sheet Glide Tuner", "SGTAB.plugin");
    const auto machine = scan();
    EXPECT_TRUE(machine->IsSupportApplication("ok", 2));
    EXPECT_FALSE(machine->IsSupportApplication("slash", 2));
    EXPECT_EQ(machine->GetPrinterInitial("ok"), "AB");
    EXPECT_EQ(machine->GetPrinterInitial("dots3"), "...");
    for (const char* model : {"slash", "dot", "dotdot", "number"}) {
        EXPECT_TRUE(machine->GetPrinterInitial(model).isNull()) << model;
        QString path;
        EXPECT_EQ(machine->CreateApplicationPluginPath(model, 2, &path), paramErr) << model;
    }
}

// --- tools and plug-ins ---

TEST_F(SupportMachineTest, ToolIndicesOutsideTheSevenSlotsGiveNothing) {
    for (long bad : {-1L, 7L}) {
        EXPECT_TRUE(CSupportMachine::GetApplicationName(bad).isNull());
        EXPECT_EQ(CSupportMachine::GetApplicationAttribute(bad), 0);
        QString path{"untouched"};
        EXPECT_EQ(CSupportMachine::CreateApplicationFolderPath(bad, &path), paramErr);
        EXPECT_EQ(CSupportMachine::CreateApplicationPath(bad, &path), paramErr);
        EXPECT_EQ(path, "untouched");
        QList<QUrl> urls;
        EXPECT_EQ(CSupportMachine::CreateApplicationURL(bad, &urls), paramErr);
        EXPECT_TRUE(urls.isEmpty());
    }
    EXPECT_EQ(CSupportMachine::CreateApplicationURL(0, nullptr), paramErr);
}

TEST_F(SupportMachineTest, PathsLieBesideTheLauncherPackage) {
    writeBundle("A.bundle", setting({"P"}, {{"P", "AB12"}}, {{"P", 0x7f}}));
    const auto machine = scan();

    QString path;
    ASSERT_EQ(CSupportMachine::CreateApplicationFolderPath(3, &path), noErr);
    EXPECT_EQ(path, base() + "/Stock Profile Editor");
    ASSERT_EQ(CSupportMachine::CreateApplicationPath(3, &path), noErr);
    EXPECT_EQ(path, base() + "/Stock Profile Editor/Stock Profile Editor.app");
    ASSERT_EQ(machine->CreateApplicationPluginPath("P", 3, &path), noErr);
    EXPECT_EQ(path, base() + "/Stock Profile Editor/Plugin/PrinterPlugin/SPEAB12.plugin");
    QString name;
    ASSERT_EQ(machine->CreateApplicationPluginName("P", 6, &name), noErr);
    EXPECT_EQ(name, "SPV2AB12.plugin");
    QUrl url;
    ASSERT_EQ(machine->CreateApplicationPluginURL("P", 0, &url), noErr);
    EXPECT_EQ(url.toLocalFile(), base() + "/Kestrel Loader/Plugin/PrinterPlugin/KLAB12.plugin");

    const QStringList formats{"KL", "SL", "SGT", "SPE", "NCK", "SPV", "SPV2"};
    for (long i = 0; i < 7; ++i) {
        ASSERT_EQ(machine->CreateApplicationPluginName("P", i, &name), noErr);
        EXPECT_EQ(name, formats.at(i) + "AB12.plugin");
        const QString tool = CSupportMachine::GetApplicationName(i);
        EXPECT_EQ(machine->GetApplicationURL(i).toLocalFile(),
                  base() + "/" + tool + "/" + tool + ".app");
    }
    EXPECT_TRUE(machine->GetApplicationURL(-1).isEmpty());
    EXPECT_TRUE(machine->GetApplicationURL(7).isEmpty());
    EXPECT_EQ(machine->CreateApplicationPluginName("P", 7, &name), paramErr);
    EXPECT_EQ(machine->CreateApplicationPluginPath(QString(), 0, &path), paramErr);
    EXPECT_EQ(machine->CreateApplicationPluginName("Orvel P", 0, &name), paramErr);
    EXPECT_FALSE(machine->IsExistApplicationPlugin("P", -1));
}

TEST_F(SupportMachineTest, NoMainBundleMeansNoPaths) {
    platform::Bundle::setMainBundlePathForTesting(base() + "/missing.app");
    QString path;
    EXPECT_EQ(CSupportMachine::CreateApplicationFolderPath(0, &path), paramErr);
    QList<QUrl> urls;
    EXPECT_EQ(CSupportMachine::CreateApplicationURLArray(&urls), paramErr);
    EXPECT_TRUE(urls.isEmpty());
    CSupportMachine machine;
    EXPECT_EQ(machine.OnInitialize(machineFolder()), paramErr);
    EXPECT_TRUE(machine.GetApplicationURL(0).isEmpty());
}

TEST_F(SupportMachineTest, MaskAndPluginsDecideSupport) {
    writeBundle("A.bundle",
                setting({"M44", "M40", "M02", "NoInit"}, {{"M44", "A"}, {"M40", "B"}, {"M02", "C"}},
                        {{"M44", 0x44}, {"M40", 0x40}, {"M02", 0x02}, {"NoInit", 0x7f}}));
    for (long i = 0; i < 7; ++i) {
        const QString tool = CSupportMachine::GetApplicationName(i);
        const QStringList prefixes{"KL", "SL", "SGT", "SPE", "NCK", "SPV", "SPV2"};
        writePlugin(tool, prefixes.at(i) + "A.plugin"); // every plug-in of M44
    }
    writePlugin("Status Lantern", "SLC.plugin");
    app->tree().write("Status Lantern/Plugin/PrinterPlugin/SLB.plugin", "a file, no bundle");
    const auto machine = scan();

    for (long version : {0x1058L, 0x1060L, 0L}) {
        platform::setSystemVersionForTesting(version);
        for (long i = 0; i < 7; ++i)
            EXPECT_EQ(machine->IsSupportApplication("M44", i), i == 2 || i == 6) << i;
        // Bit 64 without its plug-in: only newer systems offer the tool.
        EXPECT_EQ(machine->IsSupportApplication("M40", 6), version >= 0x1060) << version;
        EXPECT_FALSE(machine->IsSupportApplication("M40", 5));
        EXPECT_TRUE(machine->IsSupportApplication("M02", 1));
        EXPECT_FALSE(machine->IsSupportApplication("M02", 6)); // bit missing
        for (long i = 0; i < 6; ++i)
            EXPECT_FALSE(machine->IsSupportApplication("NoInit", i));
        EXPECT_EQ(machine->IsSupportApplication("NoInit", 6), version >= 0x1060);
        EXPECT_FALSE(machine->IsSupportApplication("M44", 7));
        EXPECT_FALSE(machine->IsSupportApplication("M44", -1));
        EXPECT_FALSE(machine->IsSupportApplication("Orvel M44", 2));
    }
    EXPECT_FALSE(machine->IsExistApplicationPlugin("M40", 1));
    EXPECT_TRUE(machine->IsExistApplicationPlugin("M02", 1));
}

} // namespace
