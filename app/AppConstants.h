#pragma once

#include "platform/WindowTypes.h"

#include <cstdint>

// The failed-start alert's text when the installation's tables hold none for it.
inline constexpr unsigned char ALERT_ToolNotStartedMessage[] =
    "\x4aThe tool cannot be started. Make sure that it is installed, and try again.";
static_assert(sizeof ALERT_ToolNotStartedMessage == 74 + 2);

// The interface file and its objects.
inline constexpr char kNibName[] = "main";
inline constexpr char kMenuBarName[] = "MenuBar";
inline constexpr char kMainDialogName[] = "MainDialog";
inline constexpr char kAboutDialogName[] = "AboutDialog";

// Application commands.
inline constexpr UInt32 kCommandAbout = "abou"_4cc;
inline constexpr UInt32 kCommandQuit = "quit"_4cc;
inline constexpr UInt32 kCommandHelp = "HELP"_4cc;

// The manual of the launcher.
inline constexpr std::uint32_t kHelpMain = "MAIN"_4cc;
