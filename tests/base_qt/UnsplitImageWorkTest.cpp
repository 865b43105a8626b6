// Image work kept off Qt's split over its global pool gives Qt's own pixels, and Qt splits the
// same work itself: the counter sees a split where there is one.

#include <gtest/gtest.h>

#include <QPixmap>

#include "SplitConversionCounter.h"
#include "kestrum/qt/UnsplitImageWork.h"
#include "support/ImageTestSupport.h"

namespace {

constexpr QImage::Format kPlain = QImage::Format_ARGB32;
constexpr QImage::Format kPremultiplied = QImage::Format_ARGB32_Premultiplied;

struct ConversionRow {
  const char* name;
  int width, height;
  QImage::Format from, to;
  bool qtSplits;  // Qt's own conversion of it splits
};
void PrintTo(const ConversionRow& row, std::ostream* out) {
  *out << row.name;
}

class UnsplitConversion : public ::testing::TestWithParam<ConversionRow> {};

TEST_P(UnsplitConversion, GivesQtsPixelsAndMetadataWithoutASplit) {
  const ConversionRow& row = GetParam();
  QImage source = kestrum_test::randomImage(row.width, row.height, 5).convertToFormat(row.from);
  source.setOffset(QPoint(3, -4));
  source.setText(QStringLiteral("note"), QStringLiteral("kept"));
  const int before = zarvo_test::splitConversions();
  const QImage converted = kestrum::unsplitConverted(source, row.to);
  EXPECT_EQ(zarvo_test::splitConversions(), before);
  const QImage qts = source.convertToFormat(row.to);
  EXPECT_EQ(zarvo_test::splitConversions() > before, row.qtSplits);
  EXPECT_TRUE(converted == qts);
  EXPECT_EQ(converted.offset(), QPoint(3, -4));
  EXPECT_EQ(converted.text(QStringLiteral("note")), QStringLiteral("kept"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, UnsplitConversion,
    ::testing::Values(
        ConversionRow{"premultipliedToPlainInManyBands", 700, 900, kPremultiplied, kPlain, true},
        // 127 rows of 1024 bytes a piece: 128 would be Qt's split size exactly.
        ConversionRow{"piecesJustBelowTheSplitSize", 256, 600, kPlain, kPremultiplied, true},
        ConversionRow{"exactlyTheSplitSize", 256, 128, kPlain, kPremultiplied, true},
        ConversionRow{"aRowWiderThanTheSplitSize", 40000, 3, kPlain, kPremultiplied, true},
        ConversionRow{"toANarrowerPixel", 601, 400, kPremultiplied, QImage::Format_RGB888, true},
        ConversionRow{"toAnIndexedImageAsQtDoes", 300, 300, kPlain, QImage::Format_Indexed8,
                      false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnsplitScaling, GivesQtsPixelsWithoutASplit) {
  // 400 x 400: at least 2^17 source pixels, which Qt splits.
  const QImage source =
      kestrum_test::randomImage(400, 400, 9).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QSize size(123, 77);
  const QPixmap pixmap = QPixmap::fromImage(source);
  const int before = zarvo_test::splitConversions();
  const QImage scaled = kestrum::unsplitSmoothScaled(source, size);
  const QPixmap scaledPixmap = kestrum::unsplitSmoothScaled(pixmap, size);
  EXPECT_EQ(zarvo_test::splitConversions(), before);
  EXPECT_TRUE(scaled == source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
  EXPECT_TRUE(scaledPixmap.toImage() ==
              pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).toImage());
  EXPECT_GT(zarvo_test::splitConversions(), before);
}

TEST(UnsplitPixmap, HoldsQtsPixelsWithoutASplit) {
  const QImage noise = kestrum_test::randomImage(500, 400, 3);
  for (const QImage& image : {noise, noise.convertToFormat(QImage::Format_RGBA8888)}) {
    const int before = zarvo_test::splitConversions();
    const QPixmap pixmap = kestrum::unsplitPixmap(image);
    EXPECT_EQ(zarvo_test::splitConversions(), before) << image.format();
    EXPECT_TRUE(pixmap.toImage() == QPixmap::fromImage(image).toImage()) << image.format();
  }
}

}  // namespace
