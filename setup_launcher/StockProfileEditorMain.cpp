#include "config/UFile.h"
#include "platform/Alert.h"
#include "platform/AppleEvents.h"
#include "platform/SingleInstance.h"
#include "platform/Translations.h"
#include "setup_launcher/SetupLauncher.h"

#include <QApplication>

// Started by the launcher for one printer: opens that printer's Stock Profile Editor plug-in.
int main(int argc, char** argv) {
    // Alerts and the plug-in's dialog need a widget application.
    platform::initializeProcess();
    QApplication application(argc, argv);
    // One per user: a second start brings the running one (and its plug-in's dialog) forward.
    if (!platform::SingleInstance::claimForProgram([] { platform::bringApplicationToFront(); }))
        return 0;
    platform::installToolkitTranslations();
    UFile::SetSettingFolderName(QLatin1String(setup_launcher::spe::kSettingFolderName));
    return setup_launcher::StockProfileEditorMain();
}
