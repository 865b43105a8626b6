#include <QBitmap>
#include <QPainter>
#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include "document/Brushing.h"
#include "document/GmBrushing.h"
#include "document/KeyedStateReader.h"

namespace {

class BrushingTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    model = useImage({80, 60}, 2);  // working image 40 × 30
    hooks.brushSizeValue = 4;
  }
  GmModel* model = nullptr;
};

// Every painted pixel of a stroke image, as working points.
QList<QPoint> paintedPixels(const QImage& stroke) {
  QList<QPoint> pixels;
  for (int y = 0; y < stroke.height(); ++y)
    for (int x = 0; x < stroke.width(); ++x)
      if (stroke.pixelIndex(x, y) == 1) pixels << QPoint(x, y);
  return pixels;
}

// `contains` is true exactly where the stroke image is painted: its working pixel (x, y) is
// found at image point (x, y) × resolution.
void expectContainsExactlyPainted(const Brushing& brushing, const QImage& stroke, int resolution) {
  for (int y = 0; y < stroke.height(); ++y)
    for (int x = 0; x < stroke.width(); ++x)
      ASSERT_EQ(brushing.contains(QPointF(x * resolution, y * resolution)),
                stroke.pixelIndex(x, y) == 1)
          << x << "," << y;
}

TEST_F(BrushingTest, AStrokeStartedOutsidePaintsAndReportsNothing) {
  QSignalSpy dirty(model, SIGNAL(rectDirty(ImageRectF, DirtyHint, PatchPreviewWanted)));
  Brushing brushing(Qt::red);
  ASSERT_EQ(brushing.strokeImage().size(), QSize(40, 30));
  brushing.beginStroke({-100, -100});
  brushing.continueStroke({-90, -100});
  EXPECT_TRUE(paintedPixels(brushing.strokeImage()).isEmpty());
  EXPECT_EQ(dirty.size(), 0);
  EXPECT_FALSE(brushing.reducedBounds().isValid());
}

TEST_F(BrushingTest, StrokesPaintIndexOneAndReportWhatChanged) {
  QSignalSpy dirty(model, SIGNAL(rectDirty(ImageRectF, DirtyHint, PatchPreviewWanted)));
  Brushing brushing(Qt::green);
  brushing.beginStroke({20, 20});  // working (10, 10)
  ASSERT_EQ(dirty.size(), 1);
  EXPECT_EQ(dirty[0][0].value<ImageRectF>(), QRectF(16, 16, 8, 8));  // dot rectangle × 2
  EXPECT_EQ(dirty[0][1].value<DirtyHint>(), DirtyHint::Exact);
  EXPECT_EQ(brushing.reducedBounds(), QRectF(8, 8, 4, 4));

  brushing.continueStroke({40, 20});  // working (20, 10)
  EXPECT_EQ(dirty.last()[0].value<ImageRectF>(), QRectF(16, 16, 28, 8));
  EXPECT_EQ(brushing.reducedBounds(), QRectF(8, 8, 14, 4));
  EXPECT_EQ(brushing.path().elementCount(), 2);
  EXPECT_EQ(brushing.boundingRect(), QRectF(16, 16, 28, 8));

  const QList<QPoint> painted = paintedPixels(brushing.strokeImage());
  EXPECT_FALSE(painted.isEmpty());
  for (const QPoint& p : painted)
    EXPECT_TRUE(QRect(7, 7, 16, 6).contains(p)) << p.x() << "," << p.y();
  expectContainsExactlyPainted(brushing, brushing.strokeImage(), 2);
  // The colour table keeps the stroke colour at index 1.
  EXPECT_EQ(brushing.strokeImage().color(1), QColor(Qt::green).rgba());
  EXPECT_EQ(qAlpha(brushing.strokeImage().color(0)), 0);

  const QImage mask = brushing.renderMask(QPen(), QBrush());
  EXPECT_EQ(QRect(mask.offset(), mask.size()), QRect(7, 7, 16, 6));
  EXPECT_EQ(mask.format(), QImage::Format_Indexed8);
  EXPECT_EQ(mask.pixelIndex(10 - 7, 10 - 7), 1);

  const int before = dirty.size();
  brushing.movePreviewLineEnd({60, 40});  // working (30, 20): nothing painted
  EXPECT_EQ(dirty.size(), before + 1);
  EXPECT_EQ(paintedPixels(brushing.strokeImage()), painted);

  brushing.clear();
  EXPECT_EQ(dirty.last()[0].value<ImageRectF>(), QRectF(16, 16, 28, 8));
  EXPECT_TRUE(paintedPixels(brushing.strokeImage()).isEmpty());
  EXPECT_EQ(brushing.reducedBounds(), QRectF(0, 0, 0, 0));
}

TEST_F(BrushingTest, AStoredStrokeComesBackAsItWasPainted) {
  Brushing original(QColor(10, 20, 200));
  original.beginStroke({10, 10});
  original.continueStroke({50, 30});
  original.continueStroke({70, 50});
  const QImage painted = original.strokeImage();

  const QVariantMap stored = original.toVariant();
  // The stored form is kept: painted pixels are index 0 in the stored bitmap.
  const QImage bitmap = qvariant_cast<QBitmap>(stored.value("Bitmap")).toImage();
  ASSERT_EQ(bitmap.size(), painted.size());
  EXPECT_EQ(bitmap.convertToFormat(QImage::Format_Mono).pixelIndex(5, 5), 0);
  EXPECT_EQ(bitmap.convertToFormat(QImage::Format_Mono).pixelIndex(0, 29), 1);

  const QVariant read = keyedStateFromBytes(keyedStateToBytes(stored));
  ASSERT_EQ(read.type(), QVariant::Map);
  const Brushing restored(read.toMap());
  EXPECT_EQ(paintedPixels(restored.strokeImage()), paintedPixels(painted));
  expectContainsExactlyPainted(restored, painted, 2);
  EXPECT_EQ(restored.path(), original.path());
  EXPECT_EQ(restored.reducedBounds(), original.reducedBounds());
  EXPECT_EQ(restored.colour(), original.colour());
  EXPECT_EQ(restored.strokeImage().color(1), QColor(10, 20, 200).rgba());
  EXPECT_EQ(keyedStateToBytes(restored.toVariant()), keyedStateToBytes(stored));
}

TEST_F(BrushingTest, PaintingDrawsTheStrokeInThePenColour) {
  Brushing brushing(Qt::red);
  brushing.beginStroke({20, 20});
  QImage canvas(80, 60, QImage::Format_ARGB32);
  canvas.fill(Qt::white);
  {
    QPainter painter(&canvas);
    painter.setPen(QColor(0, 0, 255));
    brushing.paint(&painter, QRectF(0, 0, 80, 60), 2, 0, 5.0);
    EXPECT_EQ(painter.worldTransform(), QTransform());
  }
  EXPECT_EQ(canvas.pixel(20, 20), qRgb(0, 0, 255));  // working (10, 10) scaled by 2
  EXPECT_EQ(canvas.pixel(60, 50), qRgb(255, 255, 255));
  EXPECT_DOUBLE_EQ(brushing.tolerance(), 2.5);
  // Interior hits fall on painted pixels only; strokes cannot be dragged.
  EXPECT_EQ(brushing.hitTest({20, 20}).kind, ShapeHit::Interior);
  EXPECT_EQ(brushing.hitTest({70, 50}).kind, ShapeHit::Miss);
  EXPECT_FALSE(brushing.endDrag());
}

TEST_F(BrushingTest, DestroyingAPaintedStrokeRepaintsItsArea) {
  QSignalSpy dirty(model, SIGNAL(rectDirty(ImageRectF, DirtyHint, PatchPreviewWanted)));
  {
    GmBrushing stroke(Qt::yellow);
    stroke.brushing().beginStroke({20, 20});
    dirty.clear();
  }
  ASSERT_EQ(dirty.size(), 1);
  EXPECT_EQ(dirty[0][0].value<ImageRectF>(), QRectF(16, 16, 8, 8));
  EXPECT_TRUE(model->liveStrokes().isEmpty());
}

TEST_F(BrushingTest, BrushWidthComesFromTheToolOptions) {
  hooks.brushSizeValue = 7;
  EXPECT_EQ(Brushing::brushWidth(), 7);
  hooks.brushSizeValue = 0;
  EXPECT_EQ(Brushing::brushWidth(), 1);
  GmModel::instance()->finish();
  Brushing empty(Qt::red);  // no image: nothing to paint into, and no crash
  empty.beginStroke({1, 1});
  EXPECT_FALSE(empty.contains({1, 1}));
  EXPECT_TRUE(empty.renderMask(QPen(), QBrush()).isNull());
}

}  // namespace
