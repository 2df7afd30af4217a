#pragma once

// The settings files a program cannot start without, shared by the launcher, the set-up
// launchers and the installation checker.

#include "localize/HelpFile.h"
#include "localize/Localize.h"

#include <span>

inline constexpr unsigned char FILENAME_SETTING[] = "\x0bSetting.ini";
inline constexpr unsigned char FILENAME_SETTING_MEDIA[] = "\x09Media.ini";

namespace URequiredFiles {

// The launcher's files, in the order its start-up looks for them.
inline constexpr const unsigned char* kLauncher[] = {FILENAME_SETTING, FILENAME_SETTING_MANUAL,
                                                     FILENAME_LOCALIZE, FILENAME_LOCALIZE_CONST,
                                                     FILENAME_LOCALIZE_FONT};
// The set-up launchers': the launcher's, then the media file.
inline constexpr const unsigned char* kSetupLauncher[] = {
    FILENAME_SETTING,        FILENAME_SETTING_MANUAL, FILENAME_LOCALIZE,
    FILENAME_LOCALIZE_CONST, FILENAME_LOCALIZE_FONT,  FILENAME_SETTING_MEDIA};

// Whether every named file (length-prefixed) is in the program's settings folder; the look-up
// stops at the first that is not.
bool AllExist(std::span<const unsigned char* const> names);

} // namespace URequiredFiles
