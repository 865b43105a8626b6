#include "document/PhotoReader.h"

#include "document/ImageOrientation.h"
#include "document/JpegMetadata.h"

namespace {

// A JPEG cut short decodes with its missing rows filled in grey: refused like any unreadable
// one. `isJpeg` and `jpeg` are the answer of the metadata scan to the end of the bytes.
QString cutShort(bool isJpeg, const JpegMetadata& jpeg) {
  return isJpeg && !jpeg.complete ? kestrum::GuardedImageReader::cutShortReason() : QString();
}

}  // namespace

PhotoReader::Photo PhotoReader::readFile(const QString& path, qint64 maxPixels) {
  JpegMetadata jpeg;
  const bool isJpeg = loadJpegMetadata(path, jpeg, JpegScan::ToEnd);
  kestrum::GuardedImageReader::Result read;
  read.error = cutShort(isJpeg, jpeg);
  if (read.ok()) read = kestrum::GuardedImageReader::readFile(path, QSize(), maxPixels);
  return finish(std::move(read), jpeg.orientation);
}

PhotoReader::Photo PhotoReader::readData(const QByteArray& bytes, const QByteArray& format,
                                         qint64 maxPixels) {
  JpegMetadata jpeg;
  const bool isJpeg = readJpegMetadata(reinterpret_cast<const unsigned char*>(bytes.constData()),
                                       size_t(bytes.size()), jpeg, JpegScan::ToEnd);
  kestrum::GuardedImageReader::Result read;
  read.error = cutShort(isJpeg, jpeg);
  if (read.ok()) read = kestrum::GuardedImageReader::readData(bytes, QSize(), maxPixels, format);
  return finish(std::move(read), jpeg.orientation);
}

PhotoReader::Photo PhotoReader::fromImage(QImage image) {
  kestrum::GuardedImageReader::Result read;
  if (image.isNull()) read.error = QStringLiteral("there is no picture");
  read.image = std::move(image);
  return finish(std::move(read), 0);
}

PhotoReader::Photo PhotoReader::finish(kestrum::GuardedImageReader::Result read, int orientation) {
  Photo photo;
  if (!read.ok()) {
    photo.error = read.error;
    return photo;
  }
  // The guarded reader gives a JPEG as stored and other formats upright as their reader turns
  // them (TIFF): the Exif turn is applied here, once. Only this function holds the decoded
  // pixels, so they may be turned where they lie.
  QImage image = std::move(read.image);
  rotateDecodedImage(image, orientation);
  photo.fullSize = image.size();
  if (!image.isNull() && (image.width() > kSideLimit || image.height() > kSideLimit)) {
    image = image.width() > image.height()
                ? image.scaledToWidth(kSideLimit, Qt::SmoothTransformation)
                : image.scaledToHeight(kSideLimit, Qt::SmoothTransformation);
  }
  if (!image.isNull()) image = image.convertToFormat(QImage::Format_ARGB32);
  if (image.isNull()) {  // every step above answers a null image when memory runs out
    photo.error = QStringLiteral("out of memory");
    photo.outOfMemory = true;
    return photo;
  }
  photo.image = std::move(image);
  return photo;
}
