#include "IsolatedRun.h"

#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include <QDir>
#include <QString>

#if defined(__SANITIZE_ADDRESS__)
// Leaks of Qt's own in every isolated run, named narrowly; full stacks let each suppression see
// the frame it names.
// - The offscreen platform plugin leaves its screen objects behind at exit.
// - Qt 5.15's PNG writer leaks its array of row pointers when its device fails in the middle of
//   an image (libpng unwinds with longjmp past the delete). The final-image pipeline stops PNG
//   encoding that way on abort, on purpose.
extern "C" const char* __asan_default_options() {
  return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libqoffscreen.so\n"
         "leak:QImageWriter::write\n";
}
#endif

IsolatedRun::IsolatedRun(const char* kind, bool offscreen) {
  std::string folder = std::string("/tmp/zarvo-") + kind + "-XXXXXX";
  if (!mkdtemp(folder.data())) return;
  const std::string settings = folder + "/config";
  const std::string temporary = folder + "/tmp";
  const std::string runtime = folder + "/runtime";
  for (const std::string& sub : {settings, temporary, runtime}) {
    if (mkdir(sub.c_str(), 0700) != 0) {
      QDir(QString::fromStdString(folder)).removeRecursively();
      return;
    }
  }
  root_ = folder;
  setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
  setenv("TMPDIR", temporary.c_str(), 1);
  setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
  if (offscreen) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

IsolatedRun::~IsolatedRun() {
  if (ok()) QDir(QString::fromStdString(root_)).removeRecursively();
}
