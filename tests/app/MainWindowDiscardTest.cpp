// "Discard Cut-out" in the main window leaves the composition with nothing to paint on: the
// rebuild it asks for paints on no missing picture.

#include <gtest/gtest.h>

#include "DocumentTestSupport.h"
#include "composition/ProcessorFinalImage.h"
#include "support/MainWindowFixture.h"

namespace {

TEST_F(MainWindowTest, DiscardingTheCutoutPaintsOnNoMissingPicture) {
  start();
  open(photo());
  // The highlight brush's copy of the cut-out has reached the hub.
  ZarvoObject* hub = ZarvoObject::instance();
  ASSERT_TRUE(zarvo_test::waitFor([hub] { return !hub->layers().fullyHighlitCutout.isNull(); }));
  LogCapture log;
  window->fileHandler()->cutoutDiscardSlot();
  waitIdle();
  // The rebuild the discard asked for has run.
  ASSERT_TRUE(zarvo_test::waitFor(
      [hub] { return !hub->rebuildPending() && !hub->processor()->isRunning(); }));
  EXPECT_TRUE(hub->layers().cutout.isNull());
  QStringList painted;
  for (const QString& line : LogCapture::lines())
    if (line.contains(QStringLiteral("QPainter"))) painted << line;
  EXPECT_EQ(painted, QStringList());
}

}  // namespace
