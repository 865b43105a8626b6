// The composition view: its zoom range, fitting, the scene rectangle, the mouse through the
// current tool, drops, and zooms it cannot show.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QMimeData>
#include <QSignalSpy>

#include <QSlider>

#include "composition/CompositionMouseTool.h"
#include "workspace/ZoomViewOptionsWidget.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

class CompositionView : public CanvasFixture {
 protected:
  void openRedBox() {
    openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(200, 20, 20)));
  }
};

// A tool that takes the view's mouse when `takes` says so and writes what it got.
class RecordingMouseTool : public GmTool, public CompositionMouseTool {
 public:
  RecordingMouseTool()
      : GmTool("Recorder", "Recorder", QIcon(), QString(), QString(), nullptr, nullptr, nullptr,
               nullptr) {
    setEnabledSlot();
  }
  bool isUsable() const override { return true; }
  void activate(GmTool*) override {}
  void deactivate(GmTool*) override {}
  bool compositionPress(QMouseEvent*, const QPointF& p) override { return note("press", p); }
  bool compositionDoubleClick(QMouseEvent*, const QPointF& p) override { return note("double", p); }
  bool compositionMove(QMouseEvent*, const QPointF& p) override { return note("move", p); }
  bool compositionRelease(QMouseEvent*, const QPointF& p) override { return note("release", p); }

  bool takes = true;
  QStringList events;
  QList<QPointF> points;

 private:
  bool note(const char* what, const QPointF& p) {
    events << what;
    points << p;
    return takes;
  }
};

struct RangeRow {
  const char* name;
  QRect canvas;
  bool maximumIsTheFit;
};

class ZoomRange : public CompositionView, public ::testing::WithParamInterface<RangeRow> {};

TEST_P(ZoomRange, ProportionsZeroAndOneReachTheEnds) {
  const RangeRow& row = GetParam();
  hub()->setCanvasRect(row.canvas);
  showView();
  openRedBox();
  view->fitImageOnScreenSlot();
  EXPECT_EQ(view->maximumScale() > 4.0, row.maximumIsTheFit);
  if (row.maximumIsTheFit) {
    EXPECT_DOUBLE_EQ(view->maximumScale(), 0.85 * view->fitRatio());
  }
  // The range moves with the zoom (the handles keep their size on screen and count in the
  // items' rectangle), so each end is taken just before it is asked for.
  QSignalSpy proportions(view.get(), &ZarvoWidget::zoomProportion);
  const double minimum = view->minimumScale();
  view->setZoomProportion(0.0, QPointF());
  EXPECT_NEAR(view->currentScale(), minimum, 1e-12);
  const double maximum = view->maximumScale();
  view->setZoomProportion(1.0, QPointF());
  EXPECT_NEAR(view->currentScale(), maximum, 1e-12);

  // At 100 % the proportion lies in the range: 1.0 always does.
  view->zoomTo100PercentSlot();
  EXPECT_EQ(view->currentScale(), 1.0);
  const double at100 = proportions.last().at(0).toDouble();
  EXPECT_GE(at100, 0.0);
  EXPECT_LE(at100, 1.0);
}

INSTANTIATE_TEST_SUITE_P(Rows, ZoomRange,
                         ::testing::Values(RangeRow{"photo_canvas", QRect(0, 0, 400, 300), false},
                                           RangeRow{"tiny_canvas", QRect(0, 0, 40, 30), true},
                                           RangeRow{"large_canvas", QRect(0, 0, 2000, 1500),
                                                    false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CompositionView, ACanvasChangeFitsTheItemsIntoTheView) {
  showView();
  openRedBox();
  QSignalSpy zooms(view.get(), &ZarvoWidget::zoomedTo);
  hub()->setCanvasRect(QRect(0, 0, 800, 600));
  ASSERT_FALSE(zooms.isEmpty());
  // The handles, scaled with the zoom, move the items' rectangle a little afterwards.
  EXPECT_NEAR(zooms.last().at(0).toDouble(), 0.85 * view->fitRatio(), 0.01);
  EXPECT_TRUE(
      view->visibleSceneRect().contains(controller()->instances().first()->sceneBoundingRect()));
}

TEST_F(CompositionView, TheSceneRectangleGrowsOnlyAfterADragPastTheView) {
  showView();
  openRedBox();
  controller()->setEditing(true);
  controller()->refreshSelectability();
  view->fitImageOnScreenSlot();
  view->zoomToSlot(2.0, QPointF(199, 149));
  const QRectF before = view->sceneRect();
  const QPoint centre = view->mapFromScene(QPointF(199, 149));

  // A click without a move leaves it.
  drag(view->viewport(), centre, centre, 1);
  EXPECT_EQ(view->sceneRect(), before);

  // Dragged 100 units to the right, the instance reaches past the visible area.
  drag(view->viewport(), centre, centre + QPoint(200, 0));
  CutoutInstanceItem* item = controller()->instances().first();
  EXPECT_EQ(item->pos(), QPointF(299, 149));
  EXPECT_GT(view->sceneRect().right(), before.right());
  EXPECT_TRUE(view->sceneRect().contains(view->scene()->itemsBoundingRect()));
}

TEST_F(CompositionView, TheCurrentToolTakesTheMouseThroughItsInterface) {
  showView();
  openRedBox();
  controller()->setEditing(true);
  controller()->refreshSelectability();
  view->fitImageOnScreenSlot();
  auto* tool = keep(new RecordingMouseTool);
  tool->installSlot();
  ASSERT_EQ(GmTool::current(), tool);
  CutoutInstanceItem* item = controller()->instances().first();
  const QPoint at = view->mapFromScene(item->pos());

  drag(view->viewport(), at, at + QPoint(40, 0), 1);
  sendMouse(view->viewport(), QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(tool->events, QStringList({"press", "move", "release", "double"}));
  EXPECT_EQ(tool->points.first(), view->mapToScene(at));
  EXPECT_EQ(item->pos(), QPointF(199, 149));  // the scene never saw the drag

  // A tool that declines passes the events on to the scene.
  tool->takes = false;
  drag(view->viewport(), at, at + QPoint(40, 0), 1);
  EXPECT_GT(item->pos().x(), 199);
}

TEST_F(CompositionView, ZoomsItCannotShowAreIgnored) {
  showView();
  openRedBox();
  view->zoomToSlot(1.5, QPointF());
  QSignalSpy zooms(view.get(), &ZarvoWidget::zoomedTo);
  for (double s : {0.0, -2.0, std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::infinity()})
    view->zoomToSlot(s, QPointF(10, 10));
  view->setZoomProportion(std::numeric_limits<double>::quiet_NaN(), QPointF());
  EXPECT_TRUE(zooms.isEmpty());
  EXPECT_EQ(view->currentScale(), 1.5);
  EXPECT_DOUBLE_EQ(ZarvoGrabHandleBase::inverseViewScale(), 1 / 1.5);

  // Nothing to fit and no canvas: the view falls back to 100 %.
  hub()->reset();
  hub()->setCanvasRect(QRect());
  ASSERT_TRUE(view->scene()->itemsBoundingRect().isEmpty());
  view->fitImageOnScreenSlot();
  EXPECT_EQ(view->currentScale(), 1.0);
  EXPECT_TRUE(finite(view->transform()));
  EXPECT_GT(view->minimumScale(), 0.0);
}

TEST_F(CompositionView, DropsGoToTheWorkspaceHostAndTheGroundIsWarmGrey) {
  showView();
  QMimeData data;
  data.setUrls({QUrl("file:///elsewhere/photo.jpg")});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view->viewport(), &drop);
  EXPECT_EQ(workspace.drops.size(), 1);
  EXPECT_EQ(view->viewport()->grab().toImage().pixel(2, 2), qRgb(62, 57, 54));
}

// The view options' slider drives the view through the workspace's interface and follows it.
TEST_F(CompositionView, TheViewOptionsSliderAndTheViewFollowEachOther) {
  showView();
  openRedBox();
  ZoomViewOptionsWidget options;
  options.connectViews(nullptr, nullptr, view.get());
  options.viewTabChanged(ImageView::ComposePicture);
  QSlider* slider = options.slider();
  const double expected = view->proportionToScale(
      double(slider->maximum() - slider->minimum() - 10) / (slider->maximum() - slider->minimum()));
  slider->setValue(slider->maximum() - 10);
  EXPECT_NEAR(view->currentScale(), expected, 1e-9);
  view->setZoomProportion(0.0, QPointF());
  EXPECT_EQ(slider->value(), slider->minimum());
  options.fitScreenSlot();
  EXPECT_DOUBLE_EQ(options.compositionProportion(), view->scaleToProportion(view->currentScale()));
}

}  // namespace
