#include "kestrum/qt/UnsplitImageWork.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>
#include <new>

#include <QColorSpace>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include "kestrum/qt/RowBands.h"

namespace kestrum {

namespace {

// Qt splits a conversion whose source holds this many bytes or more; the bands' pieces stay
// below it on both sides.
constexpr qsizetype kSplitBytes = 2 * 65536;
// Bands of about this size go to a thread of their own: smaller ones stay on the caller.
constexpr qsizetype kBandBytes = 1 << 20;

bool convertsRowByRow(QImage::Format format) {
  return format != QImage::Format_Invalid && format != QImage::Format_Mono &&
         format != QImage::Format_MonoLSB && format != QImage::Format_Indexed8;
}

void copyMetadata(const QImage& from, QImage& to) {
  to.setDotsPerMeterX(from.dotsPerMeterX());
  to.setDotsPerMeterY(from.dotsPerMeterY());
  to.setOffset(from.offset());
  to.setDevicePixelRatio(from.devicePixelRatio());
  to.setColorSpace(from.colorSpace());
  for (const QString& key : from.textKeys()) to.setText(key, from.text(key));
}

QImage convertedInBands(const QImage& image, QImage::Format format) {
  QImage out(image.size(), format);
  if (out.isNull()) return out;
  const QImage::Format from = image.format();
  const int width = image.width();
  const qsizetype inStride = image.bytesPerLine();
  const qsizetype outStride = out.bytesPerLine();
  const qsizetype widest = std::max(inStride, outStride);
  const int pieceRows = int(std::max<qsizetype>(1, (kSplitBytes - 1) / widest));
  const int bandRows = int(std::max<qsizetype>(pieceRows, kBandBytes / widest));
  const uchar* const in = image.constBits();
  uchar* const dest = out.bits();
  std::atomic<bool> failed{false};
  runRowBands(image.height(), bandRows, [&](int first, int end) {
    for (int y = first; y < end && !failed.load(std::memory_order_relaxed); y += pieceRows) {
      const int rows = std::min(pieceRows, end - y);
      // A view of the rows, no copy: Qt converts it on this thread, as it is too small to split.
      const QImage piece(in + y * inStride, width, rows, inStride, from);
      const QImage converted = piece.convertToFormat(format);
      if (converted.isNull()) {
        failed.store(true);
        return;
      }
      const std::size_t rowBytes =
          std::size_t(std::min<qsizetype>(outStride, converted.bytesPerLine()));
      for (int r = 0; r < rows; ++r)
        std::memcpy(dest + (y + r) * outStride, converted.constScanLine(r), rowBytes);
    }
  });
  if (failed.load()) return QImage();
  copyMetadata(image, out);
  return out;
}

}  // namespace

QImage unsplitConverted(const QImage& image, QImage::Format format) {
  if (image.isNull() || image.format() == format) return image;
  if (!convertsRowByRow(image.format()) || !convertsRowByRow(format))
    return image.convertToFormat(format);
  try {
    if (image.sizeInBytes() < kSplitBytes) return image.convertToFormat(format);
    return convertedInBands(image, format);
  } catch (const std::bad_alloc&) {
    return QImage();
  }
}

QImage unsplitSmoothScaled(const QImage& image, const QSize& size) {
  const auto scale = [&image, &size] {
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  };
  QThreadPool* pool = QThreadPool::globalInstance();
  if (!pool || pool->contains(QThread::currentThread())) return scale();
  std::packaged_task<QImage()> task(scale);
  std::future<QImage> scaled = task.get_future();
  // Borrowed by the pool's thread until the future is ready, which the wait below outlasts.
  pool->start(QRunnable::create([&task] { task(); }));
  return scaled.get();
}

QPixmap unsplitPixmap(const QImage& image) {
  if (image.isNull()) return QPixmap();
  const QImage::Format held =
      image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  if (image.format() == held) return QPixmap::fromImage(image);
  QImage converted = unsplitConverted(image, held);
  if (converted.isNull()) return QPixmap();
  // Its only owner: the pixmap takes the pixels over without a copy.
  return QPixmap::fromImage(std::move(converted));
}

QPixmap unsplitSmoothScaled(const QPixmap& pixmap, const QSize& size) {
  if (pixmap.isNull()) return QPixmap();
  return unsplitPixmap(unsplitSmoothScaled(pixmap.toImage(), size));
}

}  // namespace kestrum
