#include "app/MainWindowFactory.h"

#include "app/FileHandler.h"
#include "app/Flogger.h"
#include "app/TsMainWindow.h"

QMainWindow* createMainWindow() {
  return new TsMainWindow;
}

void openFileInMainWindow(const QString& path) {
  if (FileHandler* handler = FileHandler::instance()) {
    handler->loadFile(path);
    return;
  }
  flog() << "Open request not handled (no file handler): " << path;
  flogEndl();
}
