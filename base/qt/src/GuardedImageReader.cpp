#include "kestrum/qt/GuardedImageReader.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QStringList>

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

}  // namespace

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
    byContent = read(reader, bounding, maxPixels);
    if (byContent.ok()) return byContent;
    contentFormat = reader.format();
  }
  const QByteArray named = readerName(format.toLower());
  if (named.isEmpty() || named == readerName(contentFormat) || device->isSequential() ||
      !readableFormats().contains(named) || !device->seek(start))
    return byContent;
  QImageReader reader(device, named);
  reader.setAutoDetectImageFormat(false);
  // Only a reader that recognises the bytes as its own is given them.
  if (!reader.canRead()) return byContent;
  return read(reader, bounding, maxPixels);
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
                                                    qint64 maxPixels) {
  if (!reader.canRead()) return failure(tr("This is not an image in a format that can be read."));
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty())
    return failure(tr("The size of the image could not be read."));
  if (qint64(size.width()) * size.height() > maxPixels) return failure(tooLarge(size, maxPixels));
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
