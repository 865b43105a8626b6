#include "kestrum/qt/ProcessorThread.h"

#include <new>
#include <stdexcept>

#include "kestrum/qt/UnsplitImageWork.h"

namespace kestrum {

ProcessorThread::ProcessorThread(const QImage* input, QImage* output, QObject* parent)
    : AbortableThread(parent), input_(input), output_(output) {}

QImage ProcessorThread::argb32Input() const {
  if (!input_) return QImage();
  return convertedImage(*input_, QImage::Format_ARGB32);
}

QImage& ProcessorThread::prepareOutput(const QSize& size) const {
  if (!output_) throw std::invalid_argument("no output image");
  QImage& out = *output_;
  if (out.size() != size || out.format() != QImage::Format_ARGB32)
    out = allocateImage(size, QImage::Format_ARGB32);
  // bits() detaches an image that shares its pixels; a failed detach answers null.
  if (!size.isEmpty() && !out.bits()) throw std::bad_alloc();
  return out;
}

QImage allocateImage(const QSize& size, QImage::Format format) {
  if (size.isEmpty()) return QImage();
  QImage image(size, format);
  if (image.isNull()) throw std::bad_alloc();
  return image;
}

QImage convertedImage(const QImage& image, QImage::Format format) {
  if (image.isNull() || image.format() == format) return image;
  QImage converted = unsplitConverted(image, format);
  if (converted.isNull()) throw std::bad_alloc();
  return converted;
}

}  // namespace kestrum
