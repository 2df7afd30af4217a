#include "app/CApplication.h"
#include "app/StartupReport.h"
#include "platform/AppleEvents.h"
#include "platform/Translations.h"

#include <QApplication>

int main(int argc, char** argv) {
    StartupReport::NoteProcessStart();
    QApplication application(argc, argv);
    platform::installToolkitTranslations();
    // A second start only brings the running launcher forward.
    if (!CApplication::ClaimSingleInstance())
        return 0;
    platform::installQuitSignalHandlers();
    {
        CApplication app;
        app.Run();
    }
    return 0;
}
