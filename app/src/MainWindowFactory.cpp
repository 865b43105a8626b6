#include "app/MainWindowFactory.h"

#include <QMainWindow>
#include <QStatusBar>

#include "app/AppIdentity.h"
#include "app/FileHandler.h"
#include "app/FileHandlerHost.h"
#include "app/Flogger.h"
#include "app/ProblemReports.h"
#include "app/TsApp.h"

namespace {

// The bare window that stands for the main window until it exists: it holds the file handler
// and gives it what a window can. It offers no command that changes the document, so there is
// never anything to lose and the unsaved-changes question always goes on.
class BareMainWindow : public QMainWindow, public FileHandlerHost {
 public:
  BareMainWindow() : fileHandler_(new FileHandler(this, this)) {}

  bool askUnsavedChanges(const QString&) override { return true; }
  void showStatusMessage(const QString& text, int timeoutMs) override {
    statusBar()->showMessage(text, timeoutMs);
  }
  void raiseAndActivate() override {
    if (isMinimized()) showNormal();
    activateWindow();
  }
  QWidget* dialogParent() override { return this; }
  void ensureViewTab(int, int) override {}

  FileHandler* fileHandler() const { return fileHandler_; }

 private:
  FileHandler* fileHandler_;  // a child
};

}  // namespace

QMainWindow* createMainWindow() {
  auto* window = new BareMainWindow;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(productName());
  window->resize(800, 600);
  window->show();
  // A host's images go into the document as the window's last step of construction.
  if (TsApp* app = TsApp::instance()) {
    if (app->isHosted() && app->sourceImage())
      window->fileHandler()->installImages(app->sourceImage(), app->secondImage());
  }
  checkProblemReports(window);
  if (TsApp* app = TsApp::instance()) app->runStartUpChecks();
  return window;
}

void openFileInMainWindow(const QString& path) {
  if (FileHandler* handler = FileHandler::instance()) {
    handler->loadFile(path);
    return;
  }
  flog() << "Open request not handled (no file handler): " << path;
  flogEndl();
}
