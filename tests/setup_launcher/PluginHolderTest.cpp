// The plug-in holders of both programs and the handles a plug-in is called with.
#include "setup_launcher/PluginHolder.h"

#include "SetupLauncherFixture.h"

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
