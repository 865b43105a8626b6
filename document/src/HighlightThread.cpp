#include "document/HighlightThread.h"

#include <QDebug>

HighlightThread::HighlightThread(QObject* parent) : AbortableThread(parent) {}

HighlightThread::~HighlightThread() {
  stopAndWait();
}

void HighlightThread::startRun(QImage* highlight, const QImage* source, const QImage* status,
                               const QImage* regionMask, const QRect& rect, uint8_t statusMask) {
  stop();
  highlightBits_ = nullptr;
  const bool usable =
      highlight && source && status && highlight->format() == QImage::Format_Mono &&
      (source->format() == QImage::Format_ARGB32 || source->format() == QImage::Format_RGB32) &&
      status->depth() == 8 && highlight->size() == source->size() &&
      status->size() == source->size();
  if (!usable) {
    qWarning() << "Highlight not started: the highlight, working and status images differ";
    return;
  }
  statusMask_ = statusMask;
  highlight_ = highlight;
  source_ = *source;
  status_ = *status;
  regionMask_ = regionMask && !regionMask->isNull() ? regionMask->copy() : QImage();
  if (!regionMask_.isNull()) {
    if (regionMask_.depth() != 8)
      regionMask_ = regionMask_.convertToFormat(QImage::Format_Indexed8);
    regionMask_.setOffset(regionMask->offset());
  }
  // A null rectangle, or one outside the images, stays null: the run then writes nothing.
  rect_ = rect & source->rect();
  highlightBits_ = highlight_->bits();
  highlightStride_ = highlight_->bytesPerLine();
  sourceBits_ = source_.constBits();
  sourceStride_ = source_.bytesPerLine();
  statusBits_ = status_.constBits();
  statusStride_ = status_.bytesPerLine();
  clearAbort();
  start(QThread::LowPriority);
}
