#include <gtest/gtest.h>

#include <QByteArray>
#include <QPainter>

#include "ImageFiles.h"
#include "kestrum/qt/Checkerboard.h"
#include "kestrum/qt/GuardedImageReader.h"
#include "support/ImageTestSupport.h"

using namespace kestrum;
using namespace kestrum_test;

using zarvo_test::bmpOf;
using zarvo_test::encodedImage;
using zarvo_test::pngClaiming;
using zarvo_test::pngOfZeroRows;
using zarvo_test::TgaLayout;
using zarvo_test::tgaOf;

namespace {

// Channels that 5 bits hold (a level with its top bits repeated below it, as 16-bit pixels
// widen), different along each row and column, and red at the top left: a picture stored at 16
// bits comes back exactly, and a shift or a turn shows.
QImage storedPicture(int width, int height) {
  const auto level = [](int five) { return (five & 31) << 3 | (five & 31) >> 2; };
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      image.setPixel(x, y, qRgb(level(x * 7), level(y * 11 + 3), level(x + y)));
  image.setPixel(0, 0, qRgb(255, 0, 0));
  return image;
}

// Every `nth` pixel from `first` on (counted along the rows) transparent, its colour kept.
QImage withHoles(QImage image, int first, int nth) {
  for (int i = first; i < image.width() * image.height(); i += nth) {
    const int x = i % image.width(), y = i / image.width();
    image.setPixel(x, y, image.pixel(x, y) & 0x00FFFFFFu);
  }
  return image;
}

}  // namespace

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

// Pictures come as they were stored, or are refused as cut short where Qt's reader would fill
// in the rows it misses. 301 pixels of 24 bits make BMP rows of 903 bytes, padded to 904.
TEST(GuardedImageReader, OpensPicturesAsStored) {
  const QImage opaque = storedPicture(301, 200);
  const QImage holes = withHoles(opaque, 1, 3);
  const auto footedCutShort = [](const QByteArray& tga) {
    return tga.left(tga.size() - 26 - 10) + tga.right(26);
  };
  struct Row {
    const char* name;
    QByteArray bytes;
    const char* format;  // the format the bytes are said to be in
    QImage expected;     // null: refused as cut short
  };
  // TgaLayout: bits, from the top, footer, ID, colour map entries, alpha bit, attributes type.
  const std::vector<Row> rows = {
      {"bmp stored top row first", bmpOf(opaque, true), "", opaque},
      {"bmp with padded rows", bmpOf(opaque), "", opaque},
      {"bmp with padded rows, 100 bytes short", bmpOf(opaque).chopped(100), "", QImage()},
      {"bmp stored top row first, 100 bytes short", bmpOf(opaque, true).chopped(100), "", QImage()},
      {"tga with the footer and an image ID", tgaOf(opaque, {24, false, true, "by a tool"}), "tga",
       opaque},
      {"tga with the footer and a colour map", tgaOf(opaque, {24, false, true, {}, 4}), "tga",
       opaque},
      {"tga with the footer, 10 bytes short", footedCutShort(tgaOf(opaque, {24, false, true, {}})),
       "tga", QImage()},
      {"16 bits", tgaOf(opaque, {16, false, false, {}}), "tga", opaque},
      {"16 bits with the footer", tgaOf(opaque, {16, true, true, {}}), "tga", opaque},
      {"16 bits, the top bit alpha", tgaOf(holes, {16, false, false, {}, 0, true}), "tga", holes},
      {"16 bits with the footer, the top bit alpha", tgaOf(holes, {16, true, true, {}, 0, true}),
       "tga", holes},
      {"16 bits, the alpha bit clear in every pixel",
       tgaOf(withHoles(opaque, 0, 1), {16, false, false, {}, 0, true}), "tga", opaque},
      {"16 bits, the extension area telling the bit is no alpha",
       tgaOf(holes, {16, false, true, {}, 0, true, 2}), "tga", opaque},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const GuardedImageReader::Result result = GuardedImageReader::readData(
        row.bytes, QSize(), GuardedImageReader::kMaxPixels, row.format);
    if (row.expected.isNull()) {
      EXPECT_EQ(result.error.toStdString(), GuardedImageReader::cutShortReason().toStdString());
      continue;
    }
    const QImage image = result.image.convertToFormat(QImage::Format_ARGB32);
    if (image.size() != opaque.size()) {
      ADD_FAILURE() << "no picture of its size: " << result.error.toStdString();
      continue;
    }
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(300, 199), row.expected.pixel(300, 199));
    EXPECT_TRUE(sameBytes(image, row.expected));
  }
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
