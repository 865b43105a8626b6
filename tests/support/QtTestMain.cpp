// The one test main of every Qt module. It gives each run folders of its own before any Qt
// object exists (IsolatedRun), so a test never reads or writes the user's settings and two runs
// never see each other's files (Qt's own test mode shares one folder between runs and never
// cleans it). Widgets are drawn on the offscreen platform.

#include <gtest/gtest.h>

#include <QApplication>

#include "FatalSignalReport.h"
#include "IsolatedRun.h"
#include "TestEnvironment.h"

int main(int argc, char** argv) {
  const IsolatedRun run("test");
  if (!run.ok()) return 3;
  ::testing::InitGoogleTest(&argc, argv);
  installFatalSignalReport();
  QApplication application(argc, argv);
  QApplication::setOrganizationName("OrbelTech");
  QApplication::setApplicationName("Zarvo");
  zarvo_test::runModuleSetUp();
  return RUN_ALL_TESTS();
}
