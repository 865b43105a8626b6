// Photos opened from files: read through the guarded reader, as a plain read of Qt gives them,
// upright, and refused from their header when they would not fit in memory.

#include <gtest/gtest.h>

#include <functional>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QUrl>

#include "ExifBytes.h"
#include "FakeDocumentUiHooks.h"
#include "ImageFiles.h"
#include "document/ImageOrientation.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/GuardedImageReader.h"
#include "kestrum/qt/NamedImage.h"

namespace {

// A photo-like picture: gradients with a little noise, and a red corner at the top left that
// shows where the stored top left went.
QImage photo(int width, int height, bool alpha = false) {
  QImage image(width, height, QImage::Format_ARGB32);
  quint32 noise = 12345;
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      noise = noise * 1664525u + 1013904223u;
      line[x] = qRgba((x * 255 / width + (noise >> 24 & 7)) & 255,
                      (y * 255 / height + (noise >> 16 & 7)) & 255, ((x + y) / 7) & 255,
                      alpha ? (x + 2 * y) & 255 : 255);
    }
  }
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
  return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1,
                   QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  writer.setQuality(quality);
  writer.setTransformation(turn);
  EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
  return bytes;
}

QByteArray jpegWithOrientation(const QImage& image, int orientation) {
  const QByteArray jpeg = encoded(image, "JPEG", 90);
  exif_bytes::Tiff tiff(true);
  tiff.directory({{0x0112, 3, 1, uint32_t(orientation)}});
  return jpeg.left(2) + exif_bytes::segment(0xE1, tiff.exifBody()) + jpeg.mid(2);
}

// What a plain read of Qt gives, as files were opened before every photo went through the
// guarded reader: Qt's reader on the file name, the Exif turn, the 1280-pixel limit, ARGB32.
QImage plainRead(const QString& path) {
  QImageReader reader(path);
  reader.setAutoTransform(false);
  QImage image;
  if (!reader.read(&image)) return QImage();
  rotateImage(image, path);
  if (image.width() > 1280 || image.height() > 1280)
    image = image.width() > image.height() ? image.scaledToWidth(1280, Qt::SmoothTransformation)
                                           : image.scaledToHeight(1280, Qt::SmoothTransformation);
  return image.convertToFormat(QImage::Format_ARGB32);
}

// Qt's messages, which the application writes to its log, while alive.
class CapturedMessages {
 public:
  CapturedMessages() : previous_(qInstallMessageHandler(&CapturedMessages::keep)) {
    current_ = this;
  }
  ~CapturedMessages() {
    qInstallMessageHandler(previous_);
    current_ = nullptr;
  }
  QStringList lines;

 private:
  static void keep(QtMsgType, const QMessageLogContext&, const QString& text) {
    if (current_) current_->lines << text;
  }
  static inline CapturedMessages* current_ = nullptr;
  QtMessageHandler previous_;
};

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class SourceImageFile : public ::testing::Test {
 protected:
  QString write(const QString& name, const QByteArray& bytes) {
    const QString path = folder.filePath(name);
    EXPECT_TRUE(writeFile(path, bytes)) << name.toStdString();
    return path;
  }

  FakeDocumentUiHooks hooks;
  QTemporaryDir folder;
};

struct FormatRow {
  const char* name;  // also the file's name
  std::function<QByteArray()> bytes;
};

void PrintTo(const FormatRow& row, std::ostream* out) {
  *out << row.name;
}

class EveryFormat : public SourceImageFile, public ::testing::WithParamInterface<FormatRow> {};

// Every kind of photo that opened before the guarded reader opens to the same pixels, byte for
// byte: the working image is made from these. (PNGs are stored uncompressed, which is quick.)
TEST_P(EveryFormat, OpensAsAPlainReadGivesIt) {
  const QString path = write(QString::fromLatin1(GetParam().name), GetParam().bytes());
  const QImage expected = plainRead(path);
  ASSERT_FALSE(expected.isNull());
  TsSourceImage source(path);
  ASSERT_TRUE(source.isValid());
  EXPECT_EQ(source.displayImage(), expected);
  EXPECT_EQ(source.fileName(), path);
  EXPECT_EQ(source.filePath(), path);
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

// 2 x 1, a global table of two colours, red then blue.
QByteArray tinyGif() {
  return QByteArray(
      "GIF89a\x02\0\x01\0\x80\0\0\xFF\0\0\0\0\xFF,\0\0\0\0\x02\0\x01\0\0\x02\x02\x44\x0A\0;", 35);
}

QByteArray drawingSvg() {
  return QByteArray(
      "<svg xmlns='http://www.w3.org/2000/svg' width='90' height='60'><circle cx='30' cy='30' "
      "r='20' fill='#c33'/></svg>");
}

const QImage& large() {
  static const QImage image = photo(1500, 1000);
  return image;
}

const QImage& small() {
  static const QImage image = photo(61, 37, true);
  return image;
}

INSTANTIATE_TEST_SUITE_P(
    Files, EveryFormat,
    ::testing::Values(
        FormatRow{"upright.jpg", [] { return jpegWithOrientation(large(), 1); }},
        FormatRow{"turned3.jpg", [] { return jpegWithOrientation(large(), 3); }},
        FormatRow{"turned6.jpg", [] { return jpegWithOrientation(large(), 6); }},
        FormatRow{"mirrored7.jpg", [] { return jpegWithOrientation(small(), 7); }},
        FormatRow{"turned8.jpg", [] { return jpegWithOrientation(large(), 8); }},
        FormatRow{
            "grey.jpg",
            [] { return encoded(large().convertToFormat(QImage::Format_Grayscale8), "JPEG"); }},
        FormatRow{"colour.png", [] { return encoded(large(), "PNG", 100); }},
        FormatRow{"alpha.png", [] { return encoded(small(), "PNG", 100); }},
        FormatRow{
            "deep.png",
            [] { return encoded(large().convertToFormat(QImage::Format_RGBA64), "PNG", 100); }},
        FormatRow{
            "grey.png",
            [] { return encoded(large().convertToFormat(QImage::Format_Grayscale8), "PNG", 100); }},
        FormatRow{"greyDeep.png",
                  [] {
                    return encoded(large().convertToFormat(QImage::Format_Grayscale16), "PNG", 100);
                  }},
        FormatRow{
            "indexed.png",
            [] { return encoded(large().convertToFormat(QImage::Format_Indexed8), "PNG", 100); }},
        FormatRow{"mono.png",
                  [] { return encoded(large().convertToFormat(QImage::Format_Mono), "PNG", 100); }},
        FormatRow{"colour.bmp", [] { return encoded(large(), "BMP"); }},
        FormatRow{"topRowFirst.bmp", [] { return zarvo_test::bmpOf(small(), true); }},
        FormatRow{"colour.ppm", [] { return encoded(large(), "PPM"); }},
        FormatRow{"grey.pgm", [] { return encoded(small(), "PGM"); }},
        FormatRow{"mono.pbm", [] { return encoded(small(), "PBM"); }},
        FormatRow{"icon.xpm", [] { return encoded(small(), "XPM"); }},
        FormatRow{"mono.xbm", [] { return encoded(small(), "XBM"); }},
        FormatRow{"icon.ico", [] { return encoded(small(), "ICO"); }},
        FormatRow{"tiny.gif", tinyGif}, FormatRow{"drawing.svg", drawingSvg}),
    [](const ::testing::TestParamInfo<FormatRow>& info) {
      return QString::fromLatin1(info.param.name).section('.', 0, 0).toStdString() +
             QString::fromLatin1(info.param.name).section('.', 1).toUpper().toStdString();
    });

// The bytes of gzip around `data` (qCompress's zlib stream without its length, header and sum).
QByteArray gzipOf(const QByteArray& data) {
  const QByteArray zlib = qCompress(data).mid(4);
  char trailer[8];
  qToLittleEndian(zarvo_test::crc32(data.constData(), data.size()), trailer);
  qToLittleEndian(quint32(data.size()), trailer + 4);
  return QByteArray("\x1F\x8B\x08\0\0\0\0\0\0\x03", 10) + zlib.mid(2, zlib.size() - 6) +
         QByteArray(trailer, 8);
}

// A picture in `format`, one of the open dialog's; empty for a format nobody made one of.
QByteArray offeredBytes(const QByteArray& format) {
  if (QImageWriter::supportedImageFormats().contains(format))
    return encoded(small(), format.constData(), 100);
  if (format == "gif") return tinyGif();
  if (format == "svg") return drawingSvg();
  if (format == "svgz") return gzipOf(drawingSvg());
  if (format == "tga") return zarvo_test::tgaOf(small());
  return QByteArray();
}

// Every format the open dialog offers opens as a plain read gives it: the formats are the
// dialog's own patterns, so none is offered untried. A TGA, which has no magic number, opens by
// its suffix with its pixels.
TEST_F(SourceImageFile, EveryFormatTheOpenDialogOffersOpens) {
  const QStringList patterns = kestrum::GuardedImageReader::filePatterns().split(' ');
  EXPECT_TRUE(patterns.contains("*.tga"));
  for (const QString& pattern : patterns) {
    const QString suffix = pattern.mid(2);
    SCOPED_TRACE(suffix.toStdString());
    const QByteArray bytes = offeredBytes(suffix.toLatin1());
    ASSERT_FALSE(bytes.isEmpty()) << "no picture of an offered format";
    const QString path = write("offered." + suffix, bytes);
    const QImage expected = plainRead(path);
    ASSERT_FALSE(expected.isNull());
    const TsSourceImage source(path);
    EXPECT_EQ(source.displayImage(), expected);
    if (suffix == "tga") {
      EXPECT_EQ(source.displayImage(), small());
    }
  }
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

struct TgaRow {
  const char* name;
  zarvo_test::TgaLayout layout;
};

class TgaFiles : public SourceImageFile, public ::testing::WithParamInterface<TgaRow> {};

// A TGA as tools write it, without the footer Qt's reader asks for or with an image ID and a
// colour map, opens as Qt's reader gives the form it reads right: with the footer, no image ID
// and no colour map.
TEST_P(TgaFiles, OpenAsQtReadsTheFormItAsksFor) {
  const TgaRow& row = GetParam();
  const QString path = write(QStringLiteral("photo.tga"), zarvo_test::tgaOf(small(), row.layout));
  zarvo_test::TgaLayout asked = row.layout;
  asked.footer = true;
  asked.id.clear();
  asked.mapEntries = 0;
  const QImage expected = QImage::fromData(zarvo_test::tgaOf(small(), asked), "TGA");
  ASSERT_FALSE(expected.isNull());
  EXPECT_EQ(TsSourceImage(path).displayImage(), expected.convertToFormat(QImage::Format_ARGB32));
  EXPECT_TRUE(hooks.warnings.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, TgaFiles,
    ::testing::Values(TgaRow{"bottomUp24", zarvo_test::TgaLayout::asToolsWrite()},
                      TgaRow{"alpha32", {32, true, false, {}}},
                      TgaRow{"withAnImageId", {24, false, false, "by a tool"}},
                      TgaRow{"footedIdAndMap", {24, false, true, "by a tool", 3}}),
    [](const auto& info) { return std::string(info.param.name); });

struct UprightRow {
  const char* name;
  std::function<QByteArray(const QImage&)> bytes;
  QTransform turn;  // from the stored picture to the one shown
};

void PrintTo(const UprightRow& row, std::ostream* out) {
  *out << row.name;
}

class TiffAndWebp : public SourceImageFile, public ::testing::WithParamInterface<UprightRow> {};

// Photos from scanners, cameras and web pages: TIFF of 8 and 16 bits a channel, turned by its
// orientation tag, and WebP open at their size, upright.
TEST_P(TiffAndWebp, OpenUprightAtTheirSize) {
  const UprightRow& row = GetParam();
  const QImage stored = photo(60, 40);
  const QString path = write(QString::fromLatin1(row.name), row.bytes(stored));
  TsSourceImage source(path);
  ASSERT_TRUE(source.isValid()) << hooks.warnings.join("\n").toStdString();
  const QImage upright = stored.transformed(row.turn);
  EXPECT_EQ(source.displayImage().size(), upright.size());
  EXPECT_EQ(source.displayImage(), upright.convertToFormat(QImage::Format_ARGB32));
}

INSTANTIATE_TEST_SUITE_P(
    Files, TiffAndWebp,
    ::testing::Values(
        UprightRow{"scan.tif", [](const QImage& image) { return encoded(image, "TIFF"); },
                   QTransform()},
        UprightRow{"deep.tiff",
                   [](const QImage& image) {
                     return encoded(image.convertToFormat(QImage::Format_RGBA64), "TIFF");
                   },
                   QTransform()},
        UprightRow{"turned.tif",
                   [](const QImage& image) {
                     return encoded(image, "TIFF", -1, QImageIOHandler::TransformationRotate90);
                   },
                   QTransform().rotate(90)},
        UprightRow{"web.webp",
                   [](const QImage& image) { return encoded(image, "WEBP", 100); },  // lossless
                   QTransform()}),
    [](const ::testing::TestParamInfo<UprightRow>& info) {
      return QString::fromLatin1(info.param.name).section('.', 0, 0).toStdString();
    });

TEST_F(SourceImageFile, APngThatWouldNotFitInMemoryIsRefusedFromItsHeader) {
  // 2.6 MB of zero rows that would decode to 30000 x 30000 pixels, 3.6 GB.
  const QString path = write(QStringLiteral("bomb.png"), zarvo_test::pngOfZeroRows(30000, 30000));
  CapturedMessages log;
  const TsSourceImage source(path);
  EXPECT_FALSE(source.isValid());
  EXPECT_TRUE(source.displayImage().isNull());
  ASSERT_EQ(hooks.warnings.size(), 1);
  EXPECT_TRUE(hooks.warnings[0].startsWith("Sorry - could not open file " + path + "\n\n"));
  EXPECT_EQ(log.lines.filter(path).filter(QStringLiteral("too large")).size(), 1)
      << log.lines.join("\n").toStdString();
}

TEST_F(SourceImageFile, AJpegCutShortIsRefusedWithItsReasonInTheLog) {
  const QByteArray jpeg = encoded(small(), "JPEG");
  const QString path = write(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() * 2 / 3));
  CapturedMessages log;
  EXPECT_FALSE(TsSourceImage(path).isValid());
  ASSERT_EQ(hooks.warnings.size(), 1);
  EXPECT_TRUE(hooks.warnings[0].startsWith("Sorry - could not open file " + path + "\n\n"));
  EXPECT_EQ(log.lines.filter(path).filter(QStringLiteral("cut short")).size(), 1);
}

TEST_F(SourceImageFile, AReceivedLocalFileKeepsItsPathBesideItsName) {
  const QString path = folder.filePath(QStringLiteral("dropped.png"));
  const TsSourceImage dropped(NamedImage(small(), QUrl::fromLocalFile(path)));
  EXPECT_EQ(dropped.fileName(), QStringLiteral("dropped.png"));
  EXPECT_EQ(dropped.filePath(), path);
  EXPECT_EQ(TsSourceImage(&dropped).filePath(), path);
  EXPECT_EQ(TsSourceImage(&dropped, TsSourceImage::SharePixels{}).filePath(), path);
  const TsSourceImage fetched(NamedImage(small(), QUrl(QStringLiteral("http://a.example/b.png"))));
  EXPECT_EQ(fetched.fileName(), QStringLiteral("b.png"));
  EXPECT_TRUE(fetched.filePath().isEmpty());
  EXPECT_TRUE(TsSourceImage(NamedImage(small(), QUrl())).filePath().isEmpty());
}

}  // namespace
