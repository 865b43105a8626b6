#pragma once

// The mode a command line selects, by its exact argument count (the program name included):
// 9 with "--gp" SharedMemory, 3 with "--xmlgp" XmlPipe, 3 with "--aperture" Aperture; anything
// else Normal (a known option with another count too: the main window then opens it as a file).
int modeFromCommandLine(int argc, const char* const* argv);
// Exactly "--about" and nothing more.
bool isAboutCommandLine(int argc, const char* const* argv);

// The main body: the About box for "--about" (exit code 0); otherwise the application object in
// the chosen mode, its start-up and its event loop. The result is the host exit code in mode
// SharedMemory and the loop's result otherwise; 11 when memory ran out and 12 for any other
// exception, in every mode. `argc` must outlive the call (the application object keeps it).
int zarvoMain(int& argc, char** argv);

// The guarded entry of the program and of the test host: fixes the crash guard first, then runs
// the main body.
int runGuarded(int& argc, char** argv);
