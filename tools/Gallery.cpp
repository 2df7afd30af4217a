// Shows a window with three image buttons, one in each state (normal, mouse over,
// pressed), and saves it as a PNG: ui_gallery <output.png>

#include "localize/Localize.h"
#include "platform/Bundle.h"
#include "platform/Drawing.h"
#include "platform/Events.h"
#include "platform/TestingAccess.h"
#include "platform/Windowing.h"
#include "ui/CImagePushButton.h"
#include "ui/TWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// A rounded tile with a tool glyph on the left, in the state's colours, drawn at twice the
// button's size so that the button has to scale it.
void writePicture(const QString& path, QColor top, QColor bottom, QColor glyph) {
    QImage image(760, 128, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(2, 2);
    QLinearGradient gradient(0, 0, 0, 64);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setBrush(gradient);
    painter.setPen(QPen(bottom.darker(130), 1));
    painter.drawRoundedRect(QRectF(0.5, 0.5, 379, 63), 10, 10);
    painter.setBrush(glyph);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QRectF(22, 8, 48, 48));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(38, 22, 16, 20));
    painter.end();
    image.save(path, "PNG");
}

QByteArray buttonXml(int number, int y) {
    return QStringLiteral(
               "<widget class=\"QPushButton\" name=\"tool%1\">"
               "<property name=\"geometry\"><rect><x>32</x><y>%2</y><width>380</width>"
               "<height>64</height></rect></property>"
               "<property name=\"controlSignature\" stdset=\"0\"><string>MAIN</string></property>"
               "<property name=\"controlNumber\" stdset=\"0\"><number>%1</number></property>"
               "<property name=\"controlCommand\" stdset=\"0\"><string>C10%3</string></property>"
               "<property name=\"viewClass\" stdset=\"0\"><string>%4</string></property>"
               "<property name=\"prop.CIPB.IMG0\" "
               "stdset=\"0\"><string>normal.png</string></property>"
               "<property name=\"prop.CIPB.IMG1\" stdset=\"0\"><string>over.png</string></property>"
               "<property name=\"prop.CIPB.IMG2\" "
               "stdset=\"0\"><string>pressed.png</string></property>"
               "<property name=\"prop.CIPB.EXP0\" "
               "stdset=\"0\"><string>0000010%3</string></property>"
               "<property name=\"prop.CIPB.EXP1\" "
               "stdset=\"0\"><string>0000020%3</string></property>"
               "</widget>")
        .arg(number)
        .arg(y)
        .arg(number - 1900)
        .arg(CImagePushButton::kClassID)
        .toUtf8();
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QString output =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("gallery.png");

    QTemporaryDir dir;
    const QString package = dir.path() + QStringLiteral("/Gallery.app");
    write(package + "/Contents/Info.plist",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><dict>"
          "<key>CFBundleName</key><string>Gallery</string></dict></plist>");
    QDir().mkpath(package + "/Contents/MacOS");
    const QString resources = package + "/Contents/Resources";
    QDir().mkpath(resources);
    writePicture(resources + "/normal.png", QColor(246, 247, 249), QColor(222, 226, 232),
                 QColor(90, 110, 140));
    writePicture(resources + "/over.png", QColor(232, 242, 255), QColor(200, 222, 250),
                 QColor(40, 110, 210));
    writePicture(resources + "/pressed.png", QColor(170, 200, 240), QColor(140, 176, 228),
                 QColor(20, 70, 160));
    write(resources + "/Settings/Localize.ini",
          "[STRING]\r\n"
          "00000100=Kestrel Loader\r\n"
          "00000101=Status Lantern\r\n"
          "00000102=Sheet Glide Tuner\r\n"
          "00000200=Loads firmware into the printer.\r\n"
          "00000201=Shows the printer's status while the mouse rests on it.\r\n"
          "00000202=Adjusts how each sheet glides through the printer; this description runs "
          "on and on so that it needs more lines than the button has room for, and is cut "
          "with an ellipsis at the last line that fits.\r\n");
    write(resources + "/Settings/L_Const.ini", "[STRING]\r\n");
    write(resources + "/Settings/L_Font.ini", "00999999=13,0,0,0\r\n");
    write(resources + "/main.nib/Gallery.ui",
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?><ui version=\"4.0\"><class>Gallery</class>"
          "<widget class=\"QWidget\" name=\"Gallery\"><property name=\"geometry\"><rect><x>0</x>"
          "<y>0</y><width>444</width><height>330</height></rect></property>"
          "<property name=\"windowTitle\"><string>Image buttons</string></property>"
          "<widget class=\"QLabel\" name=\"caption\"><property name=\"geometry\"><rect><x>32</x>"
          "<y>40</y><width>380</width><height>60</height></rect></property>"
          "<property name=\"text\"><string>Normal, mouse over and pressed:</string></property>"
          "</widget>" +
              buttonXml(1900, 112) + buttonXml(1901, 180) + buttonXml(1902, 248) +
              "</widget><resources/><connections/></ui>");
    platform::Bundle::setMainBundlePath(package);

    CImagePushButton::RegisterClass();
    TWindow window(QStringLiteral("Gallery"), QStringLiteral("main"));
    if (!window.GetWindowRef()) {
        std::fprintf(stderr, "ui_gallery: the window could not be made\n");
        return 1;
    }
    window.Show();
    platform::HiliteControl(window.GetView("MAIN"_4cc, 1901), 2);
    platform::HiliteControl(window.GetView("MAIN"_4cc, 1902), 1);

    int result = 0;
    QTimer::singleShot(500, [&] {
        result =
            platform::widgetForTesting(window.GetWindowRef())->grab().save(output, "PNG") ? 0 : 1;
        platform::QuitApplicationEventLoop();
    });
    platform::RunApplicationEventLoop();
    std::printf("ui_gallery: %s %s\n", qPrintable(output), result == 0 ? "saved" : "NOT saved");
    return result;
}
