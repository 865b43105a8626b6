#include "app/TsApp.h"

#include <algorithm>

#include <QFont>
#include <QPixmap>
#include <QPolygonF>
#include <QSettings>
#include <QSplashScreen>
#include <QStyle>

#include "app/AboutBox.h"
#include "app/AppCompositionHost.h"
#include "app/AppDocumentHooks.h"
#include "app/AppDriver.h"
#include "app/AppIdentity.h"
#include "app/AppResources.h"
#include "app/CrashGuard.h"
#include "app/DistributorInfo.h"
#include "app/HttpRequest.h"
#include "app/MainWindowFactory.h"
#include "app/PersistOptions.h"
#include "app/SettingsIdentity.h"
#include "app/TranslationLoader.h"
#include "app/TsApplication.h"
#include "composition/ZarvoObject.h"
#include "document/DocumentMetaTypes.h"
#include "document/GmModel.h"
#include "workspace/TsAppStyle.h"

namespace {

TsApp* theApp = nullptr;

// Whether a window is open whose close would end the loop: Qt's own rule for the last window.
bool quittingWindowOpen() {
  const QWidgetList windows = QApplication::topLevelWidgets();
  return std::any_of(windows.cbegin(), windows.cend(), [](const QWidget* window) {
    return window->isVisible() && !window->parentWidget() &&
           window->testAttribute(Qt::WA_QuitOnClose);
  });
}

}  // namespace

TsApp::TsApp(int mode)
    : mode_(mode),
      translations_(std::make_unique<TranslationLoader>()),
      newsAvailable_(!latestNewsUrl().isEmpty()) {
  theApp = this;
}

TsApp::~TsApp() {
  releaseDocumentSide();
  updateChecker_.reset();
  newsChecker_.reset();
  translations_.reset();
  settings_.reset();
  if (documentHooks_) {
    DocumentUiHooks* installed = setDocumentUiHooks(nullptr);
    if (installed != documentHooks_.get()) setDocumentUiHooks(installed);  // someone else's
    documentHooks_.reset();
  }
  if (compositionHost_) {
    CompositionHost* installed = setCompositionHost(nullptr);
    if (installed != compositionHost_.get()) setCompositionHost(installed);  // someone else's
    compositionHost_.reset();
  }
  delete application_;
  application_ = nullptr;
  if (theApp == this) theApp = nullptr;
}

TsApp* TsApp::instance() {
  return theApp;
}

void TsApp::releaseDocumentSide() {
  if (documentSideReleased_) return;
  documentSideReleased_ = true;
  delete mainWindow_.data();  // still there only when the loop ended by an exception
  persistOptions_.reset();
  releaseAboutBox();
  GmModel::destroyInstance();
  ZarvoObject::destroyInstance();
}

void TsApp::init(int& argc, char** argv) {
  initIdentityAndSettings();
  initApplication(argc, argv);

  settings_ = std::make_unique<QSettings>();
  machineId = settings_->value(QStringLiteral("MID"), QStringLiteral("N/A")).toString();
  installationId = settings_->value(QStringLiteral("ID"), QStringLiteral("N/A")).toString();
  flog() << "MID: " << machineId;
  flogEndl();
  flog() << "ID: " << installationId;
  flogEndl();

  translations_->loadSystemTranslations();
  persistOptions_ = std::make_unique<PersistOptions>();
  DistributorInfo::record();
  createCheckers();
  installMessageHandler();
  flog() << "Version: " << versionText() << " (" << buildRevision() << "); Win32";
  flogEndl();

  initStyleAndFonts();

  QSettings system(QSettings::SystemScope, makerName(), appName());
  system.setFallbacksEnabled(false);
  const QString libraries = system.value(QStringLiteral("Libraries")).toString();
  if (!libraries.isEmpty()) QCoreApplication::setLibraryPaths({libraries});
}

void TsApp::initIdentityAndSettings() {
  QCoreApplication::setOrganizationName(makerName());
  QCoreApplication::setOrganizationDomain(makerDomain());
  QCoreApplication::setApplicationName(appName());
  // Asked for before the application object exists. Qt 5.8 and later ignore it (it only chose
  // colour tables for 8-bit displays), so nothing here can tell whether it took.
  QT_WARNING_PUSH
  QT_WARNING_DISABLE_DEPRECATED
  QApplication::setColorSpec(QApplication::CustomColor);
  QT_WARNING_POP
  syncInstallationId();
  ensureMachineId();
}

void TsApp::initApplication(int& argc, char** argv) {
  application_ = new TsApplication(argc, argv);
  guardAbort();
  // Types and resources before any window: values of these types travel in variants and
  // streams (project state, settings), and the pictures (the splash first) are resources.
  registerDocumentMetaTypes();
  qRegisterMetaType<QPolygonF>("QPolygonF");
  initAppResources();
  documentHooks_ = std::make_unique<AppDocumentHooks>();
  setDocumentUiHooks(documentHooks_.get());
  compositionHost_ = std::make_unique<AppCompositionHost>();
  setCompositionHost(compositionHost_.get());

  auto* splash = new QSplashScreen(QPixmap(QStringLiteral(":/images/splash.png")));
  splash->show();
  splash->repaint();
  application_->setSplashScreen(splash);
  QCoreApplication::processEvents();
}

void TsApp::installMessageHandler() {
  for (QtMsgType type : {QtDebugMsg, QtWarningMsg, QtCriticalMsg, QtFatalMsg, QtInfoMsg}) {
    flogger_.setEchoToStandardError(type, false);
    // Info messages are the lower layers' log lines: written like warnings.
    flogger_.setWriteToLog(type, type != QtDebugMsg);
  }
  flogger_.setPreviousHandler(qInstallMessageHandler(logMessageHandler));
}

void TsApp::initStyleAndFonts() {
  // Detached, the platform's style outlives the switch (the application deletes a style it
  // parents); the application's style owns it from here on.
  QStyle* platform = QApplication::style();
  platform->setParent(nullptr);
  QApplication::setStyle(new TsAppStyle(platform));
  QFont font = QApplication::font();
  if (font.pointSizeF() > 1) font.setPointSizeF(font.pointSizeF() - 1);
  QApplication::setFont(font, "GmSubWindow");
  QApplication::setFont(font, "QToolBar");
}

void TsApp::createCheckers() {
  const DistributorRecord& distributor = DistributorInfo::record();
  if (distributor.checkForUpdates && !updateChecker_) {
    updateChecker_ =
        std::make_unique<HttpRequest>(updatePageUrl(), QStringLiteral("Update"), false);
    connect(updateChecker_.get(), &HttpRequest::response, this, &TsApp::updateCheckerCallbackSlot);
  }
  if (distributor.latestNews && !latestNewsUrl().isEmpty() && !newsChecker_) {
    newsChecker_ = std::make_unique<HttpRequest>(latestNewsUrl(), QStringLiteral("News"), true);
    connect(newsChecker_.get(), &HttpRequest::response, this, &TsApp::newsCheckerCallbackSlot);
    connect(newsChecker_.get(), &HttpRequest::httpStatusCode, this,
            &TsApp::newsCheckerHttpStatusCodeSlot);
  }
}

void TsApp::showMainWindow() {
  QMainWindow* window = createMainWindow();
  mainWindow_ = window;
  mainWindowShown_ = true;
  if (isHosted()) window->raise();
  // A driver comes first, as a user's input that waits meanwhile: the splash screen's wait
  // handles events. The window may be gone by then.
  if (AppDriver* driver = appDriver()) driver->mainWindowShown(window);
  if (application_) application_->finishSplash(mainWindow_);
}

int TsApp::run() {
  // An exception during start-up already asked the loop to end, before it ran.
  if (exceptionExitCode_ != 0) {
    exitCode_ = exceptionExitCode_;
    return exitCode_;
  }
  if (application_)
    connect(application_, &QGuiApplication::lastWindowClosed, application_, &QCoreApplication::quit,
            Qt::UniqueConnection);
  // Qt tells of the last window closing only while the loop runs. A main window whose close was
  // handled before (in the splash screen's wait for the window to show, say) would leave the
  // loop waiting for nothing: it ends as soon as it has started.
  if (mainWindowShown_ && !quittingWindowOpen())
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
  exitCode_ = QApplication::exec();
  if (exceptionExitCode_ != 0) exitCode_ = exceptionExitCode_;
  loopEndedNormally_ = exceptionExitCode_ == 0;
  return exitCode_;
}

void TsApp::endLoopAfterException(int code) {
  if (exceptionExitCode_ == 0) exceptionExitCode_ = code;
  QCoreApplication::exit(exceptionExitCode_);
}
