#pragma once

#include <memory>

#include <QApplication>
#include <QString>

class QSplashScreen;

// The Qt application object of the program. It catches what escapes an event handler (logged as
// "Exception: " and the text; the loop then ends with 11 for memory exhaustion, 12 otherwise)
// and turns the platform's open-file events into control-file reads or file loads. It owns the
// start-up splash screen until the main window finishes it. GUI thread.
class TsApplication : public QApplication {
  Q_OBJECT

 public:
  // `argc` must outlive the object.
  TsApplication(int& argc, char** argv);
  ~TsApplication() override;

  bool notify(QObject* receiver, QEvent* event) override;

  // The path named by the last open-file event.
  const QString& openedFilePath() const { return openedFilePath_; }

  // Takes ownership of `splash`.
  void setSplashScreen(QSplashScreen* splash);
  QSplashScreen* splashScreen() const { return splash_.get(); }
  // Finishes the splash screen on `window` and deletes it.
  void finishSplash(QWidget* window);

  // An open-file event for `file`: recorded in `openedFilePath`; once the main window exists a
  // ".otsx" file (any case) is read as a control file, any other file is opened in the main
  // window. True when handled; before the main window the event is left to Qt. A control file
  // that cannot be opened is logged and shown, and the run goes on.
  static bool handleFileOpen(const QString& file, QString* openedFilePath);
  // Reads the current control file (GasPipe::current()): one that does not parse is logged, one
  // that cannot be opened is logged and shown over `parent`, and the run goes on either way.
  static void loadControlFile(QWidget* parent);

 protected:
  bool event(QEvent* event) override;

 private:
  QString openedFilePath_;
  std::unique_ptr<QSplashScreen> splash_;
};
