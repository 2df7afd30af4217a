// Starting tools for real: the tools are programs in packages of a scratch installation,
// started through the launcher service or as the child task, and the tests read what
// they received.

#include "AppFixture.h"
#include "app/CLaunchUtil.h"
#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "platform/AppleEvents.h"
#include "platform/LaunchServices.h"
#include "platform/TestingAccess.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <QUuid>
#include <csignal>
#include <sys/types.h>

using apptest::AppTest;

namespace {

constexpr int kKestrelLoader = 0;
constexpr int kStockVaultSetup = 6;

class ToolLaunchTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        m_log = app->tree().path("tool-log.jsonl");
        qputenv("TRELLIS_DEMO_TOOL_LOG", m_log.toLocal8Bit());
    }
    void TearDown() override {
        for (const qint64 pid : std::as_const(m_started))
            ::kill(pid_t(pid), SIGKILL);
        QFile::remove(app->tree().path("hold"));
        // Let a watched task report its end before the next test.
        static_cast<void>(QTest::qWaitFor(
            [] {
                return CLaunchUtil::currentTask() == nullptr ||
                       !CLaunchUtil::currentTask()->isRunning();
            },
            5000));
        qunsetenv("TRELLIS_DEMO_TOOL_LOG");
        AppTest::TearDown();
    }

    // <Tool>/<Tool>.app with the given program as its executable and a private identity.
    QString writeTool(int tool, const QString& program, bool copy) {
        const QString name = apptest::kToolNames[tool];
        const QString contents = name + "/" + name + ".app/Contents";
        const QString executable = QStringLiteral("Tool%1").arg(tool);
        app->tree().write(
            contents + "/Info.plist",
            testsupport::xmlPropertyList(
                QVariantMap{{"CFBundleExecutable", executable},
                            {"CFBundleName", name},
                            {"CFBundleIdentifier",
                             "test.trellis.tool." + QUuid::createUuid().toString(QUuid::Id128)}}));
        const QString path = app->tree().mkdir(contents + "/MacOS") + "/" + executable;
        if (copy)
            EXPECT_TRUE(QFile::copy(program, path));
        else
            app->tree().write(contents + "/MacOS/" + executable, program.toUtf8());
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        return path;
    }
    // A tool that logs each start ("<pid> <arguments> <descriptor>") and stays until the
    // file "hold" goes.
    void writeScriptTool(int tool) {
        const QString script =
            QStringLiteral("#!/bin/sh\n"
                           "echo \"$$ $* ${TRELLIS_LAUNCH_DESCRIPTOR}\" >> '%1'\n"
                           "while [ -e '%2' ]; do sleep 0.05; done\n")
                .arg(app->tree().path("script-log"), app->tree().path("hold"));
        writeTool(tool, script, false);
        app->tree().write("hold", "");
    }
    QStringList scriptLog() const {
        QFile file(app->tree().path("script-log"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
        for (const QString& line : std::as_const(lines))
            m_started.append(line.section(' ', 0, 0).toLongLong());
        return lines;
    }
    // The identifier a script tool's log line received ("<pid> <arguments> <descriptor>").
    static QByteArray handedOver(const QString& line) {
        const auto descriptor = platform::decodeLaunchDescriptor(line.section(' ', -1).toLatin1());
        return descriptor ? descriptor->data : QByteArray("<none>");
    }
    QList<QJsonObject> demoLog() const {
        QFile file(m_log);
        QList<QJsonObject> lines;
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.isEmpty())
                continue;
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            m_started.append(object.value("pid").toInteger());
            lines.append(object);
        }
        return lines;
    }

    CMainDialog* createFor(const QString& model, int mask) {
        writeCatalogue({{model, "T", mask}});
        if (CMainDialog::Create() != 0)
            return nullptr;
        return CMainDialog::GetMainDialog();
    }
    static void click(CMainDialog* dialog, int tool) {
        QWidget* widget =
            platform::widgetForTesting(dialog->GetView("MAIN"_4cc, kAppButtonIDList[tool]));
        ASSERT_TRUE(widget && widget->isVisible());
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }

    QString m_log;
    mutable QList<qint64> m_started;
};

TEST_F(ToolLaunchTest, OnlyTheExactStockVaultSetupNameTakesTheTaskWay) {
    auto url = [](const QString& path) { return QUrl::fromLocalFile(path); };
    EXPECT_TRUE(
        CMainDialog::IsNewStockProfileVault(url("/x/Stock Vault Setup/Stock Vault Setup.app")));
    EXPECT_TRUE(
        CMainDialog::IsNewStockProfileVault(url("/x/Kestrel Loader/Stock Vault Setup.app/")));
    EXPECT_FALSE(CMainDialog::IsNewStockProfileVault(url("/x/stock vault setup.app")));
    EXPECT_FALSE(CMainDialog::IsNewStockProfileVault(url("/x/Stock Vault Setup.app/Contents")));
    EXPECT_FALSE(CMainDialog::IsNewStockProfileVault(url("/x/Stock Profile Vault.app")));
    EXPECT_FALSE(CMainDialog::IsNewStockProfileVault(QUrl()));
}

TEST_F(ToolLaunchTest, TheLauncherServiceHandsOverExactlyTheIdentifierBytes) {
    writeScriptTool(kKestrelLoader);
    CMainDialog* dialog = createFor("MX-R74400 Series", 1);
    ASSERT_NE(dialog, nullptr);
    click(dialog, kKestrelLoader);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !scriptLog().isEmpty(); }, 10000));
    const QString line = scriptLog().first();
    // No arguments, only the descriptor.
    const QStringList fields = line.split(' ');
    ASSERT_EQ(fields.size(), 3) << line.toStdString();
    const auto descriptor = platform::decodeLaunchDescriptor(fields[2].toLatin1());
    ASSERT_TRUE(descriptor.has_value()) << line.toStdString();
    EXPECT_EQ(descriptor->type, "utf8"_4cc);
    EXPECT_EQ(descriptor->data, QByteArray("MX-R74400 Series"));
    EXPECT_EQ(descriptor->data.size(), 16);
}

TEST_F(ToolLaunchTest, TheStandInToolGetsThePrinterByEitherWay) {
    writeTool(kKestrelLoader, QStringLiteral(TRELLIS_DEMO_TOOL), true);
    writeTool(kStockVaultSetup, QStringLiteral(TRELLIS_DEMO_TOOL), true);
    CMainDialog* dialog = createFor("MX-R54400 Series", 1 | 64);
    ASSERT_NE(dialog, nullptr);
    click(dialog, kKestrelLoader);
    click(dialog, kStockVaultSetup);
    ASSERT_TRUE(QTest::qWaitFor([this] { return demoLog().size() >= 2; }, 20000));
    QMap<QString, QString> viaByTool;
    for (const QJsonObject& line : demoLog()) {
        EXPECT_EQ(line.value("printer").toString(), "MX-R54400 Series");
        viaByTool.insert(line.value("tool").toString(), line.value("via").toString());
    }
    EXPECT_EQ(viaByTool.value("Kestrel Loader"), "prdt");
    EXPECT_EQ(viaByTool.value("Stock Vault Setup"), "argv");
}

TEST_F(ToolLaunchTest, OneStockVaultSetupTaskAtATime) {
    writeScriptTool(kStockVaultSetup);
    CMainDialog* dialog = createFor("MX-A", 64);
    ASSERT_NE(dialog, nullptr);
    click(dialog, kStockVaultSetup);
    ASSERT_TRUE(QTest::qWaitFor([this] { return scriptLog().size() == 1; }, 10000));
    EXPECT_TRUE(scriptLog().first().endsWith(" MX-A ")) << scriptLog().first().toStdString();
    ASSERT_NE(CLaunchUtil::currentTask(), nullptr);
    EXPECT_TRUE(CLaunchUtil::currentTask()->isRunning());

    click(dialog, kStockVaultSetup);
    QTest::qWait(500);
    EXPECT_EQ(scriptLog().size(), 1) << "a second click while the tool runs starts nothing";

    // After the tool ends the next click starts it again.
    QFile::remove(app->tree().path("hold"));
    ASSERT_TRUE(QTest::qWaitFor([] { return CLaunchUtil::currentTask() == nullptr; }, 10000));
    app->tree().write("hold", "");
    click(dialog, kStockVaultSetup);
    EXPECT_TRUE(QTest::qWaitFor([this] { return scriptLog().size() == 2; }, 10000));
}

TEST_F(ToolLaunchTest, ATaskBundleWithoutExecutableStartsNothing) {
    const QString name = apptest::kToolNames[kStockVaultSetup];
    app->tree().write(name + "/" + name + ".app/Contents/Info.plist",
                      testsupport::xmlPropertyList(QVariantMap{{"CFBundleName", name}}));
    CMainDialog* dialog = createFor("MX-A", 64);
    ASSERT_NE(dialog, nullptr);
    click(dialog, kStockVaultSetup);
    EXPECT_TRUE(CLaunchUtil::currentTask() == nullptr || !CLaunchUtil::currentTask()->isRunning());
}

TEST_F(ToolLaunchTest, NothingStartsWithoutAPrinterOrAnApplication) {
    writeScriptTool(kKestrelLoader);
    CMainDialog* dialog = createFor("MX-A", 1);
    ASSERT_NE(dialog, nullptr);
    EXPECT_NE(dialog->OnAppButton(7), 0); // no such slot
    EXPECT_NE(dialog->OnAppButton(-1), 0);
    // No identifier to hand over.
    EXPECT_NE(dialog->LaunchApplication(QUrl(), nullptr), 0);
    // A start that must happen comes after the ones that must not; once it is logged,
    // theirs would have been too.
    ASSERT_EQ(dialog->OnAppButton(kKestrelLoader), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !scriptLog().isEmpty(); }, 10000));
    EXPECT_EQ(scriptLog().size(), 1);
    EXPECT_EQ(handedOver(scriptLog().first()), "MX-A");
}

TEST_F(ToolLaunchTest, ReturnAndSpaceOnAFocusedToolButtonStartTheTool) {
    writeScriptTool(kKestrelLoader);
    CMainDialog* dialog = createFor("MX-A", 1);
    ASSERT_NE(dialog, nullptr);
    QWidget* window = platform::widgetForTesting(dialog->GetWindowRef());
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1900));
    button->setFocus(Qt::TabFocusReason);
    QTest::keyClick(button, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([this] { return scriptLog().size() == 1; }, 10000));
    // Let the first run end before the next key.
    QFile::remove(app->tree().path("hold"));
    QTest::qWait(300);
    app->tree().write("hold", "");
    QTest::keyClick(button, Qt::Key_Space);
    EXPECT_TRUE(QTest::qWaitFor([this] { return scriptLog().size() == 2; }, 10000));
}

TEST_F(ToolLaunchTest, AnIdentifierLongerThanTheHandOffStartsNothing) {
    writeScriptTool(kKestrelLoader);
    const QString model = QString(300, QLatin1Char('X'));
    CMainDialog* dialog = createFor(model, 1);
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(dialog->GetSelectedPrinterDeviceID(), model);
    click(dialog, kKestrelLoader);
    const QUrl tool = CSettingFileEx::GetInstance()->GetApplicationURL(kKestrelLoader);
    ASSERT_EQ(dialog->LaunchApplication(tool, "sentinel"), 0);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !scriptLog().isEmpty(); }, 10000));
    EXPECT_EQ(scriptLog().size(), 1) << "no tool for a cut-off printer name";
    EXPECT_EQ(handedOver(scriptLog().first()), "sentinel");
}

} // namespace
