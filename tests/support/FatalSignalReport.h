#pragma once

// A test program that dies of a signal (a crash, an abort, a smashed stack) leaves only the
// log's last lines, often of another thread than the one at fault. Once installed, such a death
// first writes the running test's name and the dying thread's raw frames (module and offset,
// for addr2line) to standard error; the signal then takes its default course at once, so the
// exit status is the same as without it. A build with AddressSanitizer keeps the sanitizer's
// own report and status: nothing is installed there.
void installFatalSignalReport();
