#pragma once

#include <functional>

#include <QBuffer>

namespace kestrum {

// A write buffer over a byte array whose writes fail once stop() answers true, so an image
// encoder writing into it gives up within one of its own buffers.
class AbortableBuffer : public QBuffer {
  Q_OBJECT

 public:
  AbortableBuffer(QByteArray* bytes, std::function<bool()> stop, QObject* parent = nullptr);

 protected:
  qint64 writeData(const char* data, qint64 length) override;

 private:
  std::function<bool()> stop_;
};

}  // namespace kestrum
