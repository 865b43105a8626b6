// The effects' input image: trimmed to its visible pixels in every pixel format, the bounds
// grown by the margin, and imageChanged twice per input.

#include <QPainter>

#include "WorkspaceTestSupport.h"
#include "workspace/EffectImage.h"
#include "workspace/Effects.h"
#include "workspace/TrimToVisible.h"

namespace {

struct TrimRow {
  const char* name;
  QImage::Format format;
  QSize size;
  // Opaque pixels painted on a clear ground (formats without alpha are opaque everywhere).
  QList<QRect> opaque;
  QRect expected;  // null: no visible pixel
};

QImage picture(const TrimRow& row) {
  QImage image(row.size, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  for (const QRect& rect : row.opaque) painter.fillRect(rect, QColor(200, 80, 20));
  painter.end();
  return image.convertToFormat(row.format);
}

class TrimToVisibleTest : public ::testing::TestWithParam<TrimRow> {};

TEST_P(TrimToVisibleTest, KeepsTheSmallestRectangleOfVisiblePixels) {
  const TrimRow& row = GetParam();
  const QImage input = picture(row);
  const QImage trimmed = trimToVisible(input);
  if (row.expected.isNull()) {
    EXPECT_TRUE(trimmed.isNull());
    return;
  }
  ASSERT_FALSE(trimmed.isNull());
  EXPECT_EQ(QRect(trimmed.offset(), trimmed.size()), row.expected);
  EXPECT_EQ(trimmed.format(), input.format());
  EXPECT_EQ(trimmed, input.copy(row.expected));
}

const QImage::Format argb = QImage::Format_ARGB32;

INSTANTIATE_TEST_SUITE_P(
    Images, TrimToVisibleTest,
    ::testing::Values(
        TrimRow{"transparent", argb, {40, 30}, {}, QRect()},
        TrimRow{"opaque", argb, {40, 30}, {QRect(0, 0, 40, 30)}, QRect(0, 0, 40, 30)},
        TrimRow{"onePixel", argb, {40, 30}, {QRect(17, 9, 1, 1)}, QRect(17, 9, 1, 1)},
        TrimRow{"lastPixel", argb, {40, 30}, {QRect(39, 29, 1, 1)}, QRect(39, 29, 1, 1)},
        TrimRow{"twoApart",
                argb,
                {40, 30},
                {QRect(3, 20, 2, 2), QRect(30, 4, 5, 1)},
                QRect(3, 4, 32, 18)},
        TrimRow{"premultiplied",
                QImage::Format_ARGB32_Premultiplied,
                {40, 30},
                {QRect(5, 6, 7, 8)},
                QRect(5, 6, 7, 8)},
        // Without alpha every pixel is visible, also the ones painted clear before.
        TrimRow{"rgb32", QImage::Format_RGB32, {40, 30}, {QRect(5, 6, 7, 8)}, QRect(0, 0, 40, 30)},
        TrimRow{"rgb888", QImage::Format_RGB888, {41, 31}, {}, QRect(0, 0, 41, 31)},
        TrimRow{"grey8", QImage::Format_Grayscale8, {13, 7}, {}, QRect(0, 0, 13, 7)},
        TrimRow{
            "alpha8", QImage::Format_Alpha8, {41, 30}, {QRect(33, 2, 3, 3)}, QRect(33, 2, 3, 3)},
        TrimRow{
            "rgba64", QImage::Format_RGBA64, {40, 30}, {QRect(1, 28, 2, 2)}, QRect(1, 28, 2, 2)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EffectsTest, BoundsAreTheTrimmedRectangleGrownByTheMarginAndTwoSignalsGo) {
  Effects effects;
  int changes = 0;
  QRectF boundsSeen;
  QObject::connect(effects.effectImage(), &EffectImage::imageChanged, [&] {
    ++changes;
    boundsSeen = effects.bounds();
  });
  EXPECT_EQ(effects.margin(), 0);
  QImage input(50, 40, QImage::Format_ARGB32);
  input.fill(Qt::transparent);
  input.setPixel(12, 7, qRgba(10, 20, 30, 255));
  effects.setInputImage(input);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(effects.bounds(), QRectF(12, 7, 1, 1));
  EXPECT_EQ(boundsSeen, effects.bounds()) << "listeners find the bounds in place";
  EXPECT_EQ(effects.effectImage()->image().offset(), QPoint(12, 7));

  effects.setMargin(5);
  input.fill(qRgba(1, 2, 3, 255));
  effects.setInputImage(input);
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(effects.bounds(), QRectF(-5, -5, 60, 50));
  EXPECT_EQ(effects.effectImage()->image().size(), QSize(50, 40));

  // No visible pixel: a null image and empty bounds, not grown by the margin.
  input.fill(Qt::transparent);
  effects.setInputImage(input);
  EXPECT_EQ(changes, 6);
  EXPECT_TRUE(effects.effectImage()->image().isNull());
  EXPECT_TRUE(effects.bounds().isEmpty());
  EXPECT_EQ(effects.bounds().height(), 0);
}

}  // namespace
