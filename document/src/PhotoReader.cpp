#include "document/PhotoReader.h"

#include <algorithm>
#include <cstdint>

#include "document/ImageOrientation.h"
#include "document/JpegMetadata.h"

#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// A JPEG cut short decodes with its missing rows filled in grey: refused like any unreadable
// one. `isJpeg` and `jpeg` are the answer of the metadata scan to the end of the bytes.
QString cutShort(bool isJpeg, const JpegMetadata& jpeg) {
  return isJpeg && !jpeg.complete ? kestrum::GuardedImageReader::cutShortReason() : QString();
}

// Source rows moved between two give-backs, and the columns of one tile of the move.
constexpr int kBandRows = 64;
constexpr int kTileColumns = 64;

// Gives the whole pages of [begin, end) back to the system; they read as zeros after. Only for
// memory that is read no more. Elsewhere than on Linux the memory stays until it is freed.
void releasePages(const uchar* begin, const uchar* end) {
#ifdef __linux__
  static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t first = (uintptr_t(begin) + page - 1) / page * page;
  const uintptr_t last = uintptr_t(end) / page * page;
  if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
#else
  (void)begin;
  (void)end;
#endif
}

// Orientations 2 (across), 3 (both) and 4 (upside down) keep the size: their pixels change
// places within the image.
void mirrorInPlace(QImage& image, bool across, bool upsideDown) {
  const int w = image.width(), h = image.height();
  const auto row = [&image](int y) { return reinterpret_cast<quint32*>(image.scanLine(y)); };
  if (!upsideDown) {
    for (int y = 0; y < h; ++y) std::reverse(row(y), row(y) + w);
    return;
  }
  for (int top = 0, bottom = h - 1; top <= bottom; ++top, --bottom) {
    quint32* a = row(top);
    quint32* b = row(bottom);
    if (top == bottom) {
      if (across) std::reverse(a, a + w);
    } else if (across) {
      for (int x = 0; x < w; ++x) std::swap(a[x], b[w - 1 - x]);
    } else {
      std::swap_ranges(a, a + w, b);
    }
  }
}

// Orientations 5 to 8 exchange width and height. Stored pixel (x, y) of a w x h image goes to
// column h - 1 - y (6, 7) or y (5, 8), row x (5, 6) or w - 1 - x (7, 8). Qt turns 5 and 7 by
// painting into a premultiplied image, opaque from an RGB32 one.
QImage transposed(QImage& image, int orientation) {
  const int w = image.width(), h = image.height();
  const bool painted = orientation == 5 || orientation == 7;
  QImage upright(h, w, painted ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  if (upright.isNull()) return upright;
  upright.setDotsPerMeterX(image.dotsPerMeterY());
  upright.setDotsPerMeterY(image.dotsPerMeterX());
  const quint32 opaque = painted ? 0xFF000000u : 0u;
  const bool columnFromBottom = orientation == 6 || orientation == 7;
  const bool rowFromRight = orientation == 7 || orientation == 8;
  const qsizetype stride = upright.bytesPerLine() / 4;
  const qsizetype step = rowFromRight ? -stride : stride;
  quint32* const out = reinterpret_cast<quint32*>(upright.bits());
  const uchar* released = image.constBits();
  for (int band = 0; band < h; band += kBandRows) {
    const int bandEnd = std::min(h, band + kBandRows);
    for (int tile = 0; tile < w; tile += kTileColumns) {
      const int tileEnd = std::min(w, tile + kTileColumns);
      const qsizetype firstRow = rowFromRight ? w - 1 - tile : tile;
      for (int y = band; y < bandEnd; ++y) {
        const quint32* in = reinterpret_cast<const quint32*>(image.constScanLine(y));
        quint32* to = out + firstRow * stride + (columnFromBottom ? h - 1 - y : y);
        for (int x = tile; x < tileEnd; ++x, to += step) *to = in[x] | opaque;
      }
    }
    const uchar* moved = image.constScanLine(bandEnd - 1) + image.bytesPerLine();
    releasePages(released, moved);
    released = moved;
  }
  return upright;
}

// The same pixels and format as rotateImage, for the picture the guarded reader has just
// decoded, which holds its pixels alone: a 32-bit RGB one is turned within little more than its
// own memory (in place, or into the upright image band by band while the rows already moved are
// given back to the system), where a turn into a second image would hold both in full. Its
// pixels are lost when memory runs out: `image` is then null. Never for an image over memory it
// does not own: the pages given back would read as zeros.
void turnDecoded(QImage& image, int orientation) {
  if (orientation < 2 || orientation > 8 || image.format() != QImage::Format_RGB32 ||
      !image.isDetached()) {
    rotateImage(image, orientation);
    return;
  }
  if (orientation <= 4) {
    mirrorInPlace(image, orientation != 4, orientation != 2);
    return;
  }
  image = transposed(image, orientation);
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
  if (image.isNull()) {
    Photo none;
    none.error = QStringLiteral("there is no picture");
    return none;
  }
  return limited(std::move(image));
}

PhotoReader::Photo PhotoReader::finish(kestrum::GuardedImageReader::Result read, int orientation) {
  if (!read.ok()) {
    Photo refused;
    refused.error = read.error;
    return refused;
  }
  // The guarded reader gives a JPEG as stored and other formats upright as their reader turns
  // them (TIFF): the Exif turn is applied here, once. Only this function holds the decoded
  // pixels, so they may be turned where they lie.
  QImage image = std::move(read.image);
  turnDecoded(image, orientation);
  return limited(std::move(image));
}

PhotoReader::Photo PhotoReader::limited(QImage image) {
  Photo photo;
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
