#pragma once

class QMainWindow;

// A scripted driver of a whole run, installed by a test program before the guarded entry; the
// program itself installs none. GUI thread.
class AppDriver {
 public:
  virtual ~AppDriver() = default;
  // The main window has been built and shown; no event has been handled since.
  virtual void mainWindowShown(QMainWindow* window) = 0;
};

// The installed driver, or null.
AppDriver* appDriver();
// Installs `driver` (borrowed; null removes it).
void setAppDriver(AppDriver* driver);
