#include <gtest/gtest.h>

#include <QByteArray>
#include <QPainter>

#include "ImageFiles.h"
#include "kestrum/qt/Checkerboard.h"
#include "kestrum/qt/GuardedImageReader.h"
#include "support/ImageTestSupport.h"

using namespace kestrum;
using namespace kestrum_test;

using zarvo_test::encodedImage;
using zarvo_test::pngClaiming;
using zarvo_test::pngOfZeroRows;

TEST(GuardedImageReader, ReadsOrExplainsWhyNot) {
  const QImage photo = randomImage(120, 80, 1);
  const QByteArray png = encodedImage(photo, "PNG");
  struct Row {
    const char* name;
    QByteArray bytes;
    bool ok;
  };
  const std::vector<Row> rows = {
      {"png", png, true},
      {"jpeg", encodedImage(photo, "JPEG"), true},
      {"bmp", encodedImage(photo, "BMP"), true},
      {"empty", QByteArray(), false},
      {"text", QByteArray("hello, this is not an image"), false},
      {"truncated png", png.left(png.size() / 2), false},
      {"over the limit", pngClaiming(20000, 10001), false},
      {"bomb of zero rows", pngOfZeroRows(30000, 30000), false},
      {"absurd header", pngClaiming(0x7FFFFFFF, 0x7FFFFFFF), false},
  };
  for (const Row& row : rows) {
    const GuardedImageReader::Result result = GuardedImageReader::readData(row.bytes);
    EXPECT_EQ(result.ok(), row.ok) << row.name << ": " << result.error.toStdString();
    EXPECT_EQ(result.image.isNull(), !row.ok) << row.name;
    if (!row.ok) {
      EXPECT_FALSE(result.error.isEmpty()) << row.name;
    }
  }
  EXPECT_TRUE(sameBytes(
      GuardedImageReader::readData(png).image.convertToFormat(QImage::Format_ARGB32), photo));
  EXPECT_TRUE(GuardedImageReader::readData(pngClaiming(20000, 10001)).error.contains("too large"));
  EXPECT_TRUE(
      GuardedImageReader::readData(pngOfZeroRows(30000, 30000)).error.contains("too large"));
  // The largest photos of today's cameras are within it: medium format, a phone's 200 MP mode.
  EXPECT_GE(GuardedImageReader::kMaxPixels, 14204LL * 10652);
  EXPECT_GE(GuardedImageReader::kMaxPixels, 16320LL * 12240);
}

TEST(GuardedImageReader, TheBombOfZeroRowsIsAWholePng) {
  // Small ones decode black, so the large one is what it claims to be and no stub.
  for (const QSize size : {QSize(1, 1), QSize(64, 48), QSize(301, 7), QSize(7, 301)}) {
    const QImage decoded = QImage::fromData(pngOfZeroRows(size.width(), size.height()), "PNG");
    ASSERT_EQ(decoded.size(), size);
    EXPECT_EQ(
        decoded.convertToFormat(QImage::Format_RGB32).pixel(size.width() - 1, size.height() - 1),
        qRgb(0, 0, 0));
    EXPECT_TRUE(decoded.allGray());
  }
  EXPECT_LT(pngOfZeroRows(30000, 30000).size(), 3 << 20);
}

TEST(GuardedImageReader, DecodesScaledToFitOnRequestNeverUp) {
  const QByteArray jpeg = encodedImage(randomImage(400, 200, 2), "JPEG");
  EXPECT_EQ(GuardedImageReader::readData(jpeg, QSize(100, 100)).image.size(), QSize(100, 50));
  EXPECT_EQ(GuardedImageReader::readData(jpeg, QSize(1000, 1000)).image.size(), QSize(400, 200));
  // A lower limit refuses before decoding.
  EXPECT_FALSE(GuardedImageReader::readData(jpeg, QSize(), 400 * 199).ok());
}

TEST(Checkerboard, TilesFromTheTopLeft) {
  const QImage board = checkerboardPixmap(QSize(200, 100)).toImage();
  ASSERT_EQ(board.size(), QSize(200, 100));
  const QRgb white = QColor(Qt::white).rgb();
  const QRgb grey = QColor(Qt::darkGray).rgb();
  struct Probe {
    int x, y;
    QRgb colour;
  };
  for (const Probe& p :
       {Probe{0, 0, white}, Probe{39, 39, white}, Probe{40, 0, grey}, Probe{79, 39, grey},
        Probe{0, 40, grey}, Probe{40, 40, white}, Probe{80, 0, white}, Probe{120, 0, grey},
        Probe{199, 99, white}, Probe{160, 40, grey}})
    EXPECT_EQ(board.pixel(p.x, p.y) | 0xFF000000u, p.colour) << p.x << "," << p.y;
  EXPECT_EQ(checkerboardPixmap().size(), QSize(80, 80));
  EXPECT_TRUE(checkerboardPixmap(QSize(0, 10)).isNull());
}
