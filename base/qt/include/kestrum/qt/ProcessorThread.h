#pragma once

#include <QImage>

#include "kestrum/qt/AbortableThread.h"

namespace kestrum {

// The common shape of the image processors: one input read, one output written, a parameter
// held by the subclass. Both images are borrowed and must stay alive, untouched by anyone else,
// from start() until the worker has been joined.
//
// Whatever the input's format, the computation reads it as Format_ARGB32 (non-premultiplied);
// the output is (re)made Format_ARGB32 of the input's size unless it already is. A null input
// gives a null output. An aborted or failed run leaves an output that must not be used.
class ProcessorThread : public AbortableThread {
  Q_OBJECT

 public:
  ProcessorThread(const QImage* input, QImage* output, QObject* parent = nullptr);

  const QImage* input() const { return input_; }
  QImage* output() const { return output_; }

 protected:
  // The input converted to Format_ARGB32 (shared, not copied, when it already is).
  QImage argb32Input() const;
  // Makes the output a detached Format_ARGB32 image of `size` and answers it.
  QImage& prepareOutput(const QSize& size) const;

 private:
  const QImage* input_;
  QImage* output_;
};

// A new image, or std::bad_alloc when its pixels cannot be had (QImage answers a null image).
QImage allocateImage(const QSize& size, QImage::Format format);
// The image in `format` (unsplitConverted), or std::bad_alloc when the conversion could not
// allocate.
QImage convertedImage(const QImage& image, QImage::Format format);

}  // namespace kestrum
