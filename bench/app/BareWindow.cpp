// The baseline of the start-up benchmark: a bare Qt program that only shows a window made
// from the same Designer file as the launcher's main window, and reports its complete first
// frame the way the launcher does ("shown <ms>" on the standard error): once the event that
// draws the window, its controls and their text is done.
// bench_app_bare_window <MainDialog.ui>
// bench_app_bare_window --label   (the floor of all: one QLabel)

#include "FirstPaint.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QUiLoader>
#include <QWidget>
#include <cstdio>
#include <memory>

namespace {

QElapsedTimer sSinceStart;

} // namespace

int main(int argc, char** argv) {
    sSinceStart.start();
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_app_bare_window <MainDialog.ui>\n");
        return 2;
    }
    FirstPaint watcher(sSinceStart);
    if (qstrcmp(argv[1], "--label") == 0) {
        QLabel label(QStringLiteral("Orvel Printer Utility"));
        label.installEventFilter(&watcher);
        label.show();
        return QApplication::exec();
    }
    QFile form(QString::fromLocal8Bit(argv[1]));
    if (!form.open(QIODevice::ReadOnly))
        return 1;
    // The floor, not a handicap: no Designer plug-ins, as the launcher loads none (a loader
    // loads every one under the library paths as it is made).
    const QStringList libraryPaths = QCoreApplication::libraryPaths();
    QCoreApplication::setLibraryPaths({});
    QUiLoader loader;
    QCoreApplication::setLibraryPaths(libraryPaths);
    std::unique_ptr<QWidget> window(loader.load(&form));
    if (!window)
        return 1;
    window->installEventFilter(&watcher);
    window->show();
    return QApplication::exec();
}
