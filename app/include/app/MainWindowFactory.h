#pragma once

#include <QString>

class QMainWindow;

// The one place the main window of the run is built, shown and fed. Until the cut-out main window
// exists this is a bare window titled "Zarvo" with the file handler, which opens a hosted run's
// images into the document; like the full window it ends its construction with the
// problem-report check and the start-up online checks. GUI thread.
QMainWindow* createMainWindow();

// A file named by the platform's open-file event, for the main window's file handler.
void openFileInMainWindow(const QString& path);
