// The demo installation's stand-in for the tool applications that are not part of the
// system. One program is installed into each tool's package; it names itself after its own
// package and shows the printer it was started for and how the identifier arrived: in the
// launch hand-off or as the one command-line argument. It reads them as any maker's tool
// does, with <trellis/ToolHandoff.h> of the SDK.
//
// With TRELLIS_DEMO_TOOL_LOG set, each start that shows a window appends one JSON line
// {"tool", "printer", "via", "pid"} to that file, so that end-to-end tests can see it.

#include "platform/AppleEvents.h"
#include "platform/Bundle.h"
#include "platform/SingleInstance.h"
#include "trellis/ToolHandoff.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextStream>
#include <QVBoxLayout>
#include <QWidget>

namespace {

enum class Via { None, LaunchEvent, Argument };

struct Start {
    QString printer;
    Via via = Via::None;
};

QString viaKey(Via via) {
    switch (via) {
    case Via::LaunchEvent:
        return QStringLiteral("prdt");
    case Via::Argument:
        return QStringLiteral("argv");
    case Via::None:
        break;
    }
    return QStringLiteral("none");
}

QString viaText(Via via) {
    switch (via) {
    case Via::LaunchEvent:
        return QStringLiteral("the launch hand-off (the launcher service's way)");
    case Via::Argument:
        return QStringLiteral("the one command-line argument (the child task's way)");
    case Via::None:
        break;
    }
    return QStringLiteral("nothing: started without a printer");
}

void appendToLog(const QString& tool, const Start& start) {
    const QString path = qEnvironmentVariable("TRELLIS_DEMO_TOOL_LOG");
    if (path.isEmpty())
        return;
    QFile log(path);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QJsonObject line{{QStringLiteral("tool"), tool},
                           {QStringLiteral("printer"), start.printer},
                           {QStringLiteral("via"), viaKey(start.via)},
                           {QStringLiteral("pid"), QCoreApplication::applicationPid()}};
    log.write(QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n');
}

QWidget* makeWindow(const QString& tool, const Start& start) {
    auto* window = new QWidget;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(tool);
    window->setMinimumWidth(440);

    auto* header = new QLabel;
    header->setTextFormat(Qt::RichText);
    header->setText(QStringLiteral("<div style='font-size:20px; font-weight:600'>%1</div>"
                                   "<div style='font-size:12px'>Demo stand-in for this tool</div>")
                        .arg(tool.toHtmlEscaped()));
    header->setContentsMargins(20, 16, 20, 16);
    header->setStyleSheet(
        QStringLiteral("QLabel { color: white; background: qlineargradient(x1:0, y1:0, x2:1, y2:0, "
                       "stop:0 #2f5d8a, stop:1 #2a8c88); }"));

    auto* printer = new QLabel(start.printer.isEmpty() ? QStringLiteral("(none)") : start.printer);
    printer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont strong = printer->font();
    strong.setBold(true);
    printer->setFont(strong);
    printer->setObjectName(QStringLiteral("printer"));
    auto* via = new QLabel(viaText(start.via));
    via->setObjectName(QStringLiteral("via"));
    via->setWordWrap(true);

    auto* form = new QFormLayout;
    form->setContentsMargins(20, 16, 20, 4);
    form->addRow(QStringLiteral("Printer:"), printer);
    form->addRow(QStringLiteral("Received through:"), via);
    form->addRow(QStringLiteral("Started:"),
                 new QLabel(QDateTime::currentDateTime().toString(Qt::TextDate)));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->setContentsMargins(20, 8, 20, 16);
    QObject::connect(buttons, &QDialogButtonBox::rejected, window, &QWidget::close);

    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(header);
    layout->addLayout(form);
    layout->addStretch();
    layout->addWidget(buttons);
    return window;
}

void bringForward(QWidget* window) {
    if (!window)
        return;
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

int main(int argc, char** argv) {
    platform::initializeProcess();
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);

    const auto bundle = platform::Bundle::mainBundle();
    QString tool = bundle ? bundle->name() : QString();
    if (tool.isEmpty())
        tool = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QString identity = bundle ? bundle->identifier() : QString();
    if (identity.isEmpty())
        identity = QCoreApplication::applicationFilePath();
    QApplication::setApplicationName(tool);

    QPointer<QWidget> window;
    if (!platform::SingleInstance::claim(identity, [&window] { bringForward(window); }))
        return 0;

    Start start;
    const bool handedOff = qEnvironmentVariableIsSet(TRELLIS_LAUNCH_DESCRIPTOR_VARIABLE);
    char printer[TRELLIS_TOOL_PRINTER_SIZE];
    const long length = trellis_tool_printer(argc, argv, printer, sizeof printer);
    if (length > 0) {
        start.printer = QString::fromUtf8(printer, qsizetype(length));
        start.via = handedOff ? Via::LaunchEvent : Via::Argument;
    }
    window = makeWindow(tool, start);
    appendToLog(tool, start);
    QTextStream(stdout) << tool << ": printer \"" << start.printer << "\" via " << viaKey(start.via)
                        << Qt::endl;
    bringForward(window);

    platform::installAppleEventHandler("aevt"_4cc, "quit"_4cc, [](const platform::AppleEvent&) {
        QCoreApplication::quit();
        return 0;
    });
    platform::installQuitSignalHandlers();
    return app.exec();
}
