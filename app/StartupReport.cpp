#include "app/StartupReport.h"

#include "platform/Events.h"

#include <QString>
#include <chrono>
#include <cstdio>

namespace StartupReport {

namespace {
std::chrono::steady_clock::time_point sStart = std::chrono::steady_clock::now();
bool sReported = false;
} // namespace

void NoteProcessStart() {
    sStart = std::chrono::steady_clock::now();
}

void NoteMainWindowDrawn() {
    if (sReported)
        return;
    sReported = true;
    if (qEnvironmentVariable("TRELLIS_REPORT_SHOWN") != QLatin1String("1"))
        return;
    // The first drawing of the window's content comes before its controls and their text
    // are drawn; the frame is complete once the event that draws it is done.
    platform::RunAfterCurrentEvent([] {
        const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - sStart);
        std::fprintf(stderr, "shown %lld\n", static_cast<long long>(elapsed.count()));
        std::fflush(stderr);
    });
}

} // namespace StartupReport
