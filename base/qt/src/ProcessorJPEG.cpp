#include "kestrum/qt/ProcessorJPEG.h"

#include <cstdlib>
#include <utility>

#include <QImageWriter>

#include "kestrum/qt/AbortableBuffer.h"
#include "kestrum/qt/JpegDecoder.h"

namespace kestrum {

namespace {
// Within this fraction under the budget the search stops early (held in single precision).
constexpr float kCloseEnough = 0.02f;
}  // namespace

ProcessorJPEG::ProcessorJPEG(const QImage* input, QImage* output, std::uint32_t targetBytes,
                             QObject* parent)
    : ProcessorThread(input, output, parent), target_(targetBytes), encoder_(defaultEncoder()) {}

ProcessorJPEG::~ProcessorJPEG() {
  stopAndWait();
}

void ProcessorJPEG::setEncoder(Encoder encoder) {
  encoder_ = std::move(encoder);
}

ProcessorJPEG::Encoder ProcessorJPEG::defaultEncoder() {
  return [](const QImage& image, int quality, QIODevice& device) {
    QImageWriter writer(&device, "jpeg");
    writer.setQuality(quality);
    return writer.write(image);
  };
}

void ProcessorJPEG::process() {
  bytes_.clear();
  encodings_ = 0;
  lastQuality_ = -1;
  if (isAborted()) return;
  const QImage in = argb32Input();
  int quality = 50;
  int step = 50;
  int previousStep = 50;
  std::int64_t size = 0;
  const std::int64_t target = target_;
  do {
    if (unsigned(quality) > 100u) break;
    if (step == 1 && previousStep == -1) break;
    if (size == target) break;  // also the budget of 0, which is never encoded
    const double err = double(std::llabs(size - target)) / double(target);
    if (err <= double(kCloseEnough) && size <= target) break;

    bytes_.clear();
    bool encoded = false;
    {
      AbortableBuffer buffer(&bytes_, [this] { return isAborted(); });
      buffer.open(QIODevice::WriteOnly);
      encoded = !in.isNull() && encoder_(in, quality, buffer);
    }
    ++encodings_;
    lastQuality_ = quality;
    if (!encoded) {
      // No other quality would fare better (no encoder, no memory, or aborted).
      bytes_.clear();
      break;
    }
    size = bytes_.size();

    int newStep = step / 2;
    if (newStep == 0) newStep = 1;
    newStep = std::abs(newStep);
    if (size > target) newStep = -newStep;
    previousStep = step;
    step = newStep;
    quality += step;
  } while (!isAborted());
  if (isAborted()) return;

  // Decoded row by row: the decoding, as long as an encoding, stops as soon on abort.
  const QImage decoded = decodeJpeg(bytes_, [this] { return isAborted(); });
  *output() = isAborted() ? QImage() : decoded;
}

}  // namespace kestrum
