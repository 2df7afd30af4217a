#include "app/CApplication.h"

#include "app/AppConstants.h"
#include "app/CAboutDialog.h"
#include "app/CMainDialog.h"
#include "catalogue/SettingFileEx.h"
#include "config/LaunchMode.h"
#include "config/UFile.h"
#include "localize/Alert.h"
#include "localize/HelpFile.h"
#include "localize/Localize.h"
#include "localize/RequiredFiles.h"
#include "platform/Bundle.h"
#include "platform/Events.h"
#include "platform/SingleInstance.h"
#include "platform/Windowing.h"
#include "ui/CImagePushButton.h"

#include <QCoreApplication>
#include <cstring>

namespace {

constexpr platform::FourCharCode kCoreEventClass = "aevt"_4cc;
constexpr platform::FourCharCode kAEQuitApplication = "quit"_4cc;

// The main dialog when it is the front window, else null.
CMainDialog* FrontMainDialog() {
    const WindowRef front = platform::FrontWindow();
    if (!front)
        return nullptr;
    return dynamic_cast<CMainDialog*>(TWindow::GetTWindowFromWindowRef(front));
}

void AlertWithStringID(const char* stringID) {
    CAlert::DoAlert(0, 1, stringID, nullptr, nullptr, nullptr);
}

} // namespace

CApplication::CApplication() : TApplication(QLatin1String(kMenuBarName), QLatin1String(kNibName)) {
    LocalizeMenuBar();
}

CApplication::~CApplication() {
    platform::removeAppleEventHandler(kCoreEventClass, kAEQuitApplication);
    CMainDialog::DisposeMainDialog();
}

OSStatus CApplication::Run() {
    if (!URequiredFiles::AllExist(URequiredFiles::kLauncher))
        return CAlert::AlertIniFileNotFound();

    platform::installAppleEventHandler(kCoreEventClass, kAEQuitApplication,
                                       &CApplication::AppleEventQuitHandler);

    CLaunchMode::GetInstance();
    CLocalize::GetInstance();
    CSettingFileEx::GetInstance();

    if (CLaunchMode::IsUIMode())
        ShowAllAlert();
    // A quit request during the alerts ends the program before its window exists.
    if (platform::isQuitRequested())
        return noErr;

    CImagePushButton::RegisterClass();

    if (const OSStatus status = CMainDialog::Create(); status != noErr)
        return status;
    return TApplication::Run();
}

bool CApplication::HandleCommand(const HICommandExtended& command) {
    switch (command.commandID) {
    case kCommandAbout:
        DoAboutMenu();
        return true;
    case kCommandQuit:
        if (CMainDialog* dialog = FrontMainDialog())
            dialog->Quit();
        return true;
    case kCommandHelp:
        DoHelpMenu();
        return true;
    default:
        return false;
    }
}

void CApplication::DoAboutMenu() {
    QString deviceID;
    if (CMainDialog* dialog = FrontMainDialog())
        deviceID = dialog->GetSelectedPrinterDeviceID();
    CAboutDialog::DoDialog(deviceID);
}

void CApplication::DoHelpMenu() {
    CHelpFile help;
    help.DoHelpFile(kHelpMain);
}

void CApplication::LocalizeMenuBar() {
    CLocalize* localize = CLocalize::GetInstance();
    if (!localize)
        return;
    localize->LocalizeMenuItem(128, 1, STRID_MAIN_MENU_ABOUT);
    localize->LocalizeMenuTitle(129, STRID_MAIN_MENU_HELP);
    localize->LocalizeMenuItem(129, 1, STRID_MAIN_MENU_HELP);
}

int CApplication::AppleEventQuitHandler(const platform::AppleEvent& event) {
    // A quit request of the session must not be lost behind the modal About box: end its
    // loop and take the request again once the main window is in front.
    const WindowRef front = platform::FrontWindow();
    if (!FrontMainDialog() && CMainDialog::GetMainDialog() &&
        platform::IsAppModalLoopRunning(front)) {
        platform::QuitAppModalLoopForWindow(front);
        platform::postAppleEvent(event);
        return noErr;
    }
    HICommand command{};
    command.attributes = 0;
    command.commandID = kCommandQuit;
    command.menu.menuRef = nullptr;
    command.menu.menuItemIndex = 0;
    return platform::ProcessHICommand(command);
}

void CApplication::ShowAllAlert() {
    CAlert::AlertIniFileNotFound();
    for (const char* stringID : {STRID_ALERT_TEXT_NECESSARY_FILE_NOT_FOUND,
                                 STRID_ALERT_TEXT_PARAM_ERR, STRID_ALERT_TEXT_OS_VERSION_ERR,
                                 STRID_ALERT_TEXT_MEMORY_ERR, STRID_ALERT_TEXT_HELP_NOT_FOUND}) {
        if (platform::isQuitRequested())
            return;
        AlertWithStringID(stringID);
    }
}

bool CApplication::ClaimSingleInstance() {
    return platform::SingleInstance::claimForProgram([] { CMainDialog::BringMainDialogForward(); });
}
