// The canvas's zoom and fit, the workspace's viewport arithmetic and the view's tabs.

#include <cmath>

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QTabBar>

#include "WorkspaceTestSupport.h"
#include "workspace/IVTabWidget.h"

namespace {

class ViewGeometryTest : public WorkspaceTest {
 protected:
  // The image point under the viewport's centre.
  static QPointF centrePoint(ImageView* view) {
    TsWorkspace* workspace = view->workspace();
    const QPoint centre =
        workspace->canvas()->mapFrom(workspace->viewport(), workspace->viewport()->rect().center());
    return QPointF(centre - workspace->canvas()->imageRect().topLeft()) / view->zoom();
  }
};

struct ZoomRow {
  const char* name;
  bool absolute;
  double value;
  double expected;  // from a zoom of 1.0
};

class ZoomRequestTest : public ViewGeometryTest, public ::testing::WithParamInterface<ZoomRow> {};

TEST_P(ZoomRequestTest, ZoomIsLimitedAndAlwaysReported) {
  const ZoomRow& row = GetParam();
  openPhoto();
  ImageView* view = showView();
  view->zoomTo100PercentSlot();
  QSignalSpy reports(view, &ImageView::zoomChanged);
  view->workspace()->zoomBy(row.absolute, row.value);
  EXPECT_DOUBLE_EQ(view->zoom(), row.expected);
  ASSERT_EQ(reports.count(), 1);
  EXPECT_DOUBLE_EQ(reports.at(0).at(0).toDouble(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(Rows, ZoomRequestTest,
                         ::testing::Values(ZoomRow{"TenIsFour", true, 10.0, 4.0},
                                           ZoomRow{"ZeroKeeps", true, 0.0, 1.0},
                                           ZoomRow{"NegativeKeeps", true, -2.0, 1.0},
                                           ZoomRow{"NotANumberKeeps", true, std::nan(""), 1.0},
                                           ZoomRow{"RelativeStep", false, 1.25, 1.25},
                                           ZoomRow{"RelativeCapped", false, 8.0, 4.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewGeometryTest, NewImageFitsIntoEightyFivePercentWhenShown) {
  ImageView* view = showView(QSize(800, 600));
  openPhoto(QSize(640, 480));
  const QSize viewport = view->workspace()->viewport()->size();
  const QSize fitted =
      QSize(640, 480).scaled(int(std::lround(viewport.width() * 0.85)),
                             int(std::lround(viewport.height() * 0.85)), Qt::KeepAspectRatio);
  EXPECT_DOUBLE_EQ(view->zoom(), fitted.width() / 640.0);
  EXPECT_FALSE(view->workspace()->canvas()->fitPending());
  // Centred in the viewport.
  const QRect image = view->workspace()->canvas()->imageRect();
  EXPECT_NEAR(image.center().x(), view->workspace()->canvas()->width() / 2, 1);
}

TEST_F(ViewGeometryTest, HiddenCanvasFitsOnItsNextShow) {
  auto* view = keep(new ImageView);
  host.view = view;
  view->resize(800, 600);
  openPhoto(QSize(640, 480));
  GmZoomWidget* canvas = view->workspace()->canvas();
  EXPECT_TRUE(canvas->fitPending());
  EXPECT_DOUBLE_EQ(canvas->zoom(), 1.0);
  view->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
  EXPECT_FALSE(canvas->fitPending());
  EXPECT_LT(canvas->zoom(), 1.0);
}

TEST_F(ViewGeometryTest, ZoomInThenOutKeepsZoomAndCentre) {
  ImageView* view = showView(QSize(500, 400));
  openPhoto(QSize(640, 480));
  view->zoomToSlot(2.0);
  view->centreViewportOnSlot(QPoint(400, 200));
  const QPointF before = centrePoint(view);
  view->zoomInSlot();
  EXPECT_DOUBLE_EQ(view->zoom(), 2.5);
  view->zoomOutSlot();
  EXPECT_DOUBLE_EQ(view->zoom(), 2.0);
  const QPointF after = centrePoint(view);
  EXPECT_NEAR(after.x(), before.x(), 1.0);
  EXPECT_NEAR(after.y(), before.y(), 1.0);
}

TEST_F(ViewGeometryTest, ZoomToRectangleFitsItAndCentresIt) {
  ImageView* view = showView(QSize(500, 400));
  openPhoto(QSize(640, 480));
  const ImageRectF target(300, 100, 240, 120);
  view->moveImageViewportToSlot(target);
  const GRectF shown = view->workspace()->displayedRect();
  EXPECT_TRUE(shown.adjusted(-1, -1, 1, 1).contains(target)) << shown.x() << " " << shown.y();
  EXPECT_NEAR(shown.center().x(), target.center().x(), 1.5);
  EXPECT_NEAR(shown.center().y(), target.center().y(), 1.5);
  // The rectangle fills the viewport along one side.
  const QSize viewport = view->workspace()->viewport()->size();
  EXPECT_NEAR(view->zoom(), std::min(viewport.width() / 240.0, viewport.height() / 120.0), 1e-9);
}

TEST_F(ViewGeometryTest, SmallDragZoomsInAboutTheCentre) {
  ImageView* view = showView(QSize(500, 400));
  openPhoto(QSize(640, 480));
  view->zoomToSlot(1.0);
  view->centreViewportOnSlot(QPoint(320, 240));
  const QPointF before = centrePoint(view);
  view->minCheckedMoveImageViewportToSlot(ImageRectF(10, 10, 2, 30));
  EXPECT_DOUBLE_EQ(view->zoom(), 1.25);
  EXPECT_NEAR(centrePoint(view).x(), before.x(), 1.0);
  EXPECT_NEAR(centrePoint(view).y(), before.y(), 1.0);
}

TEST_F(ViewGeometryTest, PanMovesTheScrollBarsAndReportsTheDisplayedPart) {
  ImageView* view = showView(QSize(500, 400));
  openPhoto(QSize(640, 480));
  view->zoomToSlot(2.0);
  QScrollBar* h = view->workspace()->horizontalScrollBar();
  QScrollBar* v = view->workspace()->verticalScrollBar();
  h->setValue(100);
  v->setValue(100);
  QSignalSpy reports(view, &ImageView::sayViewportRectChanged);
  view->panImageViewportSlot(QPoint(30, -20));
  EXPECT_EQ(h->value(), 130);
  EXPECT_EQ(v->value(), 80);
  ASSERT_FALSE(reports.isEmpty());
  const GRectF shown = reports.last().at(0).value<GRectF>();
  EXPECT_DOUBLE_EQ(shown.x(), 65);
  EXPECT_DOUBLE_EQ(shown.y(), 40);
}

TEST_F(ViewGeometryTest, WithoutAnImageScrollingReportsNothing) {
  ImageView* view = showView(QSize(500, 400));
  QSignalSpy reports(view, &ImageView::sayViewportRectChanged);
  view->panImageViewportSlot(QPoint(30, 30));
  view->resize(520, 420);
  QApplication::processEvents();
  EXPECT_TRUE(reports.isEmpty());
}

TEST_F(ViewGeometryTest, TheFirstTabReachesTheCanvas) {
  ImageView* view = showView();
  EXPECT_EQ(view->workspace()->canvas()->displayMode(), 1);
  EXPECT_EQ(view->tabBar()->tabText(0), "1. Delete Background");
  ASSERT_EQ(view->tabActions().size(), 1);
  EXPECT_TRUE(view->tabActions().at(0)->isChecked());
}

TEST_F(ViewGeometryTest, TabsMayShareAPage) {
  ImageView* view = showView();
  QSignalSpy actions(view, &ImageView::addTabAction);
  auto* compose = keep(new QLabel("compose"));
  view->addViewTab(compose, "2. &Compose Picture", "help", "tip", ImageView::ComposePicture);
  view->addViewTab(compose, "3. Add &Effects", "", "", ImageView::AddEffects);
  EXPECT_EQ(view->tabWidget()->pageCount(), 2);
  EXPECT_EQ(view->tabBar()->count(), 3);
  EXPECT_EQ(view->tabBar()->tabText(1), "2. Compose Picture");
  EXPECT_EQ(view->tabBar()->tabToolTip(1), "tip");
  EXPECT_EQ(actions.count(), 2);

  QSignalSpy tabs(view, &ImageView::viewTabChanged);
  view->tabActions().at(2)->trigger();
  EXPECT_EQ(view->currentViewTab(), ImageView::AddEffects);
  EXPECT_EQ(view->tabWidget()->page(view->tabWidget()->currentPage()), compose);
  ASSERT_EQ(tabs.count(), 1);
  EXPECT_EQ(tabs.at(0).at(0).value<ImageView::ViewTab>(), ImageView::AddEffects);
  EXPECT_EQ(view->workspace()->canvas()->displayMode(), -1);

  view->ensureViewTab(ImageView::AddEffects | ImageView::ComposePicture, 2);
  EXPECT_EQ(view->currentViewTab(), ImageView::AddEffects);
  view->ensureViewTab(ImageView::DeleteBackground, ImageView::FinalImage);  // no such tab
  EXPECT_EQ(view->currentViewTab(), ImageView::AddEffects);
  view->ensureViewTab(ImageView::DeleteBackground, ImageView::DeleteBackground);
  EXPECT_EQ(view->currentViewTab(), ImageView::DeleteBackground);
  EXPECT_EQ(view->workspace()->canvas()->displayMode(), 1);
}

TEST_F(ViewGeometryTest, AnIndexOutsideTheTabsSwitchesNoPage) {
  ImageView* view = showView();
  QSignalSpy pages(view, &ImageView::switchToTab);
  QSignalSpy tabs(view, &ImageView::viewTabChanged);
  view->currentTabChanged(7);
  EXPECT_TRUE(pages.isEmpty());
  ASSERT_EQ(tabs.count(), 1);
  EXPECT_EQ(tabs.at(0).at(0).value<ImageView::ViewTab>(), ImageView::DeleteBackground);
}

}  // namespace
