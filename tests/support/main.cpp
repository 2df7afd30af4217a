#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Every test binary gets a QApplication (offscreen under ctest), so GUI and non-GUI tests
// share one entry.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A runtime folder of this process alone (mode 0700): the one-instance claims of the
    // programs that tests start do not meet those of other tests running beside them.
    QTemporaryDir runtime;
    if (runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
