#pragma once

#include <atomic>
#include <cstdint>

#include <QImage>
#include <QRect>
#include <QRgb>
#include <QThread>

#include "document/MaskedPixelIterator.h"
#include "kestrum/qt/RowBands.h"

// A background run that marks, in a 1-bit highlight image, the pixels of the working image whose
// colour the user selected and whose status is among the statuses viewed. Set1DThread selects by
// one colour channel, Set2DThread by a plane of two.
//
// The owner (the status array) sets the selection, then start()s a run; before it changes any
// input or the highlight image again it stops the run (abort, then wait): no two runs overlap and
// nothing a run reads changes under it, except statuses an engine command writes meanwhile (a
// stale highlight only). A run walks bands of rows on every processor; an aborted run leaves
// the pixels it has not visited as they were. finished() follows every run, aborted or not.
// GUI thread, except run().
class HighlightThread : public QThread {
 public:
  // Thrown by the pixel loop when the run is to stop; run() catches it.
  struct AbortException {};

  explicit HighlightThread(QObject* parent = nullptr);
  // Stops a run.
  ~HighlightThread() override;

  // Starts a run at low priority over `rect` (image coordinates, cut to the images), writing
  // `highlight` (Format_Mono, borrowed and written), reading `source` (the working image, 32-bit)
  // and `status` (8-bit, the statuses as indices): all three of one size. `regionMask` (8-bit, at
  // its offset; copied) limits the run to its non-zero pixels; null for the whole rectangle.
  // Pixels whose status has no bit of `statusMask` are written 0. Images of another size or
  // format start nothing (a log line).
  void start(QImage* highlight, const QImage* source, const QImage* status,
             const QImage* regionMask, const QRect& rect, uint8_t statusMask);
  // Asks a running run to stop at its next pixel. Any thread.
  void abort() { abort_.store(true, std::memory_order_relaxed); }
  // Aborts and waits for the run to end.
  void stop();
  // For cancellation tests: each later run aborts before its pixel number `pixels` (0 first);
  // negative: never.
  void setAbortAfter(qint64 pixels) { abortAfter_ = pixels; }

 protected:
  // Fewest rows a band of a run takes.
  static constexpr int kBandRows = 16;
  // The pixel loop of a run: `selected(colour)` answers whether the colour is selected.
  template <class Selected>
  void highlightPixels(Selected selected);
  // Runs `loop` unless the rectangle is null, ends quietly on abort, and lets go of the mask.
  template <class Loop>
  void runGuarded(Loop loop);

 private:
  uint8_t statusMask_ = 0;
  QImage* highlight_ = nullptr;
  // Shallow copies: the pixels stay alive for the run even if the owner lets go of them.
  QImage source_;
  QImage status_;
  QImage regionMask_;
  QRect rect_;
  std::atomic<bool> abort_{false};
  qint64 abortAfter_ = -1;

  // Taken in start(), in the GUI thread, so the run never makes Qt detach an image.
  uchar* highlightBits_ = nullptr;
  qsizetype highlightStride_ = 0;
  const uchar* sourceBits_ = nullptr;
  qsizetype sourceStride_ = 0;
  const uchar* statusBits_ = nullptr;
  qsizetype statusStride_ = 0;
};

template <class Selected>
void HighlightThread::highlightPixels(Selected selected) {
  const QImage* mask = regionMask_.isNull() ? nullptr : &regionMask_;
  // Bands of whole rows: no two write one byte of the highlight.
  auto band = [&](int first, int end) {
    qint64 left = abortAfter_;
    const QRect rows(rect_.left(), rect_.top() + first, rect_.width(), end - first);
    for (MaskedPixelIterator p(rows, mask); !p.atEnd(); p.next()) {
      const int x = p.x(), y = p.y();
      const QRgb colour = reinterpret_cast<const QRgb*>(sourceBits_ + y * sourceStride_)[x];
      const uint8_t status = statusBits_[y * statusStride_ + x];
      if (abort_.load(std::memory_order_relaxed) || left-- == 0) throw AbortException();
      const bool on = (status & statusMask_) != 0 && selected(colour);
      uchar& byte = highlightBits_[y * highlightStride_ + (x >> 3)];
      const uchar bit = uchar(0x80u >> (x & 7));
      byte = on ? uchar(byte | bit) : uchar(byte & ~bit);
    }
  };
  // An abort at a given pixel is only defined along the walk's own order: one band then.
  if (abortAfter_ >= 0)
    band(0, rect_.height());
  else
    kestrum::runRowBands(rect_.height(), kBandRows, band);
}

template <class Loop>
void HighlightThread::runGuarded(Loop loop) {
  if (!rect_.isNull() && highlightBits_) {
    try {
      loop();
    } catch (const AbortException&) {
    }
  }
  regionMask_ = QImage();
}
