#include "setup_launcher/SetupLauncher.h"

// Started by the launcher for one printer: opens that printer's Stock Profile Editor plug-in.
int main(int argc, char** argv) {
    return setup_launcher::RunProgram(argc, argv, setup_launcher::spe::kSettingFolderName,
                                      setup_launcher::StockProfileEditorMain);
}
