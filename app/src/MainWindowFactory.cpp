#include "app/MainWindowFactory.h"

#include <QMainWindow>

#include "app/AppIdentity.h"
#include "app/Flogger.h"
#include "app/ProblemReports.h"
#include "app/TsApp.h"

QMainWindow* createMainWindow() {
  auto* window = new QMainWindow;
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->setWindowTitle(productName());
  window->resize(800, 600);
  window->show();
  checkProblemReports(window);
  if (TsApp* app = TsApp::instance()) app->runStartUpChecks();
  return window;
}

void openFileInMainWindow(const QString& path) {
  flog() << "Open request not handled (no file handler in this window): " << path;
  flogEndl();
}
