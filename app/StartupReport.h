#pragma once

// A start-up timing aid for measurements from outside the process: with the environment
// variable TRELLIS_REPORT_SHOWN set to 1, the first drawing of the main window prints
// "shown <milliseconds since the program started>" on the standard error. Nothing else
// changes, and without the variable nothing is printed.
namespace StartupReport {
void NoteProcessStart();
void NoteMainWindowDrawn();
} // namespace StartupReport
