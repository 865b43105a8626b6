// zarvo-testhost DRIVER [OUTDIR] [program arguments...]: the program's guarded entry with dialogs
// that answer themselves and a scripted driver, for tests and benchmarks that need a whole process.
//
// Every message box answers its default at once, file and colour dialogs are cancelled, a modal
// box closes on a zero timer; each is logged as "Dialog: " + title + " | " + text. Drivers:
//   startup          prints "mode N", "style CLASS" (the application style), "help ENTRIES"
//                    (the Help menu's texts joined by "|", "-" a separator) and "document WxH"
//                    when the document holds an image, waits until the loop is idle and the
//                    online checkers are done, then closes the main window
//   handback         the same, but closes through "&Save and Apply" (the picture goes back
//                    to a host)
//   cutout OUTDIR    a whole cut-out on the window's image, its pictures, project and summary
//                    written to OUTDIR, then a close without a question (CutoutScript.h); the
//                    exit code is 3 when the engine never became idle
//   close-at STEP    a user's close at a STEP of the start: "start" before the loop runs (as a
//                    close handled in the splash screen's wait for the window, waited for there
//                    until the window is gone), or once the engine's command of that description
//                    has finished
//   hold             prints "ready TID" (a worker thread's id) and runs until it is killed
//   fatal            raises a fatal Qt message once the loop is idle
//   throw-bad-alloc  throws std::bad_alloc from an event handler once the loop is idle
//   throw-error      throws std::runtime_error from an event handler once the loop is idle
// ZARVO_TESTHOST_APP_DIR, when set, stands for the program's folder (distributor files,
// translations).

#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include <QByteArray>
#include <QString>

#include "AnsweringDialogs.h"
#include "ScriptedDriver.h"
#include "app/AppDriver.h"
#include "app/AppMain.h"
#include "kestrum/qt/AppPaths.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: zarvo-testhost DRIVER [OUTDIR] [program arguments...]\n");
    return 2;
  }
  const QByteArray driverName(argv[1]);
  ScriptedDriver driver(driverName);
  if (!driver.isKnown()) {
    std::fprintf(stderr, "zarvo-testhost: unknown driver %s\n", argv[1]);
    return 2;
  }
  const QByteArray appDir = qgetenv("ZARVO_TESTHOST_APP_DIR");
  if (!appDir.isEmpty()) kestrum::setAppDirOverride(QString::fromLocal8Bit(appDir));

  AnsweringDialogs dialogs;
  setAppDialogs(&dialogs);
  setAppDriver(&driver);

  // The program sees its own name and the arguments after the driver's.
  int skipped = 1;
  if (driverName == "cutout" || driverName == "close-at") {
    if (argc < 3) {
      std::fprintf(stderr, "usage: zarvo-testhost %s ARGUMENT [program arguments...]\n", argv[1]);
      return 2;
    }
    driver.setArgument(QString::fromLocal8Bit(argv[2]));
    skipped = 2;
  }
  argv[skipped] = argv[0];
  int programArgc = argc - skipped;
  const int result = runGuarded(programArgc, argv + skipped);
  setAppDriver(nullptr);
  setAppDialogs(nullptr);
  return driver.exitCode() >= 0 ? driver.exitCode() : result;
}
