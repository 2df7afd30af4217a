// The example package's Status Lantern: a window naming the printer that Trellis started it
// for, which <trellis/ToolHandoff.h> reads from the launch hand-off or the command line.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <cstdio>
#include <trellis/ToolHandoff.h>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    char printer[TRELLIS_TOOL_PRINTER_SIZE];
    const long length = trellis_tool_printer(argc, argv, printer, sizeof printer);
    QString text = QStringLiteral("Started without a printer.");
    if (length > 0)
        text = QStringLiteral("Printer: <b>%1</b>")
                   .arg(QString::fromUtf8(printer, length).toHtmlEscaped());
    else if (length < 0)
        text = QStringLiteral("The printer handed over is malformed.");
    std::printf("Status Lantern (example): printer \"%s\"\n", length > 0 ? printer : "");
    std::fflush(stdout);

    // Its look comes with it, in Contents/Resources beside Contents/MacOS.
    QFile style(QApplication::applicationDirPath() + QStringLiteral("/../Resources/lantern.qss"));
    if (style.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(style.readAll()));

    QLabel window(text);
    window.setWindowTitle(QStringLiteral("Status Lantern"));
    window.setMargin(24);
    window.setMinimumWidth(360);
    window.show();
    return app.exec();
}
