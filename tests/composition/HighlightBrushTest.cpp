// The highlight brush with the real view, controller, hub and HLS processor: dabs by mouse
// (a held, still button repeats), the incremental preview against the full composition, what
// reaches the hub, and cut-outs that go away.

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QCursor>
#include <QPushButton>
#include <QPointer>
#include <QSignalSpy>
#include <QSlider>
#include <QTimerEvent>

#include "composition/HighlightBrushTool.h"
#include "composition/Highlighter.h"
#include "kestrum/qt/ProcessorHLSAdjust.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

class HighlightBrush : public CanvasFixture {
 protected:
  void SetUp() override {
    CanvasFixture::SetUp();
    tool = keep(new HighlightBrushTool(view.get()));
    previews = std::make_unique<QSignalSpy>(tool, &HighlightBrushTool::imageHighlighted);
  }
  void newCutout(const QImage& image, QPoint at = QPoint(30, 40)) {
    emit controller()->generatedImageChanged(image, at);
  }
  void waitForCopy() {
    ASSERT_TRUE(zarvo_test::waitFor([this] { return tool->highlightState() == 2; }));
  }
  // The preview as the final-image pipeline makes it from the tool's dabs.
  QImage composed() const {
    QImage copy = tool->fullyHighlit().copy();
    return composeHighlight(tool->points(), tool->source(), copy);
  }
  QImage lastPreview() const { return previews->last().at(0).value<QImage>(); }

  HighlightBrushTool* tool = nullptr;
  std::unique_ptr<QSignalSpy> previews;
};

TEST_F(HighlightBrush, ResetSetsTheMiddleSizes) {
  EXPECT_EQ(tool->sizeSlider()->value(), 13);
  EXPECT_EQ(tool->intensitySlider()->value(), 45);
  tool->sizeSlider()->setValue(25);
  tool->intensitySlider()->setValue(10);
  hub()->reset();
  EXPECT_EQ(tool->sizeSlider()->value(), 13);
  EXPECT_EQ(tool->intensitySlider()->value(), 45);
  EXPECT_EQ(tool->cursor().hotSpot(), QPoint(5, 5));
  EXPECT_EQ(tool->cursor().pixmap().size(), QSize(32, 32));
}

TEST_F(HighlightBrush, IncrementalDabsEqualTheFullComposition) {
  const QImage cutout = cutoutImage(90, qRgb(90, 60, 40));
  newCutout(cutout);
  waitForCopy();
  EXPECT_EQ(tool->fullyHighlit().pixel(45, 45),
            kestrum::ProcessorHLSAdjust::adjust(cutout.pixel(45, 45), 0, 48, 96) & 0x00FFFFFFu);
  struct Dab {
    QPointF at;
    int size, intensity;
  };
  for (const Dab& dab : {Dab{{45, 45}, 13, 45}, Dab{{10.6, 80.2}, 25, 80}, Dab{{47, 44}, 2, 10},
                         Dab{{-3, 50}, 9, 70}, Dab{{89.5, 0.5}, 20, 30}, Dab{{44, 46}, 13, 80}}) {
    tool->sizeSlider()->setValue(dab.size);
    tool->intensitySlider()->setValue(dab.intensity);
    tool->addPoint(dab.at);
    ASSERT_EQ(tool->highlit(), composed()) << tool->points().size();
    EXPECT_EQ(lastPreview(), tool->highlit());
  }
  EXPECT_EQ(hub()->layers().highlightPoints, tool->points());
  // Transparent pixels never change.
  for (int y = 0; y < cutout.height(); ++y)
    for (int x = 0; x < cutout.width(); ++x)
      if (qAlpha(cutout.pixel(x, y)) == 0) {
        ASSERT_EQ(tool->highlit().pixel(x, y), cutout.pixel(x, y));
      }
}

TEST_F(HighlightBrush, DabsPaintedWhileComputingReachTheHubWithTheCopy) {
  const QImage cutout = cutoutImage(400, qRgb(90, 60, 40));
  newCutout(cutout);
  ASSERT_EQ(tool->highlightState(), 1);
  tool->addPoint(QPointF(100, 100));
  tool->addPoint(QPointF(200, 120));
  EXPECT_TRUE(hub()->layers().highlightPoints.isEmpty());
  waitForCopy();
  EXPECT_EQ(hub()->layers().highlightPoints.size(), 2);
  EXPECT_FALSE(hub()->layers().fullyHighlitCutout.isNull());
  EXPECT_EQ(tool->highlit(), composed());
  EXPECT_EQ(lastPreview(), tool->highlit());
}

TEST_F(HighlightBrush, AReplacedComputationNeverDelivers) {
  newCutout(cutoutImage(500, qRgb(10, 20, 30)));
  const QPointer<Highlighter> replaced = tool->highlighter();
  ASSERT_FALSE(replaced.isNull());
  const QImage second = cutoutImage(40, qRgb(200, 100, 50));
  newCutout(second);
  // Stopped and gone at once, with whatever it had on its way.
  EXPECT_TRUE(replaced.isNull());
  waitForCopy();
  EXPECT_EQ(tool->fullyHighlit().size(), second.size());
  EXPECT_EQ(hub()->layers().fullyHighlitCutout.size(), second.size());
}

TEST_F(HighlightBrush, ClearRestoresThePlainCutoutAndEmptiesTheHubsList) {
  const QImage cutout = cutoutImage(60, qRgb(90, 60, 40));
  newCutout(cutout);
  waitForCopy();
  tool->addPoint(QPointF(30, 30));
  ASSERT_NE(tool->highlit(), cutout);
  ASSERT_EQ(hub()->layers().highlightPoints.size(), 1);
  auto* clearButton = tool->optionPage()->findChild<QPushButton*>();
  ASSERT_NE(clearButton, nullptr);
  clearButton->click();
  EXPECT_EQ(tool->highlit(), cutout);
  EXPECT_EQ(lastPreview(), cutout);
  EXPECT_TRUE(hub()->layers().highlightPoints.isEmpty());
  // The dab mask starts afresh: a new dab shows alone.
  tool->addPoint(QPointF(10, 30));
  EXPECT_EQ(tool->points().size(), 1);
  EXPECT_EQ(tool->highlit(), composed());
}

TEST_F(HighlightBrush, CutoutsThatGoAwayLeaveNothingToHangOn) {
  newCutout(cutoutImage(60, qRgb(90, 60, 40)));
  waitForCopy();
  // Null and empty cut-outs, then a sharpened null image: each time a dab returns at once.
  newCutout(QImage());
  EXPECT_EQ(tool->highlightState(), 0);
  EXPECT_TRUE(lastPreview().isNull());
  tool->addPoint(QPointF(5, 5));
  EXPECT_EQ(tool->highlightState(), 0);
  EXPECT_TRUE(lastPreview().isNull());

  newCutout(cutoutImage(60, qRgb(90, 60, 40)));
  waitForCopy();
  tool->imageSharpened(QImage());
  EXPECT_EQ(tool->highlightState(), 0);
  tool->addPoint(QPointF(5, 5));
  tool->addPoint(QPointF(6, 5));
  EXPECT_TRUE(lastPreview().isNull());
  EXPECT_EQ(tool->highlighter(), nullptr);
}

TEST_F(HighlightBrush, ASharpenedCutoutWithDabsGetsANewCopy) {
  const QImage cutout = cutoutImage(60, qRgb(90, 60, 40));
  newCutout(cutout);
  waitForCopy();
  tool->addPoint(QPointF(30, 30));
  const QImage sharper = cutoutImage(60, qRgb(120, 30, 10));
  tool->imageSharpened(sharper);
  EXPECT_EQ(tool->highlightState(), 2);  // until the current event is done
  QCoreApplication::processEvents();
  EXPECT_EQ(tool->highlightState(), 1);
  waitForCopy();
  EXPECT_EQ(tool->source(), sharper);
  EXPECT_EQ(tool->points().size(), 1);
  EXPECT_EQ(tool->highlit(), composed());
}

TEST_F(HighlightBrush, TheMouseAddsOneDabAClickAndRepeatsWhileHeldStill) {
  showView();
  view->zoomToSlot(1.0, QPointF(200, 150));
  openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(200, 120, 20)));
  ASSERT_TRUE(tool->installSlot());
  // The instance's own notice sends the cut-out once more: the copy of that one is the last.
  settleItems();
  waitForCopy();
  const QPoint base = hub()->layers().cutoutPos;
  const QPoint at = view->mapFromScene(QPointF(base + QPoint(100, 50)));
  QWidget* port = view->viewport();

  click(port, at);
  ASSERT_EQ(tool->points().size(), 1);
  EXPECT_EQ(tool->points().first().position, view->mapToScene(at) - QPointF(base));
  EXPECT_EQ(tool->points().first().radius, 13);
  EXPECT_FALSE(tool->isRepeating());

  // A press adds one and starts the repeat: a coarse timer of a tenth of a second, whose every
  // tick adds one where the pointer rests.
  QCursor::setPos(port->mapToGlobal(at));
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  const auto timerIds = [&] {
    QList<int> ids;
    for (const QAbstractEventDispatcher::TimerInfo& timer : dispatcher->registeredTimers(tool))
      ids << timer.timerId;
    return ids;
  };
  const QList<int> before = timerIds();
  sendMouse(port, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  ASSERT_EQ(tool->points().size(), 2);
  QList<QAbstractEventDispatcher::TimerInfo> started;
  for (const QAbstractEventDispatcher::TimerInfo& timer : dispatcher->registeredTimers(tool))
    if (!before.contains(timer.timerId)) started << timer;
  ASSERT_EQ(started.size(), 1);
  EXPECT_EQ(started.first().interval, 100);
  EXPECT_EQ(started.first().timerType, Qt::CoarseTimer);
  const auto tick = [&] {
    QTimerEvent event(started.first().timerId);
    QCoreApplication::sendEvent(tool, &event);
  };
  tick();
  tick();
  ASSERT_EQ(tool->points().size(), 4);
  EXPECT_EQ(tool->points().last().position, view->mapToScene(at) - QPointF(base));
  sendMouse(port, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  // The release ends the timer: no tick can follow.
  EXPECT_EQ(timerIds(), before);
  tick();
  EXPECT_EQ(tool->points().size(), 4);

  // The dabs are in the hub's next picture.
  ASSERT_TRUE(settle());
  const QImage highlit = hub()->finalPixmap().toImage();
  tool->clear();
  ASSERT_TRUE(settle());
  EXPECT_NE(hub()->finalPixmap().toImage(), highlit);
}

}  // namespace
