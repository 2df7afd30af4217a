#include "SetupLauncherFixture.h"
#include "catalogue/MachineBundle.h"
#include "config/UFile.h"
#include "platform/Bundle.h"
#include "platform/TestingAccess.h"
#include "setup_launcher/SettingDictionary.h"
#include "setup_launcher/SetupLauncher.h"

#include <gtest/gtest.h>
#include <memory>

using setup_launcher::CSettingDictionary;
using setup_launcher::CSettingFile;
using setuptest::machineSetting;

namespace {

const QString kPrinter = QStringLiteral("MX-R74400 Series");

class PluginLocation : public ::testing::Test {
protected:
    void SetUp() override {
        install = setuptest::sheetGlideTunerAsThisProgram();
        platform::setPreferredLanguagesForTesting(QStringList{QStringLiteral("en")});
        UFile::SetSettingFolderName(QStringLiteral("SGT_Settings"));
        CSettingDictionary::SetPluginPathFormat(
            QLatin1String(setup_launcher::sgt::kPluginPathFormat));
        reset();
    }
    void TearDown() override {
        reset();
        UFile::SetSettingFolderName(QStringLiteral("Settings"));
        platform::setPreferredLanguagesForTesting(std::nullopt);
        platform::Bundle::setMainBundlePathForTesting(QString());
        install.reset();
    }
    static void reset() {
        CSettingDictionary::DestroyInstance();
        CSettingFile::DestroyInstance();
    }

    // The path the resolver gives for one identifier, from a fresh start; null for none.
    static QString resolve(const QString& deviceID) {
        reset();
        CSettingDictionary* dictionary = CSettingDictionary::GetInstance(deviceID);
        if (!dictionary)
            return QStringLiteral("<no instance>");
        QString path;
        return dictionary->CreatePluginPath(&path) ? path : QString();
    }

    std::unique_ptr<setuptest::Installation> install;
};

TEST_F(PluginLocation, MachineBundlePathIsBesideTheToolFolders) {
    CSettingDictionary* dictionary = CSettingDictionary::GetInstance(kPrinter);
    ASSERT_NE(dictionary, nullptr);
    QString path;
    ASSERT_EQ(dictionary->CreateMachineBundlePath(&path), 0);
    EXPECT_EQ(path, install->root() + QStringLiteral("/MachineBundle"));
}

TEST_F(PluginLocation, FirstListingBundleInFolderOrderGivesTheInitial) {
    install->writeMachineBundle(QStringLiteral("A Other.bundle"),
                                machineSetting({QStringLiteral("WJ-2400")},
                                               {{QStringLiteral("WJ-2400"), QStringLiteral("W")}}));
    install->writeMachineBundle(QStringLiteral("B First.bundle"),
                                machineSetting({kPrinter}, {{kPrinter, QStringLiteral("R74")}}));
    install->writeMachineBundle(QStringLiteral("C Second.bundle"),
                                machineSetting({kPrinter}, {{kPrinter, QStringLiteral("Z9")}}));
    // A usable bundle initial wins over a settings-file entry for the same printer.
    install->writeSetting(QStringLiteral("Setting.ini"),
                          "[MX-R74400 Series]\nPLUGIN_PATH=Plugin\\Legacy\\SGTOld.plugin\n"
                          "[WJ-2400]\nPLUGIN_PATH=Plugin\\Legacy\\SGTOldW.plugin\n");

    EXPECT_EQ(resolve(kPrinter), QStringLiteral("Plugin/PrinterPlugin/SGTR74.plugin"));
    EXPECT_EQ(resolve(QStringLiteral("WJ-2400")),
              QStringLiteral("Plugin/PrinterPlugin/SGTW.plugin"));
}

TEST_F(PluginLocation, OnlyReadableFoldersNamedDotBundleCount) {
    const QVariantMap wrong = machineSetting({kPrinter}, {{kPrinter, QStringLiteral("WRONG")}});
    install->writeMachineBundle(QStringLiteral("Aabundle"), wrong);  // no dot
    install->writeMachineBundle(QStringLiteral("Ab.Bundle"), wrong); // other case
    install->tree().write(QStringLiteral("MachineBundle/Ac.bundle"), "plain file");
    const QString broken = install->writeMachineBundle(QStringLiteral("Ad.bundle"), wrong);
    QFile::remove(broken + QStringLiteral("/Contents/Resources/Setting.xml"));
    install->tree().write(QStringLiteral("MachineBundle/Ae.bundle/Contents/Resources/Setting.xml"),
                          "<plist><dict><key>MODEL</key>");
    install->writeMachineBundle(QStringLiteral("B.bundle"),
                                machineSetting({kPrinter}, {{kPrinter, QStringLiteral("OK")}}));

    EXPECT_EQ(resolve(kPrinter), QStringLiteral("Plugin/PrinterPlugin/SGTOK.plugin"));
}

TEST_F(PluginLocation, IdentifierMustMatchAModelExactly) {
    install->writeMachineBundle(QStringLiteral("A.bundle"),
                                machineSetting({kPrinter}, {{kPrinter, QStringLiteral("R74")}}));
    install->writeSetting(QStringLiteral("Setting.ini"), "[Other]\nPLUGIN_PATH=x.plugin\n");

    for (const QString& near : {kPrinter.toLower(), QStringLiteral("Orvel ") + kPrinter,
                                kPrinter + QLatin1Char(' '), QStringLiteral("MX-R74400")}) {
        // Nothing lists it and Setting.ini has nothing for it: an instance, but no path.
        EXPECT_TRUE(resolve(near).isNull()) << qPrintable(near);
        EXPECT_NE(CSettingFile::GetInstance(), nullptr);
    }
}

TEST_F(PluginLocation, WorldWideOnlyBundleIsPassedOverUnderJapanese) {
    install->tree().write(QStringLiteral("Sheet Glide Tuner/Sheet Glide Tuner.app/Contents/"
                                         "Resources/Japanese.lproj/InfoPlist.strings"),
                          "CFBundleName = \"x\";");
    QVariantMap hidden = machineSetting({kPrinter}, {{kPrinter, QStringLiteral("WW")}});
    hidden.insert(QStringLiteral("IsWorldWideOnly"), false);
    install->writeMachineBundle(QStringLiteral("A WorldWide.bundle"), hidden);
    install->writeMachineBundle(QStringLiteral("B Japan.bundle"),
                                machineSetting({kPrinter}, {{kPrinter, QStringLiteral("JP")}}));

    EXPECT_EQ(resolve(kPrinter), QStringLiteral("Plugin/PrinterPlugin/SGTWW.plugin"));
    platform::setPreferredLanguagesForTesting(QStringList{QStringLiteral("ja")});
    EXPECT_EQ(resolve(kPrinter), QStringLiteral("Plugin/PrinterPlugin/SGTJP.plugin"));
}

TEST_F(PluginLocation, ListingBundleWithoutUsableInitialFallsBackToSettingIni) {
    install->writeSetting(QStringLiteral("Setting.ini"),
                          "[MX-R74400 Series]\nPLUGIN_PATH=Plugin\\Legacy\\SGTSafe.plugin\n");
    const QVariantMap unusable[] = {
        machineSetting({kPrinter}),
        machineSetting({kPrinter}, {{QStringLiteral("WJ-2400"), QStringLiteral("W")}}),
        machineSetting({kPrinter}, {{kPrinter, 7}}),
        machineSetting({kPrinter}, {{kPrinter, QStringLiteral("../../../evil")}}),
        machineSetting({kPrinter}, {{kPrinter, QStringLiteral("a/b")}}),
        machineSetting({kPrinter}, {{kPrinter, QStringLiteral(".")}}),
        machineSetting({kPrinter}, {{kPrinter, QStringLiteral("..")}}),
    };
    for (const QVariantMap& setting : unusable) {
        install->writeMachineBundle(QStringLiteral("A.bundle"), setting);
        EXPECT_EQ(resolve(kPrinter), QStringLiteral("Plugin/Legacy/SGTSafe.plugin"));
        // The listing bundle was chosen all the same; only its path is missing.
        EXPECT_NE(CSettingDictionary::GetInstance(kPrinter)->GetMachineBundle(), nullptr);
    }
    // The initial table itself of the wrong kind counts as no initial too.
    install->writeMachineBundle(QStringLiteral("A.bundle"),
                                QVariantMap{{QStringLiteral("MODEL"), QStringList{kPrinter}},
                                            {QStringLiteral("INITIAL"), QStringLiteral("R74")}});
    EXPECT_EQ(resolve(kPrinter), QStringLiteral("Plugin/Legacy/SGTSafe.plugin"));

    install->removeSetting(QStringLiteral("Setting.ini"));
    EXPECT_TRUE(resolve(kPrinter).isNull());
}

TEST_F(PluginLocation, SettingIniPathReadsBackslashesAsSlashes) {
    install->writeSetting(QStringLiteral("Setting.ini"),
                          "[LX-1000]\nPLUGIN_PATH=Plugin\\PrinterPlugin\\Legacy\\SGTLX.plugin\n"
                          "[LX-2000]\nPLUGIN_PATH=Plugin/PrinterPlugin/Legacy/SGTLX.plugin\n"
                          "[LX-3000]\nNAME=x\nPLUGIN_PATH=SGT..LX.plugin\n");
    EXPECT_EQ(resolve(QStringLiteral("LX-1000")),
              QStringLiteral("Plugin/PrinterPlugin/Legacy/SGTLX.plugin"));
    EXPECT_EQ(resolve(QStringLiteral("LX-2000")),
              QStringLiteral("Plugin/PrinterPlugin/Legacy/SGTLX.plugin"));
    // Two dots inside a name lead nowhere.
    EXPECT_EQ(resolve(QStringLiteral("LX-3000")), QStringLiteral("SGT..LX.plugin"));
    // No machine-bundle folder at all: the settings file answered.
    EXPECT_EQ(CSettingDictionary::GetInstance(QStringLiteral("LX-3000"))->GetMachineBundle(),
              nullptr);
}

TEST_F(PluginLocation, SettingIniPathThatLeavesTheToolFolderIsNoPath) {
    install->writeSetting(QStringLiteral("Setting.ini"),
                          "[Abs]\nPLUGIN_PATH=/usr/lib/x.plugin\n"
                          "[AbsBack]\nPLUGIN_PATH=\\usr\\lib\\x.plugin\n"
                          "[Up]\nPLUGIN_PATH=..\\Other Tool\\Plugin\\x.plugin\n"
                          "[UpInside]\nPLUGIN_PATH=Plugin/../../x.plugin\n"
                          "[UpLast]\nPLUGIN_PATH=Plugin\\..\n"
                          "[Empty]\nPLUGIN_PATH=\n");
    for (const char* section : {"Abs", "AbsBack", "Up", "UpInside", "UpLast", "Empty"}) {
        EXPECT_TRUE(resolve(QLatin1String(section)).isNull()) << section;
        EXPECT_NE(CSettingDictionary::GetInstance(QLatin1String(section)), nullptr);
    }
}

TEST_F(PluginLocation, SettingIniSectionIsTheIdentifierExactly) {
    install->writeSetting(QStringLiteral("Setting.ini"),
                          "[LX-1000]\nMODEL=x\n[LX-1000 ]\nPLUGIN_PATH=a.plugin\n"
                          "[lx-1000]\nPLUGIN_PATH=b.plugin\n");
    // The section exists but has no key: the look-up meets the next header and gives up.
    EXPECT_TRUE(resolve(QStringLiteral("LX-1000")).isNull());
    EXPECT_EQ(resolve(QStringLiteral("lx-1000")), QStringLiteral("b.plugin"));
}

TEST_F(PluginLocation, NoBundlesAndNoSettingEntryStillGivesAnInstance) {
    EXPECT_TRUE(resolve(kPrinter).isNull());
    install->tree().mkdir(QStringLiteral("MachineBundle"));
    EXPECT_TRUE(resolve(kPrinter).isNull());
    // Without Setting.ini at all.
    install->removeSetting(QStringLiteral("Setting.ini"));
    EXPECT_TRUE(resolve(kPrinter).isNull());
}

TEST_F(PluginLocation, FormatFollowsTheProgram) {
    install->writeMachineBundle(QStringLiteral("A.bundle"),
                                machineSetting({kPrinter}, {{kPrinter, QStringLiteral("R74")}}));
    CSettingDictionary::SetPluginPathFormat(QLatin1String(setup_launcher::spe::kPluginPathFormat));
    EXPECT_EQ(resolve(kPrinter), QStringLiteral("Plugin/PrinterPlugin/SPER74.plugin"));
}

TEST_F(PluginLocation, LaterCallsKeepTheFirstInstance) {
    install->writeMachineBundle(
        QStringLiteral("A.bundle"),
        machineSetting({kPrinter, QStringLiteral("WJ-2400")},
                       {{kPrinter, QStringLiteral("R74")}, {QStringLiteral("WJ-2400"), "W"}}));
    CSettingDictionary* first = CSettingDictionary::GetInstance(kPrinter);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(CSettingDictionary::GetInstance(QStringLiteral("WJ-2400")), first);
    QString path;
    ASSERT_TRUE(first->CreatePluginPath(&path));
    EXPECT_EQ(path, QStringLiteral("Plugin/PrinterPlugin/SGTR74.plugin"));
}

TEST(MachineBundleLookup, InitialAndModelQuestions) {
    testsupport::TempTree tree;
    tree.write(QStringLiteral("M.bundle/Contents/Resources/Setting.xml"),
               testsupport::xmlPropertyList(machineSetting({kPrinter, QStringLiteral("WJ-2400")},
                                                           {{kPrinter, QStringLiteral("R74")}})));
    CMachineBundle bundle;
    ASSERT_EQ(bundle.OnInitialize(QUrl::fromLocalFile(tree.path(QStringLiteral("M.bundle")))), 0);

    EXPECT_TRUE(bundle.IsSupportPrinter(kPrinter));
    EXPECT_TRUE(bundle.IsSupportPrinter(QStringLiteral("WJ-2400")));
    EXPECT_FALSE(bundle.IsSupportPrinter(kPrinter.toUpper()));
    EXPECT_FALSE(bundle.IsSupportPrinter(QString()));

    QString initial = QStringLiteral("untouched");
    EXPECT_EQ(bundle.GetInitialString(kPrinter, &initial), 0);
    EXPECT_EQ(initial, QStringLiteral("R74"));
    initial = QStringLiteral("untouched");
    EXPECT_EQ(bundle.GetInitialString(QStringLiteral("WJ-2400"), &initial), -50);
    EXPECT_EQ(initial, QStringLiteral("untouched"));

    CMachineBundle empty;
    EXPECT_FALSE(empty.IsSupportPrinter(kPrinter));
    EXPECT_EQ(empty.GetInitialString(kPrinter, &initial), -50);
}

} // namespace
