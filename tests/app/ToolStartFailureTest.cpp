// A tool that cannot be started tells the user, and the window stays usable.

#include "AppFixture.h"
#include "app/CLaunchUtil.h"
#include "app/CMainDialog.h"
#include "platform/LaunchServices.h"
#include "platform/TestingAccess.h"

#include <QFile>
#include <QTest>
#include <QUuid>

using apptest::AppTest;

namespace {

constexpr int kKestrelLoader = 0;
constexpr int kStatusLantern = 1;
constexpr int kStockVaultSetup = 6;
const QString kNotStarted = QStringLiteral("Tool not started");

class ToolStartFailureTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app->writeSetting(QStringLiteral("Localize.ini"),
                          "[MAIN]\n00000000=Test Utility\n00000002=Pick a printer.\n"
                          "00000003=Printer:\n00000012=Help\n00000013=Quit\n"
                          "[ALERT]\n00010000=Alert 0\n00010001=Alert 1\n00010004=Alert 4\n"
                          "00010005=" +
                              kNotStarted.toUtf8() + "\n");
    }
    void TearDown() override {
        QFile::remove(app->tree().path("hold"));
        static_cast<void>(QTest::qWaitFor(
            [] {
                return CLaunchUtil::currentTask() == nullptr ||
                       !CLaunchUtil::currentTask()->isRunning();
            },
            5000));
        AppTest::TearDown();
    }

    // A tool package whose executable is a script that notes its start and waits for the
    // file "hold" to go; without `executable`, the package has none where Info.plist says.
    void writeTool(int tool, bool executable) {
        const QString name = apptest::kToolNames[tool];
        const QString contents = name + "/" + name + ".app/Contents";
        app->tree().write(
            contents + "/Info.plist",
            testsupport::xmlPropertyList(
                QVariantMap{{"CFBundleExecutable", "Tool"},
                            {"CFBundleName", name},
                            {"CFBundleIdentifier",
                             "test.trellis.tool." + QUuid::createUuid().toString(QUuid::Id128)}}));
        if (!executable)
            return;
        app->tree().write(contents + "/MacOS/Tool",
                          QStringLiteral("#!/bin/sh\necho started >> '%1'\n"
                                         "while [ -e '%2' ]; do sleep 0.05; done\n")
                              .arg(app->tree().path("started"), app->tree().path("hold"))
                              .toUtf8());
        const QString path = app->tree().path(contents + "/MacOS/Tool");
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
        app->tree().write("hold", "");
    }
    int starts() const {
        QFile file(app->tree().path("started"));
        return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
    }

    CMainDialog* createFor(int mask) {
        writeCatalogue({{"MX-A", "T", mask}});
        if (CMainDialog::Create() != 0)
            return nullptr;
        return CMainDialog::GetMainDialog();
    }
    static QWidget* buttonOf(CMainDialog* dialog, int tool) {
        return platform::widgetForTesting(dialog->GetView("MAIN"_4cc, kAppButtonIDList[tool]));
    }
    static void click(CMainDialog* dialog, int tool) {
        QWidget* widget = buttonOf(dialog, tool);
        ASSERT_TRUE(widget && widget->isVisible());
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }
};

TEST_F(ToolStartFailureTest, AMissingApplicationGivesTheAlertAndTheWindowStaysUsable) {
    // Tool 1's package is not there at all; tool 2 is installed.
    writeTool(kStatusLantern, true);
    CMainDialog* dialog = createFor(0b11);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(buttonOf(dialog, kKestrelLoader)->isVisible()); // shown as before

    click(dialog, kKestrelLoader);
    ASSERT_EQ(alerts, QStringList{kNotStarted});
    EXPECT_TRUE(buttonOf(dialog, kKestrelLoader)->isVisible());
    EXPECT_TRUE(platform::widgetForTesting(dialog->GetWindowRef())->isVisible());

    // Another tool still starts, without an alert; the failing one alerts again.
    click(dialog, kStatusLantern);
    EXPECT_TRUE(QTest::qWaitFor([this] { return starts() == 1; }, 10000));
    EXPECT_EQ(alerts.size(), 1);
    click(dialog, kKestrelLoader);
    EXPECT_EQ(alerts, (QStringList{kNotStarted, kNotStarted}));
}

TEST_F(ToolStartFailureTest, TheAlertSaysItInEnglishWhenTheTablesHoldNoText) {
    const QString builtIn = QStringLiteral(
        "The tool cannot be started. Make sure that it is installed, and try again.");
    auto demoTable = [](const char* language) {
        QFile file(QStringLiteral(TRELLIS_RESOURCES_DIR "/%1.lproj/Settings/Localize.ini")
                       .arg(QLatin1String(language)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const struct {
        const char* name;
        QByteArray table;
        QString expected;
    } rows[] = {
        {"the table's own text", "[ALERT]\n00010005=Tool not started\n", kNotStarted},
        {"identifier missing", "[ALERT]\n00010004=Alert 4\n", builtIn},
        {"empty text", "[ALERT]\n00010005=\n", builtIn},
        {"demo tables, English", demoTable("English"), builtIn},
        {"demo tables, Japanese", demoTable("Japanese"),
         QStringLiteral("ツールを起動できません。ツールがインストールされていることを確認してから、"
                        "もう一度お試しください。")},
    };
    CMainDialog* dialog = createFor(1);
    ASSERT_NE(dialog, nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_FALSE(row.table.isEmpty());
        app->writeSetting(QStringLiteral("Localize.ini"), row.table);
        CLocalize::DestroyInstance();
        alerts.clear();
        click(dialog, kKestrelLoader);
        EXPECT_EQ(alerts, QStringList{row.expected});
    }
}

TEST_F(ToolStartFailureTest, APackageWithoutItsExecutableGivesTheAlertEitherWay) {
    writeTool(kKestrelLoader, false);
    writeTool(kStockVaultSetup, false);
    CMainDialog* dialog = createFor(1 | (1 << kStockVaultSetup));
    ASSERT_NE(dialog, nullptr);
    click(dialog, kKestrelLoader); // through the launcher service
    EXPECT_EQ(alerts, QStringList{kNotStarted});
    click(dialog, kStockVaultSetup); // as the child task
    EXPECT_EQ(alerts, (QStringList{kNotStarted, kNotStarted}));
    EXPECT_TRUE(CLaunchUtil::currentTask() == nullptr || !CLaunchUtil::currentTask()->isRunning());
    EXPECT_EQ(starts(), 0);
}

TEST_F(ToolStartFailureTest, AStartedOrStillRunningTaskGivesNoAlert) {
    writeTool(kStockVaultSetup, true);
    CMainDialog* dialog = createFor(1 << kStockVaultSetup);
    ASSERT_NE(dialog, nullptr);
    click(dialog, kStockVaultSetup);
    ASSERT_TRUE(QTest::qWaitFor([this] { return starts() == 1; }, 10000));
    click(dialog, kStockVaultSetup); // ignored while it runs: not a failure
    QTest::qWait(300);
    EXPECT_EQ(starts(), 1);
    EXPECT_TRUE(alerts.isEmpty());
}

} // namespace
