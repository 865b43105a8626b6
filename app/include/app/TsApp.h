#pragma once

#include <memory>

#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QString>

#include "app/Flogger.h"

class AppCompositionHost;
class AppDocumentHooks;
class HttpRequest;
class PersistOptions;
class QSettings;
class TranslationLoader;
class TsApplication;
class TsSourceImage;

// The application object: one per process, reached through instance(). It holds the start-up
// mode, the log, the Qt application object, the settings, the persistent options, the update
// and news checkers and the main window, and answers for the online checks. Built before the Qt
// application object; init() brings the rest up. GUI thread.
class TsApp : public QObject {
  Q_OBJECT

 public:
  // The start-up modes. 1 to 4 are the hosted modes; no command line selects 1.
  enum Mode { Normal = 0, Hosted = 1, SharedMemory = 2, XmlPipe = 3, Aperture = 4 };

  // Opens the log first, records the mode, makes the translation loader.
  explicit TsApp(int mode);
  // Tears down in this order: options (saved), About box, document and composition hub,
  // checkers, translations, settings, the Qt application object, the log.
  ~TsApp() override;

  static TsApp* instance();

  // Identity, settings, the Qt application object with its splash screen, translations,
  // options, distributor information, checkers, the log's message handler, meta types, the
  // application style, fonts and library paths. `argc` must outlive the application object.
  virtual void init(int& argc, char** argv);
  // The images handed over by a host; null unless a hosted mode set them. Borrowed.
  virtual TsSourceImage* sourceImage() const { return nullptr; }
  virtual TsSourceImage* secondImage() const { return nullptr; }

  // Builds the main window, raises it in the hosted modes and finishes the splash screen.
  void showMainWindow();
  // Runs the event loop until the last window closes; its result, also kept as exitCode().
  int run();
  // True once run() came back from the event loop without an exception having ended it.
  bool loopEndedNormally() const { return loopEndedNormally_; }

  int mode() const { return mode_; }
  bool isHosted() const { return mode_ >= Hosted && mode_ <= Aperture; }
  int exitCode() const { return exitCode_; }
  // What a host is told in mode SharedMemory: 0 hands the picture back (the close question
  // sets it), 1 discarded, 2 nothing to hand back (the value until the question sets it).
  int hostExitCode() const { return hostExitCode_; }
  void setHostExitCode(int code) { hostExitCode_ = code; }
  // 11 or 12 when an exception escaped an event handler and ended the loop; 0 otherwise.
  int exceptionExitCode() const { return exceptionExitCode_; }
  // Ends the event loop with `code` after an exception (the first one counts).
  void endLoopAfterException(int code);

  TsApplication* application() const { return application_; }
  QSettings* settings() const { return settings_.get(); }
  PersistOptions* persistOptions() const { return persistOptions_.get(); }
  HttpRequest* updateChecker() const { return updateChecker_.get(); }
  HttpRequest* newsChecker() const { return newsChecker_.get(); }
  TranslationLoader* translations() const { return translations_.get(); }
  Flogger& flogger() { return flogger_; }
  // Null before showMainWindow and after the window was closed.
  QMainWindow* mainWindow() const { return mainWindow_; }
  bool newsAvailable() const { return newsAvailable_; }

  // Creates the update and news checkers that the distributor switches on.
  void createCheckers();

  // The local help folder's address for the current language ("HelpRoot"), its online help
  // page, and the tutorials' start page ("TutorialsRoot", else the web page).
  QString helpUrl() const;
  QString onlineHelpUrl() const;
  QString tutorialsUrl() const;

 signals:
  void newsAvailability(bool available);

 public slots:
  void runStartUpChecks();
  void checkForUpdateSlot();
  void checkForNewsSlot();
  bool updateCheckerCallbackSlot(QString result, bool forced);
  bool newsCheckerCallbackSlot(QString result, bool forced);
  void newsCheckerHttpStatusCodeSlot(int statusCode);

 protected:
  // Deletes the options (saving them), the About box, the document and the composition hub;
  // once. Hosted-mode images the subclass owns must outlive the document: it calls this before
  // deleting them.
  void releaseDocumentSide();

 private:
  void initIdentityAndSettings();
  void initApplication(int& argc, char** argv);
  void installMessageHandler();
  void initStyleAndFonts();

  Flogger flogger_;
  int mode_;
  TsApplication* application_ = nullptr;
  std::unique_ptr<QSettings> settings_;
  int exitCode_ = 0;
  QPointer<QMainWindow> mainWindow_;
  bool mainWindowShown_ = false;
  int hostExitCode_ = 2;
  int exceptionExitCode_ = 0;
  std::unique_ptr<PersistOptions> persistOptions_;
  std::unique_ptr<HttpRequest> updateChecker_;
  std::unique_ptr<HttpRequest> newsChecker_;
  std::unique_ptr<TranslationLoader> translations_;
  std::unique_ptr<AppDocumentHooks> documentHooks_;
  std::unique_ptr<AppCompositionHost> compositionHost_;
  bool newsAvailable_;
  bool documentSideReleased_ = false;
  bool loopEndedNormally_ = false;
};
