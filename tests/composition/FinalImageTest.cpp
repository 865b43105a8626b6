// The final image view: fitted and actual size, scroll bars, the checkerboard behind
// transparency.

#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include "composition/FinalImageViewer.h"
#include "composition/FinalImageWidget.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

class FinalImage : public HubFixture {
 protected:
  void TearDown() override {
    page.reset();
    HubFixture::TearDown();
  }
  // A PNG-type picture of `canvas` with an opaque pattern in its left half and nothing in the
  // right half.
  void deliver(QSize canvas) {
    ZarvoOutputHandler::instance()->fileTypeChoosen(ZarvoOutputHandler::Png);
    hub()->setCanvasRect(QRect(QPoint(0, 0), canvas));
    QImage half(canvas.width() / 2, canvas.height(), QImage::Format_ARGB32);
    for (int y = 0; y < half.height(); ++y)
      for (int x = 0; x < half.width(); ++x) half.setPixel(x, y, qRgb(x % 251, y % 241, 90));
    hub()->cutoutChangedSlot(half, QPoint(0, 0));
    ASSERT_TRUE(settle());
    ASSERT_EQ(hub()->finalPixmap().size(), canvas);
  }
  FinalImageViewer* show(QSize size) {
    page = std::make_unique<FinalImageWidget>();
    page->resize(size);
    page->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(page.get()));
    return page->viewer();
  }
  std::unique_ptr<FinalImageWidget> page;
};

TEST_F(FinalImage, ActualSizeDrawsOneToOneWithScrollBars) {
  deliver(QSize(1600, 1200));
  FinalImageViewer* viewer = show(QSize(800, 600));
  page->setFitScreen(false);
  QApplication::processEvents();
  EXPECT_EQ(viewer->minimumSize(), QSize(1603, 1203));
  EXPECT_EQ(viewer->size(), QSize(1603, 1203));
  EXPECT_TRUE(page->scrollArea()->horizontalScrollBar()->isVisible());
  EXPECT_TRUE(page->scrollArea()->verticalScrollBar()->isVisible());
  // Just large enough is still 1:1, not squeezed.
  EXPECT_EQ(viewer->pictureRect(), QRect(1, 1, 1600, 1200));
  const QImage shown = viewer->grab().toImage();
  const QImage picture = hub()->finalPixmap().toImage();
  for (QPoint p : {QPoint(0, 0), QPoint(250, 17), QPoint(799, 1199), QPoint(3, 600)})
    EXPECT_EQ(shown.pixel(p + QPoint(1, 1)), picture.pixel(p)) << p.x() << "," << p.y();
  // The outline lies just outside the picture.
  EXPECT_EQ(shown.pixel(0, 0), QColor(Qt::darkGray).rgb());
}

TEST_F(FinalImage, FitModeScalesDownAndKeepsTheRatio) {
  deliver(QSize(1600, 1200));
  FinalImageViewer* viewer = show(QSize(800, 600));
  EXPECT_EQ(viewer->minimumSize(), QSize(0, 0));
  const QSize area = viewer->size();
  const QRect target = viewer->pictureRect();
  // The height limits: H - 6 high, width by the same ratio, centred.
  EXPECT_EQ(target.height(), area.height() - 6);
  EXPECT_EQ(target.width(), int(1600 * double(area.height() - 3) / 1200));
  EXPECT_EQ(target.left(), (area.width() - target.width()) / 2);
  EXPECT_FALSE(page->scrollArea()->horizontalScrollBar()->isVisible());

  // A picture exactly as large as the available area is rescaled too.
  page->resize(1600 + 3 + page->width() - area.width(), 1200 + 3 + page->height() - area.height());
  QApplication::processEvents();
  ASSERT_EQ(viewer->size(), QSize(1603, 1203));
  EXPECT_EQ(viewer->pictureRect().height(), 1197);
}

TEST_F(FinalImage, TransparencyShowsTheCheckerboard) {
  deliver(QSize(320, 200));
  FinalImageViewer* viewer = show(QSize(700, 500));
  const QRect target = viewer->pictureRect();
  ASSERT_EQ(target.size(), QSize(320, 200));  // small pictures are not enlarged
  const QImage shown = viewer->grab().toImage();
  // Right half: nothing but the board, white in its top-left tile, dark grey beside it.
  EXPECT_EQ(shown.pixel(target.topLeft() + QPoint(165, 5)), qRgb(255, 255, 255));
  EXPECT_EQ(shown.pixel(target.topLeft() + QPoint(205, 5)), QColor(Qt::darkGray).rgb());
  EXPECT_EQ(shown.pixel(target.topLeft() + QPoint(10, 5)), qRgb(10, 5, 90));
}

}  // namespace
