#include "SanitizerOptions.h"

#include <QApplication>
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
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
