#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <QDataStream>
#include <QPointer>
#include <QTemporaryDir>
#include <QVariantMap>

#include "FakeDocumentUiHooks.h"
#include "document/DocumentKeys.h"
#include "document/TsSourceImage.h"
#include "kestrum/image/PixelBuffer.h"
#include "kestrum/qt/NamedImage.h"

namespace {

using kestrum::Pixel64;

QImage noise(int w, int h, unsigned seed) {
  QImage image(w, h, QImage::Format_ARGB32);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) image.setPixel(x, y, random() | 0xFF000000u);
  return image;
}

NamedImage named(const QImage& image) {
  return NamedImage(image, QUrl(QStringLiteral("https://example.com/pics/photo.png")));
}

// The engine's 2 x 2 reduction: per channel the floor mean of the two middle values; the last
// block of an odd side is shifted back to end on the edge.
QImage blockMedianHalf(const QImage& source) {
  QImage out((source.width() + 1) / 2, (source.height() + 1) / 2, QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const int x0 = std::min(2 * x, source.width() - 2), y0 = std::min(2 * y, source.height() - 2);
      QRgb result = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        int v[4];
        for (int k = 0; k < 4; ++k)
          v[k] = int(source.pixel(x0 + k % 2, y0 + k / 2) >> shift & 0xFF);
        std::sort(v, v + 4);
        result |= QRgb((v[1] + v[2]) / 2) << shift;
      }
      out.setPixel(x, y, result);
    }
  return out;
}

class SourceImage : public ::testing::Test {
 protected:
  FakeDocumentUiHooks hooks;
  QTemporaryDir folder;
};

TEST_F(SourceImage, FilesAreLimitedTo1280PixelsASideAndReceivedImagesAreNot) {
  struct Row {
    int w, h, limitedW, limitedH;
  } const rows[] = {{3000, 2000, 1280, 853},
                    {1000, 1500, 853, 1280},
                    {2000, 2000, 1280, 1280},
                    {1280, 1280, 1280, 1280}};
  for (const Row& row : rows) {
    QImage image(row.w, row.h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const QString path = folder.filePath(QStringLiteral("limit.png"));
    ASSERT_TRUE(image.save(path));
    const QSize size = TsSourceImage(path).displayImage().size();
    EXPECT_EQ(qMax(size.width(), size.height()), qMax(row.limitedW, row.limitedH));
    EXPECT_NEAR(size.width(), row.limitedW, 1);  // the other side as Qt rounds it
    EXPECT_NEAR(size.height(), row.limitedH, 1);
    EXPECT_EQ(TsSourceImage(named(image)).displayImage().size(), image.size());
  }
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

TEST_F(SourceImage, UnreadableFilesWarnAndStayInvalid) {
  const QString missing = folder.filePath(QStringLiteral("missing.jpg"));
  const TsSourceImage source(missing);
  EXPECT_FALSE(source.isValid());
  ASSERT_EQ(hooks.warnings.size(), 1);
  EXPECT_TRUE(hooks.warnings[0].startsWith("Sorry - could not open file " + missing + "\n\n"));
  EXPECT_EQ(source.checksum(), 0);
  EXPECT_FALSE(TsSourceImage(QString()).isValid());
  EXPECT_EQ(hooks.warnings.size(), 1);
}

TEST_F(SourceImage, ReceivedImagesOfEveryFormatEndAsArgb32) {
  const QImage original = noise(7, 5, 11);
  for (QImage::Format format :
       {QImage::Format_RGB32, QImage::Format_ARGB32_Premultiplied, QImage::Format_RGB888,
        QImage::Format_Indexed8, QImage::Format_Grayscale8, QImage::Format_RGBA64}) {
    const QImage received = original.convertToFormat(format);
    TsSourceImage source(named(received));
    EXPECT_EQ(source.displayImage(), received.convertToFormat(QImage::Format_ARGB32)) << format;
    EXPECT_EQ(source.displayImage().format(), QImage::Format_ARGB32);
    EXPECT_EQ(source.engineImage().kind, uint32_t(CvKindRgba8));
    EXPECT_EQ(source.fileName(), QStringLiteral("photo.png"));
  }
  const TsSourceImage copied(named(original));
  EXPECT_NE(copied.displayImage().constBits(), original.constBits());
  EXPECT_FALSE(TsSourceImage(named(QImage())).isValid());
}

TEST_F(SourceImage, BufferMastersWorkOnTheCallersMemory) {
  kestrum::PixelBuffer32 pixels32(5, 3, 32);
  TsSourceImage over32(pixels32, QStringLiteral("host"));
  pixels32.at(1, 1) = kestrum::Pixel32{{0, 0, 255, 128}};  // written by the host, seen at once
  EXPECT_EQ(over32.displayImage().pixel(1, 1), qRgba(255, 0, 0, 128));
  const CvImage engine32 = over32.engineImage();
  EXPECT_EQ(engine32.data, static_cast<void*>(pixels32.data()));
  EXPECT_EQ(engine32.stride, 32u);
  EXPECT_EQ(over32.masterKind() * 10 + over32.format(), 21);
  EXPECT_EQ(over32.bufferOrigin(), 1);

  kestrum::PixelBuffer64 pixels64(4, 2, 64);
  for (auto it = pixels64.begin(); it != pixels64.end(); ++it)
    *it = Pixel64{{32768, 128, 129, 32768}};
  TsSourceImage over64(pixels64, QStringLiteral("host16"));
  EXPECT_EQ(over64.displayImage().pixel(3, 1), qRgba(1, 0, 255, 255));
  const CvImage engine64 = over64.engineImage();
  EXPECT_EQ(engine64.data, static_cast<void*>(pixels64.data()));
  EXPECT_EQ(engine64.kind, uint32_t(CvKindRgbaHalf16));
  EXPECT_EQ(over64.masterKind() * 10 + over64.format(), 13);
}

TEST_F(SourceImage, WorkingImageIsTheDisplayReducedByTheResolution) {
  const QImage photo = noise(1001, 667, 5);
  TsSourceImage source(named(photo));
  const QImage& half = source.prepareWorkingImage(2);
  EXPECT_EQ(half.size(), QSize(501, 334));
  EXPECT_EQ(half, blockMedianHalf(photo));
  EXPECT_EQ(source.workingView().data(),
            reinterpret_cast<const kestrum::Pixel32*>(half.constBits()));
  const uchar* const bits = half.constBits();  // an engine session keeps pointing here
  EXPECT_EQ(source.prepareWorkingImage(2).constBits(), bits);
  EXPECT_EQ(source.prepareWorkingImage(1).constBits(), source.displayImage().constBits());

  // Factors the engine does not take, images too small for it and one too narrow, where it
  // fails: every working pixel is still written (opaque, as the source is).
  struct Row {
    int w, h, r, workingW, workingH;
  } const rows[] = {{1000, 667, 3, 334, 223},
                    {1001, 667, 8, 126, 84},
                    {1000, 667, 5, 200, 134},
                    {9, 20, 8, 2, 3},
                    {1, 100, 2, 1, 50}};
  for (const Row& row : rows) {
    TsSourceImage reduced(named(noise(row.w, row.h, 1)));
    const QImage working = reduced.prepareWorkingImage(row.r);
    ASSERT_EQ(working.size(), QSize(row.workingW, row.workingH)) << row.w << " at " << row.r;
    for (int y = 0; y < working.height(); ++y)
      for (int x = 0; x < working.width(); ++x) ASSERT_EQ(qAlpha(working.pixel(x, y)), 255);
  }
}

TEST_F(SourceImage, ChecksumCoversTheFirstWidthBytesOfTheMaster) {
  const QImage a = noise(40, 6, 3);
  QImage b = a, c = a;
  b.setPixel(39, 0, qRgb(1, 2, 3));  // beyond the first 40 bytes
  b.setPixel(5, 5, qRgb(1, 2, 3));
  c.setPixel(9, 0, qRgb(1, 2, 3));  // inside them
  const TsSourceImage sa(named(a)), sb(named(b)), sc(named(c));
  EXPECT_EQ(sa.checksum(),
            quint16(qChecksum(reinterpret_cast<const char*>(a.constBits()), 40) ^ 40 ^ 6));
  EXPECT_EQ(sa.checksum(), sb.checksum());
  EXPECT_NE(sa.checksum(), sc.checksum());
  kestrum::PixelBuffer64 wide(6, 2, 0);
  wide.at(0, 0) = Pixel64{{1, 2, 3, 4}};
  EXPECT_EQ(TsSourceImage(wide, QString()).checksum(),
            quint16(qChecksum(reinterpret_cast<const char*>(wide.data()), 6) ^ 6 ^ 2));
}

TEST_F(SourceImage, CroppedPixmapBoundsTheNonTransparentPixels) {
  QImage image(12, 9, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPoint corner(-7, -7);
  EXPECT_TRUE(TsSourceImage(named(image)).croppedToContentPixmap(&corner).isNull());
  EXPECT_EQ(corner, QPoint(-7, -7));
  image.setPixel(3, 2, qRgba(255, 0, 0, 1));
  image.setPixel(7, 5, qRgba(0, 255, 0, 255));
  const QPixmap cropped = TsSourceImage(named(image)).croppedToContentPixmap(&corner);
  EXPECT_EQ(cropped.size(), QSize(5, 4));
  EXPECT_EQ(corner, QPoint(3, 2));
  EXPECT_EQ(cropped.toImage().pixelColor(4, 3), QColor(0, 255, 0));
}

QVariantMap throughStream(const QVariant& value) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out.setVersion(QDataStream::Qt_5_15);
  out << value;
  QDataStream in(bytes);
  in.setVersion(QDataStream::Qt_5_15);
  QVariant back;
  in >> back;
  return back.toMap();
}

TEST_F(SourceImage, StoredMapsRoundTripAndBadOnesReadInvalid) {
  const QImage photo = noise(9, 4, 8);
  const TsSourceImage original(named(photo));
  const QVariantMap stored = throughStream(original.toVariant());
  const TsSourceImage read{QVariant(stored)};
  EXPECT_TRUE(read.isValid());
  EXPECT_EQ(read.fileName(), original.fileName());
  EXPECT_EQ(read.displayImage(), photo);
  QVariantMap defaulted = stored;
  defaulted.remove(documentKeys::imageMaster);
  defaulted.remove(documentKeys::format);
  EXPECT_EQ(TsSourceImage(QVariant(defaulted)).displayImage(), photo);

  // No pixels are stored for a host's buffer, so it reads back without any.
  const QVariantMap hosted =
      throughStream(TsSourceImage(kestrum::PixelBuffer64(3, 3, 0), QString()).toVariant());
  EXPECT_FALSE(hosted.contains(documentKeys::imageImage));
  EXPECT_EQ(hosted.value(documentKeys::format).toInt(), 3);
  EXPECT_FALSE(TsSourceImage(QVariant(hosted)).isValid());

  for (const QVariant& bad :
       {QVariant(), QVariant(42),
        QVariant(QVariantMap{{documentKeys::valid, true}, {documentKeys::imageImage, 17}}),
        QVariant(QVariantMap{{documentKeys::valid, true}, {documentKeys::imageMaster, 9}})}) {
    TsSourceImage image(bad);
    EXPECT_FALSE(image.isValid());
    EXPECT_TRUE(image.prepareWorkingImage(2).isNull());
  }
}

TEST_F(SourceImage, CopiesTakeOrShareTheMasterAndRefuseAnotherKindOrSize) {
  const QImage first = noise(6, 4, 1), second = noise(6, 4, 2);
  TsSourceImage original(named(first));
  original.setTag(7);
  const TsSourceImage deep(&original), shared(&original, TsSourceImage::SharePixels{});
  EXPECT_EQ(deep.displayImage(), first);
  EXPECT_NE(deep.displayImage().constBits(), original.displayImage().constBits());
  EXPECT_EQ(shared.displayView().data(), original.displayView().data());
  EXPECT_EQ(deep.tag() + shared.tag(), 14);
  EXPECT_EQ(deep.bufferOrigin() * 10 + shared.bufferOrigin(), 1);

  kestrum::PixelBuffer64 wide(5, 2, 16);
  wide.at(4, 1) = Pixel64{{100, 200, 300, 32768}};
  const TsSourceImage hosted(wide, QStringLiteral("hosted"));
  const TsSourceImage hostedDeep(&hosted), hostedShared(&hosted, TsSourceImage::SharePixels{});
  EXPECT_EQ(hostedDeep.masterView64().at(4, 1), wide.at(4, 1));
  EXPECT_NE(hostedDeep.masterView64().data(), wide.data());
  EXPECT_EQ(hostedShared.masterView64().data(), wide.data());

  kestrum::PixelBuffer32 pixels(6, 4, 0);
  EXPECT_FALSE(original.copyPixelsFrom(TsSourceImage(named(noise(5, 4, 3)))));
  EXPECT_FALSE(original.copyPixelsFrom(TsSourceImage(pixels, QString())));
  EXPECT_EQ(original.displayImage(), first);
  original.prepareWorkingImage(2);
  const QImage handedOut = original.displayImage();
  EXPECT_TRUE(original.copyPixelsFrom(TsSourceImage(named(second))));
  EXPECT_EQ(original.displayImage(), second);
  EXPECT_EQ(handedOut, first) << "a copy handed out keeps its pixels";
  EXPECT_EQ(original.prepareWorkingImage(2), blockMedianHalf(second));
}

TEST_F(SourceImage, ExhaustedMemoryWarnsAndLeavesAnInvalidImage) {
  // Too wide for the display buffer's 32-bit rows: refused like an allocation that failed.
  Pixel64 one{{1, 2, 3, 4}};
  TsSourceImage source(kestrum::PixelView64(1 << 30, 1, &one, 8), QStringLiteral("huge"));
  EXPECT_FALSE(source.isValid());
  EXPECT_EQ(hooks.warnings, QStringList{QStringLiteral("Out of memory")});
  EXPECT_TRUE(source.prepareWorkingImage(4).isNull());
}

TEST_F(SourceImage, TheDefaultHooksRefuseAnImageAndLeaveItToTheCaller) {
  DocumentUiHooks* mine = setDocumentUiHooks(nullptr);
  QPointer<TsSourceImage> image = new TsSourceImage(named(noise(2, 2, 1)));
  EXPECT_FALSE(documentUiHooks().installImage(image));
  EXPECT_FALSE(image.isNull());
  delete image.data();
  setDocumentUiHooks(mine);
}

}  // namespace
