// Not a test: shows the About box of an installed Trellis.app for a printer and saves it
// as a PNG, to look at. about_shot <Trellis.app> <device identifier> <output.png>

#include "app/CAboutDialog.h"
#include "platform/Bundle.h"
#include "platform/Drawing.h"
#include "platform/Events.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: about_shot <Trellis.app> <device identifier> <out.png>\n");
        return 2;
    }
    platform::Bundle::setMainBundlePath(QString::fromLocal8Bit(argv[1]));
    const QString output = QString::fromLocal8Bit(argv[3]);
    int status = 1;
    CAboutDialog dialog;
    dialog.SetSelectedPrinterDeviceID(QString::fromLocal8Bit(argv[2]));
    QTimer::singleShot(500, [&] {
        status =
            platform::widgetForTesting(dialog.GetWindowRef())->grab().save(output, "PNG") ? 0 : 1;
        EventRef click = platform::CreateEvent(kEventClassMouse, kEventMouseDown);
        platform::SendEventToEventTarget(click,
                                         platform::GetWindowEventTarget(dialog.GetWindowRef()));
        platform::ReleaseEvent(click);
    });
    dialog.RunModal();
    return status;
}
