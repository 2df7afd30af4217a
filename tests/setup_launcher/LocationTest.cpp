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

// The path for one identifier from a fresh start; null for none.
QString resolve(const QString& deviceID) {
    CSettingDictionary::DestroyInstance();
    CSettingFile::DestroyInstance();
    QString path;
    CSettingDictionary* dictionary = CSettingDictionary::GetInstance(deviceID);
    return !dictionary ? "<no instance>" : dictionary->CreatePluginPath(&path) ? path : QString();
}

TEST(PluginLocation, BundlesFirstThenSettingIni) {
    const auto install = setuptest::sheetGlideTunerAsThisProgram();
    UFile::SetSettingFolderName("SGT_Settings");
    platform::setPreferredLanguagesForTesting(QStringList{"en"});
    CSettingDictionary::SetPluginPathFormat(setup_launcher::sgt::kPluginPathFormat);
    const QString printer = "MX-R74400 Series";
    const QVariantMap wrong = machineSetting({printer}, {{printer, "WRONG"}});
    install->writeMachineBundle("A Other.bundle", machineSetting({"WJ-2400"}, {{"WJ-2400", "W"}}));
    install->writeMachineBundle("Aabundle", wrong);  // no dot
    install->writeMachineBundle("Ab.Bundle", wrong); // other case
    install->tree().write("MachineBundle/Ac.bundle", "plain file");
    install->tree().write("MachineBundle/Ad.bundle/Contents/Resources/Setting.xml", "<plist>");
    QVariantMap worldWide = machineSetting({"WW"}, {{"WW", "WW"}});
    worldWide.insert("IsWorldWideOnly", false);
    install->writeMachineBundle("Ae.bundle", worldWide);
    install->writeMachineBundle("B.bundle",
                                machineSetting({printer, "WW"}, {{printer, "R74"}, {"WW", "JP"}}));
    install->writeMachineBundle("C.bundle", machineSetting({printer}, {{printer, "Z9"}}));
    install->tree().write("Sheet Glide Tuner/Sheet Glide Tuner.app/Contents/Resources/"
                          "Japanese.lproj/InfoPlist.strings",
                          "x");
    // Listing bundles without a usable initial leave it to Setting.ini.
    QByteArray ini =
        "[MX-R74400 Series]\nPLUGIN_PATH=Plugin\\Legacy\\SGTOld.plugin\n"
        "[LX-1]\nPLUGIN_PATH=Plugin\\PrinterPlugin\\Legacy\\SGTLX.plugin\n"
        "[LX-2]\nPLUGIN_PATH=Plugin/PrinterPlugin/Legacy/SGTLX.plugin\n"
        "[Abs]\nPLUGIN_PATH=/usr/lib/x.plugin\n[Up]\nPLUGIN_PATH=..\\Other\\x.plugin\n"
        "[UpInside]\nPLUGIN_PATH=Plugin/../../x.plugin\n[Empty]\nPLUGIN_PATH=\n"
        "[LX-5]\nMODEL=x\n[LX-5 ]\nPLUGIN_PATH=a.plugin\n[lx-5]\nPLUGIN_PATH=b.plugin\n";
    const QVariantMap unusable{
        {"U-number", 7}, {"U-climb", "../x"}, {"U-dot", "."}, {"U-none", {}}};
    for (auto it = unusable.begin(); it != unusable.end(); ++it) {
        QVariantMap setting = machineSetting({it.key()}, {{it.key(), *it}});
        if (!it->isValid())
            setting.remove("INITIAL");
        install->writeMachineBundle("0" + it.key() + ".bundle", setting);
        ini += "[" + it.key().toUtf8() + "]\nPLUGIN_PATH=Plugin\\Legacy\\SGTSafe.plugin\n";
    }
    install->writeSetting("Setting.ini", ini);

    const std::pair<const char*, const char*> rows[] = {
        {"MX-R74400 Series", "Plugin/PrinterPlugin/SGTR74.plugin"},
        {"WJ-2400", "Plugin/PrinterPlugin/SGTW.plugin"},
        {"WW", "Plugin/PrinterPlugin/SGTWW.plugin"},
        {"mx-r74400 series", nullptr},
        {"Orvel MX-R74400 Series", nullptr},
        {"U-number", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-climb", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-dot", "Plugin/Legacy/SGTSafe.plugin"},
        {"U-none", "Plugin/Legacy/SGTSafe.plugin"},
        {"LX-1", "Plugin/PrinterPlugin/Legacy/SGTLX.plugin"},
        {"LX-2", "Plugin/PrinterPlugin/Legacy/SGTLX.plugin"},
        {"Abs", nullptr},
        {"Up", nullptr},
        {"UpInside", nullptr},
        {"Empty", nullptr},
        {"LX-5", nullptr}, // the section has no key: the next header ends the look-up
        {"lx-5", "b.plugin"},
    };
    for (const auto& [deviceID, path] : rows) {
        EXPECT_EQ(resolve(deviceID), path ? QString(path) : QString()) << deviceID;
        EXPECT_EQ(resolve(deviceID).isNull(), !path) << deviceID;
    }
    // A world-wide-only bundle does not list the printer under Japanese.
    platform::setPreferredLanguagesForTesting(QStringList{"ja"});
    EXPECT_EQ(resolve("WW"), "Plugin/PrinterPlugin/SGTJP.plugin");
    CSettingDictionary::SetPluginPathFormat(setup_launcher::spe::kPluginPathFormat);
    EXPECT_EQ(resolve(printer), "Plugin/PrinterPlugin/SPER74.plugin");
    // No machine-bundle folder and no Setting.ini: an instance all the same, and no path.
    QDir(install->root() + "/MachineBundle").removeRecursively();
    QFile::remove(install->settingsPath("Setting.ini"));
    EXPECT_TRUE(resolve(printer).isNull());

    CSettingDictionary::DestroyInstance();
    CSettingFile::DestroyInstance();
    UFile::SetSettingFolderName("Settings");
    platform::setPreferredLanguagesForTesting(std::nullopt);
    platform::Bundle::setMainBundlePathForTesting(QString());
}

} // namespace
