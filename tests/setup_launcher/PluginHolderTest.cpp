#include "setup_launcher/PluginHolder.h"

#include "SetupLauncherFixture.h"
#include "platform/Bundle.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QListWidget>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <memory>

using setup_launcher::CSGTPlugin;
using setup_launcher::CSPEPlugin;
using setup_launcher::PluginCallHandles;

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Whether the shared object is mapped into this process.
bool isMapped(const QString& path) {
    return readFile(QStringLiteral("/proc/self/maps")).contains(QFile::encodeName(path));
}

class PluginHolder : public ::testing::Test {
protected:
    void SetUp() override {
        install = setuptest::sheetGlideTunerAsThisProgram();
        recordPath = install->tree().path(QStringLiteral("record.txt"));
        qputenv("TRELLIS_TEST_PLUGIN_RECORD", QFile::encodeName(recordPath));

        recording = install->writePlugin(QStringLiteral("Plugin/PrinterPlugin/SGTREC.plugin"),
                                         QStringLiteral(RECORDING_PLUGIN));
        install->writePlugin(QStringLiteral("Plugin/PrinterPlugin/SGTERR.plugin"),
                             QStringLiteral(ERROR_PLUGIN));
        install->writePlugin(QStringLiteral("Plugin/PrinterPlugin/SGTNOE.plugin"),
                             QStringLiteral(NOENTRY_PLUGIN));
        install->writePlugin(QStringLiteral("Plugin/PrinterPlugin/SGTNOX.plugin"), QString());
        install->writePlugin(QStringLiteral("Plugin/PrinterPlugin/SGTTXT.plugin"), QString(),
                             "#!/bin/sh\nnot a shared object\n");
        install->tree().write(QStringLiteral("Sheet Glide Tuner/Plugin/PrinterPlugin/FILE.plugin"),
                              "a file, not a folder");
    }
    void TearDown() override {
        qunsetenv("TRELLIS_TEST_PLUGIN_RECORD");
        platform::Bundle::setMainBundlePathForTesting(QString());
        install.reset();
    }

    std::unique_ptr<setuptest::Installation> install;
    QString recordPath;
    QString recording;
};

TEST_F(PluginHolder, LoadsCallsWithIdentifierAndOwnBundleThenUnloads) {
    const QString identifier = QStringLiteral("MX-R74400 Series \u00e9\u65e5");
    const QString executable = recording + QStringLiteral("/Contents/MacOS/plugin");
    {
        CSGTPlugin plugin(QStringLiteral("Plugin/PrinterPlugin/SGTREC.plugin"));
        ASSERT_EQ(plugin.Initialize(), 0);
        EXPECT_TRUE(isMapped(executable));
        EXPECT_EQ(plugin.OpenSetUpDialog(identifier), 0);
    }
    EXPECT_FALSE(isMapped(executable));

    const QByteArray expected =
        "entry=SGT\nid_length=" + QByteArray::number(identifier.toUtf8().size()) +
        "\nid=" + identifier.toUtf8() + "\nbundle=" + recording.toUtf8() +
        "\nresources=" + recording.toUtf8() +
        "/Contents/Resources\nversion=3.1.4\nresource=" + recording.toUtf8() +
        "/Contents/Resources/Media.json\nresult=0\n";
    EXPECT_EQ(readFile(recordPath), expected);
}

TEST_F(PluginHolder, StockProfileEditorCallsItsOwnEntryPoint) {
    CSPEPlugin plugin(QStringLiteral("Plugin/PrinterPlugin/SGTREC.plugin"));
    ASSERT_TRUE(plugin.Initialize());
    EXPECT_EQ(plugin.OpenSetUpDialog(QStringLiteral("WJ-2400")), 0);
    EXPECT_TRUE(readFile(recordPath).startsWith("entry=SPE\nid_length=7\nid=WJ-2400\n"));
}

TEST_F(PluginHolder, EntryPointResultIsPassedBack) {
    CSGTPlugin plugin(QStringLiteral("Plugin/PrinterPlugin/SGTERR.plugin"));
    ASSERT_EQ(plugin.Initialize(), 0);
    EXPECT_EQ(plugin.OpenSetUpDialog(QStringLiteral("WJ-2400")), -4);
    EXPECT_TRUE(readFile(recordPath).endsWith("result=-4\n"));
}

TEST_F(PluginHolder, EveryBrokenPluginFailsToLoadAndIsNeverCalled) {
    for (const char* path :
         {"Plugin/PrinterPlugin/SGTNOE.plugin", "Plugin/PrinterPlugin/SGTNOX.plugin",
          "Plugin/PrinterPlugin/SGTTXT.plugin", "Plugin/PrinterPlugin/FILE.plugin",
          "Plugin/PrinterPlugin/SGTMISSING.plugin", "Plugin/PrinterPlugin", ""}) {
        CSGTPlugin sgt{QLatin1String(path)};
        EXPECT_EQ(sgt.Initialize(), 100) << path;
        EXPECT_EQ(sgt.OpenSetUpDialog(QStringLiteral("X")), 100) << path;
        CSPEPlugin spe{QLatin1String(path)};
        EXPECT_FALSE(spe.Initialize()) << path;
        EXPECT_EQ(spe.OpenSetUpDialog(QStringLiteral("X")), 0) << path;
    }
    EXPECT_FALSE(QFile::exists(recordPath));
}

TEST(PluginCallHandles, HandOutTheIdentifierAndTheBundleContents) {
    testsupport::TempTree tree;
    tree.write(QStringLiteral("P.plugin/Contents/Info.plist"),
               testsupport::xmlPropertyList(
                   QVariantMap{{QStringLiteral("CFBundleVersion"), QStringLiteral("1.2.3")},
                               {QStringLiteral("CFBundleDevelopmentRegion"), "English"},
                               {QStringLiteral("Count"), 4}}));
    tree.write(QStringLiteral("P.plugin/Contents/Resources/global.json"), "{}");
    tree.write(QStringLiteral("P.plugin/Contents/Resources/Media/list.ini"), "x");
    tree.write(QStringLiteral("P.plugin/Contents/Resources/English.lproj/names.txt"), "x");
    auto bundle = platform::Bundle::create(tree.path(QStringLiteral("P.plugin")));
    ASSERT_TRUE(bundle);
    const QByteArray resources = QFile::encodeName(bundle->resourcesPath());

    const PluginCallHandles handles(QStringLiteral("LX-1000"), bundle);
    const PrinterPluginString* id = handles.deviceID();
    const PrinterPluginBundle* plugin = handles.bundle();
    EXPECT_EQ(id->version, PRINTER_PLUGIN_INTERFACE_VERSION);
    EXPECT_TRUE(PRINTER_PLUGIN_HAS_FIELD(id, PrinterPluginString, GetUTF8));
    EXPECT_TRUE(PRINTER_PLUGIN_HAS_FIELD(plugin, PrinterPluginBundle, CopyInfoString));
    size_t length = 0;
    EXPECT_STREQ(id->GetUTF8(id, &length), "LX-1000");
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(plugin->GetBundlePath(plugin), QFile::encodeName(bundle->bundlePath()));
    EXPECT_EQ(plugin->GetResourcesPath(plugin), resources);

    char buffer[256];
    EXPECT_EQ(plugin->CopyInfoString(plugin, "CFBundleVersion", buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "1.2.3");
    // Cut to the buffer, NUL-terminated, with the whole length as the answer.
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(plugin->CopyInfoString(plugin, "CFBundleVersion", buffer, 4), 5);
    EXPECT_STREQ(buffer, "1.2");
    std::memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(plugin->CopyInfoString(plugin, "CFBundleVersion", buffer, 0), 5);
    EXPECT_EQ(buffer[0], 'z');
    EXPECT_EQ(plugin->CopyInfoString(plugin, "CFBundleVersion", nullptr, 0), 5);
    EXPECT_EQ(plugin->CopyInfoString(plugin, "Count", buffer, sizeof buffer), -1);
    EXPECT_EQ(plugin->CopyInfoString(plugin, "Absent", buffer, sizeof buffer), -1);
    EXPECT_EQ(plugin->CopyInfoString(plugin, nullptr, buffer, sizeof buffer), -1);

    const auto resource = [&](const char* name, const char* subfolder) -> QByteArray {
        const int32_t n = plugin->CopyResourcePath(plugin, name, subfolder, buffer, sizeof buffer);
        return n < 0 ? QByteArray("(none)") : QByteArray(buffer, n);
    };
    EXPECT_EQ(resource("global.json", nullptr), resources + "/global.json");
    EXPECT_EQ(resource("global.json", ""), resources + "/global.json");
    EXPECT_EQ(resource("list.ini", "Media"), resources + "/Media/list.ini");
    EXPECT_EQ(resource("names.txt", nullptr), resources + "/English.lproj/names.txt");
    EXPECT_EQ(resource("list.ini", nullptr), "(none)");
    EXPECT_EQ(resource("", nullptr), "(none)");
    EXPECT_EQ(resource(nullptr, nullptr), "(none)");
}

} // namespace

#if defined(DEMO_SGT_PLUGIN) && defined(DEMO_SPE_PLUGIN)

// The sample plug-ins open their dialog on the identifier and their own resources, and
// return cleanly when the user cancels.
class DemoPlugins : public PluginHolder {
protected:
    // Nothing a real user saved may leak into the dialogs (the settings location is fixed
    // by the first use in the process, so this must precede it).
    void SetUp() override {
        PluginHolder::SetUp();
        qputenv("XDG_CONFIG_HOME",
                QFile::encodeName(install->tree().path(QStringLiteral("config"))));
    }
    void TearDown() override {
        qunsetenv("XDG_CONFIG_HOME");
        PluginHolder::TearDown();
    }

    // Calls the plug-in and cancels its dialog as soon as it is up; returns what it showed.
    template <class Holder>
    QString openAndCancel(const QString& relative, int32_t* result, int* choices) {
        Holder plugin(relative);
        plugin.Initialize();
        QString title;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (QWidget* dialog = QApplication::activeModalWidget()) {
                title = dialog->windowTitle();
                const auto boxes = dialog->findChildren<QComboBox*>();
                const auto lists = dialog->findChildren<QListWidget*>();
                *choices = lists.isEmpty() ? (boxes.isEmpty() ? -1 : boxes.first()->count())
                                           : lists.first()->count();
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            }
        });
        timer.start(20);
        *result = plugin.OpenSetUpDialog(QStringLiteral("MX-R74400 Series"));
        return title;
    }
};

TEST_F(DemoPlugins, SheetGlideTunerShowsThePrinterAndItsMediaList) {
    const QString bundle = install->writePlugin(
        QStringLiteral("Plugin/PrinterPlugin/SGTR74.plugin"), QStringLiteral(DEMO_SGT_PLUGIN));
    QFile::remove(bundle + QStringLiteral("/Contents/Resources/Media.json"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DEMO_PLUGIN_RESOURCES "/SGT_Media.json"),
                            bundle + QStringLiteral("/Contents/Resources/Media.json")));
    int32_t result = 0;
    int media = 0;
    const QString title = openAndCancel<CSGTPlugin>(
        QStringLiteral("Plugin/PrinterPlugin/SGTR74.plugin"), &result, &media);
    EXPECT_EQ(title, QStringLiteral("Sheet Glide Tuner \u2013 Orvel MX-R74400 Series"));
    EXPECT_EQ(media, 7);
    EXPECT_EQ(result, 1);
}

TEST_F(DemoPlugins, StockProfileEditorShowsThePrinterAndItsProfiles) {
    const QString bundle = install->writePlugin(
        QStringLiteral("Plugin/PrinterPlugin/SPER74.plugin"), QStringLiteral(DEMO_SPE_PLUGIN));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DEMO_PLUGIN_RESOURCES "/SPE_Profiles.json"),
                            bundle + QStringLiteral("/Contents/Resources/Profiles.json")));
    int32_t result = 0;
    int profiles = 0;
    const QString title = openAndCancel<CSPEPlugin>(
        QStringLiteral("Plugin/PrinterPlugin/SPER74.plugin"), &result, &profiles);
    EXPECT_EQ(title, QStringLiteral("Stock Profile Editor \u2013 Orvel MX-R74400 Series"));
    EXPECT_EQ(profiles, 5);
    EXPECT_EQ(result, 1);
}

#endif
