#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QVariantMap>

#include "RecordingUiHooks.h"
#include "document/DocumentKeys.h"
#include "document/TsSourceImage.h"
#include "kestrum/image/PixelBuffer.h"
#include "kestrum/qt/NamedImage.h"

namespace {

using kestrum::Pixel32;
using kestrum::Pixel64;

QImage noise(int w, int h, unsigned seed, QImage::Format format = QImage::Format_ARGB32) {
  QImage image(w, h, QImage::Format_ARGB32);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) line[x] = random() | 0xFF000000u;
  }
  return image.convertToFormat(format);
}

NamedImage named(const QImage& image) {
  return NamedImage(image, QUrl(QStringLiteral("https://example.com/pics/photo.png")));
}

// The engine's 2 x 2 reduction: per channel the floor mean of the two middle values; a block
// that would run past an odd edge is shifted back to end on it.
QImage blockMedianHalf(const QImage& source) {
  const int w = (source.width() + 1) / 2, h = (source.height() + 1) / 2;
  QImage out(w, h, QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int y0 = std::min(2 * y, source.height() - 2);
      const int x0 = std::min(2 * x, source.width() - 2);
      const QRgb p[4] = {source.pixel(x0, y0), source.pixel(x0 + 1, y0), source.pixel(x0, y0 + 1),
                         source.pixel(x0 + 1, y0 + 1)};
      QRgb result = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        int v[4];
        for (int k = 0; k < 4; ++k) v[k] = int(p[k] >> shift & 0xFF);
        std::sort(v, v + 4);
        result |= QRgb((v[1] + v[2]) / 2) << shift;
      }
      out.setPixel(x, y, result);
    }
  }
  return out;
}

class SourceImage : public ::testing::Test {
 protected:
  RecordingUiHooks hooks;
  QTemporaryDir folder;

  QString save(const QImage& image, const QString& name) {
    const QString path = folder.filePath(name);
    EXPECT_TRUE(image.save(path));
    return path;
  }
};

TEST_F(SourceImage, FilesAreLimitedTo1280PixelsASideAndOthersAreNot) {
  struct Row {
    int w, h, expectedW, expectedH;
  };
  const Row rows[] = {{3000, 2000, 1280, 853},
                      {1000, 1500, 853, 1280},
                      {2000, 2000, 1280, 1280},
                      {1280, 1280, 1280, 1280},
                      {1281, 10, 1280, 10}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.w << " x " << row.h);
    QImage image(row.w, row.h, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    const TsSourceImage source(save(image, QStringLiteral("limit.png")));
    ASSERT_TRUE(source.isValid());
    // The longer side exactly, the other as Qt rounds it.
    const QSize size = source.displayImage().size();
    EXPECT_EQ(qMax(size.width(), size.height()), qMax(row.expectedW, row.expectedH));
    EXPECT_NEAR(size.width(), row.expectedW, 1);
    EXPECT_NEAR(size.height(), row.expectedH, 1);
    EXPECT_EQ(source.displayImage().format(), QImage::Format_ARGB32);
    EXPECT_EQ(source.masterKind(), TsSourceImage::QImageMaster);
  }
  QImage large(3000, 2000, QImage::Format_RGB32);
  large.fill(Qt::gray);
  const TsSourceImage received(named(large));
  EXPECT_EQ(received.displayImage().size(), QSize(3000, 2000));
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

TEST_F(SourceImage, UnreadableFilesWarnAndStayInvalid) {
  const QString missing = folder.filePath(QStringLiteral("missing.jpg"));
  QFile garbage(folder.filePath(QStringLiteral("garbage.jpg")));
  ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
  garbage.write("\xFF\xD8\xFF\xE1 not really a photo");
  garbage.close();
  for (const QString& path : {missing, garbage.fileName()}) {
    hooks.warnings.clear();
    const TsSourceImage source(path);
    EXPECT_FALSE(source.isValid());
    EXPECT_EQ(hooks.warnings,
              QStringList{QStringLiteral("Sorry - could not open file %1").arg(path)});
    EXPECT_EQ(source.checksum(), 0);
    EXPECT_TRUE(source.displayPixmap().isNull());
  }
  hooks.warnings.clear();
  const TsSourceImage unnamed{QString()};
  EXPECT_FALSE(unnamed.isValid());
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

TEST_F(SourceImage, ReceivedImagesOfEveryFormatEndAsArgb32) {
  const QImage::Format formats[] = {
      QImage::Format_RGB32,      QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied,
      QImage::Format_RGB888,     QImage::Format_RGB16,  QImage::Format_Indexed8,
      QImage::Format_Grayscale8, QImage::Format_RGBA64};
  const QImage original = noise(7, 5, 11);
  for (QImage::Format format : formats) {
    SCOPED_TRACE(format);
    const QImage received = original.convertToFormat(format);
    TsSourceImage source(named(received));
    ASSERT_TRUE(source.isValid());
    EXPECT_EQ(source.displayImage().format(), QImage::Format_ARGB32);
    EXPECT_EQ(source.fileName(), QStringLiteral("photo.png"));
    EXPECT_EQ(source.displayImage(), received.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(source.engineImage().kind, uint32_t(CvKindRgba8));
    EXPECT_EQ(source.prepareWorkingImage(2).size(), QSize(4, 3));
  }
  // A received image in ARGB32 already is copied, not shared.
  QImage shared = original;
  TsSourceImage source(named(shared));
  EXPECT_NE(source.displayImage().constBits(), shared.constBits());
  EXPECT_FALSE(TsSourceImage(named(QImage())).isValid());
}

TEST_F(SourceImage, BufferMastersWorkOnTheCallersMemory) {
  kestrum::PixelBuffer32 pixels32(5, 3, 32);
  for (auto it = pixels32.begin(); it != pixels32.end(); ++it) *it = Pixel32{{10, 20, 30, 255}};
  TsSourceImage over32(pixels32, QStringLiteral("host"));
  EXPECT_EQ(over32.masterKind(), TsSourceImage::Buffer32Master);
  EXPECT_EQ(over32.format(), TsSourceImage::Format8);
  EXPECT_EQ(over32.bufferOrigin(), 1);
  EXPECT_EQ(over32.displayImage().constBits(), reinterpret_cast<const uchar*>(pixels32.data()));
  EXPECT_EQ(over32.displayImage().pixel(4, 2), qRgba(30, 20, 10, 255));
  CvImage engine = over32.engineImage();
  EXPECT_EQ(engine.data, static_cast<void*>(pixels32.data()));
  EXPECT_EQ(engine.stride, 32u);
  EXPECT_EQ(engine.kind, uint32_t(CvKindRgba8));
  pixels32.at(1, 1) = Pixel32{{0, 0, 255, 128}};  // written by the host, seen at once
  EXPECT_EQ(over32.displayImage().pixel(1, 1), qRgba(255, 0, 0, 128));

  kestrum::PixelBuffer64 pixels64(4, 2, 64);
  for (auto it = pixels64.begin(); it != pixels64.end(); ++it)
    *it = Pixel64{{32768, 128, 129, 32768}};
  TsSourceImage over64(pixels64, QStringLiteral("host16"));
  EXPECT_EQ(over64.masterKind(), TsSourceImage::Buffer64Master);
  EXPECT_EQ(over64.format(), TsSourceImage::Format15);
  EXPECT_EQ(over64.displayImage().pixel(3, 1), qRgba(1, 0, 255, 255));
  engine = over64.engineImage();
  EXPECT_EQ(engine.data, static_cast<void*>(pixels64.data()));
  EXPECT_EQ(engine.kind, uint32_t(CvKindRgbaHalf16));
  EXPECT_EQ(engine.stride, 64u);

  const TsSourceImage fromFile(named(noise(3, 3, 1)));
  EXPECT_EQ(fromFile.bufferOrigin(), 0);
}

TEST_F(SourceImage, WorkingImageIsTheDisplayReducedByTheResolution) {
  const QImage photo = noise(1001, 667, 5);
  TsSourceImage source(named(photo));
  const QImage& half = source.prepareWorkingImage(2);
  EXPECT_EQ(half.size(), QSize(501, 334));
  EXPECT_EQ(half, blockMedianHalf(photo));
  EXPECT_EQ(source.workingPixmap().size(), QSize(501, 334));
  EXPECT_EQ(source.workingView().data(), reinterpret_cast<const Pixel32*>(half.constBits()));

  // Built once per resolution: an engine session keeps pointing at the same pixels.
  const uchar* const bits = half.constBits();
  EXPECT_EQ(source.prepareWorkingImage(2).constBits(), bits);

  struct Row {
    int w, h, r, expectedW, expectedH;
  };
  const Row rows[] = {{1000, 667, 3, 334, 223}, {1000, 667, 4, 250, 167}, {1001, 667, 8, 126, 84},
                      {1000, 667, 5, 200, 134}, {9, 20, 8, 2, 3},         {1, 100, 2, 1, 50}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.w << " x " << row.h << " at " << row.r);
    const QImage image = noise(row.w, row.h, unsigned(row.r));
    TsSourceImage reduced(named(image));
    const QImage working = reduced.prepareWorkingImage(row.r);
    ASSERT_EQ(working.size(), QSize(row.expectedW, row.expectedH));
    EXPECT_EQ(working.format(), QImage::Format_ARGB32);
    // Every working pixel is written: it is one of the display pixels of its block's area or
    // a median of them, never left over memory. Opaque sources give opaque results.
    for (int y = 0; y < working.height(); ++y)
      for (int x = 0; x < working.width(); ++x) ASSERT_EQ(qAlpha(working.pixel(x, y)), 255);
  }

  // At resolution 1 the working forms are the display ones, sharing memory.
  const QImage& full = source.prepareWorkingImage(1);
  EXPECT_EQ(full.constBits(), source.displayImage().constBits());
  EXPECT_EQ(source.workingView().data(), source.displayView().data());
}

TEST_F(SourceImage, ChecksumCoversTheFirstWidthBytesOfTheMaster) {
  QImage a = noise(40, 6, 3);
  QImage b = a;
  b.setPixel(39, 0, qRgb(1, 2, 3));  // beyond the first 40 bytes of the row
  b.setPixel(5, 5, qRgb(1, 2, 3));
  QImage c = a;
  c.setPixel(9, 0, qRgb(1, 2, 3));  // inside them
  const TsSourceImage sa(named(a)), sb(named(b)), sc(named(c));
  EXPECT_EQ(sa.checksum(), sb.checksum());
  EXPECT_NE(sa.checksum(), sc.checksum());
  const quint16 expected =
      quint16(qChecksum(reinterpret_cast<const char*>(a.constBits()), 40) ^ 40 ^ 6);
  EXPECT_EQ(sa.checksum(), expected);

  kestrum::PixelBuffer64 wide(6, 2, 0);
  for (auto it = wide.begin(); it != wide.end(); ++it) *it = Pixel64{{1, 2, 3, 4}};
  const TsSourceImage sw(wide, QStringLiteral("w"));
  EXPECT_EQ(sw.checksum(),
            quint16(qChecksum(reinterpret_cast<const char*>(wide.data()), 6) ^ 6 ^ 2));
}

TEST_F(SourceImage, CroppedPixmapBoundsTheNonTransparentPixels) {
  QImage image(12, 9, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  TsSourceImage empty(named(image));
  QPoint corner(-7, -7);
  EXPECT_TRUE(empty.croppedToContentPixmap(&corner).isNull());
  EXPECT_EQ(corner, QPoint(-7, -7));

  image.setPixel(3, 2, qRgba(255, 0, 0, 1));
  image.setPixel(7, 5, qRgba(0, 255, 0, 255));
  TsSourceImage content(named(image));
  const QPixmap cropped = content.croppedToContentPixmap(&corner);
  EXPECT_EQ(cropped.size(), QSize(5, 4));
  EXPECT_EQ(corner, QPoint(3, 2));
  EXPECT_EQ(cropped.toImage().pixelColor(4, 3), QColor(0, 255, 0));
  EXPECT_EQ(content.croppedToContentPixmap().size(), QSize(5, 4));
}

QVariant throughStream(const QVariant& value) {
  QByteArray bytes;
  {
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << value;
  }
  QDataStream in(bytes);
  in.setVersion(QDataStream::Qt_5_15);
  QVariant back;
  in >> back;
  return back;
}

TEST_F(SourceImage, StoredMapRoundTripsAndHostileMapsReadInvalid) {
  const QImage photo = noise(9, 4, 8);
  TsSourceImage original(named(photo));
  const QVariantMap stored = throughStream(original.toVariant()).toMap();
  EXPECT_EQ(stored.value(documentKeys::imageMaster).toInt(), 0);
  EXPECT_TRUE(stored.contains(documentKeys::imageImage));
  const TsSourceImage read{QVariant(stored)};
  EXPECT_TRUE(read.isValid());
  EXPECT_EQ(read.fileName(), original.fileName());
  EXPECT_EQ(read.format(), TsSourceImage::Format8);
  EXPECT_EQ(read.displayImage(), photo);
  EXPECT_EQ(read.checksum(), original.checksum());

  kestrum::PixelBuffer64 wide(3, 3, 0);
  const TsSourceImage hosted(wide, QStringLiteral("hosted"));
  const QVariantMap hostedMap = throughStream(hosted.toVariant()).toMap();
  EXPECT_FALSE(hostedMap.contains(documentKeys::imageImage));
  EXPECT_EQ(hostedMap.value(documentKeys::format).toInt(), 3);
  const TsSourceImage hostedRead{QVariant(hostedMap)};
  EXPECT_FALSE(hostedRead.isValid()) << "no pixels are stored for a host's buffer";
  EXPECT_EQ(hostedRead.masterKind(), TsSourceImage::Buffer64Master);

  QVariantMap withoutKindAndFormat = stored;
  withoutKindAndFormat.remove(documentKeys::imageMaster);
  withoutKindAndFormat.remove(documentKeys::format);
  const TsSourceImage defaulted{QVariant(withoutKindAndFormat)};
  EXPECT_TRUE(defaulted.isValid());
  EXPECT_EQ(defaulted.masterKind(), 0);
  EXPECT_EQ(defaulted.format(), 1);

  const QVariant hostile[] = {
      QVariant(), QVariant(42),
      QVariant(QVariantMap{{documentKeys::valid, true}, {documentKeys::imageImage, 17}}),
      QVariant(QVariantMap{{documentKeys::valid, true},
                           {documentKeys::imageMaster, 9},
                           {documentKeys::format, -4}})};
  for (const QVariant& map : hostile) {
    TsSourceImage bad(map);
    EXPECT_FALSE(bad.isValid());
    EXPECT_EQ(bad.checksum(), 0);
    EXPECT_TRUE(bad.prepareWorkingImage(2).isNull());
  }
}

TEST_F(SourceImage, CopiesTakeOrShareTheMaster) {
  const QImage photo = noise(6, 4, 21);
  TsSourceImage original(named(photo));
  original.setTag(7);

  TsSourceImage deep(&original);
  EXPECT_TRUE(deep.isValid());
  EXPECT_EQ(deep.tag(), 7);
  EXPECT_EQ(deep.bufferOrigin(), 0);
  EXPECT_EQ(deep.displayImage(), photo);
  EXPECT_NE(deep.displayImage().constBits(), original.displayImage().constBits());

  TsSourceImage shared(&original, TsSourceImage::SharePixels{});
  EXPECT_EQ(shared.bufferOrigin(), 1);
  EXPECT_EQ(shared.tag(), 7);
  EXPECT_EQ(shared.displayView().data(), original.displayView().data());
  EXPECT_EQ(shared.fileName(), original.fileName());

  kestrum::PixelBuffer64 wide(5, 2, 16);
  for (auto it = wide.begin(); it != wide.end(); ++it) *it = Pixel64{{100, 200, 300, 32768}};
  TsSourceImage hosted(wide, QStringLiteral("hosted"));
  TsSourceImage hostedDeep(&hosted);
  EXPECT_EQ(hostedDeep.masterKind(), TsSourceImage::Buffer64Master);
  EXPECT_NE(hostedDeep.masterView64().data(), wide.data());
  EXPECT_EQ(hostedDeep.masterView64().at(4, 1), (Pixel64{{100, 200, 300, 32768}}));
  EXPECT_EQ(hostedDeep.displayImage(), hosted.displayImage());
  TsSourceImage hostedShared(&hosted, TsSourceImage::SharePixels{});
  EXPECT_EQ(hostedShared.masterView64().data(), wide.data());
}

TEST_F(SourceImage, CopyingPixelsIsRefusedAcrossKindsAndSizes) {
  const QImage first = noise(6, 4, 1), second = noise(6, 4, 2), other = noise(5, 4, 3);
  TsSourceImage target(named(first));
  const QImage before = target.displayImage().copy();
  TsSourceImage differentSize(named(other));
  kestrum::PixelBuffer32 pixels(6, 4, 0);
  TsSourceImage differentKind(pixels, QStringLiteral("host"));
  EXPECT_FALSE(target.copyPixelsFrom(differentSize));
  EXPECT_FALSE(target.copyPixelsFrom(differentKind));
  EXPECT_EQ(target.displayImage(), before);

  target.prepareWorkingImage(2);
  const QImage heldCopy = target.displayImage();  // somebody still holds the old pixels
  TsSourceImage source(named(second));
  EXPECT_TRUE(target.copyPixelsFrom(source));
  EXPECT_EQ(target.displayImage(), second);
  EXPECT_EQ(heldCopy, before) << "a copy handed out keeps its pixels";
  EXPECT_TRUE(target.workingImage().isNull()) << "the working forms are built again";
  EXPECT_EQ(target.prepareWorkingImage(2), blockMedianHalf(second));
}

TEST_F(SourceImage, ExhaustedMemoryWarnsAndLeavesAnInvalidImage) {
  // Too wide for the display buffer's 32-bit rows: refused like an allocation that failed.
  Pixel64 one{{1, 2, 3, 4}};
  const kestrum::PixelView64 huge(1 << 30, 1, &one, 8);
  TsSourceImage source(huge, QStringLiteral("huge"));
  EXPECT_FALSE(source.isValid());
  EXPECT_EQ(hooks.warnings, QStringList{QStringLiteral("Out of memory")});
  EXPECT_TRUE(source.displayImage().isNull());
  EXPECT_EQ(source.checksum(), 0);
  EXPECT_TRUE(source.prepareWorkingImage(4).isNull());
}

TEST_F(SourceImage, DescriptionsNameTheEngineKind) {
  struct Row {
    QImage::Format format;
    uint32_t kind;
    bool described;
  };
  const Row rows[] = {{QImage::Format_Indexed8, CvKindStatus, true},
                      {QImage::Format_RGB32, CvKindRgba8, true},
                      {QImage::Format_ARGB32, CvKindRgba8, true},
                      {QImage::Format_ARGB32_Premultiplied, 0, false},
                      {QImage::Format_Grayscale8, 0, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.format);
    QImage image(5, 3, row.format);
    image.setOffset(QPoint(12, -4));
    const CvSelection s = describePositionedImage(image);
    EXPECT_EQ(s.x, 12);
    EXPECT_EQ(s.y, -4);
    if (row.described) {
      EXPECT_EQ(s.image.kind, row.kind);
      EXPECT_EQ(s.image.width, 5u);
      EXPECT_EQ(s.image.height, 3u);
      EXPECT_EQ(s.image.stride, uint32_t(image.bytesPerLine()));
      EXPECT_EQ(s.image.data, static_cast<const void*>(image.constBits()));
    } else {
      EXPECT_EQ(s.image.data, nullptr);
      EXPECT_EQ(s.image.width, 0u);
    }
  }
}

TEST_F(SourceImage, TheDefaultHooksDisposeOfARefusedImage) {
  DocumentUiHooks* mine = setDocumentUiHooks(nullptr);
  QPointer<TsSourceImage> image = new TsSourceImage(named(noise(2, 2, 1)));
  documentUiHooks().installImage(image);
  EXPECT_TRUE(image.isNull());
  setDocumentUiHooks(mine);
}

}  // namespace
