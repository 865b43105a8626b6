// The select, pan and zoom tools of the composition, driven as the user drives them: through
// their actions and the view's mouse.

#include <gtest/gtest.h>

#include <cmath>

#include <QAction>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

#include "composition/FinalImageViewer.h"
#include "composition/FinalImageWidget.h"
#include "composition/FinalOptionsTool.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoZoomTool.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

class Tools : public CanvasFixture {
 protected:
  void SetUp() override {
    CanvasFixture::SetUp();
    openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(200, 20, 20)));
    select = keep(new ZarvoSelectTool(view.get()));
    pan = keep(new ZarvoPanTool(view.get()));
    zoom = keep(new ZarvoZoomTool(view.get()));
  }
  CutoutInstanceItem* instance() const { return controller()->instances().value(0); }

  ZarvoSelectTool* select = nullptr;
  ZarvoPanTool* pan = nullptr;
  ZarvoZoomTool* zoom = nullptr;
};

TEST_F(Tools, TheSelectToolMakesInstancesEditableOnlyWhileCurrent) {
  CutoutInstanceItem* item = instance();
  EXPECT_FALSE(item->scaleHandle()->isVisible());
  select->installSlot();
  EXPECT_TRUE(item->isSelected());
  EXPECT_TRUE(item->flags() & QGraphicsItem::ItemIsMovable);
  for (ZarvoGrabHandleBase* handle :
       {item->scaleHandle(), item->rotateHandle(), item->dragHandle()})
    EXPECT_TRUE(handle->isVisible());

  pan->installSlot();
  EXPECT_FALSE(item->isSelected());
  EXPECT_FALSE(item->flags() & QGraphicsItem::ItemIsSelectable);
  EXPECT_FALSE(item->scaleHandle()->isVisible());
  EXPECT_EQ(controller()->selectedInstance(), item);  // remembered for the way back

  select->installSlot();
  EXPECT_TRUE(item->isSelected());
  EXPECT_TRUE(item->dragHandle()->isVisible());
}

TEST_F(Tools, SelectActionsFollowTheSelection) {
  select->installSlot();
  QAction* needSelection[] = {select->bringToFrontAction(), select->moveToBackAction(),
                              select->deleteAction(), select->cloneAction()};
  for (QAction* action : needSelection) EXPECT_TRUE(action->isEnabled());
  select->cloneAction()->trigger();
  EXPECT_EQ(controller()->instances().size(), 2);

  view->itemScene()->clearSelection();
  EXPECT_EQ(controller()->selectedInstance(), nullptr);
  for (QAction* action : needSelection)
    EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
  EXPECT_TRUE(select->moveForwardAction()->isEnabled());
  EXPECT_TRUE(select->moveBackwardAction()->isEnabled());
  select->moveForwardAction()->trigger();  // nothing to move
  EXPECT_EQ(controller()->instances().size(), 2);

  controller()->instances().last()->setSelected(true);
  select->deleteAction()->trigger();
  EXPECT_EQ(controller()->instances().size(), 1);
  EXPECT_FALSE(select->deleteAction()->isEnabled());
}

class Panning : public Tools, public ::testing::WithParamInterface<Qt::LayoutDirection> {
 protected:
  void TearDown() override {
    QApplication::setLayoutDirection(Qt::LeftToRight);
    Tools::TearDown();
  }
};

TEST_P(Panning, TheContentFollowsThePointer) {
  QApplication::setLayoutDirection(GetParam());
  showView();
  ASSERT_EQ(view->isRightToLeft(), GetParam() == Qt::RightToLeft);
  view->setSceneRect(QRectF(-600, -600, 1600, 1500));
  view->zoomToSlot(1.0, QPointF(200, 150));
  pan->installSlot();
  const QPoint from(400, 300), to(340, 260);
  const QPointF under = view->mapToScene(from);
  const int horizontal = view->horizontalScrollBar()->value();
  sendMouse(view->viewport(), QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(pan->isDragging());
  EXPECT_EQ(pan->currentCursor(), pan->grabCursor());
  sendMouse(view->viewport(), QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  // The scroll value moves against the pointer left to right and with it right to left, where
  // the scroll bar runs mirrored: either way the point under the pointer stays under it.
  EXPECT_EQ(view->horizontalScrollBar()->value() - horizontal,
            GetParam() == Qt::RightToLeft ? -60 : 60);
  EXPECT_EQ(view->mapToScene(to), under);
  sendMouse(view->viewport(), QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
  EXPECT_FALSE(pan->isDragging());
  EXPECT_EQ(pan->currentCursor(), pan->openCursor());
}

INSTANTIATE_TEST_SUITE_P(Directions, Panning, ::testing::Values(Qt::LeftToRight, Qt::RightToLeft));

TEST_F(Tools, APanEndsWhenTheToolGoesWithTheOpenHand) {
  showView();
  pan->installSlot();
  std::vector<const QCursor*> cursors;
  QObject::connect(GmModel::instance(), &GmModel::cursorChanged, view.get(),
                   [&](const QCursor* cursor) { cursors.push_back(cursor); });
  sendMouse(view->viewport(), QEvent::MouseButtonPress, QPoint(100, 100), Qt::LeftButton,
            Qt::LeftButton);
  ASSERT_EQ(cursors.size(), 1u);
  EXPECT_EQ(cursors.back(), pan->grabCursor());
  select->installSlot();  // as the space bar's release would
  EXPECT_FALSE(pan->isDragging());
  EXPECT_EQ(pan->currentCursor(), pan->openCursor());
  EXPECT_EQ(cursors.back(), pan->openCursor());
  EXPECT_EQ(view->viewport()->cursor().shape(), Qt::ArrowCursor);
}

struct ZoomRow {
  const char* name;
  double from;
  Qt::MouseButton button;
  Qt::KeyboardModifiers modifiers;
  double requested;  // 0: no request
};

class ZoomClicks : public Tools, public ::testing::WithParamInterface<ZoomRow> {};

TEST_P(ZoomClicks, StepWithinTheLimits) {
  const ZoomRow& row = GetParam();
  showView();
  zoom->installSlot();
  view->zoomToSlot(row.from, QPointF());
  ASSERT_DOUBLE_EQ(zoom->zoom(), row.from);
  QSignalSpy requests(zoom, &ZarvoZoomTool::zoomToSignal);
  const QPoint at(300, 200);
  sendMouse(view->viewport(), QEvent::MouseButtonPress, at, row.button, row.button, row.modifiers);
  sendMouse(view->viewport(), QEvent::MouseButtonRelease, at, row.button, Qt::NoButton,
            row.modifiers);
  if (row.requested == 0) {
    EXPECT_TRUE(requests.isEmpty());
    EXPECT_DOUBLE_EQ(view->currentScale(), row.from);
    return;
  }
  ASSERT_EQ(requests.size(), 1);
  EXPECT_DOUBLE_EQ(requests.at(0).at(0).toDouble(), row.requested);
  EXPECT_DOUBLE_EQ(view->currentScale(), row.requested);
  // Zooming in centres on the clicked point; zooming out keeps the view where it is.
  EXPECT_EQ(requests.at(0).at(1).toPointF().isNull(), bool(row.modifiers & Qt::AltModifier));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ZoomClicks,
    ::testing::Values(ZoomRow{"in_clamped_to_2_5", 2.4, Qt::LeftButton, Qt::NoModifier, 2.5},
                      ZoomRow{"in_by_a_quarter", 1.0, Qt::LeftButton, Qt::NoModifier, 1.25},
                      ZoomRow{"out_clamped_to_0_4", 0.45, Qt::LeftButton, Qt::AltModifier, 0.4},
                      ZoomRow{"out_by_a_fifth", 1.0, Qt::LeftButton, Qt::AltModifier, 0.8},
                      // Only the left button zooms; a right click leaves the zoom.
                      ZoomRow{"right_button_does_nothing", 1.0, Qt::RightButton, Qt::NoModifier,
                              0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tools, AtTheLimitTheCursorSaysUnavailableAndAClickDoesNothing) {
  showView();
  zoom->installSlot();
  view->zoomToSlot(2.4, QPointF());
  const QPoint at(300, 200);
  sendMouse(view->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  sendMouse(view->viewport(), QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(zoom->currentCursor(), zoom->unavailableCursor());
  EXPECT_EQ(view->viewport()->cursor().pixmap().toImage(),
            zoom->unavailableCursor()->pixmap().toImage());
  QSignalSpy requests(zoom, &ZarvoZoomTool::zoomToSignal);
  sendMouse(view->viewport(), QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
  EXPECT_TRUE(requests.isEmpty());
  // Alt switches to zooming out, which is still possible. The platform gives a modifier key's
  // event the modifiers from before it, which Qt turns into those after it.
  QKeyEvent altDown(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);
  zoom->keyEvent(&altDown);
  EXPECT_EQ(zoom->currentCursor(), zoom->zoomOutCursor());
  QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);
  zoom->keyEvent(&altUp);
  EXPECT_EQ(zoom->currentCursor(), zoom->unavailableCursor());
  QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier, QString(), true);
  zoom->keyEvent(&repeat);
  EXPECT_EQ(zoom->currentCursor(), zoom->unavailableCursor());
}

TEST_F(Tools, TheSliderSpansZeroPointFourToTwoPointFive) {
  QSignalSpy requests(zoom, &ZarvoZoomTool::zoomToSignal);
  zoom->zoomSlider()->setValue(25);
  zoom->zoomSlider()->setValue(-25);
  ASSERT_EQ(requests.size(), 2);
  EXPECT_NEAR(requests.at(0).at(0).toDouble(), 2.5, 1e-12);
  EXPECT_NEAR(requests.at(1).at(0).toDouble(), 0.4, 1e-12);
  EXPECT_EQ(requests.at(0).at(1).toPointF(), QPointF(0, 0));
  requests.clear();
  // Reports of the view move the slider without a request; truncation puts 2.0 at 18.
  zoom->setZoomValue(2.0);
  EXPECT_EQ(zoom->zoomSlider()->value(), 18);
  zoom->setZoomValue(1.0);
  EXPECT_EQ(zoom->zoomSlider()->value(), 0);
  view->zoomToSlot(0.4, QPointF());
  EXPECT_EQ(zoom->zoomSlider()->value(), -25);
  EXPECT_TRUE(requests.isEmpty());
  EXPECT_FALSE(zoom->zoomSlider()->signalsBlocked());
}

TEST_F(Tools, TheZoomButtonsShowActualPixelsAndTheFit) {
  showView();
  // Each from the same zoom: the handles, drawn at a fixed size on screen, make the fitted
  // rectangle depend a little on the zoom it is taken from.
  view->zoomToSlot(2.0, QPointF());
  view->fitImageOnScreenSlot();
  const double fit = view->currentScale();
  ASSERT_GT(std::abs(fit - 1.0), 0.05) << "the fit must tell itself from actual pixels";

  view->zoomToSlot(2.0, QPointF());
  zoom->actualPixelsButton()->click();
  EXPECT_DOUBLE_EQ(view->currentScale(), 1.0);
  EXPECT_EQ(zoom->zoomSlider()->value(), 0);
  view->zoomToSlot(2.0, QPointF());
  zoom->fitScreenButton()->click();
  EXPECT_DOUBLE_EQ(view->currentScale(), fit);
  EXPECT_DOUBLE_EQ(zoom->zoom(), fit);
}

TEST_F(Tools, FinalOptionsPutTheViewerIntoFitModeOnEveryReset) {
  FinalImageWidget page;
  auto* options = keep(new FinalOptionsTool(&page));
  EXPECT_EQ(int(options->viewTabs()), 0);  // web output: offered in no tab
  EXPECT_TRUE(page.viewer()->fitScreen());
  options->actualSizeButton()->click();
  EXPECT_FALSE(page.viewer()->fitScreen());
  options->activate(nullptr);
  EXPECT_TRUE(options->actualSizeButton()->isChecked());
  hub()->reset();
  EXPECT_TRUE(page.viewer()->fitScreen());
  EXPECT_TRUE(options->fitScreenButton()->isChecked());
}

}  // namespace
