#pragma once

#include "platform/AppleEvents.h"
#include "ui/TApplication.h"

// The launcher's application object: the menu bar, the start-up checks and singletons, the
// main window, and the About, Quit and Help commands.
class CApplication : public TApplication {
public:
    CApplication();
    ~CApplication() override;

    OSStatus Run() override;
    bool HandleCommand(const HICommandExtended& command) override;
    virtual void DoAboutMenu();
    virtual void DoHelpMenu();

    static void LocalizeMenuBar();
    // The quit request of the session ('aevt'/'quit') as the Quit command.
    static int AppleEventQuitHandler(const platform::AppleEvent& event);
    // Every alert text of the launcher once, for review.
    static void ShowAllAlert();

    // Makes this process the user's one launcher; false when another one already runs
    // (it has been brought to the front instead).
    static bool ClaimSingleInstance();
};
