#include "SanitizerOptions.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The sanitizers read their options before main, and test discovery can carry only one
// environment variable, so every test program names its own.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=1:abort_on_error=0:strict_string_checks=1";
}
extern "C" const char* __lsan_default_suppressions() {
    return TRELLIS_LSAN_SUPPRESSIONS;
}
extern "C" const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

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
    // Decoded pictures are kept in a cache folder of this process alone.
    QTemporaryDir cache;
    if (cache.isValid())
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
