#pragma once

#include <cstdint>

#include <QImage>
#include <QRect>
#include <QRgb>

#include "document/MaskedPixelIterator.h"
#include "kestrum/qt/AbortableThread.h"
#include "kestrum/qt/RowBands.h"

// A background run that marks, in a 1-bit highlight image, the pixels of the working image whose
// colour the user selected and whose status is among the statuses viewed. Set1DThread selects by
// one colour channel, Set2DThread by a plane of two.
//
// The owner (the status array) sets the selection, then startRun()s a run; before it changes
// any input or the highlight image again it stops the run (stop()): no two runs overlap and
// nothing a run reads changes under it, except statuses an engine command writes meanwhile (a
// stale highlight only). A run walks bands of rows on every processor, each band polling the
// abort flag before each row; an aborted run leaves the rows it had not begun as they were.
// finished() follows every run, aborted or not. GUI thread, except process().
class HighlightThread : public kestrum::AbortableThread {
  Q_OBJECT

 public:
  explicit HighlightThread(QObject* parent = nullptr);
  // Stops a run.
  ~HighlightThread() override;

  // Stops the run before, then starts one at low priority over `rect` (image coordinates, cut to
  // the images), writing `highlight` (Format_Mono, borrowed and written), reading `source` (the
  // working image, 32-bit) and `status` (8-bit, the statuses as indices): all three of one size.
  // `regionMask` (8-bit, at its offset; copied) limits the run to its non-zero pixels; null for
  // the whole rectangle. Pixels whose status has no bit of `statusMask` are written 0. Images of
  // another size or format start nothing (a log line).
  void startRun(QImage* highlight, const QImage* source, const QImage* status,
                const QImage* regionMask, const QRect& rect, uint8_t statusMask);
  // Aborts and waits for the run to end.
  void stop() { stopAndWait(); }

 protected:
  // The pixel loop of a run: `selected(colour)` answers whether the colour is selected.
  template <class Selected>
  void highlightPixels(Selected selected);
  // Runs `loop` unless the rectangle is null, and lets go of the mask.
  template <class Loop>
  void runGuarded(Loop loop);

 private:
  // A run starts through startRun() only, with its inputs.
  using AbortableThread::start;

  uint8_t statusMask_ = 0;
  QImage* highlight_ = nullptr;
  // Shallow copies: the pixels stay alive for the run even if the owner lets go of them.
  QImage source_;
  QImage status_;
  QImage regionMask_;
  QRect rect_;

  // Taken in startRun(), in the GUI thread, so the run never makes Qt detach an image.
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
  kestrum::forEachRow(
      rect_.height(), [this] { return isAborted(); },
      [&](int row) {
        const int y = rect_.top() + row;
        const QRgb* source = reinterpret_cast<const QRgb*>(sourceBits_ + y * sourceStride_);
        const uint8_t* status = statusBits_ + y * statusStride_;
        uchar* highlight = highlightBits_ + y * highlightStride_;
        for (MaskedPixelIterator p(QRect(rect_.left(), y, rect_.width(), 1), mask); !p.atEnd();
             p.next()) {
          const int x = p.x();
          const bool on = (status[x] & statusMask_) != 0 && selected(source[x]);
          const uchar bit = uchar(0x80u >> (x & 7));
          uchar& byte = highlight[x >> 3];
          byte = on ? uchar(byte | bit) : uchar(byte & ~bit);
        }
      });
}

template <class Loop>
void HighlightThread::runGuarded(Loop loop) {
  if (!rect_.isNull() && highlightBits_) loop();
  regionMask_ = QImage();
}
