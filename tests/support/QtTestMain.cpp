// The one test main of every Qt module. It gives each run a fresh folder for settings and
// temporary files before any Qt object exists, so a test never reads or writes the user's
// settings and two runs never see each other's files (Qt's own test mode shares one folder
// between runs and never cleans it). Widgets are drawn on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QScreen>

#include <cstdlib>
#include <string>

#include "TestEnvironment.h"

// Qt 5.15's offscreen platform never frees the screen it adds. Held here, the screen stays
// reachable, so the leak checker of the sanitizer build does not report Qt's leak as ours.
static QScreen* volatile offscreenScreen = nullptr;

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
    offscreenScreen = QGuiApplication::primaryScreen();
    zarvo_test::runModuleSetUp();
    result = RUN_ALL_TESTS();
  }
  QDir(QString::fromUtf8(folder)).removeRecursively();
  return result;
}
