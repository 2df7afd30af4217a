#pragma once

// A start-up timing aid for measurements from outside the process: with the environment
// variable TRELLIS_REPORT_SHOWN set to 1, the main window's complete first frame (every
// control and text drawn) prints "shown <milliseconds since the program started>" on the
// standard error. Nothing else changes, and without the variable nothing is printed.
// Test seam: the start-up benchmark and the whole-program tests wait for that line.
namespace StartupReport {
void NoteProcessStart();
void NoteMainWindowDrawn();
} // namespace StartupReport
