#include "app/AppMain.h"

#include <cstring>
#include <exception>
#include <new>

#include "app/AboutBox.h"
#include "app/AppExitCodes.h"
#include "app/CrashGuard.h"
#include "app/Flogger.h"
#include "app/TsAppStandAlone.h"

namespace {

bool is(const char* argument, const char* option) {
  return argument && std::strcmp(argument, option) == 0;
}

// Runs the application object's start-up and loop; an exception is logged here, while the log
// is still open, and turned into its exit code.
int startAndRun(TsAppStandAlone& app, int& argc, char** argv) {
  const char* what = "unknown exception";
  int code = kExitException;
  try {
    app.init(argc, argv);
    const int loopResult = app.run();
    if (app.exceptionExitCode() != 0) return app.exceptionExitCode();
    return app.mode() == TsApp::SharedMemory ? app.hostResult() : loopResult;
  } catch (const std::bad_alloc& error) {
    what = error.what();
    code = kExitOutOfMemory;
  } catch (const std::exception& error) {
    what = error.what();
  } catch (...) {
  }
  flog() << "Exception: " << what;
  flogEndl();
  return code;
}

}  // namespace

bool isAboutCommandLine(int argc, const char* const* argv) {
  return argc == 2 && is(argv[1], "--about");
}

int modeFromCommandLine(int argc, const char* const* argv) {
  if (argc == 9 && is(argv[1], "--gp")) return TsApp::SharedMemory;
  if (argc == 3 && is(argv[1], "--xmlgp")) return TsApp::XmlPipe;
  if (argc == 3 && is(argv[1], "--aperture")) return TsApp::Aperture;
  return TsApp::Normal;
}

int zarvoMain(int& argc, char** argv) {
  try {
    if (isAboutCommandLine(argc, argv)) return runAboutBoxCommandLine(argc, argv);
    TsAppStandAlone app(modeFromCommandLine(argc, argv));
    return startAndRun(app, argc, argv);
  } catch (const std::bad_alloc&) {
    return kExitOutOfMemory;
  } catch (...) {
    return kExitException;
  }
}

int runGuarded(int& argc, char** argv) {
  prepareCrashGuard(argc, argv);
  return zarvoMain(argc, argv);
}
