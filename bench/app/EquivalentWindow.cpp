// The fair floor of the start-up benchmark: the launcher's main window made with plain Qt
// and none of the project's code. The same form by QUiLoader inside a main window, the same
// background and tool pictures decoded from their PNG files, the same tool names and
// descriptions wrapped into the same boxes, the printer popup filled and the same menu bar.
// It reports its complete first frame the way the launcher does ("shown <ms>" on the
// standard error), once the event that draws the window is done.
// bench_app_equivalent_window <Trellis.app/Contents/Resources>

#include "FirstPaint.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QTextLayout>
#include <QTimer>
#include <QUiLoader>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

QElapsedTimer sSinceStart;
constexpr int kShownTools = 4;

QImage decoded(const QString& path) {
    QImage image(path, "PNG");
    return image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                   : image.convertToFormat(QImage::Format_RGB32);
}

// A tool button drawn as the launcher draws it: picture, then name and description wrapped
// into the box right of the picture.
class ToolPainter : public QObject {
public:
    ToolPainter(QImage picture, QString title, QString description)
        : m_picture(std::move(picture)), m_title(std::move(title)),
          m_description(std::move(description)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint)
            return QObject::eventFilter(watched, event);
        auto* widget = static_cast<QWidget*>(watched);
        QPainter painter(widget);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(widget->rect()), m_picture);
        QRectF box(100, 5, widget->width() - 110, widget->height() - 5);
        box.setTop(drawBox(painter, m_title, box) + 2);
        drawBox(painter, m_description, box);
        return true;
    }

private:
    static qreal drawBox(QPainter& painter, const QString& text, const QRectF& box) {
        QTextLayout layout(text, painter.font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        qreal y = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(box.width());
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout.endLayout();
        painter.save();
        painter.setClipRect(box);
        layout.draw(&painter, box.topLeft());
        painter.restore();
        return box.top() + y;
    }

    QImage m_picture;
    QString m_title;
    QString m_description;
};

} // namespace

int main(int argc, char** argv) {
    sSinceStart.start();
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr,
                     "usage: bench_app_equivalent_window <Trellis.app/Contents/Resources>\n");
        return 2;
    }
    const QString resources = QString::fromLocal8Bit(argv[1]);
    QFile form(resources + QStringLiteral("/main.nib/MainDialog.ui"));
    if (!form.open(QIODevice::ReadOnly))
        return 1;
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    QUiLoader loader;
    QCoreApplication::setLibraryPaths(libraryPaths);
    QMainWindow window;
    QWidget* content = loader.load(&form, &window);
    if (!content)
        return 1;
    window.setWindowTitle(content->windowTitle());
    window.setCentralWidget(content);

    auto* bar = new QMenuBar(&window);
    QMenu* appMenu = bar->addMenu(QStringLiteral("Trellis"));
    appMenu->addAction(QStringLiteral("About Trellis"));
    appMenu->addSeparator();
    appMenu->addAction(QStringLiteral("Quit"), QKeySequence(QStringLiteral("Ctrl+Q")));
    bar->addMenu(QStringLiteral("Help"))
        ->addAction(QStringLiteral("Help"), QKeySequence(QStringLiteral("F1")));
    window.setMenuBar(bar);

    if (auto* background = content->findChild<QLabel*>(QStringLiteral("background")))
        background->setPixmap(QPixmap::fromImage(decoded(resources + "/img_background.png")));
    if (auto* popup = content->findChild<QComboBox*>(QStringLiteral("printerPopup")))
        popup->addItems(
            {QStringLiteral("Orvel MX-R74400 Series"), QStringLiteral("Orvel LX-1000")});

    const QString texts = resources + QStringLiteral("/English.lproj/Settings/");
    const QSettings names(texts + QStringLiteral("L_Const.ini"), QSettings::IniFormat);
    const QSettings descriptions(texts + QStringLiteral("Localize.ini"), QSettings::IniFormat);
    std::vector<std::unique_ptr<ToolPainter>> painters;
    for (int i = 1; i <= 7; ++i) {
        auto* tool = content->findChild<QPushButton*>(QStringLiteral("tool%1").arg(i));
        if (!tool)
            continue;
        if (i > kShownTools) {
            tool->hide();
            continue;
        }
        const QString picture =
            resources + QStringLiteral("/img_app%1_normal.png").arg(i, 2, 10, QLatin1Char('0'));
        painters.push_back(std::make_unique<ToolPainter>(
            decoded(picture), names.value(QStringLiteral("TOOLS/0000010%1").arg(i - 1)).toString(),
            descriptions.value(QStringLiteral("MAIN/0000020%1").arg(i - 1)).toString()));
        tool->installEventFilter(painters.back().get());
    }

    FirstPaint watcher(sSinceStart);
    window.installEventFilter(&watcher);
    window.show();
    return QApplication::exec();
}
