#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <libexif/exif-data.h>

#include "ExifBytes.h"
#include "RecordingUiHooks.h"
#include "document/ImageOrientation.h"
#include "document/JpegMetadata.h"
#include "document/TsSourceImage.h"

namespace {

const QString kImaging = QStringLiteral(ZARVO_IMAGING_TESTDATA);
const QString kGoexif = QStringLiteral(ZARVO_GOEXIF_DIR);

QByteArray readAll(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QByteArray();
  return file.readAll();
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

// The orientation of the first directory as libexif reads it, 0 when there is none or it is
// no value 1..8: an independent reader to hold ours against.
int libexifOrientation(const QByteArray& bytes) {
  ExifData* data = exif_data_new();
  exif_data_unset_option(data, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
  exif_data_load_data(data, reinterpret_cast<const unsigned char*>(bytes.constData()),
                      unsigned(bytes.size()));
  int orientation = 0;
  ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
  if (entry && entry->format == EXIF_FORMAT_SHORT && entry->components >= 1 && entry->data)
    orientation = exif_get_short(entry->data, exif_data_get_byte_order(data));
  exif_data_unref(data);
  return orientation >= 1 && orientation <= 8 ? orientation : 0;
}

// Where the stored pixel (x, y) of a w x h image belongs upright, by the Exif definition of
// each orientation (which stored row and column become the top and the left).
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

TEST(ImageOrientation, EachOrientationMovesEveryPixelOfA3x2ImageWhereExifSaysItBelongs) {
  QTemporaryDir folder;
  QImage stored(3, 2, QImage::Format_ARGB32);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) stored.setPixel(x, y, qRgb(40 * x, 100 * y, 7));
  for (int orientation = 0; orientation <= 8; ++orientation) {
    for (bool intel : {false, true}) {
      SCOPED_TRACE(testing::Message() << "orientation " << orientation << (intel ? " II" : " MM"));
      // A real JPEG with the Exif segment put in after its start of image.
      const QByteArray jpeg = qtJpeg(stored);
      exif_bytes::Tiff tiff(intel);
      tiff.directory({{0x0112, 3, 1, uint16_t(orientation)}});
      const QByteArray tagged =
          jpeg.left(2) + exif_bytes::segment(0xE1, tiff.exifBody()) + jpeg.mid(2);
      const QString path = folder.filePath(QStringLiteral("corner.jpg"));
      ASSERT_TRUE(writeAll(path, tagged));

      QImage upright = stored;
      rotateImage(upright, path);
      const bool turned = orientation >= 5;
      ASSERT_EQ(upright.size(), turned ? QSize(2, 3) : QSize(3, 2));
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
          EXPECT_EQ(upright.pixel(uprightPosition(orientation, x, y, 3, 2)), stored.pixel(x, y))
              << "stored pixel " << x << ", " << y;
      EXPECT_EQ(orientationTransform(path), transformForOrientation(orientation));
    }
  }
  EXPECT_TRUE(orientationTransform(folder.filePath(QStringLiteral("none.jpg"))).isIdentity());
  EXPECT_TRUE(transformForOrientation(9).isIdentity());
}

// Mean absolute difference per channel.
double meanDifference(const QImage& a, const QImage& b) {
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    for (int x = 0; x < a.width(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
    }
  }
  return sum / (3.0 * a.width() * a.height());
}

TEST(ImageOrientation, EveryPackagePhotoOpensUpright) {
  RecordingUiHooks hooks;
  const TsSourceImage reference(QDir(kImaging).filePath(QStringLiteral("orientation_0.jpg")));
  ASSERT_TRUE(reference.isValid());
  for (int orientation = 0; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const QString path =
        QDir(kImaging).filePath(QStringLiteral("orientation_%1.jpg").arg(orientation));
    JpegMetadata metadata;
    ASSERT_TRUE(loadJpegMetadata(path, metadata));
    EXPECT_EQ(metadata.orientation, orientation);
    const TsSourceImage photo(path);
    ASSERT_TRUE(photo.isValid());
    ASSERT_EQ(photo.displayImage().size(), reference.displayImage().size());
    EXPECT_LT(meanDifference(photo.displayImage(), reference.displayImage()), 2.0);
  }
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

class TaggedCopies : public ::testing::Test {
 protected:
  QTemporaryDir folder;

  // Runs exiftool over an argument file of commands separated by -execute.
  void exiftool(const QStringList& commands) {
    const QString arguments = folder.filePath(QStringLiteral("arguments.txt"));
    ASSERT_TRUE(writeAll(arguments, commands.join(QLatin1Char('\n')).toUtf8() + "\n"));
    QProcess process;
    process.start(QStringLiteral(ZARVO_EXIFTOOL), {QStringLiteral("-@"), arguments});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
  }
};

TEST_F(TaggedCopies, OrientationsWrittenByExiftoolReadAsWritten) {
  QImage picture(48, 32, QImage::Format_RGB32);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 48; ++x) picture.setPixel(x, y, qRgb(5 * x, 7 * y, 90));
  const QByteArray plain = qtJpeg(picture);
  struct Tagged {
    QString path;
    int orientation;
  };
  QList<Tagged> files;
  QStringList commands;
  for (const char* order : {"II", "MM"}) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
      const QString path = folder.filePath(
          QStringLiteral("tagged_%1_%2.jpg").arg(QLatin1String(order)).arg(orientation));
      ASSERT_TRUE(writeAll(path, plain));
      files.append({path, orientation});
      commands << QStringLiteral("-q") << QStringLiteral("-overwrite_original")
               << QStringLiteral("-ExifByteOrder=%1").arg(QLatin1String(order))
               << QStringLiteral("-IFD0:Orientation#=%1").arg(orientation) << path
               << QStringLiteral("-execute");
    }
  }
  // A second orientation in the thumbnail's directory is only counted.
  const QString thumbnail = folder.filePath(QStringLiteral("thumbnail.jpg"));
  ASSERT_TRUE(writeAll(thumbnail, plain));
  files.append({thumbnail, 6});
  commands << QStringLiteral("-q") << QStringLiteral("-overwrite_original")
           << QStringLiteral("-IFD0:Orientation#=6") << QStringLiteral("-IFD1:Orientation#=3")
           << thumbnail;
  exiftool(commands);

  for (const Tagged& file : files) {
    SCOPED_TRACE(file.path.toStdString());
    JpegMetadata metadata;
    ASSERT_TRUE(loadJpegMetadata(file.path, metadata));
    EXPECT_EQ(metadata.orientation, file.orientation);
    EXPECT_EQ(libexifOrientation(readAll(file.path)), file.orientation);
    EXPECT_EQ(metadata.width, 48);
    EXPECT_EQ(metadata.height, 32);
  }
}

QStringList packageJpegs() {
  QStringList paths;
  for (const QString& folder : {kImaging, kGoexif, kGoexif + QStringLiteral("/samples"),
                                kGoexif + QStringLiteral("/corrupt")}) {
    for (const QFileInfo& info :
         QDir(folder).entryInfoList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name))
      paths << info.filePath();
  }
  return paths;
}

TEST(ImageOrientation, OrientationMatchesLibexifOnEveryPackageJpeg) {
  const QStringList paths = packageJpegs();
  ASSERT_GE(paths.size(), 60);
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
    if (!scanned) {
      // Cut off before the image data, or damaged: identity, no crash.
      EXPECT_EQ(fromFile.orientation, 0);
      EXPECT_TRUE(orientationTransform(path).isIdentity());
      continue;
    }
    EXPECT_EQ(fromFile.orientation, libexifOrientation(bytes));
    seen.insert(fromFile.orientation);
    ++compared;
  }
  // The imaging photos alone hold every orientation; most goexif samples end early.
  EXPECT_GE(compared, 12);
  EXPECT_EQ(seen.size(), 9);
}

TEST(ImageOrientation, FuzzCorpusReadsWithinRange) {
  const QFileInfoList seeds =
      QDir(QStringLiteral(ZARVO_FUZZ_CORPUS "/exif_orientation")).entryInfoList(QDir::Files);
  ASSERT_FALSE(seeds.isEmpty());
  for (const QFileInfo& seed : seeds) {
    SCOPED_TRACE(seed.fileName().toStdString());
    const QByteArray bytes = readAll(seed.filePath());
    JpegMetadata metadata;
    const bool ok = readJpegMetadata(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                     size_t(bytes.size()), metadata);
    EXPECT_GE(metadata.orientation, 0);
    EXPECT_LE(metadata.orientation, 8);
    if (!ok) {
      EXPECT_EQ(metadata.frameMarker, 0);
    }
  }
}

}  // namespace
