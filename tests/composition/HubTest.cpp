#include <gtest/gtest.h>

#include <QSignalSpy>

#include "WaitFor.h"
#include "support/CompositionFixture.h"

using namespace composition_test;

namespace {

class Hub : public HubFixture {
 protected:
  // A small composition, delivered once.
  void deliverSmallPicture() {
    hub()->setCanvasRect(QRect(0, 0, 48, 32));
    hub()->cutoutChangedSlot(cutoutImage(20, qRgb(200, 30, 30)), QPoint(4, 4));
    ASSERT_TRUE(settle());
  }
};

}  // namespace

TEST_F(Hub, ABurstOfChangesRebuildsOnce) {
  QSignalSpy started(hub(), &ZarvoObject::startedImageProcessing);
  QSignalSpy delivered(hub(), &ZarvoObject::updateImage);
  hub()->setCanvasRect(QRect(0, 0, 64, 48));
  hub()->cutoutChangedSlot(cutoutImage(30, qRgb(10, 200, 10)), QPoint(3, 3));
  hub()->backgroundChanged(QPixmap::fromImage(seededImage(64, 48, 1)));
  hub()->setSharpenValue(2);
  hub()->setCompressBackground(1);
  hub()->highlightPointsChanged({HighlightPoint{QPointF(10, 10), 5, 40}});
  EXPECT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(settle());
  EXPECT_EQ(started.count(), 1);
  EXPECT_EQ(delivered.count(), 1);
  EXPECT_EQ(hub()->finalPixmap().size(), QSize(64, 48));
}

TEST_F(Hub, AChangeDuringARunAbortsItAndRebuildsAfresh) {
  QSignalSpy delivered(hub(), &ZarvoObject::updateImage);
  QSignalSpy started(hub(), &ZarvoObject::startedImageProcessing);
  // Heavy enough to be still running when the change comes (sharpen, blur, JPEG search).
  hub()->setCanvasRect(QRect(0, 0, 3000, 3000));
  hub()->backgroundChanged(QPixmap::fromImage(seededImage(3000, 3000, 2)));
  hub()->setCompressBackground(5);
  hub()->cutoutChangedSlot(seededImage(2500, 2500, 3), QPoint(0, 0));
  hub()->setSharpenValue(5);
  ASSERT_TRUE(zarvo_test::waitFor([&] { return started.count() == 1; }));
  ASSERT_TRUE(hub()->processor()->isRunning());
  hub()->setCompressBackground(0);  // aborts and joins the run, arms a new timer
  EXPECT_FALSE(hub()->processor()->isRunning());
  // Cut short, not waited for: a run left to finish would have made its picture.
  EXPECT_EQ(hub()->processor()->resultRun(), 0u);
  EXPECT_TRUE(hub()->processor()->resultBytes().isEmpty());
  EXPECT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(settle());
  EXPECT_EQ(started.count(), 2);
  EXPECT_EQ(delivered.count(), 1);
}

TEST_F(Hub, UnchangedValuesChangeNothing) {
  deliverSmallPicture();
  QSignalSpy canvas(hub(), &ZarvoObject::canvasChanged);
  QSignalSpy view(hub(), &ZarvoObject::updateView);
  QSignalSpy size(hub(), &ZarvoObject::backgroundImageSizeChanged);
  hub()->setCanvasRect(QRect(0, 0, 48, 32));
  hub()->setSharpenValue(0);
  hub()->setCompressBackground(0);
  hub()->setMaxFileSize(hub()->maxFileSizeKB());
  hub()->setBackgroundImageSize(QSize(-1, -1));
  EXPECT_FALSE(hub()->rebuildPending());
  EXPECT_EQ(canvas.count() + view.count() + size.count(), 0);

  hub()->setBackgroundImageSize(QSize(10, 20));  // signalled, not rebuilt
  EXPECT_EQ(size.count(), 1);
  EXPECT_FALSE(hub()->rebuildPending());
  hub()->setCanvasRect(QRect(0, 0, 50, 32));
  ASSERT_EQ(canvas.count(), 1);
  EXPECT_EQ(canvas.at(0).at(1).toRect(), QRect(0, 0, 48, 32));
  EXPECT_EQ(view.count(), 1);
  EXPECT_TRUE(hub()->rebuildPending());
}

TEST_F(Hub, OptionalLayersRebuildWhenTheyComeAndWhenTheyGo) {
  deliverSmallPicture();
  const QImage withoutLogo = hub()->finalPixmap().toImage();
  hub()->logoUpdated(QImage(), QPoint());  // null after null: quiet
  EXPECT_FALSE(hub()->rebuildPending());

  hub()->logoUpdated(seededImage(10, 10, 4), QPoint(30, 20));
  EXPECT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(settle());
  EXPECT_NE(hub()->finalPixmap().toImage(), withoutLogo);

  hub()->logoUpdated(QImage(), QPoint());  // the logo goes: the picture follows
  EXPECT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(settle());
  EXPECT_EQ(hub()->finalPixmap().toImage(), withoutLogo);

  for (auto slot : {&ZarvoObject::textUpdated, &ZarvoObject::speechBubblesUpdated}) {
    (hub()->*slot)(QImage(), QPoint());
    EXPECT_FALSE(hub()->rebuildPending());
    (hub()->*slot)(seededImage(5, 5, 6), QPoint(1, 1));
    EXPECT_TRUE(hub()->rebuildPending());
    ASSERT_TRUE(settle());
  }
}

TEST_F(Hub, ResetMakesTheNextPictureTheSavedState) {
  deliverSmallPicture();
  EXPECT_TRUE(hub()->hasUnsavedChanges());
  QSignalSpy resets(hub(), &ZarvoObject::zarvoReset);
  hub()->reset();
  EXPECT_EQ(resets.count(), 1);
  EXPECT_FALSE(hub()->hasUnsavedChanges());
  EXPECT_FALSE(hub()->rebuildPending());  // already at 80 KB: no timer of its own

  // A tool re-sends its layer on the reset: that picture is the new saved state, also while
  // it is on its way.
  hub()->cutoutChangedSlot(cutoutImage(20, qRgb(20, 30, 200)), QPoint(4, 4));
  EXPECT_FALSE(hub()->hasUnsavedChanges());
  ASSERT_TRUE(settle());
  EXPECT_FALSE(hub()->hasUnsavedChanges());
  hub()->cutoutChangedSlot(cutoutImage(20, qRgb(20, 200, 30)), QPoint(4, 4));
  ASSERT_TRUE(settle());
  EXPECT_TRUE(hub()->hasUnsavedChanges());
}

TEST_F(Hub, AChangeIsUnsavedUntilItsPictureSaysOtherwise) {
  deliverSmallPicture();
  ASSERT_TRUE(hub()->save(path("saved.jpg")));
  ASSERT_FALSE(hub()->hasUnsavedChanges());
  // Waiting for its picture, a change counts by the picture it will give, built at once: one
  // taken back gives the picture saved.
  hub()->setSharpenValue(3);
  ASSERT_TRUE(hub()->rebuildPending());
  EXPECT_TRUE(hub()->hasUnsavedChanges());
  EXPECT_FALSE(hub()->rebuildPending());
  hub()->setSharpenValue(0);
  ASSERT_TRUE(hub()->rebuildPending());
  EXPECT_FALSE(hub()->hasUnsavedChanges());
  ASSERT_TRUE(settle());
  EXPECT_FALSE(hub()->hasUnsavedChanges());

  // A canvas without pixels gives up without a picture: nothing is left waiting.
  hub()->setCanvasRect(QRect(0, 0, 0, 32));
  ASSERT_TRUE(settle());
  EXPECT_FALSE(hub()->hasUnsavedChanges());
}

TEST_F(Hub, OnlyTheRunItWaitsForAnnouncesItsStart) {
  deliverSmallPicture();
  QSignalSpy started(hub(), &ZarvoObject::startedImageProcessing);
  QSignalSpy delivered(hub(), &ZarvoObject::updateImage);
  // The export's way: the pending rebuild runs at once and its picture is taken in directly;
  // what the run queued on its way no longer concerns anyone.
  hub()->setSharpenValue(2);
  ASSERT_TRUE(hub()->saveToFile(path("now.jpg")));
  EXPECT_EQ(delivered.count(), 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(started.count(), 0);
  EXPECT_EQ(delivered.count(), 1);

  // A rebuild of its own announces itself before its picture.
  hub()->setSharpenValue(0);
  ASSERT_TRUE(settle());
  EXPECT_EQ(started.count(), 1);
  EXPECT_EQ(delivered.count(), 2);
}

TEST_F(Hub, ADeliveryQueuedBeforeAResetIsIgnored) {
  QSignalSpy delivered(hub(), &ZarvoObject::updateImage);
  hub()->setCanvasRect(QRect(0, 0, 40, 40));
  hub()->cutoutChangedSlot(cutoutImage(20, qRgb(200, 30, 30)), QPoint(4, 4));
  ASSERT_TRUE(zarvo_test::waitFor([] { return !hub()->rebuildPending(); }));
  hub()->processor()->wait();  // its picture now waits in the event queue
  hub()->reset();
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered.count(), 0);
  EXPECT_TRUE(hub()->finalPixmap().isNull());
  EXPECT_FALSE(hub()->hasUnsavedChanges());
}

TEST_F(Hub, MaxFileSizeIsSignalledOnEveryChange) {
  QSignalSpy changed(hub(), &ZarvoObject::maxFileSizeChanged);
  EXPECT_EQ(hub()->maxFileSizeKB(), 80);
  hub()->setMaxFileSize(200);
  hub()->setMaxFileSize(200);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed.at(0).at(0).toInt(), 200);
  EXPECT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(settle());
  hub()->reset();  // back to 80: signalled, and this time a rebuild is armed
  ASSERT_EQ(changed.count(), 2);
  EXPECT_EQ(changed.at(1).at(0).toInt(), 80);
  EXPECT_TRUE(hub()->rebuildPending());
}

TEST_F(Hub, OutputTypeChoiceRebuildsAndRefusesUnknownTypes) {
  deliverSmallPicture();
  ZarvoOutputHandler* output = ZarvoOutputHandler::instance();
  EXPECT_EQ(output->typeNames(), (QList<QString>{"JPG", "PNG", "PDF"}));
  output->fileTypeChoosen(ZarvoOutputHandler::Png);
  EXPECT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(settle());
  EXPECT_TRUE(hub()->finalImageBytes().startsWith("\x89PNG"));
  output->fileTypeChoosen(7);
  EXPECT_EQ(output->fileType(), ZarvoOutputHandler::Png);
  EXPECT_FALSE(hub()->rebuildPending());
}
