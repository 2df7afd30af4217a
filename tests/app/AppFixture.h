#pragma once

#include "app/CLaunchUtil.h"
#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "config/LaunchMode.h"
#include "config/SettingFile.h"
#include "localize/Localize.h"
#include "platform/Events.h"
#include "platform/LaunchServices.h"
#include "platform/Preferences.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "support/TestSupport.h"
#include "ui/CControl.h"

#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace apptest {

inline const QStringList kToolNames = QString(TRELLIS_TOOL_NAMES).split('|');
inline const QString kFixedAlert = "The necessary file cannot be found. Install the program again.";

// A launcher installation in a scratch folder (the real interface files, a small string
// table, the required settings), its own preferences store, recorded alerts, and every
// singleton afresh.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::setPreferredLanguagesForTesting(QStringList{"en"});
        platform::setAlertPresenter([this](const platform::AlertRequest& request) {
            alerts.append(request.message);
            return short(1);
        });
        resetSingletons();
        QDir().mkpath(app.resourcesPath() + "/main.nib");
        for (const QString form : {"MainDialog.ui", "AboutDialog.ui", "MenuBar.ui"})
            QFile::copy(TRELLIS_APP_NIB "/" + form, app.resourcesPath() + "/main.nib/" + form);
        app.writeSetting("Setting.ini", "[FUNCTION]\nFUNCTION_NUM=0\n[PRINTER]\nPRINTER_NUM=0\n");
        app.writeSetting("Manual.ini", "[MANUAL]\nMANUAL_0000=Trellis/index.html\n");
        app.writeSetting("L_Const.ini", "[STRING]\n");
        app.writeSetting("L_Font.ini", "[FONT]\n00999999=13,0,0,0\n");
        app.writeSetting("Localize.ini", "[MAIN]\n00000000=Test Utility\n00000013=Quit\n"
                                         "[ABOUT]\n00020000=Version\n[ALERT]\n00010000=Alert 0\n"
                                         "00010001=Alert 1\n00010002=Alert 2\n00010003=Alert 3\n"
                                         "00010004=Alert 4\n00010005=Tool not started\n");
    }
    void TearDown() override {
        CMainDialog::DisposeMainDialog();
        QFile::remove(app.tree().path("hold"));
        // A watched tool reports its end before the next test.
        (void)QTest::qWaitFor(
            [] { return !CLaunchUtil::currentTask() || !CLaunchUtil::currentTask()->isRunning(); },
            5000);
        // A quit outside the event loop stays pending; one turn of the loop clears it.
        QTimer::singleShot(0, [] { platform::QuitApplicationEventLoop(); });
        platform::RunApplicationEventLoop();
        resetSingletons();
        platform::setAlertPresenter({});
        platform::setPreferredLanguagesForTesting(std::nullopt);
    }
    static void resetSingletons() {
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        CLocalize::DestroyInstance();
        CLaunchMode::DestroyInstance();
    }
    // A machine bundle serving the models, each with the plug-ins of its tool mask (bit i:
    // tool index i; 1 when not given).
    void writeCatalogue(const QStringList& models, const QList<int>& masks = {},
                        const QString& bundle = "A.bundle", const QString& version = "3.2.1") {
        static const QStringList prefixes = QString(TRELLIS_TOOL_PLUGIN_PREFIXES).split('|');
        QVariantMap initials, functions;
        for (int i = 0; i < models.size(); ++i) {
            const QString initial = bundle.left(1) + QString::number(i);
            initials.insert(models[i], initial);
            functions.insert(models[i], masks.value(i, 1));
            for (int tool = 0; tool < 7; ++tool)
                if (masks.value(i, 1) & (1 << tool))
                    app.tree().mkdir(kToolNames[tool] + "/Plugin/PrinterPlugin/" + prefixes[tool] +
                                     initial + ".plugin/Contents");
        }
        testsupport::writeMachineBundle(app.tree(), "MachineBundle/" + bundle,
                                        testsupport::machineSetting(models, initials, functions),
                                        version);
    }
    // <Tool>/<Tool>.app whose program logs "<tool>|<arguments>|<descriptor>" and stays while
    // the file "hold" is there; or one without the program its Info.plist names.
    void writeTool(int tool, bool withProgram = true) {
        const QString name = kToolNames[tool];
        testsupport::writeBundle(app.tree(), name + "/" + name + ".app",
                                 {{"CFBundleExecutable", "Tool"}, {"CFBundleName", name}});
        if (!withProgram)
            return;
        const QString path = app.tree().write(
            name + "/" + name + ".app/Contents/MacOS/Tool",
            QStringLiteral("#!/bin/sh\necho \"%1|$*|$TRELLIS_LAUNCH_DESCRIPTOR\" >> '%2'\n"
                           "while [ -e '%3' ]; do sleep 0.05; done\n")
                .arg(name, app.tree().path("log"), app.tree().path("hold"))
                .toUtf8());
        QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    }
    QStringList toolLog() const {
        return QString(testsupport::readFile(app.tree().path("log")))
            .split('\n', Qt::SkipEmptyParts);
    }
    static void savePreferences(const QStringList& list, const QString& selected) {
        const QString id = platform::kPreferencesCurrentApplication;
        ASSERT_TRUE(platform::setPreferenceValue("PrinterModelList", list, id));
        ASSERT_TRUE(platform::setPreferenceValue("SelectPrinterModelName", selected, id));
    }
    // The saved selection, then the saved list.
    static QStringList saved() {
        const QString id = platform::kPreferencesCurrentApplication;
        return QStringList{platform::copyPreferenceValue("SelectPrinterModelName", id).toString()} +
               platform::copyPreferenceValue("PrinterModelList", id).toStringList();
    }

    // The main dialog as start-up makes it; null when creation failed.
    static CMainDialog* create() {
        return CMainDialog::Create() == 0 ? CMainDialog::GetMainDialog() : nullptr;
    }
    // Picks the item (from 1) as the user does.
    static void choose(CMainDialog* dialog, int item) {
        auto* popup =
            qobject_cast<QComboBox*>(platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1400)));
        popup->setCurrentIndex(item - 1);
        emit popup->activated(item - 1);
    }
    static void click(CMainDialog* dialog, long number) {
        QWidget* button = platform::widgetForTesting(dialog->GetView("MAIN"_4cc, number));
        ASSERT_TRUE(button && button->isVisible()) << number;
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }

    testsupport::FakeApplication app;
    QStringList alerts;

private:
    QTemporaryDir m_config;
    testsupport::ScopedEnvironment m_configHome{"XDG_CONFIG_HOME",
                                                QFile::encodeName(m_config.path())};
};

} // namespace apptest
