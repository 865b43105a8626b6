#include "composition/ProcessorFinalImage.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include <QDebug>
#include <QImageWriter>
#include <QPainter>

#include "composition/ZarvoOutputHandler.h"
#include "kestrum/qt/AbortableBuffer.h"
#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/ProcessorJPEG.h"
#include "kestrum/qt/ProcessorSharpen.h"
#include "kestrum/qt/RowBands.h"

namespace {

// The largest canvas composed: beyond it the pixels alone would take gigabytes.
constexpr qint64 kMaxCanvasPixels = 100'000'000;

int alphaAt(const QImage& image, int x, int y) {
  return qAlpha(image.pixel(x, y));
}

std::uint32_t budgetBytes(int kilobytes) {
  const std::int64_t bytes = std::int64_t(std::max(0, kilobytes)) * 1024;
  return std::uint32_t(std::min<std::int64_t>(bytes, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

bool hasTransparency(const QImage& source) {
  if (source.isNull()) return false;
  const QImage image =
      source.hasAlphaChannel() ? kestrum::convertedImage(source, QImage::Format_ARGB32) : source;
  if (!image.hasAlphaChannel()) return false;
  const int w = image.width();
  const int h = image.height();
  for (int x = 0; x < w; ++x)
    if (std::min(alphaAt(image, x, h - 1), alphaAt(image, x, 0)) < 254) return true;
  for (int y = 1; y < h - 1; ++y)
    if (std::min(alphaAt(image, w - 1, y), alphaAt(image, 0, y)) < 254) return true;
  for (int y = 1; y < h - 1; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 1; x < w - 1; ++x)
      if (qAlpha(line[x]) < 255) return true;
  }
  return false;
}

ProcessorFinalImage::ProcessorFinalImage(QObject* parent) : AbortableThread(parent) {}

ProcessorFinalImage::~ProcessorFinalImage() {
  stopAndWait();
}

void ProcessorFinalImage::startRun(const LayerSet& layers, quint64 run) {
  wait();
  layers_ = layers;
  runNumber_ = run;
  clearAbort();
  start(QThread::InheritPriority);
}

QImage ProcessorFinalImage::workingCutout() {
  if (layers_.sharpenValue == 0 || layers_.cutout.isNull()) return layers_.cutout;
  QImage sharpened = kestrum::allocateImage(layers_.cutout.size(), QImage::Format_ARGB32);
  kestrum::ProcessorSharpen sharpen(&layers_.cutout, &sharpened, float(layers_.sharpenValue));
  sharpen.start(QThread::InheritPriority);
  waitForChild(sharpen);
  if (sharpen.isAborted()) abort();  // aborted with this thread, or failed on its own
  return sharpened;
}

QImage ProcessorFinalImage::workingBackground() {
  if (layers_.compressBackground == 0 || layers_.background.isNull()) return layers_.background;
  QImage blurred = kestrum::allocateImage(layers_.background.size(), QImage::Format_ARGB32);
  kestrum::ProcessorGauss<1, 1, 1, 1> blur(&layers_.background, &blurred,
                                           float(layers_.compressBackground));
  blur.start(QThread::InheritPriority);
  waitForChild(blur);
  if (blur.isAborted()) abort();
  return blurred;
}

void ProcessorFinalImage::compose(QImage& canvas, const QImage& cutout, const QImage& background) {
  QPainter painter(&canvas);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                         QPainter::SmoothPixmapTransform);
  auto draw = [&](const QImage& image, const QPoint& at) {
    if (!isAborted() && !image.isNull()) painter.drawImage(at, image);
  };
  draw(background, QPoint(0, 0));
  draw(layers_.shadow, layers_.shadowPos);
  draw(cutout, layers_.cutoutPos);
  draw(layers_.logo, layers_.logoPos);
  draw(layers_.text, layers_.textPos);
  draw(layers_.speechBubbles, layers_.speechBubblesPos);
}

void ProcessorFinalImage::makeOpaque(QImage& canvas) {
  uchar* const pixels = canvas.bits();
  const int width = canvas.width();
  const int stride = canvas.bytesPerLine();
  kestrum::forEachRow(
      canvas.height(), [this] { return isAborted(); },
      [&](int y) {
        QRgb* line = reinterpret_cast<QRgb*>(pixels + std::size_t(y) * stride);
        for (int x = 0; x < width; ++x) line[x] |= 0xFF000000u;
      });
}

void ProcessorFinalImage::process() {
  resultImage_ = QImage();
  resultBytes_.clear();
  resultRun_ = 0;
  if (isAborted()) return;
  const QSize size = layers_.canvasRect.size();
  if (size.width() < 1 || size.height() < 1) {
    abort();
    return;
  }
  if (qint64(size.width()) * size.height() > kMaxCanvasPixels) {
    qWarning() << "A canvas of" << size << "is too large to compose; nothing is delivered";
    abort();
    return;
  }
  QImage canvas = kestrum::allocateImage(size, QImage::Format_ARGB32);
  if (!isAborted()) emit processingStarted(runNumber_);
  canvas.fill(Qt::transparent);

  QImage cutout = layers_.cutout;
  if (layers_.sharpenValue != 0 && !isAborted()) cutout = workingCutout();
  // Without a fully highlit cut-out the highlight is a copy of the cut-out: none is made.
  if (!isAborted() && !layers_.fullyHighlitCutout.isNull()) {
    QImage fullyHighlit = layers_.fullyHighlitCutout;
    cutout = composeHighlight(layers_.highlightPoints, cutout, fullyHighlit, &abortFlag());
  }
  QImage background = layers_.background;
  if (layers_.compressBackground != 0 && !isAborted()) background = workingBackground();
  if (!isAborted()) compose(canvas, cutout, background);

  QByteArray bytes;
  bool jpeg = false;
  if (layers_.fileType != ZarvoOutputHandler::Png) {
    // JPEG has no transparency: transparent pixels become opaque with their colour channels.
    if (!isAborted()) makeOpaque(canvas);
    if (!isAborted() && !hasTransparency(canvas)) {
      jpeg = true;
      QImage decoded = kestrum::allocateImage(canvas.size(), QImage::Format_ARGB32);
      kestrum::ProcessorJPEG encoder(&canvas, &decoded, budgetBytes(layers_.maxFileSizeKB));
      encoder.start(QThread::InheritPriority);
      waitForChild(encoder);
      if (encoder.isAborted()) abort();
      canvas = decoded;
      bytes = encoder.bytes();
    }
  }
  if (!jpeg && !isAborted()) {
    kestrum::AbortableBuffer buffer(&bytes, [this] { return isAborted(); });
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(canvas)) bytes.clear();
  }
  if (isAborted()) return;
  resultImage_ = canvas;
  resultBytes_ = bytes;
  resultRun_ = runNumber_;
  emit finalImageDone(canvas, bytes, runNumber_);
}
