#include <QPainter>
#include <QPen>
#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include "document/PixelState.h"
#include "document/Polygon.h"
#include "document/Rectangle.h"

namespace {

using ShapeTest = DocumentTest;

// Painting with a width is what gives a shape its hit tolerance (half the width).
void setTolerance(Shape& shape, double tolerance) {
  QImage canvas(1, 1, QImage::Format_ARGB32);
  QPainter painter(&canvas);
  shape.paint(&painter, QRectF(), 0, 0, 2 * tolerance);
}

struct HitRow {
  const char* name;
  QRectF rect;
  double tolerance;
  QPointF point;
  int kind, part, cursor;
};

TEST_F(ShapeTest, RectangleHitTest) {
  const QRectF r(10, 10, 20, 10);
  const HitRow rows[] = {
      {"no tolerance: inside is interior", r, 0, {15, 15}, 3, 0, Qt::OpenHandCursor},
      {"no tolerance: a corner is interior", r, 0, {10, 10}, 3, 0, Qt::OpenHandCursor},
      {"no tolerance: just outside misses", r, 0, {9.9, 10}, 0, 0, Qt::BlankCursor},
      {"top-left handle", r, 2, {10, 10}, 1, 0, Qt::SizeFDiagCursor},
      {"top-right handle", r, 2, {31, 9}, 1, 1, Qt::SizeBDiagCursor},
      {"bottom-right handle", r, 2, {30, 20}, 1, 2, Qt::SizeFDiagCursor},
      {"bottom-left handle", r, 2, {9, 21}, 1, 3, Qt::SizeBDiagCursor},
      {"edge", r, 2, {20, 9}, 2, 0, Qt::OpenHandCursor},
      {"interior", r, 2, {20, 15}, 3, 0, Qt::OpenHandCursor},
      {"beyond the tolerance", r, 2, {7.9, 10}, 0, 0, Qt::BlankCursor},
      {"interior wins over a corner square", {0, 0, 4, 4}, 3, {2, 2}, 3, 0, Qt::OpenHandCursor},
      {"outside the shrunk rectangle: corner",
       {0, 0, 4, 4},
       3,
       {-1, -1},
       1,
       0,
       Qt::SizeFDiagCursor},
  };
  for (const HitRow& row : rows) {
    ts::Rectangle rectangle(row.rect);
    setTolerance(rectangle, row.tolerance);
    const ShapeHit hit = rectangle.hitTest(row.point);
    EXPECT_EQ(hit.kind, row.kind) << row.name;
    EXPECT_EQ(hit.part, row.part) << row.name;
    EXPECT_EQ(hit.cursor, row.cursor) << row.name;
    EXPECT_EQ(hit.point, row.point) << row.name;
  }
}

TEST_F(ShapeTest, PolygonHitTest) {
  const QPolygonF triangle({{0, 0}, {10, 0}, {0, 10}});
  struct Row {
    const char* name;
    int openness;
    double tolerance;
    QPointF point;
    int kind, part, cursor;
  };
  const Row rows[] = {
      {"vertex", 1, 1, {0.5, 0.5}, 1, 0, Qt::SizeAllCursor},
      {"first edge", 1, 1, {5, 0.5}, 2, 0, Qt::OpenHandCursor},
      {"slanted edge", 1, 1, {5, 5.3}, 2, 1, Qt::OpenHandCursor},
      {"closing edge", 1, 1, {0.4, 5}, 2, 2, Qt::OpenHandCursor},
      {"closing edge of an open polygon", 0, 1, {0.4, 5}, 0, 0, Qt::BlankCursor},
      {"interior", 1, 1, {2, 2}, 3, 0, Qt::OpenHandCursor},
      {"an open polygon has no interior", 0, 1, {2, 2}, 0, 0, Qt::BlankCursor},
      {"no tolerance: interior only", 1, 0, {2, 2}, 3, 0, Qt::OpenHandCursor},
      {"no tolerance: no vertex", 1, 0, {10, 0}, 0, 0, Qt::BlankCursor},
      {"far away", 1, 1, {20, 20}, 0, 0, Qt::BlankCursor},
  };
  for (const Row& row : rows) {
    ts::Polygon polygon(triangle, row.openness);
    setTolerance(polygon, row.tolerance);
    const ShapeHit hit = polygon.hitTest(row.point);
    EXPECT_EQ(hit.kind, row.kind) << row.name;
    EXPECT_EQ(hit.part, row.part) << row.name;
    EXPECT_EQ(hit.cursor, row.cursor) << row.name;
  }
  EXPECT_EQ(ts::Polygon().hitTest({0, 0}).kind, ShapeHit::Miss);
}

TEST_F(ShapeTest, PolygonContainsByTheOddEvenRule) {
  const ts::Polygon u(QPolygonF({{0, 0}, {9, 0}, {9, 9}, {6, 9}, {6, 3}, {3, 3}, {3, 9}, {0, 9}}));
  EXPECT_TRUE(u.contains({1.5, 6}));
  EXPECT_FALSE(u.contains({4.5, 6}));  // in the notch
  EXPECT_TRUE(u.contains({4.5, 1.5}));
  EXPECT_FALSE(ts::Polygon().contains({0, 0}));
  // The closing edge counts even when the polygon is open.
  EXPECT_TRUE(ts::Polygon(QPolygonF({{0, 0}, {10, 0}, {0, 10}}), 0).contains({2, 2}));
}

TEST_F(ShapeTest, RectangleDragsMoveHandlesAndReportTheUnion) {
  GmModel* model = useImage({100, 100}, 1);
  QSignalSpy dirty(model, SIGNAL(rectDirty(ImageRectF, DirtyHint, PatchPreviewWanted)));
  ts::Rectangle rectangle(QRectF(10, 10, 20, 10));
  setTolerance(rectangle, 2);

  ShapeHit hit = rectangle.hitTest({30, 20});
  ASSERT_EQ(hit.kind, ShapeHit::Handle);
  rectangle.beginDrag(hit, {31, 21});
  EXPECT_EQ(hit.offset, QPointF(1, 1));
  rectangle.drag(hit, {41, 26});
  EXPECT_EQ(rectangle.rect(), QRectF(10, 10, 30, 15));
  ASSERT_EQ(dirty.size(), 1);
  EXPECT_EQ(dirty[0][0].value<ImageRectF>(), QRectF(10, 10, 30, 15));
  EXPECT_EQ(dirty[0][1].value<DirtyHint>(), DirtyHint::Handles);
  EXPECT_EQ(dirty[0][2].value<PatchPreviewWanted>(), PatchPreviewWanted::No);
  EXPECT_TRUE(rectangle.endDrag());

  hit = rectangle.hitTest({20, 15});
  ASSERT_EQ(hit.kind, ShapeHit::Interior);
  rectangle.beginDrag(hit, {20, 15});
  EXPECT_FALSE(rectangle.endDrag());  // begun, not moved
  rectangle.beginDrag(hit, {20, 15});
  rectangle.drag(hit, {25, 18});
  EXPECT_EQ(rectangle.rect(), QRectF(15, 13, 30, 15));  // the offset (10, 5) is kept
  EXPECT_EQ(dirty.last()[0].value<ImageRectF>(), QRectF(10, 10, 35, 18));

  // A corner dragged past the opposite one leaves a rectangle that endDrag normalises.
  hit = rectangle.hitTest({15, 13});
  ASSERT_EQ(hit.part, 0);
  rectangle.beginDrag(hit, {15, 13});
  rectangle.drag(hit, {50, 30});
  EXPECT_TRUE(rectangle.endDrag());
  EXPECT_EQ(rectangle.rect(), QRectF(45, 28, 5, 2));
}

TEST_F(ShapeTest, SnappingRoundsWorkingCoordinatesHalfUp) {
  struct Row {
    int resolution;
    double in, out;
  };
  const Row rows[] = {{2, -1.0, 0}, {2, -1.1, -2}, {2, -3.0, -2}, {2, 2.9, 2},
                      {2, 3.0, 4},  {4, -6.0, -4}, {4, 5.9, 4},   {1, -0.5, 0}};
  for (const Row& row : rows) {
    GmModel::instance()->setResolution(row.resolution);
    EXPECT_EQ(ts::scaleToResolution({row.in, row.in}), QPointF(row.out, row.out))
        << row.resolution << " " << row.in;
  }
  // A snapping rectangle's dragged corner lands on whole working pixels; a polygon's does not.
  useImage({100, 100}, 2);
  ts::Rectangle snapping(QRectF(0, 0, 10, 10), 1);
  setTolerance(snapping, 1);
  ShapeHit hit = snapping.hitTest({0, 0});
  snapping.beginDrag(hit, {0, 0});
  snapping.drag(hit, {3.2, 4.9});
  EXPECT_EQ(snapping.rect().topLeft(), QPointF(4, 4));
  ts::Polygon polygon(QPolygonF({{0, 0}, {10, 0}, {0, 10}}));
  setTolerance(polygon, 1);
  hit = polygon.hitTest({10, 0});
  polygon.beginDrag(hit, {10, 0});
  polygon.drag(hit, {13.3, 0.7});
  EXPECT_EQ(polygon.points()[1], QPointF(13.3, 0.7));
}

TEST_F(ShapeTest, PolygonDragsReportTheAreaTheyTouch) {
  GmModel* model = useImage({100, 100}, 1);
  QSignalSpy dirty(model, SIGNAL(rectDirty(ImageRectF, DirtyHint, PatchPreviewWanted)));
  ts::Polygon polygon(QPolygonF({{0, 0}, {10, 0}, {0, 10}}));
  setTolerance(polygon, 1);
  ShapeHit hit = polygon.hitTest({10, 0});
  ASSERT_EQ(hit.kind, ShapeHit::Handle);
  polygon.beginDrag(hit, {10.5, 0.5});
  polygon.drag(hit, {20.5, 5.5});
  EXPECT_EQ(polygon.points()[1], QPointF(20, 5));
  EXPECT_EQ(dirty.last()[0].value<ImageRectF>(), QRectF(0, 0, 20, 10));
  EXPECT_TRUE(polygon.endDrag());

  hit = polygon.hitTest({2, 2});
  ASSERT_EQ(hit.kind, ShapeHit::Interior);
  polygon.beginDrag(hit, {2, 2});
  polygon.drag(hit, {5, 3});
  EXPECT_EQ(polygon.points()[0], QPointF(3, 1));
  EXPECT_EQ(dirty.last()[0].value<ImageRectF>(), QRectF(0, 0, 23, 11));
  EXPECT_EQ(dirty.last()[1].value<DirtyHint>(), DirtyHint::Handles);
}

TEST_F(ShapeTest, DragCornerToSpansWithinTheImage) {
  GmModel* model = useImage({100, 50}, 1);
  QSignalSpy dirty(model, SIGNAL(rectDirty(ImageRectF, DirtyHint, PatchPreviewWanted)));
  const QRectF invalid(0, 0, -1, -1);
  struct Row {
    const char* name;
    QPointF corner1, to;
    QRectF expected;
  };
  const Row rows[] = {
      {"inside", {10, 10}, {30, 20}, {10, 10, 20, 10}},
      {"backwards", {30, 20}, {10, 10}, {10, 10, 20, 10}},
      {"clipped to the image", {10, 10}, {150, 80}, {10, 10, 90, 40}},
      {"a point inside", {10, 10}, {10, 10}, {10, 10, 0, 0}},
      {"a point outside", {200, 200}, {200, 200}, invalid},
      {"wholly outside", {200, 200}, {300, 300}, invalid},
      {"from outside in", {200, 200}, {50, 25}, {50, 25, 50, 25}},
  };
  for (const Row& row : rows) {
    ts::Rectangle rectangle(row.corner1);
    dirty.clear();
    rectangle.dragCornerTo(row.to);
    EXPECT_EQ(rectangle.rect(), row.expected) << row.name;
    if (row.expected.isValid()) {
      ASSERT_EQ(dirty.size(), 1) << row.name;
      EXPECT_EQ(dirty[0][0].value<ImageRectF>(), row.expected) << row.name;
      EXPECT_EQ(dirty[0][1].value<DirtyHint>(), DirtyHint::Outline) << row.name;
    } else {
      EXPECT_EQ(dirty.size(), 0) << row.name;
    }
  }
  // Shrinking repaints the old area too.
  ts::Rectangle rectangle(QPointF(10, 10));
  rectangle.dragCornerTo({40, 40});
  rectangle.dragCornerTo({20, 20});
  EXPECT_EQ(dirty.last()[0].value<ImageRectF>(), QRectF(10, 10, 30, 30));

  useImage({100, 50}, 2);
  ts::Rectangle snapping(QPointF(0, 0), 1);
  snapping.dragCornerTo({5.2, 3.9});
  EXPECT_EQ(snapping.rect(), QRectF(0, 0, 6, 4));
}

TEST_F(ShapeTest, RenderMaskAtWorkingResolution) {
  useImage({40, 20}, 2);
  ts::Rectangle rectangle(QRectF(4, 4, 8, 4));
  const QImage mask = rectangle.renderMask(Qt::NoPen, QBrush(Qt::color1));
  ASSERT_FALSE(mask.isNull());
  EXPECT_EQ(mask.format(), QImage::Format_Indexed8);
  EXPECT_EQ(mask.offset(), QPoint(1, 1));
  ASSERT_EQ(mask.size(), QSize(6, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(mask.pixelIndex(x, y), (x >= 1 && x <= 4 && y >= 1 && y <= 2) ? 1 : 0)
          << x << "," << y;

  // Cut at the working image's border.
  const QImage edge = ts::Rectangle(QRectF(-10, -10, 14, 14)).renderMask(Qt::NoPen, Qt::color1);
  EXPECT_EQ(QRect(edge.offset(), edge.size()), QRect(0, 0, 3, 3));

  struct Null {
    const char* name;
    Shape* shape;
    QPen pen;
  };
  ts::Rectangle outside(QRectF(100, 100, 10, 10));
  ts::Polygon line(QPolygonF(QVector<QPointF>{{2, 2}, {30, 10}}));
  ts::Rectangle hostile(QRectF(-1e300, -1e300, 1e300, 1e300));
  const Null nulls[] = {{"outside the working image", &outside, Qt::NoPen},
                        {"two points filled without pen", &line, Qt::NoPen},
                        {"far beyond the image", &hostile, QPen(Qt::color1)}};
  for (const Null& row : nulls)
    EXPECT_TRUE(row.shape->renderMask(row.pen, QBrush(Qt::color1)).isNull()) << row.name;
  // One working pixel wide, as a forced edge draws itself.
  EXPECT_FALSE(line.renderMask(QPen(QBrush(Qt::color1), 2), Qt::NoBrush).isNull());

  GmModel::instance()->finish();
  EXPECT_TRUE(rectangle.renderMask(Qt::NoPen, Qt::color1).isNull());
}

QImage statusImage(QSize size) {
  QImage image(size, QImage::Format_Indexed8);
  image.setColorCount(256);
  image.fill(0);
  return image;
}

TEST_F(ShapeTest, SnapshotSavesAndComparesClasses) {
  useImage({40, 20}, 2);
  ts::Rectangle rectangle(QRectF(4, 4, 8, 4));
  PixelState& snapshot = rectangle.snapshot();
  {
    LogCapture log;
    snapshot.saveMask(statusImage({20, 10}));
    EXPECT_FALSE(snapshot.isSaved());
    EXPECT_EQ(log.lines(),
              QStringList{"Caught (and avoided) crash in PixelState::savemask (bug 1196)"});
  }
  const QImage& mask = rectangle.prepareSnapshot(Qt::NoPen, QBrush(Qt::color1));
  EXPECT_GE(mask.colorCount(), 9);
  EXPECT_EQ(snapshot.maskRect(), QRect(1, 1, 6, 4));

  QImage status = statusImage({20, 10});
  status.setPixel(2, 2, 2 | 32);  // protected keep
  status.setPixel(3, 2, 4);
  EXPECT_TRUE(snapshot.changed(status));  // not saved yet
  snapshot.saveMask(status);
  EXPECT_TRUE(snapshot.isSaved());
  EXPECT_EQ(snapshot.mask().pixelIndex(1, 1), 2);
  EXPECT_EQ(snapshot.mask().pixelIndex(2, 1), 4);
  EXPECT_EQ(snapshot.mask().pixelIndex(3, 1), 0);
  EXPECT_FALSE(snapshot.changed(status));

  status.setPixel(3, 2, 4 | 64);  // only flags above the class
  EXPECT_FALSE(snapshot.changed(status));
  status.setPixel(2, 2, 8);
  EXPECT_TRUE(snapshot.changed(status));
  status.setPixel(2, 2, 2);
  status.setPixel(10, 8, 4);  // outside the mask
  EXPECT_FALSE(snapshot.changed(status));

  // A status image smaller than the mask's reach is read where it exists.
  PixelState small;
  small.setMask(mask);
  small.saveMask(statusImage({3, 3}));
  EXPECT_TRUE(small.isSaved());
}

TEST_F(ShapeTest, SnapshotTakesTheOverlapOfAnother) {
  auto maskOf = [](QRect rect, int value) {
    QImage mask(rect.size(), QImage::Format_Indexed8);
    mask.setColorCount(9);
    mask.fill(uint(value));
    mask.setOffset(rect.topLeft());
    return mask;
  };
  PixelState mine, theirs;
  mine.setMask(maskOf({0, 0, 4, 4}, 2));
  QImage other = maskOf({2, 2, 4, 4}, 8);
  other.setPixel(1, 1, 0);  // (3, 3): empty in theirs
  theirs.setMask(other);
  mine.takeOverlap(theirs);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const int expected = (x >= 2 && y >= 2 && !(x == 3 && y == 3)) ? 8 : 2;
      EXPECT_EQ(mine.mask().pixelIndex(x, y), expected) << x << "," << y;
    }
}

TEST_F(ShapeTest, OutlinesComeFromTheEngineScaledToTheImage) {
  GmModel::instance()->setResolution(2);
  float first[] = {1, 2, 3, 4, 5, 0};
  float second[] = {-1, 7};
  const CvRegion regions[] = {{first, 3, 0}, {nullptr, 0, 0}, {second, 1, 0}};
  ts::Rectangle rectangle(QRectF(0, 0, 4, 4));
  rectangle.setOutline(regions, 3);
  const EdgeOutline& outline = rectangle.outline();
  ASSERT_EQ(outline.segments().size(), 2);
  EXPECT_EQ(outline.segments()[0].line, QPolygonF({{2, 4}, {6, 8}, {10, 0}}));
  EXPECT_EQ(outline.segments()[0].bounds, QRectF(2, 0, 8, 8));
  EXPECT_EQ(outline.segments()[1].bounds, QRectF(-2, 14, 0, 0));
  EXPECT_EQ(outline.bounds(), QRectF(-2, 0, 12, 14));
  rectangle.setOutline(nullptr, 0);
  EXPECT_TRUE(outline.isEmpty());
  EXPECT_EQ(outline.bounds(), QRectF(0, 0, -1, -1));
}

}  // namespace
