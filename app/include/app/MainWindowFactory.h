#pragma once

#include <QString>

class QMainWindow;

// The one place the main window of the run is built: the TsMainWindow, which shows itself,
// takes the start-up mode's images and runs the problem-report and online checks. GUI thread.
QMainWindow* createMainWindow();

// A file named by the platform's open-file event, for the main window's file handler.
void openFileInMainWindow(const QString& path);
