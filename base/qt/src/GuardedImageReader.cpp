#include "kestrum/qt/GuardedImageReader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QStringList>
#include <QtEndian>

#include "FootedTga.h"

namespace kestrum {

namespace {

QString tr(const char* text) {
  return QCoreApplication::translate("GuardedImageReader", text);
}

GuardedImageReader::Result failure(const QString& error) {
  return {QImage(), error};
}

QString tooLarge(const QSize& size, qint64 maxPixels) {
  return tr("The image is too large: %1 x %2 pixels, more than %3 megapixels.")
      .arg(size.width())
      .arg(size.height())
      .arg(double(maxPixels) / 1e6);
}

// One reader answers to both names of these formats.
QByteArray readerName(const QByteArray& format) {
  if (format == "jpg") return QByteArrayLiteral("jpeg");
  if (format == "tif") return QByteArrayLiteral("tiff");
  if (format == "cur") return QByteArrayLiteral("ico");
  return format;
}

// Where a BMP's pixel data ends by its headers, from its start; 0 when they do not tell (data
// compressed without its size) or describe no BMP that Qt's reader decodes. Leaves the device
// where it was.
qint64 bmpEnd(QIODevice* device, qint64 start) {
  const qint64 here = device->pos();
  if (!device->seek(start)) return 0;
  const QByteArray head = device->read(38);
  device->seek(here);
  if (head.size() < 26 || !head.startsWith("BM")) return 0;
  const uchar* bytes = reinterpret_cast<const uchar*>(head.constData());
  const qint64 pixelsAt = qFromLittleEndian<quint32>(bytes + 10);
  const quint32 infoSize = qFromLittleEndian<quint32>(bytes + 14);
  qint64 width = 0, height = 0, bits = 0;
  quint32 compression = 0, dataSize = 0;
  if (infoSize == 12) {  // OS/2's header
    width = qFromLittleEndian<quint16>(bytes + 18);
    height = qFromLittleEndian<quint16>(bytes + 20);
    bits = qFromLittleEndian<quint16>(bytes + 24);
  } else if (infoSize >= 40 && head.size() >= 38) {
    width = qFromLittleEndian<qint32>(bytes + 18);
    height = qAbs(qint64(qFromLittleEndian<qint32>(bytes + 22)));  // negative: from the top
    bits = qFromLittleEndian<quint16>(bytes + 28);
    compression = qFromLittleEndian<quint32>(bytes + 30);
    dataSize = qFromLittleEndian<quint32>(bytes + 34);
  } else {
    return 0;
  }
  if (width <= 0 || bits <= 0 || bits > 32) return 0;
  // Uncompressed rows and rows of bit fields are padded to 4 bytes; run-length data is as long
  // as its size field says.
  const qint64 pixelBytes =
      compression == 0 || compression == 3 ? (width * bits + 31) / 32 * 4 * height : dataSize;
  return pixelBytes > 0 ? pixelsAt + pixelBytes : 0;
}

// A BMP whose bytes end before its headers say: Qt's reader fills the missing rows with black.
// (A TGA is judged where it is read, a JPEG by the photo's reader; the other readers fail on
// missing data themselves.)
bool bmpCutShort(QImageReader& reader, qint64 start) {
  QIODevice* device = reader.device();
  if (reader.format() != "bmp" || device->isSequential()) return false;
  const qint64 end = bmpEnd(device, start);
  return end > 0 && device->size() - start < end;
}

}  // namespace

GuardedImageReader::Result GuardedImageReader::readTga(QIODevice* device, const QSize& bounding,
                                                       qint64 maxPixels, qint64 start,
                                                       const Result& otherwise) {
  const FootedTga::View tga = FootedTga::over(device, start);
  if (tga.cutShort) return failure(cutShortReason());
  if (!tga.device) return otherwise;
  QImageReader footed(tga.device.get(), "tga");
  footed.setAutoDetectImageFormat(false);
  return read(footed, bounding, maxPixels, 0);
}

QString GuardedImageReader::cutShortReason() {
  return tr("The image data is cut short: the file ends before the picture does.");
}

GuardedImageReader::Result GuardedImageReader::readFile(const QString& fileName,
                                                        const QSize& bounding, qint64 maxPixels) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly))
    return failure(tr("The file could not be opened: %1").arg(file.errorString()));
  return readDevice(&file, bounding, maxPixels, QFileInfo(fileName).suffix().toLower().toLatin1());
}

GuardedImageReader::Result GuardedImageReader::readData(const QByteArray& bytes,
                                                        const QSize& bounding, qint64 maxPixels,
                                                        const QByteArray& format) {
  QByteArray copy = bytes;  // QBuffer wants a modifiable array; this one shares the bytes
  QBuffer buffer(&copy);
  buffer.open(QIODevice::ReadOnly);
  return readDevice(&buffer, bounding, maxPixels, format);
}

GuardedImageReader::Result GuardedImageReader::readDevice(QIODevice* device, const QSize& bounding,
                                                          qint64 maxPixels,
                                                          const QByteArray& format) {
  if (!device || !device->isReadable()) return failure(tr("The image could not be read."));
  const qint64 start = device->pos();
  QByteArray contentFormat;
  Result byContent;
  {
    QImageReader reader(device);
    reader.setDecideFormatFromContent(true);
    contentFormat = reader.format();
    // Qt's TGA reader is given a TGA only as FootedTga shows it.
    if (contentFormat == "tga")
      return readTga(device, bounding, maxPixels, start,
                     failure(tr("This is not an image in a format that can be read.")));
    byContent = read(reader, bounding, maxPixels, start);
    if (byContent.ok()) return byContent;
  }
  const QByteArray named = readerName(format.toLower());
  if (named.isEmpty() || named == readerName(contentFormat) || device->isSequential() ||
      !readableFormats().contains(named) || !device->seek(start))
    return byContent;
  // Most tools write a TGA without the footer by which Qt's reader knows one.
  if (named == "tga") return readTga(device, bounding, maxPixels, start, byContent);
  QImageReader reader(device, named);
  reader.setAutoDetectImageFormat(false);
  // Only a reader that recognises the bytes as its own is given them.
  if (reader.canRead()) return read(reader, bounding, maxPixels, start);
  return byContent;
}

QList<QByteArray> GuardedImageReader::readableFormats() {
  QList<QByteArray> formats;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    QBuffer nothing;
    nothing.open(QIODevice::ReadOnly);
    QImageReader reader(&nothing, format);
    reader.setAutoDetectImageFormat(false);
    if (reader.supportsOption(QImageIOHandler::Size)) formats << format;
  }
  return formats;
}

QString GuardedImageReader::filePatterns() {
  QStringList patterns;
  for (const QByteArray& format : readableFormats())
    patterns << QStringLiteral("*.%1").arg(QString::fromLatin1(format));
  return patterns.join(QLatin1Char(' '));
}

GuardedImageReader::Result GuardedImageReader::read(QImageReader& reader, const QSize& bounding,
                                                    qint64 maxPixels, qint64 start) {
  if (!reader.canRead()) return failure(tr("This is not an image in a format that can be read."));
  QSize size = reader.size();
  // A BMP stored top row first tells its height negative; Qt's reader decodes it upright.
  if (reader.format() == "bmp") size.setHeight(qAbs(size.height()));
  if (!size.isValid() || size.isEmpty())
    return failure(tr("The size of the image could not be read."));
  if (qint64(size.width()) * size.height() > maxPixels) return failure(tooLarge(size, maxPixels));
  if (bmpCutShort(reader, start)) return failure(cutShortReason());
  if (bounding.isValid() && !bounding.isEmpty() &&
      (size.width() > bounding.width() || size.height() > bounding.height())) {
    reader.setScaledSize(size.scaled(bounding, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
  }
  QImage image;
  if (!reader.read(&image) || image.isNull())
    return failure(tr("The image could not be decoded: %1").arg(reader.errorString()));
  // A decoder that delivers more than its header announced is not trusted either.
  if (qint64(image.width()) * image.height() > maxPixels)
    return failure(tooLarge(image.size(), maxPixels));
  return {image, QString()};
}

}  // namespace kestrum
