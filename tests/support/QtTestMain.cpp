// The one test main of every Qt module. It gives each run a fresh folder for settings and
// temporary files before any Qt object exists, so a test never reads or writes the user's
// settings and two runs never see each other's files (Qt's own test mode shares one folder
// between runs and never cleans it). Widgets are drawn on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>

#include <cstdlib>
#include <string>

#include "TestEnvironment.h"

#if defined(__SANITIZE_ADDRESS__)
// Leaks of Qt's own, named narrowly; full stacks let each suppression see the frame it names.
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

int main(int argc, char** argv) {
  char folderTemplate[] = "/tmp/zarvo-test-XXXXXX";
  const char* folder = mkdtemp(folderTemplate);
  if (!folder) return 3;
  const std::string settings = std::string(folder) + "/config";
  const std::string temporary = std::string(folder) + "/tmp";
  QDir().mkpath(QString::fromStdString(settings));
  QDir().mkpath(QString::fromStdString(temporary));
  setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
  setenv("TMPDIR", temporary.c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);

  ::testing::InitGoogleTest(&argc, argv);
  int result = 0;
  {
    QApplication application(argc, argv);
    QApplication::setOrganizationName("OrbelTech");
    QApplication::setApplicationName("Zarvo");
    zarvo_test::runModuleSetUp();
    result = RUN_ALL_TESTS();
  }
  QDir(QString::fromUtf8(folder)).removeRecursively();
  return result;
}
