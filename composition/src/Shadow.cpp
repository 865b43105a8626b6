#include "composition/Shadow.h"

#include <algorithm>
#include <cmath>

#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/RowBands.h"

Shadow::Shadow() : kernel_(ShadowKernel::pyramid(kDefaultFuzziness)) {
  qRegisterMetaType<ShadowMask>("ShadowMask");
  worker_ = std::make_unique<WorkerThread<Shadow>>(this);
  connect(this, &Shadow::maskComputed, this, &Shadow::takeMask, Qt::QueuedConnection);
  updateFlatOffset();
}

Shadow::~Shadow() {
  worker_.reset();  // aborts and joins; a mask still queued goes with this object
}

int Shadow::shadowAlpha(double intensity) {
  return int(std::floor(intensity * 200.0 + 0.5)) + 40;
}

QImage Shadow::colourShadow(const QImage& mask, int alpha) {
  // Black at any alpha has the same bits premultiplied or not: made in the format a pixmap
  // holds, it reaches the screen and the hub unconverted.
  QImage shadow(mask.size(), QImage::Format_ARGB32_Premultiplied);
  if (shadow.isNull() ||
      (mask.format() != QImage::Format_RGB32 && mask.format() != QImage::Format_ARGB32))
    return QImage();
  uchar* const bits = shadow.bits();
  const qsizetype bytesPerLine = shadow.bytesPerLine();
  const int width = mask.width();
  // Rows in parallel: a 12-megapixel shadow recolours while the intensity slider moves.
  kestrum::forEachRow(
      mask.height(), [] { return false; },
      [&](int y) {
        const QRgb* grey = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        QRgb* out = reinterpret_cast<QRgb*>(bits + std::size_t(y) * bytesPerLine);
        for (int x = 0; x < width; ++x) {
          // alpha x grey / 255, rounded as Qt's compositing rounds it.
          const unsigned t = unsigned(alpha) * unsigned(qBlue(grey[x])) + 128u;
          out[x] = QRgb((t + (t >> 8)) >> 8) << 24;
        }
      });
  return shadow;
}

// ---- Worker

void Shadow::compute(const Job& job, WorkerThread<Shadow>& thread, quint64 run) {
  const ShadowStop stopped = [&thread] { return thread.isAborted(); };
  ShadowMask result;
  result.type = job.type;
  if (job.type == Flat) {
    if (!flatShadowMask(job.source, job.kernel, stopped, &result.mask)) return;
  } else if (job.type == Standing) {
    bool flipped = false;
    QImage projected;
    if (!standingShadowProjection(job.source, job.direction, job.length, stopped, &projected,
                                  &flipped))
      return;
    if (!projected.isNull()) {
      // The blur counts only the taps inside its image: without room around the projection
      // the shadow would end at full strength at the projection's bounding box. With its reach
      // and one pixel more of black on every side it fades out to zero inside the layer,
      // which grows by that much and moves with it; the shape stays where it was.
      const float s = float(job.kernel.radius);
      projected = withBlurRoom(projected, kestrum::gaussRadius(s) + 1);
      // Blurred as it is (opaque Format_ARGB32, turned already): the child converts and copies
      // nothing, so an abort reaches a polling loop at once.
      kestrum::ProcessorGauss<1, 1, 1, 0> blur(&projected, &result.mask, s);
      blur.start(QThread::InheritPriority);
      thread.waitForChild(blur);
      if (blur.isAborted()) return;  // stopped with this thread, or failed on its own
      result.offset = projected.offset();
      result.mask.setOffset(result.offset);
    }
  } else {
    return;
  }
  if (thread.isAborted()) return;
  thread.keepResult(result);
  emit maskComputed(result, run);
}

// ---- Starting and stopping

void Shadow::stop() {
  worker_->abort();
  worker_->wait();
  ++run_;
}

void Shadow::restart() {
  stop();
  needsCompute_ = true;
  if (source_.isNull() || (type_ != Standing && type_ != Flat)) {
    emitShadow();
    return;
  }
  Job job;
  job.source = source_;
  job.type = type_;
  job.direction = direction_;
  job.length = length_;
  job.kernel = kernel_;
  worker_->startRun(std::move(job), run_);
}

bool Shadow::finishRun() {
  const std::optional<ShadowMask> mask = worker_->takeResult(run_);
  if (!mask) return false;
  takeMask(*mask, run_);
  return true;
}

void Shadow::takeMask(const ShadowMask& mask, quint64 run) {
  if (run != run_) return;  // a start replaced since, or taken already
  ++run_;
  if (mask.type == Flat) {
    flatMask_ = mask.mask;
    updateFlatOffset();
  } else {
    standingMask_ = mask.mask;
    standingOffset_ = mask.offset;
  }
  needsCompute_ = false;
  emitShadow();
}

void Shadow::cancel() {
  worker_->abort();
}

// ---- Inputs

void Shadow::updateFlatOffset() {
  flatOffset_ = flatShadowOffset(source_.size(), direction_, length_, kernel_.radius);
}

void Shadow::setImage(const QImage& image) {
  source_ = image;  // the worker reads only its snapshot
  updateFlatOffset();
  restart();
}

void Shadow::reset() {
  stop();
  direction_ = kDefaultDirection;
  length_ = kDefaultLength;
  intensity_ = kDefaultIntensity;
  type_ = None;
  kernel_ = ShadowKernel::pyramid(kDefaultFuzziness);
  flatMask_ = QImage();
  standingMask_ = QImage();
  standingOffset_ = QPoint();
  updateFlatOffset();
  needsCompute_ = true;
}

void Shadow::setDirection(double radians) {
  changeReach(direction_, std::clamp(radians, 0.0, 2.0 * kShadowPi));
}

void Shadow::setLength(double length) {
  changeReach(length_, std::clamp(length, 0.0, 1.0));
}

void Shadow::changeReach(double& field, double value) {
  if (value == field) return;
  field = value;
  updateFlatOffset();
  // A flat shadow only moves; a standing one is projected afresh.
  if (type_ == Standing)
    restart();
  else
    emitShadow();
}

void Shadow::setIntensity(double intensity) {
  const double value = std::clamp(intensity, 0.0, 1.0);
  if (value == intensity_) return;
  intensity_ = value;
  emitShadow();
}

void Shadow::setFuzziness(int radius) {
  const int value = std::clamp(radius, ShadowKernel::kMinRadius, ShadowKernel::kMaxRadius);
  if (value == kernel_.radius) return;
  kernel_ = ShadowKernel::pyramid(value);
  updateFlatOffset();
  restart();
}

void Shadow::setShadowType(int type) {
  if (type == type_) return;
  type_ = type;
  restart();
}

// ---- Colouring

void Shadow::emitShadow() {
  const QImage& mask = type_ == Standing ? standingMask_ : flatMask_;
  if ((type_ != Standing && type_ != Flat) || source_.isNull() || mask.isNull()) {
    emit shadowReady(QImage(), QPoint(0, 0));
    return;
  }
  const QImage shadow = colourShadow(mask, shadowAlpha(intensity_));
  if (shadow.isNull()) {
    emit shadowReady(QImage(), QPoint(0, 0));  // no memory for it: the shadow is left out
    return;
  }
  emit shadowReady(shadow, type_ == Standing ? standingOffset_ : flatOffset_);
}
