// Not a test: shows the main window of an installed Trellis.app and saves it as a PNG, to
// look at; with "dark", under a dark palette such as dark desktop themes give.
//   app_window_shot <Trellis.app> <out.png> [dark]

#include "app/CMainDialog.h"
#include "platform/Bundle.h"
#include "platform/Drawing.h"
#include "platform/TestingAccess.h"
#include "platform/Translations.h"
#include "platform/Windowing.h"
#include "ui/CImagePushButton.h"

#include <QApplication>
#include <QPalette>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace {

QPalette darkPalette() {
    QPalette palette;
    const QColor window(0x2b, 0x2d, 0x30);
    const QColor base(0x1e, 0x1f, 0x22);
    const QColor text(0xe6, 0xe6, 0xe6);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, QColor(0x3a, 0x3d, 0x41));
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(0x3d, 0xae, 0xe9));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    return palette;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: app_window_shot <Trellis.app> <out.png> [dark]\n");
        return 2;
    }
    if (argc > 3 && std::strcmp(argv[3], "dark") == 0) {
        QApplication::setStyle(QStringLiteral("Fusion"));
        QApplication::setPalette(darkPalette());
    }
    platform::Bundle::setMainBundlePath(QString::fromLocal8Bit(argv[1]));
    platform::installToolkitTranslations();
    const QString output = QString::fromLocal8Bit(argv[2]);
    CImagePushButton::RegisterClass();
    if (CMainDialog::Create() != noErr)
        return 1;
    int status = 1;
    QTimer::singleShot(800, [&] {
        QWidget* window = platform::widgetForTesting(CMainDialog::GetMainDialog()->GetWindowRef());
        status = window->grab().save(output, "PNG") ? 0 : 1;
        platform::QuitApplicationEventLoop();
    });
    platform::RunApplicationEventLoop();
    CMainDialog::DisposeMainDialog();
    return status == 0 ? 0 : 1;
}
