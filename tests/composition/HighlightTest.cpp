#include <gtest/gtest.h>

#include <QPainter>

#include "composition/HighlightPoint.h"
#include "DocumentTestSupport.h"
#include "support/CompositionFixture.h"

using namespace composition_test;

namespace {

QImage fullyHighlit(const QImage& cutout) {
  QImage bright = cutout;
  for (int y = 0; y < bright.height(); ++y)
    for (int x = 0; x < bright.width(); ++x)
      bright.setPixel(x, y, qRgba(255, 255, 255, qAlpha(cutout.pixel(x, y))));
  return bright;
}

}  // namespace

TEST(Highlight, DabsStayInTheirBoxAndOffTransparentPixels) {
  const QImage source = cutoutImage(60, qRgb(50, 60, 70));
  for (const HighlightPoint& dab :
       {HighlightPoint{QPointF(30, 30), 10, 80}, HighlightPoint{QPointF(12.7, 40.2), 2, 50},
        HighlightPoint{QPointF(45.5, 20.5), 25, 80}, HighlightPoint{QPointF(1, 1), 7, 80}}) {
    QImage bright = fullyHighlit(source);
    const QImage result = composeHighlight({dab}, source, bright);
    ASSERT_EQ(result.size(), source.size());
    const QRect box(int(dab.position.x() - dab.radius - 1.0),
                    int(dab.position.y() - dab.radius - 1.0), 2 * dab.radius + 2,
                    2 * dab.radius + 2);
    bool changed = false;
    for (int y = 0; y < source.height(); ++y)
      for (int x = 0; x < source.width(); ++x) {
        const QRgb before = source.pixel(x, y);
        const QRgb after = result.pixel(x, y);
        if (qAlpha(before) == 0 || !box.contains(x, y)) {
          ASSERT_EQ(after, before) << x << "," << y;
        }
        changed |= after != before;
      }
    // The centre of a dab inside the cut-out brightens it.
    if (qAlpha(source.pixel(dab.position.toPoint())) == 255) {
      EXPECT_TRUE(changed);
    }
  }
}

TEST(Highlight, NoPointsOrNoHighlitImageLeaveTheSource) {
  const QImage source = cutoutImage(20, qRgb(1, 2, 3));
  QImage bright = fullyHighlit(source);
  EXPECT_EQ(composeHighlight({}, source, bright), source);
  QImage none;
  EXPECT_EQ(composeHighlight({HighlightPoint{QPointF(10, 10), 5, 80}}, source, none), source);
}

TEST(Highlight, NoCutoutGivesNoImageAndPaintsNothing) {
  // The copy of a discarded cut-out is still held when the cut-out is gone.
  QImage bright = fullyHighlit(cutoutImage(20, qRgb(1, 2, 3)));
  LogCapture log;
  EXPECT_TRUE(
      composeHighlight({HighlightPoint{QPointF(10, 10), 5, 80}}, QImage(), bright).isNull());
  EXPECT_EQ(LogCapture::lines(), QStringList());
}

TEST(Highlight, AnAbortStopsBetweenDabs) {
  const QImage source = cutoutImage(40, qRgb(1, 2, 3));
  QImage bright = fullyHighlit(source);
  const std::atomic<bool> aborted{true};
  QList<HighlightPoint> dabs;
  for (int i = 0; i < 100; ++i) dabs << HighlightPoint{QPointF(i % 40, i / 3), 20, 80};
  EXPECT_EQ(composeHighlight(dabs, source, bright, &aborted), source);
}

// An indexed cut-out, on which no painter can draw, is highlit as its ARGB32 form.
TEST(Highlight, AnIndexedCutoutIsHighlitAsItsArgb32Form) {
  const QImage source = cutoutImage(30, qRgb(50, 60, 70));
  const QImage indexed = source.convertToFormat(QImage::Format_Indexed8);
  const QImage asArgb = indexed.convertToFormat(QImage::Format_ARGB32);
  const QList<HighlightPoint> dabs{HighlightPoint{QPointF(15, 15), 8, 80}};
  QImage bright = fullyHighlit(asArgb);
  const QImage expected = composeHighlight(dabs, asArgb, bright);
  ASSERT_NE(expected, asArgb);
  bright = fullyHighlit(asArgb);
  EXPECT_EQ(composeHighlight(dabs, indexed, bright), expected);
}
