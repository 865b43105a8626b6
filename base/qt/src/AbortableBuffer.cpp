#include "kestrum/qt/AbortableBuffer.h"

#include <utility>

namespace kestrum {

AbortableBuffer::AbortableBuffer(QByteArray* bytes, std::function<bool()> stop, QObject* parent)
    : QBuffer(bytes, parent), stop_(std::move(stop)) {}

qint64 AbortableBuffer::writeData(const char* data, qint64 length) {
  if (stop_ && stop_()) return -1;
  return QBuffer::writeData(data, length);
}

}  // namespace kestrum
