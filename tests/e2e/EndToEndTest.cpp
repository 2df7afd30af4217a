// The whole road on a staged installation: Trellis (in this process) starts the real
// set-up launcher processes through its tool buttons, and they load the selected printer's
// plug-in and call it with the printer's identifier.

#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "config/LaunchMode.h"
#include "config/SettingFile.h"
#include "localize/Localize.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/Languages.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "support/Staging.h"
#include "support/TestSupport.h"
#include "ui/CControl.h"
#include "ui/CImagePushButton.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class EndToEndTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        sStage = std::make_unique<QTemporaryDir>();
        sProblem = testsupport::stageInstallation(sStage->path());
        sInstalled = sProblem.isEmpty();
        if (!sInstalled)
            return;
        // The demo's dialogs wait for a person; these plug-ins record their call or crash.
        sInstalled = replacePlugin("Sheet Glide Tuner", "SGTR74", RECORDING_PLUGIN) &&
                     replacePlugin("Stock Profile Editor", "SPER54", RECORDING_PLUGIN) &&
                     replacePlugin("Stock Profile Editor", "SPER74", CRASH_PLUGIN);
        if (!sInstalled) {
            sProblem = QStringLiteral("the staged tree lacks a demo plug-in");
            return;
        }
        // Two tools that do not last: one crashes, one ends at once; both note their start.
        sInstalled =
            replaceTool("Stock Vault Setup", "echo \"vault $1\" >>\"$TRELLIS_TEST_TOOL_RECORD\"\n"
                                             "kill -SEGV $$\n") &&
            replaceTool("Kestrel Loader", "echo kestrel >>\"$TRELLIS_TEST_TOOL_RECORD\"\nexit 0\n");
        if (!sInstalled)
            sProblem = QStringLiteral("the staged tree lacks a demo tool");
    }
    static void TearDownTestSuite() { sStage.reset(); }

    static QString root() { return sStage->path() + QStringLiteral("/" TRELLIS_INSTALL_ROOT_NAME); }

    static bool replacePlugin(const QString& tool, const QString& name, const char* sharedObject) {
        const QString plugin = root() + "/" + tool + "/Plugin/PrinterPlugin/" + name + ".plugin";
        if (!QDir(plugin).exists() || !QDir(plugin).removeRecursively())
            return false;
        QDir().mkpath(plugin + "/Contents/MacOS");
        QFile info(plugin + "/Contents/Info.plist");
        if (!info.open(QIODevice::WriteOnly))
            return false;
        info.write(testsupport::xmlPropertyList(
            QVariantMap{{"CFBundleExecutable", "plugin"}, {"CFBundleVersion", "1.0"}}));
        return QFile::copy(QString::fromUtf8(sharedObject), plugin + "/Contents/MacOS/plugin");
    }

    static bool replaceTool(const QString& tool, const QByteArray& script) {
        const auto bundle = platform::Bundle::create(root() + "/" + tool + "/" + tool + ".app");
        if (!bundle || bundle->executablePath().isEmpty())
            return false;
        QFile executable(bundle->executablePath());
        if (!executable.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        executable.write("#!/bin/sh\n" + script);
        executable.close();
        return executable.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void SetUp() override {
        ASSERT_TRUE(sInstalled) << sProblem.toStdString();
        qputenv("XDG_CONFIG_HOME", m_scratch.filePath("config").toLocal8Bit());
        qputenv("TRELLIS_ALERT_LOG", alertLog().toLocal8Bit());
        qputenv("TRELLIS_TEST_PLUGIN_RECORD", record().toLocal8Bit());
        qputenv("TRELLIS_TEST_TOOL_RECORD", toolRecord().toLocal8Bit());
        platform::setPreferredLanguagesForTesting(QStringList{"en"});
        platform::setAlertPresenter([](const platform::AlertRequest&) { return short(1); });
        platform::Bundle::setMainBundlePathForTesting(root() + "/Trellis.app");
        resetSingletons();
        ASSERT_EQ(CImagePushButton::RegisterClass(), noErr);
        ASSERT_EQ(CMainDialog::Create(), noErr);
        dialog = CMainDialog::GetMainDialog();
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override {
        CMainDialog::DisposeMainDialog();
        QTimer::singleShot(0, [] { platform::QuitApplicationEventLoop(); });
        platform::RunApplicationEventLoop();
        resetSingletons();
        platform::Bundle::setMainBundlePathForTesting(QString());
        platform::setAlertPresenter({});
        platform::setPreferredLanguagesForTesting(std::nullopt);
        for (const char* name : {"XDG_CONFIG_HOME", "TRELLIS_ALERT_LOG",
                                 "TRELLIS_TEST_PLUGIN_RECORD", "TRELLIS_TEST_TOOL_RECORD"})
            qunsetenv(name);
    }
    static void resetSingletons() {
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        CLocalize::DestroyInstance();
        CLaunchMode::DestroyInstance();
    }

    QString record() const { return m_scratch.filePath("record.txt"); }
    QString toolRecord() const { return m_scratch.filePath("tools.txt"); }
    QString alertLog() const { return m_scratch.filePath("alerts.jsonl"); }
    static QByteArray contents(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void choose(const QString& displayName) {
        auto* combo =
            qobject_cast<QComboBox*>(platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1400)));
        ASSERT_NE(combo, nullptr);
        const int index = combo->findText(displayName);
        ASSERT_GE(index, 0) << displayName.toStdString();
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    void click(long number) {
        QWidget* widget = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, number));
        ASSERT_NE(widget, nullptr);
        ASSERT_TRUE(widget->isVisible()) << number;
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
    // Waits until the record holds `calls` calls of the entry point.
    bool waitForCalls(int calls) {
        return QTest::qWaitFor([&] { return contents(record()).count("entry=") >= calls; }, 60000);
    }
    static bool launcherRunning(const QString& program) {
        return QProcess::execute("pgrep", {"-f", root() + "/.*/" + program}) == 0;
    }

    CMainDialog* dialog = nullptr;
    QTemporaryDir m_scratch;
    static inline std::unique_ptr<QTemporaryDir> sStage;
    static inline bool sInstalled = false;
    static inline QString sProblem;
};

TEST_F(EndToEndTest, ToolButtonsStartTheSetUpLaunchersWhichCallThePrintersPlugins) {
    choose("Orvel MX-R74400 Series");
    click(1902);
    ASSERT_TRUE(waitForCalls(1)) << contents(record()).toStdString();
    QByteArray calls = contents(record());
    EXPECT_TRUE(calls.contains("entry=SGT\n")) << calls.toStdString();
    EXPECT_TRUE(calls.contains("id=MX-R74400 Series\n")) << calls.toStdString();
    EXPECT_TRUE(calls.contains("/Sheet Glide Tuner/Plugin/PrinterPlugin/SGTR74.plugin\n"))
        << calls.toStdString();

    choose("Orvel MX-R54400 Series");
    click(1903);
    ASSERT_TRUE(waitForCalls(2)) << contents(record()).toStdString();
    calls = contents(record());
    EXPECT_TRUE(calls.contains("entry=SPE\n")) << calls.toStdString();
    EXPECT_TRUE(calls.contains("id=MX-R54400 Series\n")) << calls.toStdString();
    EXPECT_TRUE(calls.contains("/Stock Profile Editor/Plugin/PrinterPlugin/SPER54.plugin\n"))
        << calls.toStdString();
    EXPECT_TRUE(contents(alertLog()).isEmpty()) << contents(alertLog()).toStdString();
}

TEST_F(EndToEndTest, APluginThatCrashesEndsOnlyTheSetUpLauncher) {
    choose("Orvel MX-R74400 Series");
    click(1903); // SPER74 crashes inside its entry point
    ASSERT_TRUE(QTest::qWaitFor([] { return !launcherRunning("StockProfileEditor2"); }, 60000));
    EXPECT_FALSE(contents(record()).contains("entry="));

    // Trellis goes on: its window still answers and starts the next tool.
    ASSERT_NE(CMainDialog::GetMainDialog(), nullptr);
    EXPECT_TRUE(platform::widgetForTesting(dialog->GetWindowRef())->isVisible());
    click(1902);
    ASSERT_TRUE(waitForCalls(1)) << contents(record()).toStdString();
    EXPECT_TRUE(contents(record()).contains("id=MX-R74400 Series\n"));
}

TEST_F(EndToEndTest, ToolsThatCrashOrEndAtOnceLeaveTrellisUsable) {
    choose("Orvel MX-R74400 Series");
    const auto starts = [&](const QByteArray& line) {
        return contents(toolRecord()).split('\n').count(line);
    };
    // Stock Vault Setup runs as a watched task: once its crash is noticed, it can start again.
    click(1906);
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts("vault MX-R74400 Series") == 1; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            click(1906);
            return QTest::qWaitFor([&] { return starts("vault MX-R74400 Series") == 2; }, 500);
        },
        30000));
    // A tool started through the launcher service that ends at once starts again too.
    click(1900);
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts("kestrel") == 1; }, 30000));
    click(1900);
    ASSERT_TRUE(QTest::qWaitFor([&] { return starts("kestrel") == 2; }, 30000));
    EXPECT_TRUE(platform::widgetForTesting(dialog->GetWindowRef())->isVisible());
    EXPECT_TRUE(contents(alertLog()).isEmpty()) << contents(alertLog()).toStdString();
}

} // namespace
