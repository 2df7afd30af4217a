#pragma once

#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "config/LaunchMode.h"
#include "config/SettingFile.h"
#include "localize/Localize.h"
#include "platform/Alert.h"
#include "platform/Languages.h"
#include "platform/Preferences.h"
#include "platform/SystemInfo.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "support/TestSupport.h"
#include "ui/CControl.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QVariantMap>
#include <gtest/gtest.h>
#include <memory>

namespace apptest {

inline const QStringList kToolNames = {
    "Kestrel Loader",  "Status Lantern",      "Sheet Glide Tuner", "Stock Profile Editor",
    "Nozzle Care Kit", "Stock Profile Vault", "Stock Vault Setup"};
inline const QStringList kPluginPrefixes = {"KL", "SL", "SGT", "SPE", "NCK", "SPV", "SPV2"};

struct Printer {
    QString model;
    QString initial;
    int mask = 0; // bit i: tool index i, with its plug-in in place
};

// A launcher installation in a scratch folder: Trellis.app (the real interface file, a
// small string table, the required settings files), a machine bundle, the tool folders
// with plug-ins, and a preferences store of its own. Every singleton starts afresh.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_configHome = std::make_unique<testsupport::ScopedEnvironment>(
            "XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        platform::setPreferredLanguagesForTesting(QStringList{QStringLiteral("en")});
        platform::setSystemVersionForTesting(0x1060);
        platform::setAlertPresenter([this](const platform::AlertRequest& request) {
            alerts.append(request.message);
            return short(1);
        });
        resetSingletons();
        app = std::make_unique<testsupport::FakeApplication>();
        const QString nib = app->resourcesPath() + QStringLiteral("/main.nib");
        QDir().mkpath(nib);
        for (const char* form : {"MainDialog.ui", "AboutDialog.ui", "MenuBar.ui"})
            QFile::copy(QStringLiteral(TRELLIS_APP_NIB "/") + form, nib + "/" + form);
        writeRequiredSettings();
    }

    void TearDown() override {
        CMainDialog::DisposeMainDialog();
        // A quit outside the event loop stays pending for the next loop that runs (a modal
        // loop would end at once); one turn of the application loop clears it.
        QTimer::singleShot(0, [] { platform::QuitApplicationEventLoop(); });
        platform::RunApplicationEventLoop();
        resetSingletons();
        app.reset();
        platform::setAlertPresenter({});
        platform::setSystemVersionForTesting(std::nullopt);
        platform::setPreferredLanguagesForTesting(std::nullopt);
        m_configHome.reset();
    }

    static void resetSingletons() {
        CSettingFileEx::DestroyInstance();
        CSettingFile::DestroyInstance();
        CLocalize::DestroyInstance();
        CLaunchMode::DestroyInstance();
    }

    void writeRequiredSettings() const {
        app->writeSetting(QStringLiteral("Setting.ini"), "[FUNCTION]\nFUNCTION_NUM=0\n"
                                                         "[PRINTER]\nPRINTER_NUM=0\n");
        app->writeSetting(QStringLiteral("Manual.ini"),
                          "[MANUAL]\nMANUAL_0000=Trellis/index.html\n");
        app->writeSetting(QStringLiteral("Localize.ini"),
                          "[MAIN]\n00000000=Test Utility\n00000002=Pick a printer.\n"
                          "00000003=Printer:\n00000012=Help\n00000013=Quit\n"
                          "[TOOLS]\n00000100=Tool one\n00000200=Does one thing.\n"
                          "[ALERT]\n00010000=Alert 0\n00010001=Alert 1\n00010002=Alert 2\n"
                          "00010003=Alert 3\n00010004=Alert 4\n"
                          "[ABOUT]\n00020000=Version\n00020001=Notice text\n"
                          "[MENU]\n00030000=Help\n00030002=About Test\n");
        app->writeSetting(QStringLiteral("L_Const.ini"), "[STRING]\n");
        app->writeSetting(QStringLiteral("L_Font.ini"), "[FONT]\n00999999=13,0,0,0\n");
    }

    // One machine bundle serving the printers, with each printer's plug-ins for its mask.
    void writeCatalogue(const QList<Printer>& printers,
                        const QString& bundle = QStringLiteral("Test.bundle"),
                        const QString& version = QStringLiteral("3.2.1")) const {
        QStringList models;
        QVariantMap initials;
        QVariantMap functions;
        for (const Printer& printer : printers) {
            models.append(printer.model);
            initials.insert(printer.model, printer.initial);
            functions.insert(printer.model, printer.mask);
            for (int tool = 0; tool < 7; ++tool) {
                if (printer.mask & (1 << tool))
                    writePlugin(tool, kPluginPrefixes[tool] + printer.initial);
            }
        }
        const QString root = QStringLiteral("MachineBundle/") + bundle;
        app->tree().write(root + QStringLiteral("/Contents/Info.plist"),
                          testsupport::xmlPropertyList(
                              QVariantMap{{QStringLiteral("CFBundleName"), bundle},
                                          {QStringLiteral("CFBundleVersion"), version}}));
        app->tree().write(
            root + QStringLiteral("/Contents/Resources/Setting.xml"),
            testsupport::xmlPropertyList(QVariantMap{{QStringLiteral("MODEL"), models},
                                                     {QStringLiteral("INITIAL"), initials},
                                                     {QStringLiteral("FUNCTION"), functions}}));
    }

    void writePlugin(int tool, const QString& name) const {
        app->tree().write(
            kToolNames[tool] + QStringLiteral("/Plugin/PrinterPlugin/") + name +
                QStringLiteral(".plugin/Contents/Info.plist"),
            testsupport::xmlPropertyList(QVariantMap{{QStringLiteral("CFBundleVersion"), "1.0"}}));
    }

    // The preferences as the previous run left them.
    static void savePreferences(const QStringList& list, const QString& selected) {
        const QString id = platform::kPreferencesCurrentApplication;
        ASSERT_TRUE(platform::setPreferenceValue(QStringLiteral("PrinterModelList"), list, id));
        ASSERT_TRUE(
            platform::setPreferenceValue(QStringLiteral("SelectPrinterModelName"), selected, id));
    }
    static QStringList savedList() {
        return platform::copyPreferenceValue(QStringLiteral("PrinterModelList"),
                                             platform::kPreferencesCurrentApplication)
            .toStringList();
    }
    static QString savedSelection() {
        return platform::copyPreferenceValue(QStringLiteral("SelectPrinterModelName"),
                                             platform::kPreferencesCurrentApplication)
            .toString();
    }

    std::unique_ptr<testsupport::FakeApplication> app;
    QStringList alerts;

private:
    QTemporaryDir m_config;
    std::unique_ptr<testsupport::ScopedEnvironment> m_configHome;
};

// The main dialog made as start-up makes it, and its printer popup as the user sees it.
class MainDialogFixture : public AppTest {
protected:
    // Null when creation failed.
    static CMainDialog* create() {
        if (CMainDialog::Create() != 0)
            return nullptr;
        return CMainDialog::GetMainDialog();
    }
    static QStringList popupItems(CMainDialog* dialog) {
        CPopupButton popup(dialog->GetWindowRef(), {"MAIN"_4cc, 1400});
        QStringList items;
        for (long i = 1; i <= popup.CountMenuItems(); ++i) {
            QString text;
            popup.GetMenuItemText(MenuItemIndex(i), &text);
            items.append(text);
        }
        return items;
    }
    static long popupValue(CMainDialog* dialog) {
        return CPopupButton(dialog->GetWindowRef(), {"MAIN"_4cc, 1400}).GetValue();
    }
    // Picks the item as the user does, through the popup's widget.
    static void choose(CMainDialog* dialog, int item) {
        auto* combo =
            qobject_cast<QComboBox*>(platform::widgetForTesting(dialog->GetView("MAIN"_4cc, 1400)));
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(item - 1);
        emit combo->activated(item - 1);
    }
};

} // namespace apptest
