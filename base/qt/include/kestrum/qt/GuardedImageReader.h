#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

class QIODevice;
class QImageReader;

namespace kestrum {

// Reads images from outside (photos the user opens, dropped or fetched bytes, backgrounds and
// logos) without trusting them: the size comes from the header first, and an image whose size
// cannot be told or whose pixel count is above the limit is refused before any pixel is
// decoded. On request the image is decoded scaled down to fit a bounding size (JPEG then
// decodes at the smaller size). The format is told by the content; the format the bytes are
// said to be in (a file's suffix, a web reply's content type) is asked only when the content's
// reader gives no picture and that format's own reader takes the bytes: TGA has no magic
// number, and its bytes read as a damaged icon. A TGA opens when it is uncompressed true colour
// (16, 24 or 32 bits), with or without the footer of version 2 that Qt's reader asks for, and
// with any image ID or colour map.
// An image whose bytes end before its header says is refused as cut short where a reader would
// fill the rest in (BMP, TGA).
// Formats whose reader turns the picture upright by default (TIFF, by its orientation tag)
// come upright; a JPEG comes as stored, its Exif orientation left to the caller.
// Any thread; no GUI objects.
class GuardedImageReader {
 public:
  // The one limit on the pixels of an image read from outside. It admits the largest photos of
  // today's cameras: 150-megapixel medium format (14204 x 10652) and the 200-megapixel mode of
  // phone sensors (16320 x 12240, 199.8 megapixels), which decode to at most 0.8 GB at 8 bits a
  // channel. A picture that claims more, such as a small PNG of zero rows declaring 30000 x
  // 30000 pixels (3.6 GB decoded), is refused from its header.
  static constexpr qint64 kMaxPixels = 200'000'000;

  struct Result {
    QImage image;
    QString error;  // empty on success; otherwise why nothing was read, for the user
    bool ok() const { return error.isEmpty(); }
  };

  // `bounding`: when valid, a larger image is scaled down to fit inside it, keeping its aspect
  // ratio; a smaller one is never scaled up. `format`: the format the bytes are said to be in
  // (readFile takes the file's suffix), in Qt's lower-case names; empty for none.
  static Result readFile(const QString& fileName, const QSize& bounding = QSize(),
                         qint64 maxPixels = kMaxPixels);
  static Result readData(const QByteArray& bytes, const QSize& bounding = QSize(),
                         qint64 maxPixels = kMaxPixels, const QByteArray& format = QByteArray());
  static Result readDevice(QIODevice* device, const QSize& bounding = QSize(),
                           qint64 maxPixels = kMaxPixels, const QByteArray& format = QByteArray());

  // The formats of Qt's readers that tell an image's size before decoding it: the only ones
  // this reader opens. (Here ICNS and MNG do not: their pictures are refused.)
  static QList<QByteArray> readableFormats();
  // "*.bmp *.cur ...": a file name pattern for every readable format, for open dialogs.
  static QString filePatterns();

  // Why an image whose bytes end early is refused, for the user.
  static QString cutShortReason();

 private:
  // `start`: where the image starts in the reader's device.
  static Result read(QImageReader& reader, const QSize& bounding, qint64 maxPixels, qint64 start);
  // A TGA at `start` of `device`, read as Qt's reader reads it right; `otherwise` when it is none
  // that reader decodes.
  static Result readTga(QIODevice* device, const QSize& bounding, qint64 maxPixels, qint64 start,
                        const Result& otherwise);
};

}  // namespace kestrum
