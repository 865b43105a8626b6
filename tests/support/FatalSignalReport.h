#pragma once

// A test program that dies of a signal (a crash, an abort, a smashed stack) leaves only the
// log's last lines, often of another thread than the one at fault. Once installed, such a death
// first writes the running test's name and the dying thread's frames, named by addr2line when
// it is on the machine, to standard error; the signal then takes its default course, so the
// exit status is the same as without it.
void installFatalSignalReport();
