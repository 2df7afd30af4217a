#include "setup_launcher/SetupLauncher.h"

// Started by the launcher for one printer: opens that printer's Sheet Glide Tuner plug-in.
int main(int argc, char** argv) {
    return setup_launcher::RunProgram(argc, argv, setup_launcher::sgt::kSettingFolderName,
                                      setup_launcher::SheetGlideTunerMain);
}
