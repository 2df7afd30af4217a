// Where a set-up launcher finds the plug-in for one identifier: the first machine bundle
// that lists it, else Setting.ini.
#include "SetupLauncherFixture.h"
#include "config/UFile.h"
#include "platform/TestingAccess.h"
#include "setup_launcher/SettingDictionary.h"
#include "setup_launcher/SetupLauncher.h"

#include <QDir>
#include <gtest/gtest.h>

using setup_launcher::CSettingDictionary;
using setup_launcher::CSettingFile;
using setuptest::machineSetting;

namespace {

class PluginLocation : public ::testing::Test {
protected:
    void SetUp() override {
        install = setuptest::sheetGlideTunerAsThisProgram();
        UFile::SetSettingFolderName("SGT_Settings");
        CSettingDictionary::SetPluginPathFormat(setup_launcher::sgt::kPluginPathFormat);
    }
    void TearDown() override {
        reset();
        UFile::SetSettingFolderName("Settings");
        platform::setPreferredLanguagesForTesting(std::nullopt);
        platform::Bundle::setMainBundlePathForTesting(QString());
    }
    static void reset() {
        CSettingDictionary::DestroyInstance();
        CSettingFile::DestroyInstance();
    }
    // The path for one identifier from a fresh start; null for none.
    static QString resolve(const QString& deviceID) {
        reset();
        CSettingDictionary* dictionary = CSettingDictionary::GetInstance(deviceID);
        QString path;
        if (!dictionary)
            return "<no instance>";
        return dictionary->CreatePluginPath(&path) ? path : QString();
    }

    std::unique_ptr<setuptest::Installation> install;
};

TEST_F(PluginLocation, BundlesFirstThenSettingIni) {
    const QString printer = "MX-R74400 Series";
    const QVariantMap wrong = machineSetting({printer}, {{printer, "WRONG"}});
    install->writeMachineBundle("A Other.bundle", machineSetting({"WJ-2400"}, {{"WJ-2400", "W"}}));
    install->writeMachineBundle("Aabundle", wrong);  // no dot
    install->writeMachineBundle("Ab.Bundle", wrong); // other case
    install->tree().write("MachineBundle/Ac.bundle", "plain file");
    install->tree().write("MachineBundle/Ad.bundle/Contents/Resources/Setting.xml", "<plist>");
    QVariantMap worldWide = machineSetting({"WW-1"}, {{"WW-1", "WW"}});
    worldWide.insert("IsWorldWideOnly", false);
    install->writeMachineBundle("Ae.bundle", worldWide);
    install->writeMachineBundle(
        "B First.bundle", machineSetting({printer, "WW-1"}, {{printer, "R74"}, {"WW-1", "JP"}}));
    install->writeMachineBundle("C Second.bundle", machineSetting({printer}, {{printer, "Z9"}}));
    install->tree().write("Sheet Glide Tuner/Sheet Glide Tuner.app/Contents/Resources/"
                          "Japanese.lproj/InfoPlist.strings",
                          "x");
    // Listing bundles without a usable initial: Setting.ini answers.
    const QVariantMap unusable{{"U-number", 7},     {"U-climb", "../../../evil"},
                               {"U-slash", "a/b"},  {"U-dot", "."},
                               {"U-dot-dot", ".."}, {"U-none", QVariant()}};
    QByteArray ini =
        "[MX-R74400 Series]\nPLUGIN_PATH=Plugin\\Legacy\\SGTOld.plugin\n"
        "[LX-1000]\nPLUGIN_PATH=Plugin\\PrinterPlugin\\Legacy\\SGTLX.plugin\n"
        "[LX-2000]\nPLUGIN_PATH=Plugin/PrinterPlugin/Legacy/SGTLX.plugin\n"
        "[LX-3000]\nNAME=x\nPLUGIN_PATH=SGT..LX.plugin\n"
        "[Abs]\nPLUGIN_PATH=/usr/lib/x.plugin\n[AbsBack]\nPLUGIN_PATH=\\usr\\x.plugin\n"
        "[Up]\nPLUGIN_PATH=..\\Other Tool\\Plugin\\x.plugin\n"
        "[UpInside]\nPLUGIN_PATH=Plugin/../../x.plugin\n[UpLast]\nPLUGIN_PATH=Plugin\\..\n"
        "[Empty]\nPLUGIN_PATH=\n[LX-5000]\nMODEL=x\n[LX-5000 ]\nPLUGIN_PATH=a.plugin\n"
        "[lx-5000]\nPLUGIN_PATH=b.plugin\n";
    for (auto it = unusable.begin(); it != unusable.end(); ++it) {
        install->writeMachineBundle("0" + it.key() + ".bundle",
                                    machineSetting({it.key()}, it->isValid()
                                                                   ? QVariantMap{{it.key(), *it}}
                                                                   : QVariantMap{}));
        ini += "[" + it.key().toUtf8() + "]\nPLUGIN_PATH=Plugin\\Legacy\\SGTSafe.plugin\n";
    }
    install->writeSetting("Setting.ini", ini);

    const struct {
        const char* deviceID;
        const char* language;
        const char* path; // nullptr: none
    } rows[] = {
        {"MX-R74400 Series", "en", "Plugin/PrinterPlugin/SGTR74.plugin"},
        {"WJ-2400", "en", "Plugin/PrinterPlugin/SGTW.plugin"},
        {"WW-1", "en", "Plugin/PrinterPlugin/SGTWW.plugin"},
        {"WW-1", "ja", "Plugin/PrinterPlugin/SGTJP.plugin"},
        {"mx-r74400 series", "en", nullptr},
        {"Orvel MX-R74400 Series", "en", nullptr},
        {"MX-R74400 Series ", "en", nullptr},
        {"U-number", "en", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-climb", "en", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-slash", "en", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-dot", "en", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-dot-dot", "en", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-none", "en", "Plugin/Legacy/SGTSafe.plugin"},
        {"LX-1000", "en", "Plugin/PrinterPlugin/Legacy/SGTLX.plugin"},
        {"LX-2000", "en", "Plugin/PrinterPlugin/Legacy/SGTLX.plugin"},
        {"LX-3000", "en", "SGT..LX.plugin"}, // two dots inside a name lead nowhere
        {"Abs", "en", nullptr},
        {"AbsBack", "en", nullptr},
        {"Up", "en", nullptr},
        {"UpInside", "en", nullptr},
        {"UpLast", "en", nullptr},
        {"Empty", "en", nullptr},
        {"LX-5000", "en", nullptr}, // the section has no key: the next header ends the look-up
        {"lx-5000", "en", "b.plugin"},
        {"Nobody", "en", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.deviceID + std::string(" ") + row.language);
        platform::setPreferredLanguagesForTesting(QStringList{row.language});
        const QString path = resolve(row.deviceID);
        EXPECT_EQ(path, row.path ? QString(row.path) : QString());
        EXPECT_EQ(path.isNull(), !row.path);
    }
    CSettingDictionary::SetPluginPathFormat(setup_launcher::spe::kPluginPathFormat);
    EXPECT_EQ(resolve(printer), "Plugin/PrinterPlugin/SPER74.plugin");
    // No machine-bundle folder and no Setting.ini: an instance all the same, and no path.
    QDir(install->root() + "/MachineBundle").removeRecursively();
    QFile::remove(install->settingsPath("Setting.ini"));
    EXPECT_TRUE(resolve(printer).isNull());
}

} // namespace
