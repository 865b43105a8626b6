#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;
class QImageReader;

namespace kestrum {

// Reads images from outside (files the user names, dropped or fetched bytes) without trusting
// them: the size comes from the header first, and an image whose size cannot be told or whose
// pixel count is above the limit is refused before any pixel is decoded. On request the image
// is decoded scaled down to fit a bounding size (JPEG then decodes at the smaller size).
// Any thread; no GUI objects.
class GuardedImageReader {
 public:
  static constexpr qint64 kMaxPixels = 100'000'000;

  struct Result {
    QImage image;
    QString error;  // empty on success; otherwise why nothing was read, for the user
    bool ok() const { return error.isEmpty(); }
  };

  // `bounding`: when valid, a larger image is scaled down to fit inside it, keeping its aspect
  // ratio; a smaller one is never scaled up.
  static Result readFile(const QString& fileName, const QSize& bounding = QSize(),
                         qint64 maxPixels = kMaxPixels);
  static Result readData(const QByteArray& bytes, const QSize& bounding = QSize(),
                         qint64 maxPixels = kMaxPixels);
  static Result readDevice(QIODevice* device, const QSize& bounding = QSize(),
                           qint64 maxPixels = kMaxPixels);

  // "*.bmp *.gif ...": a file name pattern for every format Qt can read, for open dialogs.
  static QString filePatterns();

 private:
  static Result read(QImageReader& reader, const QSize& bounding, qint64 maxPixels);
};

}  // namespace kestrum
