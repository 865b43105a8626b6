#pragma once

#include <QByteArray>

// The crash guard: on SIGSEGV, SIGBUS, SIGFPE, SIGILL or SIGABRT the process writes a text
// report beside the log (its base name, ".dmp"), says "Sorry - Zarvo has encountered a problem
// and is exiting." on standard error and, when a display is in use, in the box of
// "zarvo-crashbox" (the program beside this one), and ends with exit status 255 (-1).
//
// The handler is async-signal-safe: everything it needs is fixed beforehand in static buffers,
// and it only opens, writes, unlinks, forks the box and exits.

// First thing in the process, on the main thread, before any other thread exists: fixes the dump
// path, the program folder, the crash box's command and whether a display is in use; warms up
// the frame walker; installs an alternate signal stack and the handlers of SIGSEGV, SIGBUS,
// SIGFPE and SIGILL.
void prepareCrashGuard(int argc, char** argv);
// Once the application object exists: SIGABRT too. (Before it, Qt aborts when the display
// platform is missing: an error of the set-up, not a crash.)
void guardAbort();

// Fixes `path` as the dump path; a path longer than the buffer (PATH_MAX - 1 bytes) is not cut
// but refused, and then no dump is written. True when the path was taken.
bool setCrashDumpPath(const QByteArray& path);
// The fixed dump path, empty when no dump will be written.
const char* crashDumpPath();
// The folder of the running program (from /proc/self/exe), with a trailing '/'; empty when
// unknown.
const char* crashProgramFolder();
// Whether the crash box will be shown: DISPLAY or WAYLAND_DISPLAY set and the platform (the
// QT_QPA_PLATFORM variable or a -platform argument) not "offscreen" or "minimal".
bool crashDisplayInUse();
