#pragma once

#include <QtGlobal>

class QWidget;

// Start-up figures for the benchmark that starts the real program. When the environment variable
// MARVOLI_STARTUP_REPORT holds the launcher's reading of std::chrono::steady_clock (the monotonic
// clock, in milliseconds) taken just before it started the program, the program prints to stderr
//     marvoli-startup roots=<ms> shown=<ms> peak-kib=<KiB>
// (milliseconds since that launch: when the catalogue's roots were filled and when the main window
// was first painted; the process's peak resident memory) and quits. Without the variable every
// call does nothing.
namespace StartupReport {

// The roots of the tree have just been filled from the loaded catalogue.
void rootsFilled();
// Prints the figures and quits once window has been painted for the first time.
void quitWhenShown(QWidget *window);

} // namespace StartupReport
