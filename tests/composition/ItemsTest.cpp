// Composition items: fitting, anchors, the three handle drags, limits, handles on screen, the
// owner's notification, degenerate input and the display cache.

#include <gtest/gtest.h>

#include <cmath>

#include <QSignalSpy>

#include "composition/ZarvoImageItem.h"
#include "support/CanvasFixture.h"
#include "WaitFor.h"

using namespace composition_test;

namespace {

QPixmap filled(QSize size, QColor colour) {
  QPixmap pixmap(size);
  pixmap.fill(colour);
  return pixmap;
}

class Items : public CanvasFixture {
 protected:
  // An item in the view's scene; the scene owns it.
  ZarvoImageItem* makeItem(const QPixmap& pixmap = filled(QSize(101, 61), Qt::red)) {
    auto* item = new ZarvoImageItem(view->itemScene(), [this] { ++notifications; });
    item->setPixmap(pixmap, QSizeF(-1, -1), QPoint(0, 0));
    return item;
  }
  int notifications = 0;
};

struct FitRow {
  const char* name;
  QRect canvas;
  QSize pixmap;
  double scale;
  QPointF position;
};

class FitToCanvas : public Items, public ::testing::WithParamInterface<FitRow> {};

TEST_P(FitToCanvas, FitsNinetyPercentAndCentres) {
  const FitRow& row = GetParam();
  hub()->setCanvasRect(row.canvas);
  ZarvoImageItem* item = makeItem(filled(row.pixmap, Qt::green));
  EXPECT_DOUBLE_EQ(item->scaleX(), row.scale);
  EXPECT_DOUBLE_EQ(item->scaleY(), row.scale);
  EXPECT_EQ(item->pos(), row.position);
  EXPECT_EQ(item->offset(), QPointF(-row.pixmap.width() / 2.0, -row.pixmap.height() / 2.0));
  EXPECT_FALSE(item->userTransformed());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FitToCanvas,
    ::testing::Values(
        FitRow{"landscape", QRect(0, 0, 400, 300), QSize(100, 60), 3.6, QPointF(199, 149)},
        FitRow{"portrait", QRect(0, 0, 400, 300), QSize(50, 200), 1.35, QPointF(199, 149)},
        // 5 x 0.9f is 4.4999998: the single-precision tenth fits into 4 pixels, not 5.
        FitRow{"single_precision_tenth", QRect(0, 0, 5, 5), QSize(8, 8), 0.5, QPointF(2, 2)},
        FitRow{"moved_canvas", QRect(10, 20, 400, 300), QSize(40, 30), 9.0, QPointF(209, 169)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Items, NewPixmapRefitsAnUntouchedItemAndKeepsTheAnchorOfAPlacedOne) {
  ZarvoImageItem* untouched = makeItem(filled(QSize(100, 60), Qt::red));
  ZarvoImageItem* placed = makeItem(filled(QSize(100, 60), Qt::red));
  placed->setPixmap(filled(QSize(100, 60), Qt::red), QSizeF(-1, -1), QPoint(50, 20));
  placed->cornerDrag(QPointF(30, 40), Qt::NoModifier);
  placed->rotateDrag(placed->pos() + QPointF(10, 30), Qt::NoModifier);
  placed->scaleDrag(placed->mapToScene(placed->scaleCorner() * 0.7), Qt::NoModifier);
  ASSERT_TRUE(placed->userTransformed());
  // The source pixel (80, 40) lies at pixmap pixel (30, 20) now and (40, 30) after the change.
  const QPointF source(80, 40);
  const QPointF before = placed->mapToScene(source - QPointF(50, 20) + placed->offset());

  const QPixmap replacement = filled(QSize(120, 90), Qt::blue);
  placed->setPixmap(replacement, QSizeF(-1, -1), QPoint(40, 10));
  untouched->setPixmap(replacement, QSizeF(-1, -1), QPoint(40, 10));

  const QPointF after = placed->mapToScene(source - QPointF(40, 10) + placed->offset());
  EXPECT_NEAR(after.x(), before.x(), 1e-9);
  EXPECT_NEAR(after.y(), before.y(), 1e-9);
  EXPECT_EQ(untouched->pos(), QPointF(199, 149));
  EXPECT_DOUBLE_EQ(untouched->scaleX(), 3.0);  // 360 / 120 and 270 / 90
  EXPECT_EQ(untouched->anchor(), QPoint(40, 10));
}

struct ScaleRow {
  const char* name;
  double kx, ky;  // the pointer at the scale corner times (kx, ky), in item units
  bool shift;
  double sx, sy;  // expected scales (from 1.0)
  bool limited;   // at most three times the 400 x 300 canvas
};

class ScaleDrag : public Items, public ::testing::WithParamInterface<ScaleRow> {};

TEST_P(ScaleDrag, FollowsThePointer) {
  const ScaleRow& row = GetParam();
  ZarvoImageItem* item = makeItem();
  item->fitToSize(QSizeF(-1, -1));  // scale 1
  if (row.limited) item->setMaxSize(1200, 900);
  const QPointF corner = item->scaleCorner();
  item->scaleDrag(item->mapToScene(QPointF(corner.x() * row.kx, corner.y() * row.ky)),
                  row.shift ? Qt::ShiftModifier : Qt::NoModifier);
  if (row.limited) {
    EXPECT_NEAR(std::abs(item->scaleX()) * 101, 1200.0, 1e-9);
    EXPECT_DOUBLE_EQ(item->scaleX(), item->scaleY());
  } else {
    EXPECT_NEAR(item->scaleX(), row.sx, 1e-12);
    EXPECT_NEAR(item->scaleY(), row.sy, 1e-12);
  }
  EXPECT_TRUE(item->userTransformed());
  EXPECT_TRUE(finite(item->transform()));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ScaleDrag,
    ::testing::Values(ScaleRow{"aspect_kept_by_the_larger", 2.0, 1.5, false, 2.0, 2.0, false},
                      ScaleRow{"flipped_across_the_centre", -1.0, 1.0, false, -1.0, 1.0, false},
                      ScaleRow{"zero_counts_as_negative", 0.0, 1.5, false, -1.5, 1.5, false},
                      ScaleRow{"free_with_shift", 2.0, 0.5, true, 2.0, 0.5, false},
                      ScaleRow{"free_flip_with_shift", 1.5, -0.5, true, 1.5, -0.5, false},
                      ScaleRow{"stopped_by_the_largest_size", 100.0, 100.0, false, 0, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Items, RotationWithShiftTakesThePointersDirectionOnSixteenSteps) {
  ZarvoImageItem* item = makeItem();
  const struct {
    double pointer;  // degrees, clockwise on screen
    double angle;
  } rows[] = {{10, 0}, {12, 22.5}, {-100, -90}, {170, 180}, {-170, -180}, {100, 90}};
  for (const auto& row : rows) {
    const double r = row.pointer * M_PI / 180.0;
    item->rotateDrag(item->pos() + QPointF(std::cos(r), std::sin(r)) * 50, Qt::ShiftModifier);
    EXPECT_DOUBLE_EQ(item->angle(), row.angle) << row.pointer;
  }
  // Without Shift the rotate corner follows the pointer: a quarter turn about the centre.
  item->rotateDrag(item->pos() + QPointF(std::cos(0.3), std::sin(0.3)), Qt::ShiftModifier);
  const double start = item->angle();
  const QPointF corner = item->mapToScene(item->rotateCorner()) - item->pos();
  item->rotateDrag(item->pos() + QPointF(-corner.y(), corner.x()), Qt::NoModifier);
  EXPECT_NEAR(std::remainder(item->angle() - start, 360.0), 90.0, 1e-9);
}

TEST_F(Items, LimitRectangleHoldsThePosition) {
  ZarvoImageItem* item = makeItem();
  item->setLimitRect(QRectF(0, 0, 400, 300));
  const struct {
    QPointF requested, held;
  } rows[] = {{{-50, 100}, {0, 100}},
              {{500, 400}, {400, 300}},
              {{120, -1e9}, {120, 0}},
              {{123.5, 45.25}, {123.5, 45.25}}};
  for (const auto& row : rows) {
    item->setPos(row.requested);
    EXPECT_EQ(item->pos(), row.held);
    // The drag handle sits on the pixmap's top-left corner wherever the item is held.
    EXPECT_EQ(item->dragHandle()->pos(), item->mapToScene(item->dragCorner()));
  }
}

TEST_F(Items, HandlesKeepTheirSizeOnScreenAtEveryZoom) {
  ZarvoImageItem* item = makeItem();
  item->setEditable(true);
  auto onScreen = [&](ZarvoGrabHandleBase* handle) {
    return view->mapFromScene(handle->sceneBoundingRect()).boundingRect().size();
  };
  auto screenScale = [&](ZarvoGrabHandleBase* handle) {
    return handle->sceneTransform().m11() * view->transform().m11();
  };
  view->zoomToSlot(1.0, QPointF());
  const QSize atOne = onScreen(item->scaleHandle());
  view->zoomToSlot(4.0, QPointF());
  EXPECT_DOUBLE_EQ(screenScale(item->scaleHandle()), 1.0);
  EXPECT_EQ(onScreen(item->scaleHandle()), atOne);
  EXPECT_EQ(onScreen(item->rotateHandle()), atOne);
  // And a handle made while zoomed in starts at that size.
  ZarvoImageItem* later = makeItem();
  EXPECT_EQ(onScreen(later->dragHandle()), atOne);
  view->zoomToSlot(1.0, QPointF());
}

TEST_F(Items, ABurstOfChangesTellsTheOwnerOnce) {
  ZarvoImageItem* item = makeItem();
  settleItems();
  notifications = 0;
  for (int i = 0; i < 5; ++i) item->setPos(100 + i, 100);
  item->scaleBy(1.1);
  item->rotateDrag(QPointF(0, 0), Qt::NoModifier);
  EXPECT_EQ(notifications, 0);
  EXPECT_TRUE(item->ownerNoticePending());
  // Once the item no longer waits to tell, no second notice can come.
  settleItems();
  EXPECT_EQ(notifications, 1);
}

TEST_F(Items, DegenerateInputKeepsTransformsFinite) {
  const QRect canvases[] = {QRect(0, 0, 400, 300), QRect(), QRect(0, 0, 0, 0)};
  const QSize pixmaps[] = {QSize(0, 0), QSize(1, 1), QSize(1, 7), QSize(2, 2), QSize(2, 1)};
  const QPointF targets[] = {{0, 0}, {1e9, -1e9}, {-1e-300, 1e-300}, {200, 150}};
  for (const QRect& canvas : canvases) {
    hub()->setCanvasRect(canvas);
    for (const QSize& size : pixmaps) {
      ZarvoImageItem* item = makeItem(size.isEmpty() ? QPixmap() : filled(size, Qt::red));
      item->setLimitRect(QRectF(canvas));
      item->setMaxSize(canvas.width() * 3, canvas.height() * 3);
      for (const QPointF& target : targets) {
        item->scaleDrag(target, Qt::NoModifier);
        item->scaleDrag(item->mapToScene(0, 0), Qt::ShiftModifier);
        item->rotateDrag(target, Qt::NoModifier);
        item->rotateDrag(item->pos(), Qt::ShiftModifier);
        item->cornerDrag(target, Qt::NoModifier);
        item->canvasResized(QRect(0, 0, 800, 600), canvas);
        ASSERT_TRUE(finite(item->transform())) << size.width() << "x" << size.height();
        ASSERT_TRUE(finite(item->pos()));
        ASSERT_GT(std::abs(item->scaleX()), 0.001);
        ASSERT_GT(std::abs(item->scaleY()), 0.001);
      }
      // Within the canvas's limits the item stays small enough to render.
      if (canvas.isValid()) {
        QPoint topLeft;
        const QImage image = item->renderToImage(&topLeft, QPainter::SmoothPixmapTransform);
        EXPECT_EQ(image.isNull(), size.isEmpty());
      }
      delete item;
    }
  }
  // An invalid canvas on either side maps nothing and scales by 1.
  ZarvoImageItem* item = makeItem();
  EXPECT_EQ(item->scaleFactor(QRect(0, 0, 800, 600), QRect()), 1.0);
  EXPECT_EQ(item->mapPoint(QPointF(3, 4), QRect(), QRect(0, 0, 10, 10)), QPointF(3, 4));
  EXPECT_DOUBLE_EQ(item->scaleFactor(QRect(0, 0, 800, 600), QRect(0, 0, 400, 300)), 2.0);
}

TEST_F(Items, ScreenAndRenderingDrawTheCurrentFullPixmap) {
  showView();
  // A fine pattern: a copy scaled below 1:1 would blur it to grey.
  QImage stripes(200, 100, QImage::Format_ARGB32);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
  ZarvoImageItem* item = makeItem(QPixmap::fromImage(stripes));
  item->fitToSize(QSizeF(-1, -1));
  item->setPos(200, 150);
  view->zoomToSlot(0.5, QPointF(200, 150));
  const QPoint centre = view->mapFromScene(QPointF(200, 150));
  const QImage shown = view->viewport()->grab().toImage();
  EXPECT_NEAR(qGray(shown.pixel(centre)), 128, 40);

  // A new pixmap of the same size replaces what the screen shows.
  item->setPixmap(filled(QSize(200, 100), QColor(0, 0, 255)), QSizeF(200, 100), QPoint());
  item->setPos(200, 150);
  const QImage replaced = view->viewport()->grab().toImage();
  EXPECT_EQ(replaced.pixel(centre), qRgb(0, 0, 255));

  item->setPixmap(QPixmap::fromImage(stripes), QSizeF(200, 100), QPoint());
  view->viewport()->grab();  // a paint below 1:1
  QPoint topLeft;
  const QImage rendered = item->renderToImage(&topLeft, QPainter::RenderHints());
  ASSERT_EQ(rendered.size(), QSize(200, 100));
  EXPECT_EQ(rendered.pixel(10, 50), qRgb(0, 0, 0));
  EXPECT_EQ(rendered.pixel(11, 50), qRgb(255, 255, 255));
}

}  // namespace
