#pragma once

namespace platform {
struct AppleEvent;
}

namespace setup_launcher {


namespace sgt {
inline constexpr char kSettingFolderName[] = "SGT_Settings";
inline constexpr char kPluginPathFormat[] = "Plugin/PrinterPlugin/SGT%@.plugin";
inline constexpr char STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND[] = "00020000";
inline constexpr char STRID_ALERT_TEXT_PARAM_ERR[] = "00020001";
} // namespace sgt

namespace spe {
inline constexpr char kSettingFolderName[] = "SPE_Settings";
inline constexpr char kPluginPathFormat[] = "Plugin/PrinterPlugin/SPE%@.plugin";
inline constexpr char STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND[] = "00040000";
inline constexpr char STRID_ALERT_TEXT_PARAM_ERR[] = "00040001";
} // namespace spe

// The device identifier of the launch event: NUL-terminated UTF-8, at most 255 bytes.
extern char gDeviceID[256];

// The open-application handler: takes the identifier from 'prdt' and ends the launch
// event loop, with or without one. Returns the status of reading the parameter.
int AppleEventHandler(const platform::AppleEvent& event);

// The two programs after their application object and settings folder are set up. Each
// shows at most one alert and returns 0.
int SheetGlideTunerMain();
int StockProfileEditorMain();

// A set-up launcher process from its start: the widget application that alerts and the
// plug-in's dialog need, one instance per user (a second start brings the running one
// forward), the toolkit's translations and the program's settings folder; then programMain.
int RunProgram(int argc, char** argv, const char* settingFolderName, int (*programMain)());

} // namespace setup_launcher
