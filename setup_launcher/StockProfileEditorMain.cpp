#include "config/UFile.h"
#include "platform/Translations.h"
#include "setup_launcher/SetupLauncher.h"

#include <QApplication>

// Started by the launcher for one printer: opens that printer's Stock Profile Editor plug-in.
int main(int argc, char** argv) {
    // Alerts and the plug-in's dialog need a widget application.
    QApplication application(argc, argv);
    platform::installToolkitTranslations();
    UFile::SetSettingFolderName(QLatin1String(setup_launcher::spe::kSettingFolderName));
    return setup_launcher::StockProfileEditorMain();
}
