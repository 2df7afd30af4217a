#include "config/LaunchMode.h"

#include "config/IniFile.h"
#include "config/UFile.h"

#include <cstring>

namespace {
constexpr const char FILENAME_SETTING_LAUNCH[] = "Setting_Launch.ini";
constexpr const char KEY_SETTING_LAUNCH[] = "Ope";
constexpr const char VALUE_LAUNCH_UI_MODE[] = "U";
constexpr const char VALUE_LAUNCH_PRESEN_MODE[] = "P";

constexpr short kModeNormal = 0;
constexpr short kModeUI = 1;
constexpr short kModePresentation = 2;
} // namespace

short CLaunchMode::sMode = kModeNormal;
CLaunchMode* CLaunchMode::sLaunchMode = nullptr;

CLaunchMode* CLaunchMode::GetInstance() {
    if (!sLaunchMode) {
        sLaunchMode = new CLaunchMode;
        sMode = kModeNormal;
        sLaunchMode->Initialize();
    }
    return sLaunchMode;
}

void CLaunchMode::DestroyInstance() {
    delete sLaunchMode;
    sLaunchMode = nullptr;
    sMode = kModeNormal;
}

bool CLaunchMode::IsUIMode() {
    return sMode == kModeUI;
}

void CLaunchMode::Initialize() {
    sMode = kModeNormal;
    Str255 fileName;
    UString::CopyCstrToPstr(FILENAME_SETTING_LAUNCH, fileName);
    char value[kIniLineBufferSize] = {};
    if (GetValueFromIniFile(fileName, KEY_SETTING_LAUNCH, value) != noErr)
        return;
    if (std::strcmp(value, VALUE_LAUNCH_UI_MODE) == 0)
        sMode = kModeUI;
    else if (std::strcmp(value, VALUE_LAUNCH_PRESEN_MODE) == 0)
        sMode = kModePresentation;
}
