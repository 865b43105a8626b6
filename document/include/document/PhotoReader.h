#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include "kestrum/qt/GuardedImageReader.h"

// The one road from a photo's bytes to the picture the cut-out works on, for a file opened and
// for a picture received (a dropped file, image bytes in a drop, a web body): a JPEG cut short
// is refused, the bytes are decoded by the guarded reader, a JPEG is turned upright by its Exif
// orientation, the picture is limited to 1280 pixels a side by a smooth scale, and it ends in
// ARGB32. The same bytes give the same pixels by every road. Any thread; no GUI objects.
class PhotoReader {
 public:
  static constexpr int kSideLimit = 1280;

  struct Photo {
    QImage image;              // null when there is none
    QSize fullSize;            // upright, before the limit: what the photo brought
    QString error;             // empty on success; otherwise why there is no picture
    bool outOfMemory = false;  // decoded, but memory ran out on the way to the picture
    bool ok() const { return error.isEmpty(); }
  };

  // `format`: the format the bytes are said to be in (a web reply's content type, a drop's
  // type; readFile takes the suffix), asked only when the content does not decide it.
  static Photo readFile(const QString& path,
                        qint64 maxPixels = kestrum::GuardedImageReader::kMaxPixels);
  static Photo readData(const QByteArray& bytes, const QByteArray& format = QByteArray(),
                        qint64 maxPixels = kestrum::GuardedImageReader::kMaxPixels);
  // A picture that came decoded (image data in a drop): the limit and ARGB32 only.
  static Photo fromImage(QImage image);

 private:
  // The guarded reader's own result, upright and limited: its pixels are turned where they lie.
  static Photo finish(kestrum::GuardedImageReader::Result read, int orientation);
  static Photo limited(QImage image);
};
