#include "app/TsApplication.h"

#include <exception>
#include <new>

#include <QFileOpenEvent>
#include <QSplashScreen>

#include "app/AppDialogs.h"
#include "app/AppExitCodes.h"
#include "app/AppIdentity.h"
#include "app/Flogger.h"
#include "app/GasPipe.h"
#include "app/MainWindowFactory.h"
#include "app/TsApp.h"

namespace {

void endLoopAfterException(const QString& what, int code) {
  flog() << "Exception: " << what;
  flogEndl();
  if (TsApp* app = TsApp::instance()) {
    app->endLoopAfterException(code);
  } else {
    QCoreApplication::exit(code);
  }
}

}  // namespace

TsApplication::TsApplication(int& argc, char** argv) : QApplication(argc, argv) {}

TsApplication::~TsApplication() = default;

bool TsApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::bad_alloc& error) {
    endLoopAfterException(QString::fromLocal8Bit(error.what()), kExitOutOfMemory);
  } catch (const std::exception& error) {
    endLoopAfterException(QString::fromLocal8Bit(error.what()), kExitException);
  } catch (...) {
    endLoopAfterException(QStringLiteral("unknown exception"), kExitException);
  }
  return false;
}

void TsApplication::setSplashScreen(QSplashScreen* splash) {
  splash_.reset(splash);
}

void TsApplication::finishSplash(QWidget* window) {
  if (!splash_) return;
  if (window) splash_->finish(window);
  splash_.reset();
}

bool TsApplication::handleFileOpen(const QString& file, QString* openedFilePath) {
  *openedFilePath = file;
  TsApp* app = TsApp::instance();
  QMainWindow* window = app ? app->mainWindow() : nullptr;
  if (!window) return false;
  if (file.endsWith(QStringLiteral(".otsx"), Qt::CaseInsensitive)) {
    GasPipe::create(file);
    loadControlFile(window);
    return true;
  }
  openFileInMainWindow(file);
  return true;
}

void TsApplication::loadControlFile(QWidget* parent) {
  const GasPipe* pipe = GasPipe::current();
  if (!pipe) return;
  const QString file = pipe->path();
  try {
    if (!GasPipe::load()) {
      flog() << "Control file does not parse: " << file;
      flogEndl();
    }
  } catch (const ControlFileError& error) {
    const QString text = QString::fromStdString(error.what());
    flog() << text;
    flogEndl();
    appDialogs().warn(parent, productName(), text);
  }
}

bool TsApplication::event(QEvent* event) {
  if (event->type() == QEvent::FileOpen &&
      handleFileOpen(static_cast<QFileOpenEvent*>(event)->file(), &openedFilePath_)) {
    return true;
  }
  return QApplication::event(event);
}
