#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <libexif/exif-data.h>

#include "ExifBytes.h"
#include "FakeDocumentUiHooks.h"
#include "WaitFor.h"
#include "document/ImageOrientation.h"
#include "document/JpegMetadata.h"
#include "document/PhotoReader.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/GuardedImageReader.h"

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray qtJpeg(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "JPEG", 95);
  return bytes;
}

// The orientation of the first directory as libexif reads it; 0 for none or one outside 1..8.
int libexifOrientation(const QByteArray& bytes) {
  ExifData* data = exif_data_new();
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data, reinterpret_cast<const unsigned char*>(bytes.constData()),
                      unsigned(bytes.size()));
  int orientation = 0;
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1)
    orientation = exif_get_short(entry->data, exif_data_get_byte_order(data));
  exif_data_unref(data);
  return orientation >= 1 && orientation <= 8 ? orientation : 0;
}

// Where stored pixel (x, y) of a w x h image belongs upright: which stored row and column
// each orientation makes the top and the left.
QPoint uprightPosition(int orientation, int x, int y, int w, int h) {
  switch (orientation) {
    case 2:
      return {w - 1 - x, y};
    case 3:
      return {w - 1 - x, h - 1 - y};
    case 4:
      return {x, h - 1 - y};
    case 5:
      return {y, x};
    case 6:
      return {h - 1 - y, x};
    case 7:
      return {h - 1 - y, w - 1 - x};
    case 8:
      return {y, w - 1 - x};
    default:
      return {x, y};
  }
}

TEST(ImageOrientation, EveryPixelOfA3x2ImageGoesWhereItsOrientationSays) {
  QTemporaryDir folder;
  QImage stored(3, 2, QImage::Format_ARGB32);
  for (int i = 0; i < 6; ++i) stored.setPixel(i % 3, i / 3, qRgb(40 * i, 7, 9));
  const QString path = folder.filePath(QStringLiteral("corner.jpg"));
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const QByteArray jpeg = qtJpeg(stored);
    exif_bytes::Tiff tiff(orientation % 2 == 0);
    tiff.directory({{0x0112, 3, 1, uint32_t(orientation)}});
    ASSERT_TRUE(
        writeAll(path, jpeg.left(2) + exif_bytes::segment(0xE1, tiff.exifBody()) + jpeg.mid(2)));
    QImage upright = stored;
    rotateImage(upright, path);
    ASSERT_EQ(upright.size(), orientation >= 5 ? QSize(2, 3) : QSize(3, 2));
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(upright.pixel(uprightPosition(orientation, i % 3, i / 3, 3, 2)),
                stored.pixel(i % 3, i / 3));
  }
  EXPECT_TRUE(orientationTransform(folder.filePath(QStringLiteral("none.jpg"))).isIdentity());
}

// A photo read is turned within its own memory as Qt turns it, format and bytes, on sides that
// the bands and tiles of the move do not divide; other formats take Qt's turn itself.
TEST(ImageOrientation, APhotoReadTurnsAsQtTurnsIt) {
  for (const QSize size : {QSize(1, 1), QSize(3, 2), QSize(131, 67), QSize(65, 129)}) {
    QImage stored(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x) stored.setPixel(x, y, qRgb(x * 3, y * 5, x ^ y));
    for (const QImage& picture : {stored, stored.convertToFormat(QImage::Format_Grayscale8)})
      for (int orientation = 0; orientation <= 9; ++orientation) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height() << " format "
                                        << picture.format() << " orientation " << orientation);
        const QByteArray jpeg = qtJpeg(picture);
        exif_bytes::Tiff tiff(orientation % 2 == 0);
        tiff.directory({{0x0112, 3, 1, uint32_t(orientation)}});
        const QByteArray tagged =
            jpeg.left(2) + exif_bytes::segment(0xE1, tiff.exifBody()) + jpeg.mid(2);
        const QImage decoded = kestrum::GuardedImageReader::readData(tagged).image;
        ASSERT_EQ(decoded.format(), picture.format());
        const QImage expected =
            decoded.transformed(transformForOrientation(orientation), Qt::FastTransformation);
        EXPECT_EQ(PhotoReader::readData(tagged).image,
                  expected.convertToFormat(QImage::Format_ARGB32));
      }
  }
}

TEST(ImageOrientation, EveryOrientationOfThePackagePhotoOpensUpright) {
  FakeDocumentUiHooks hooks;
  const QDir folder(QStringLiteral(ZARVO_IMAGING_TESTDATA));
  const TsSourceImage reference(folder.filePath(QStringLiteral("orientation_0.jpg")));
  const QImage& upright = reference.displayImage();
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const TsSourceImage photo(
        folder.filePath(QStringLiteral("orientation_%1.jpg").arg(orientation)));
    ASSERT_EQ(photo.displayImage().size(), upright.size());
    double difference = 0;
    for (int y = 0; y < upright.height(); ++y)
      for (int x = 0; x < upright.width(); ++x) {
        const QRgb p = photo.displayImage().pixel(x, y), q = upright.pixel(x, y);
        difference += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                      std::abs(qBlue(p) - qBlue(q));
      }
    EXPECT_LT(difference / (3.0 * upright.width() * upright.height()), 2.0);
  }
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

// Copies of a Qt-written JPEG tagged by exiftool, orientations 1 to 8 in both byte orders,
// and one with a second orientation in the thumbnail's directory; with their tags.
std::map<QString, int> exiftoolTaggedCopies(const QTemporaryDir& folder) {
  QImage picture(48, 32, QImage::Format_RGB32);
  picture.fill(Qt::darkMagenta);
  const QByteArray plain = qtJpeg(picture);
  std::map<QString, int> tagged;
  QStringList commands;
  for (int i = 0; i < 17; ++i) {
    const QString path = folder.filePath(QStringLiteral("tagged_%1.jpg").arg(i));
    writeAll(path, plain);
    const int orientation = i < 16 ? i % 8 + 1 : 6;
    tagged[path] = orientation;
    commands << QStringLiteral("-overwrite_original")
             << (i < 8 ? QStringLiteral("-ExifByteOrder=II") : QStringLiteral("-ExifByteOrder=MM"))
             << QStringLiteral("-IFD0:Orientation#=%1").arg(orientation);
    if (i == 16) commands << QStringLiteral("-IFD1:Orientation#=3");
    commands << path;
    if (i < 16) commands << QStringLiteral("-execute");
  }
  const QString arguments = folder.filePath(QStringLiteral("arguments.txt"));
  writeAll(arguments, commands.join(QLatin1Char('\n')).toUtf8());
  QProcess exiftool;
  exiftool.start(QStringLiteral(ZARVO_EXIFTOOL),
                 {QStringLiteral("-q"), QStringLiteral("-@"), arguments});
  EXPECT_TRUE(exiftool.waitForFinished(zarvo_test::childLimitMs()) && exiftool.exitCode() == 0);
  return tagged;
}

TEST(ImageOrientation, ReadsWhatLibexifReadsInEveryPackageAndTaggedJpeg) {
  QTemporaryDir folder;
  const std::map<QString, int> tagged = exiftoolTaggedCopies(folder);
  QStringList paths;
  for (const auto& file : tagged) paths << file.first;
  const QString goexif = QStringLiteral(ZARVO_GOEXIF_DIR);
  for (const QString& dir :
       {QStringLiteral(ZARVO_IMAGING_TESTDATA), goexif, goexif + QStringLiteral("/samples"),
        goexif + QStringLiteral("/corrupt")})
    for (const QString& name : QDir(dir).entryList({QStringLiteral("*.jpg")}, QDir::Files))
      paths << QDir(dir).filePath(name);
  ASSERT_GE(paths.size(), 80);

  int compared = 0;
  QSet<int> seen;
  for (const QString& path : paths) {
    SCOPED_TRACE(path.toStdString());
    const QByteArray bytes = readAll(path);
    JpegMetadata fromFile, fromMemory;
    const bool scanned = loadJpegMetadata(path, fromFile);
    EXPECT_EQ(readJpegMetadata(reinterpret_cast<const unsigned char*>(bytes.constData()),
                               size_t(bytes.size()), fromMemory),
              scanned);
    EXPECT_EQ(fromMemory.orientation, fromFile.orientation);
    if (!scanned) {  // cut off before the image data, or damaged: no turn
      EXPECT_TRUE(orientationTransform(path).isIdentity());
      continue;
    }
    EXPECT_EQ(fromFile.orientation, libexifOrientation(bytes));
    EXPECT_EQ(fromFile.orientation, tagged.count(path) ? tagged.at(path) : fromFile.orientation);
    seen.insert(fromFile.orientation);
    ++compared;
  }
  EXPECT_GE(compared, 17 + 12);
  EXPECT_EQ(seen.size(), 9);
}

TEST(ImageOrientation, FuzzCorpusReadsWithinRange) {
  const QDir corpus(QStringLiteral(ZARVO_FUZZ_CORPUS "/exif_orientation"));
  const QStringList seeds = corpus.entryList(QDir::Files);
  ASSERT_FALSE(seeds.isEmpty());
  for (const QString& seed : seeds) {
    const QByteArray bytes = readAll(corpus.filePath(seed));
    JpegMetadata metadata;
    readJpegMetadata(reinterpret_cast<const unsigned char*>(bytes.constData()),
                     size_t(bytes.size()), metadata);
    EXPECT_TRUE(metadata.orientation >= 0 && metadata.orientation <= 8) << seed.toStdString();
  }
}

}  // namespace
