// The set-up launchers: where the plug-in for one identifier is found (the first machine bundle
// that lists it, else Setting.ini), how it is loaded and called, and both programs as processes,
// whatever their plug-ins do.
#include "setup_launcher/SetupLauncher.h"

#include "config/UFile.h"
#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "setup_launcher/PluginHolder.h"
#include "setup_launcher/SettingDictionary.h"
#include "support/Staging.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>

using namespace setup_launcher;
using testsupport::machineSetting;
using testsupport::readFile;

namespace {

// <root>/MachineBundle/, <root>/<tool>/Plugin/ and <root>/<tool>/<tool>.app, which stands in
// for this program's own package, with its settings folder.
struct Installation : testsupport::FakeApplication {
    explicit Installation(const QString& tool = "Sheet Glide Tuner",
                          const QString& folder = "SGT_Settings",
                          const QString& executable = "SheetGlideTuner2")
        : FakeApplication(tool, {{"CFBundleExecutable", executable}}, tool), tool(tool),
          folder(folder) {
        tree().mkdir("tmp");
        QDir().mkpath(settings(""));
    }
    QString settings(const QString& name) const {
        return resourcesPath() + "/" + folder + "/" + name;
    }
    void setting(const QString& name, const QByteArray& lfText) const {
        writeSetting(name, lfText, "\r\n", folder);
    }
    void machineBundle(const QString& name, const QVariantMap& setting) const {
        testsupport::writeMachineBundle(tree(), "MachineBundle/" + name, setting);
    }
    QString plugin(const QString& relative, const QString& source,
                   const QByteArray& bytes = {}) const {
        return testsupport::writePluginBundle(tree(), tool + "/" + relative, source, bytes);
    }
    QString tool, folder;
};

// The path for one identifier from a fresh start; null for none.
QString resolve(const QString& deviceID) {
    CSettingDictionary::DestroyInstance();
    CSettingFile::DestroyInstance();
    QString path;
    CSettingDictionary* dictionary = CSettingDictionary::GetInstance(deviceID);
    return !dictionary ? "<no instance>" : dictionary->CreatePluginPath(&path) ? path : QString();
}

TEST(PluginLocation, BundlesFirstThenSettingIni) {
    const Installation install;
    UFile::SetSettingFolderName("SGT_Settings");
    platform::setPreferredLanguages(QStringList{"en"});
    CSettingDictionary::SetPluginPathFormat(sgt::kPluginPathFormat);
    const QString printer = "MX-R74400 Series";
    const QVariantMap wrong = machineSetting({printer}, {{printer, "WRONG"}});
    install.machineBundle("A Other.bundle", machineSetting({"WJ-2400"}, {{"WJ-2400", "W"}}));
    install.machineBundle("Aabundle", wrong);  // no dot
    install.machineBundle("Ab.Bundle", wrong); // other case
    install.tree().write("MachineBundle/Ac.bundle", "plain file");
    install.tree().write("MachineBundle/Ad.bundle/Contents/Resources/Setting.xml", "<plist>");
    install.machineBundle("Ae.bundle", {{"MODEL", QStringList{"WW"}},
                                        {"IsWorldWideOnly", false},
                                        {"INITIAL", QVariantMap{{"WW", "WW"}}}});
    install.machineBundle("B.bundle",
                          machineSetting({printer, "WW"}, {{printer, "R74"}, {"WW", "JP"}}));
    install.machineBundle("C.bundle", machineSetting({printer}, {{printer, "Z9"}}));
    // Listed in letters of another case than B.bundle's: this bundle's own, not B's.
    install.machineBundle("D.bundle",
                          machineSetting({"mx-r74400 series"}, {{"mx-r74400 series", "LOW"}}));
    install.writeSetting("InfoPlist.strings", "x", "", "Japanese.lproj");
    // Listing bundles without a usable initial leave it to Setting.ini.
    install.machineBundle("0U-climb.bundle", machineSetting({"U-climb"}, {{"U-climb", "../x"}}));
    install.machineBundle("0U-none.bundle", machineSetting({"U-none"}));
    install.setting("Setting.ini",
                    "[MX-R74400 Series]\nPLUGIN_PATH=Plugin\\Legacy\\SGTOld.plugin\n"
                    "[LX-1]\nPLUGIN_PATH=Plugin\\PrinterPlugin\\Legacy\\SGTLX.plugin\n"
                    "[LX-2]\nPLUGIN_PATH=Plugin/PrinterPlugin/Legacy/SGTLX.plugin\n"
                    "[Abs]\nPLUGIN_PATH=/usr/lib/x.plugin\n[Up]\nPLUGIN_PATH=..\\Other\\x.plugin\n"
                    "[UpInside]\nPLUGIN_PATH=Plugin/../../x.plugin\n[Empty]\nPLUGIN_PATH=\n"
                    "[LX-5]\nMODEL=x\n[LX-5 ]\nPLUGIN_PATH=a.plugin\n[lx-5]\nPLUGIN_PATH=b.plugin\n"
                    "[U-climb]\nPLUGIN_PATH=Plugin\\Legacy\\SGTSafe.plugin\n"
                    "[U-none]\nPLUGIN_PATH=Plugin\\Legacy\\SGTSafe.plugin\n");
    const struct Row {
        const char *deviceID, *path; // null: no path
    } rows[] = {{"MX-R74400 Series", "Plugin/PrinterPlugin/SGTR74.plugin"},
                {"mx-r74400 series", "Plugin/PrinterPlugin/SGTLOW.plugin"},
                {"Mx-R74400 Series", nullptr},
                {"WJ-2400", "Plugin/PrinterPlugin/SGTW.plugin"},
                {"Orvel MX-R74400 Series", nullptr},
                {"WW", "Plugin/PrinterPlugin/SGTWW.plugin"},
                {"U-climb", "Plugin/Legacy/SGTSafe.plugin"},
                {"U-none", "Plugin/Legacy/SGTSafe.plugin"},
                {"LX-1", "Plugin/PrinterPlugin/Legacy/SGTLX.plugin"},
                {"LX-2", "Plugin/PrinterPlugin/Legacy/SGTLX.plugin"},
                {"Abs", nullptr},
                {"Up", nullptr},
                {"UpInside", nullptr},
                {"Empty", nullptr},
                {"LX-5", nullptr},
                {"lx-5", "b.plugin"}}; // [LX-5] has no key: the next header ends it
    for (const auto& [deviceID, path] : rows) {
        const QString found = resolve(deviceID);
        EXPECT_TRUE(found == path && found.isNull() == !path)
            << deviceID << ": " << found.toStdString();
    }
    // A world-wide-only bundle does not list the printer under Japanese.
    platform::setPreferredLanguages(QStringList{"ja"});
    EXPECT_EQ(resolve("WW"), "Plugin/PrinterPlugin/SGTJP.plugin");
    CSettingDictionary::SetPluginPathFormat(spe::kPluginPathFormat);
    EXPECT_EQ(resolve(printer), "Plugin/PrinterPlugin/SPER74.plugin");
    // No machine-bundle folder and no Setting.ini: an instance all the same, and no path.
    QDir(install.tree().path("MachineBundle")).removeRecursively();
    QFile::remove(install.settings("Setting.ini"));
    EXPECT_TRUE(resolve(printer).isNull());

    CSettingDictionary::DestroyInstance();
    CSettingFile::DestroyInstance();
    UFile::SetSettingFolderName("Settings");
    platform::setPreferredLanguages(std::nullopt);
}

TEST(PluginHolder, EachProgramCallsItsOwnEntryPointAndBrokenPluginsAreNeverCalled) {
    const Installation install;
    const QString record = install.tree().path("record.txt");
    testsupport::ScopedEnvironment variable{"TRELLIS_TEST_PLUGIN_RECORD",
                                            QFile::encodeName(record)};
    const QByteArray bundle =
        install.plugin("Plugin/PrinterPlugin/SGTREC.plugin", RECORD_PLUGIN).toUtf8();
    install.plugin("Plugin/PrinterPlugin/SGTERR.plugin", ERROR_PLUGIN);
    install.plugin("Plugin/PrinterPlugin/NOE.plugin", NOENTRY_PLUGIN);
    install.plugin("Plugin/PrinterPlugin/NOX.plugin", QString());
    install.plugin("Plugin/PrinterPlugin/TXT.plugin", QString(), "#!/bin/sh\nexit 0\n");
    install.tree().write("Sheet Glide Tuner/Plugin/PrinterPlugin/FILE.plugin", "a file");
    QStringList broken{"NOE.plugin",  "NOX.plugin", "TXT.plugin", "FILE.plugin",
                       "GONE.plugin", "",           "../../.."};
    // Executables outside their bundle: CFBundleExecutable, where the object lies from MacOS.
    const std::pair<const char*, const char*> outside[] = {
        {"../../../evil.so", "../../../evil.so"},
        {"sub/../../evil.so", "../evil.so"},
        {"../MacOS/plugin", "plugin"},      // no step up at all, even one that comes back
        {"plugin", "../../../outside.so"}}; // a link that leads out of the bundle
    for (const auto& [executable, where] : outside) {
        broken << QString("OUT%1.plugin").arg(broken.size());
        const QString bundle = "Sheet Glide Tuner/Plugin/PrinterPlugin/" + broken.last();
        testsupport::writeBundle(install.tree(), bundle, {{"CFBundleExecutable", executable}});
        const QString macos = install.tree().mkdir(bundle + "/Contents/MacOS") + "/";
        ASSERT_TRUE(QFile::copy(RECORD_PLUGIN, QDir::cleanPath(macos + where)));
        ASSERT_TRUE(!QString(where).endsWith("outside.so") ||
                    QFile::link(QDir::cleanPath(macos + where), macos + "plugin"));
    }
    for (const QString& path : broken) {
        CSGTPlugin sgt("Plugin/PrinterPlugin/" + path);
        EXPECT_EQ(sgt.Initialize(), 100) << path.toStdString();
        EXPECT_EQ(sgt.OpenSetUpDialog("X"), 100);
        CSPEPlugin spe("Plugin/PrinterPlugin/" + path);
        EXPECT_FALSE(spe.Initialize()) << path.toStdString();
        EXPECT_EQ(spe.OpenSetUpDialog("X"), 0);
    }
    EXPECT_FALSE(QFile::exists(record));
    const QByteArray id = "MX-R74400 Series \u00e9\u65e5";
    const QByteArray expected = "\nid=" + id + "\nbundle=" + bundle + "\n";
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
    EXPECT_EQ(readFile(record), "entry=SGT" + expected + "entry=SGT\nid=" + id +
                                    "\nbundle=" + bundle.chopped(10) + "ERR.plugin\n");
    QFile::remove(record);
    CSPEPlugin spe("Plugin/PrinterPlugin/SGTREC.plugin");
    ASSERT_TRUE(spe.Initialize());
    EXPECT_EQ(spe.OpenSetUpDialog(QString::fromUtf8(id)), 0);
    EXPECT_EQ(readFile(record), "entry=SPE" + expected);
}

TEST(PluginCallHandles, CopiesAreCutToTheBufferAndResourcesFoundByName) {
    testsupport::TempTree tree;
    const auto bundle = platform::Bundle::create(testsupport::writeBundle(
        tree, "P",
        {{"CFBundleVersion", "1.2.3"}, {"N", 4}, {"CFBundleDevelopmentRegion", "English"}}));
    for (const char* file : {"a.json", "Media/b.ini", "English.lproj/c.txt"})
        tree.write(QString("P/Contents/Resources/") + file, "x");
    ASSERT_TRUE(bundle);
    const PluginCallHandles handles("LX-1000", bundle);
    const PrinterPluginBundle* plugin = handles.bundle();
    const QByteArray resources = QFile::encodeName(bundle->resourcesPath());
    EXPECT_EQ(plugin->GetResourcesPath(plugin), resources);
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
        EXPECT_EQ(n < 0 ? "" : QByteArray(buffer, n), *path ? resources + path : "");
    }
}

// Both programs as processes on a scratch installation with their installed settings files,
// started as Trellis starts them (the descriptor in the hand-off variable) or by hand.
struct Program {
    const char *tool, *settingsFolder, *executable, *built, *prefix, *installedSettings;
};

class SetupLauncherProcess : public ::testing::TestWithParam<Program> {};

TEST_P(SetupLauncherProcess, OneRunPerLaunch) {
    const Program& p = GetParam();
    Installation install(p.tool, p.settingsFolder, p.executable);
    const QString executable = install.packagePath() + "/Contents/MacOS/" + p.executable;
    ASSERT_TRUE(QFile::copy(p.built, executable));
    for (const QFileInfo& file : QDir(p.installedSettings).entryInfoList({"*.ini"}))
        QFile::copy(file.filePath(), install.settings(file.fileName()));
    const QByteArray longest(255, 'L');
    install.setting("Setting.ini", "[" + longest + "]\nPLUGIN_PATH=Plugin\\Legacy\\R.plugin\n");
    install.plugin("Plugin/Legacy/R.plugin", RECORD_PLUGIN);
    QVariantMap initials{{"MX-R74400 Series", "REC"}}; // each other model is its own initial
    for (const auto& [name, source] : {std::pair{"REC", RECORD_PLUGIN},
                                       {"ERR", ERROR_PLUGIN},
                                       {"NOE", NOENTRY_PLUGIN},
                                       {"UNRS", UNRESOLVED_PLUGIN},
                                       {"EXIT", EXIT_PLUGIN},
                                       {"SEGV", SEGV_PLUGIN},
                                       {"ABRT", ABORT_PLUGIN},
                                       {"HANG", HANG_PLUGIN}}) {
        install.plugin(QString("Plugin/PrinterPlugin/%1%2.plugin").arg(p.prefix, name), source);
        initials.insert(name, name);
    }
    install.machineBundle("Demo.bundle", machineSetting(initials.keys(), initials));

    const QString param = QStringLiteral("No printer was given to %1.").arg(p.tool);
    const QString notFound = "The set-up module for this printer cannot be found.";
    const QString fixed = "The necessary file cannot be found. Install the program again.";
    const auto utf8 = [](const QByteArray& bytes) {
        return std::optional(platform::AEDescriptor{"utf8"_4cc, bytes});
    };
    const struct Row {
        const char* name;
        std::optional<platform::AEDescriptor> descriptor;
        QString alert;       // the alert's first line (null: none)
        QByteArray received; // what the plug-in received (null: not called)
        int exitCode = 0;    // -1: crashed or failed
    } rows[] = {{"by hand", std::nullopt, param, {}},
                {"another type", platform::AEDescriptor{"TEXT"_4cc, "MX-R74400 Series"}, param, {}},
                {"NUL", utf8(QByteArray("\0MX", 3)), param, {}},
                {"not UTF-8", utf8("MX \xff"), param, {}},
                {"unknown printer", utf8("MX-R99999 Series"), notFound, {}},
                {"no entry point", utf8("NOE"), notFound, {}},
                {"unresolved symbol: not loaded", utf8("UNRS"), notFound, {}},
                {"printer", utf8("MX-R74400 Series"), {}, "MX-R74400 Series"},
                {"error from the plug-in", utf8("ERR"), {}, "ERR"},
                {"255 bytes", utf8(longest), {}, longest},
                {"longer", utf8(longest + "-more"), {}, longest},
                {"the plug-in's own exit", utf8("EXIT"), {}, {}, 7},
                {"crash", utf8("SEGV"), {}, {}, -1},
                {"abort", utf8("ABRT"), {}, {}, -1},
                {"never returns: SIGTERM ends it", utf8("HANG"), {}, {}, -1},
                {"no Media.ini", utf8("MX-R74400 Series"), fixed, {}}};
    QProcessEnvironment env = testsupport::scratchEnvironment(install.tree().path());
    const QString alerts = install.tree().path("alerts.jsonl"),
                  record = install.tree().path("record");
    env.insert("TRELLIS_TEST_PLUGIN_RECORD", record);
    for (const auto& [name, descriptor, alert, received, exitCode] : rows) {
        SCOPED_TRACE(name);
        if (alert == fixed)
            QFile::remove(install.settings("Media.ini"));
        QFile::remove(alerts);
        QFile::remove(record);
        env.remove(platform::kLaunchDescriptorVariable);
        if (descriptor)
            env.insert(platform::kLaunchDescriptorVariable,
                       QString::fromLatin1(platform::encodeLaunchDescriptor(*descriptor)));
        testsupport::StartedProcesses processes;
        QProcess* process = processes.start(executable, env);
        if (descriptor == utf8("HANG")) {
            ASSERT_FALSE(process->waitForFinished(1500)) << "the hanging plug-in returned";
            ::kill(pid_t(process->processId()), SIGTERM);
        }
        ASSERT_TRUE(process->waitForFinished(30000)) << "the program hung";
        EXPECT_TRUE(exitCode < 0
                        ? process->exitStatus() == QProcess::CrashExit || process->exitCode() != 0
                        : process->exitStatus() == QProcess::NormalExit &&
                              process->exitCode() == exitCode)
            << process->readAllStandardError().constData();
        const QStringList messages = testsupport::recordedAlertMessages(alerts);
        EXPECT_EQ(messages.size(), alert.isNull() ? 0 : 1);
        EXPECT_EQ(messages.value(0).section('\r', 0, 0), alert);
        EXPECT_EQ(readFile(alerts).count("\"title\":\"" + QByteArray(p.tool) + "\""),
                  messages.size());
        EXPECT_EQ(readFile(record).split('\n').mid(0, 2).join('\n'),
                  received.isNull() ? "" : "entry=" + QByteArray(p.prefix) + "\nid=" + received);
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothPrograms, SetupLauncherProcess,
    ::testing::Values(Program{"Sheet Glide Tuner", "SGT_Settings", "SheetGlideTuner2",
                              SHEET_GLIDE_TUNER, "SGT", SGT_SETTINGS_DIR},
                      Program{"Stock Profile Editor", "SPE_Settings", "StockProfileEditor2",
                              STOCK_PROFILE_EDITOR, "SPE", SPE_SETTINGS_DIR}),
    [](const auto& info) { return std::string(info.param.executable); });

} // namespace
