// The plug-in of a set-up launcher: where it is found for one identifier (the first machine
// bundle that lists it, else Setting.ini), how it is loaded and called.
#include "SetupLauncherFixture.h"
#include "config/UFile.h"
#include "platform/TestingAccess.h"
#include "setup_launcher/PluginHolder.h"
#include "setup_launcher/SettingDictionary.h"
#include "setup_launcher/SetupLauncher.h"

#include <QDir>
#include <gtest/gtest.h>

using setup_launcher::CSettingDictionary;
using setup_launcher::CSettingFile;
using setup_launcher::CSGTPlugin;
using setup_launcher::CSPEPlugin;
using setuptest::machineSetting;
using testsupport::readFile;

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

class PluginHolder : public ::testing::Test {
protected:
    void TearDown() override { platform::Bundle::setMainBundlePathForTesting(QString()); }

    std::unique_ptr<setuptest::Installation> install = setuptest::sheetGlideTunerAsThisProgram();
    testsupport::ScopedEnvironment record{"TRELLIS_TEST_PLUGIN_RECORD",
                                          QFile::encodeName(install->recordPath())};
};

TEST_F(PluginHolder, EachProgramCallsItsOwnEntryPointWithTheIdentifierAndTheBundle) {
    const QByteArray bundle =
        install->writePlugin("Plugin/PrinterPlugin/SGTREC.plugin", RECORDING_PLUGIN).toUtf8();
    install->writePlugin("Plugin/PrinterPlugin/SGTERR.plugin", ERROR_PLUGIN);
    const QByteArray id = "MX-R74400 Series \u00e9\u65e5";
    const QByteArray expected = "entry=SGT\nid_length=22\nid=" + id + "\nbundle=" + bundle +
                                "\nresources=" + bundle + "/Contents/Resources\nversion=3.1.4\n" +
                                "resource=" + bundle + "/Contents/Resources/Media.json\nresult=";
    const auto mapped = [&] { return readFile("/proc/self/maps").contains(bundle + "/Contents"); };
    {
        CSGTPlugin sgt("Plugin/PrinterPlugin/SGTREC.plugin");
        ASSERT_EQ(sgt.Initialize(), 0);
        EXPECT_TRUE(mapped());
        EXPECT_EQ(sgt.OpenSetUpDialog(QString::fromUtf8(id)), 0);
        CSGTPlugin error("Plugin/PrinterPlugin/SGTERR.plugin");
        ASSERT_EQ(error.Initialize(), 0);
        EXPECT_EQ(error.OpenSetUpDialog(QString::fromUtf8(id)), -4);
    }
    EXPECT_FALSE(mapped());
    EXPECT_TRUE(readFile(install->recordPath()).startsWith(expected + "0\n" + expected.mid(0, 9)));
    EXPECT_TRUE(readFile(install->recordPath()).endsWith("result=-4\n"));
    QFile::remove(install->recordPath());
    CSPEPlugin spe("Plugin/PrinterPlugin/SGTREC.plugin");
    ASSERT_TRUE(spe.Initialize());
    EXPECT_EQ(spe.OpenSetUpDialog(QString::fromUtf8(id)), 0);
    EXPECT_EQ(readFile(install->recordPath()), "entry=SPE" + expected.mid(9) + "0\n");
}

TEST_F(PluginHolder, BrokenPluginsFailToLoadAndAreNeverCalled) {
    install->writePlugin("Plugin/PrinterPlugin/NOE.plugin", NOENTRY_PLUGIN);
    install->writePlugin("Plugin/PrinterPlugin/NOX.plugin", QString());
    install->writePlugin("Plugin/PrinterPlugin/TXT.plugin", QString(), "#!/bin/sh\nexit 0\n");
    install->tree().write("Sheet Glide Tuner/Plugin/PrinterPlugin/FILE.plugin", "a file");
    for (const QString path :
         {"NOE.plugin", "NOX.plugin", "TXT.plugin", "FILE.plugin", "GONE.plugin", "", "../../.."}) {
        CSGTPlugin sgt("Plugin/PrinterPlugin/" + path);
        EXPECT_EQ(sgt.Initialize(), 100) << path.toStdString();
        EXPECT_EQ(sgt.OpenSetUpDialog("X"), 100);
        CSPEPlugin spe("Plugin/PrinterPlugin/" + path);
        EXPECT_FALSE(spe.Initialize()) << path.toStdString();
        EXPECT_EQ(spe.OpenSetUpDialog("X"), 0);
    }
    EXPECT_FALSE(QFile::exists(install->recordPath()));
}

TEST(PluginCallHandles, CopiesAreCutToTheBufferAndResourcesFoundByName) {
    testsupport::TempTree tree;
    const auto bundle = platform::Bundle::create(testsupport::writeBundle(
        tree, "P",
        {{"CFBundleVersion", "1.2.3"}, {"N", 4}, {"CFBundleDevelopmentRegion", "English"}}));
    for (const char* file : {"a.json", "Media/b.ini", "English.lproj/c.txt"})
        tree.write(QString("P/Contents/Resources/") + file, "x");
    ASSERT_TRUE(bundle);
    const setup_launcher::PluginCallHandles handles("LX-1000", bundle);
    const PrinterPluginBundle* plugin = handles.bundle();
    const std::tuple<const char*, size_t, int32_t, const char*> infos[] = {
        // key, buffer size, the answer, what the buffer holds after
        {"CFBundleVersion", 9, 5, "1.2.3"},
        {"CFBundleVersion", 4, 5, "1.2"},
        {"CFBundleVersion", 0, 5, "zz"},
        {"N", 9, -1, "zz"},
        {"Absent", 9, -1, "zz"},
        {nullptr, 9, -1, "zz"}};
    for (const auto& [key, size, length, text] : infos) {
        char buffer[9] = "zz";
        EXPECT_EQ(plugin->CopyInfoString(plugin, key, buffer, size), length) << size;
        EXPECT_STREQ(buffer, text) << size;
    }
    const std::tuple<const char*, const char*, const char*> lookups[] = {
        // name, subfolder, the path found below Resources ("": none)
        {"a.json", nullptr, "/a.json"},
        {"a.json", "", "/a.json"},
        {"b.ini", "Media", "/Media/b.ini"},
        {"c.txt", nullptr, "/English.lproj/c.txt"},
        {"b.ini", nullptr, ""},
        {"", nullptr, ""},
        {nullptr, nullptr, ""}};
    for (const auto& [name, subfolder, path] : lookups) {
        char buffer[256];
        const int32_t n = plugin->CopyResourcePath(plugin, name, subfolder, buffer, 256);
        EXPECT_EQ(n < 0 ? "" : QByteArray(buffer, n),
                  *path ? QFile::encodeName(bundle->resourcesPath()) + path : "");
    }
    size_t length = 0;
    EXPECT_STREQ(handles.deviceID()->GetUTF8(handles.deviceID(), &length), "LX-1000");
    EXPECT_EQ(length, 7u);
}

} // namespace
