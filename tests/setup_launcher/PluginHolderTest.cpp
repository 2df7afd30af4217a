// The plug-in holders of both programs and the handles a plug-in is called with.
#include "setup_launcher/PluginHolder.h"

#include "SetupLauncherFixture.h"

#include <cstring>
#include <gtest/gtest.h>

using setup_launcher::CSGTPlugin;
using setup_launcher::CSPEPlugin;
using testsupport::readFile;

namespace {

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
    install->writePlugin("Plugin/PrinterPlugin/SGTNOE.plugin", NOENTRY_PLUGIN);
    install->writePlugin("Plugin/PrinterPlugin/SGTNOX.plugin", QString());
    install->writePlugin("Plugin/PrinterPlugin/SGTTXT.plugin", QString(), "#!/bin/sh\nexit 0\n");
    install->tree().write("Sheet Glide Tuner/Plugin/PrinterPlugin/FILE.plugin", "a file");
    for (const char* path :
         {"Plugin/PrinterPlugin/SGTNOE.plugin", "Plugin/PrinterPlugin/SGTNOX.plugin",
          "Plugin/PrinterPlugin/SGTTXT.plugin", "Plugin/PrinterPlugin/FILE.plugin",
          "Plugin/PrinterPlugin/SGTMISSING.plugin", "Plugin/PrinterPlugin", ""}) {
        CSGTPlugin sgt{QLatin1String(path)};
        EXPECT_EQ(sgt.Initialize(), 100) << path;
        EXPECT_EQ(sgt.OpenSetUpDialog("X"), 100) << path;
        CSPEPlugin spe{QLatin1String(path)};
        EXPECT_FALSE(spe.Initialize()) << path;
        EXPECT_EQ(spe.OpenSetUpDialog("X"), 0) << path;
    }
    EXPECT_FALSE(QFile::exists(install->recordPath()));
}

TEST(PluginCallHandles, CopiesAreCutToTheBufferAndResourcesFoundByName) {
    testsupport::TempTree tree;
    testsupport::writeBundle(
        tree, "P.plugin",
        {{"CFBundleVersion", "1.2.3"}, {"Count", 4}, {"CFBundleDevelopmentRegion", "English"}});
    tree.write("P.plugin/Contents/Resources/global.json", "{}");
    tree.write("P.plugin/Contents/Resources/Media/list.ini", "x");
    tree.write("P.plugin/Contents/Resources/English.lproj/names.txt", "x");
    const auto bundle = platform::Bundle::create(tree.path("P.plugin"));
    ASSERT_TRUE(bundle);
    const setup_launcher::PluginCallHandles handles("LX-1000", bundle);
    const PrinterPluginBundle* plugin = handles.bundle();
    const struct {
        const char* key;
        size_t size;
        int32_t length;
        const char* text; // what the buffer holds after
    } infos[] = {{"CFBundleVersion", 256, 5, "1.2.3"},
                 {"CFBundleVersion", 4, 5, "1.2"},
                 {"CFBundleVersion", 0, 5, "zz"},
                 {"Count", 256, -1, "zz"},
                 {"Absent", 256, -1, "zz"},
                 {nullptr, 256, -1, "zz"}};
    for (const auto& row : infos) {
        char buffer[256];
        std::memset(buffer, 0, sizeof buffer);
        std::memset(buffer, 'z', 2);
        EXPECT_EQ(plugin->CopyInfoString(plugin, row.key, buffer, row.size), row.length);
        EXPECT_STREQ(buffer, row.text) << (row.key ? row.key : "(null)") << row.size;
    }
    const QByteArray resources = QFile::encodeName(bundle->resourcesPath());
    const struct {
        const char* name;
        const char* subfolder;
        const char* path; // below Resources; nullptr: none
    } lookups[] = {{"global.json", nullptr, "/global.json"},
                   {"global.json", "", "/global.json"},
                   {"list.ini", "Media", "/Media/list.ini"},
                   {"names.txt", nullptr, "/English.lproj/names.txt"},
                   {"list.ini", nullptr, nullptr},
                   {"", nullptr, nullptr},
                   {nullptr, nullptr, nullptr}};
    for (const auto& row : lookups) {
        char buffer[256];
        const int32_t n = plugin->CopyResourcePath(plugin, row.name, row.subfolder, buffer, 256);
        EXPECT_EQ(n < 0 ? QByteArray() : QByteArray(buffer, n),
                  row.path ? resources + row.path : QByteArray())
            << (row.name ? row.name : "(null)");
    }
    size_t length = 0;
    EXPECT_STREQ(handles.deviceID()->GetUTF8(handles.deviceID(), &length), "LX-1000");
    EXPECT_EQ(length, 7u);
}

} // namespace
