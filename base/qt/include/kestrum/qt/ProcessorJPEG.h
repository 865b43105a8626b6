#pragma once

#include <cstdint>
#include <functional>

#include <QByteArray>

#include "kestrum/qt/ProcessorThread.h"

class QIODevice;

namespace kestrum {

// Encodes the input as JPEG within a byte budget by a quality search: quality 50 first, then
// steps of half the previous one (at least 1) up while the encoding fits and down while it does
// not, until an encoding lands within 2 % under the budget, a +1 step follows a -1 step, or the
// quality leaves 0 .. 100. The bytes are the last encoding made (the quality-0 one, over the
// budget, when nothing fits); the output is those bytes decoded, as the picture will look.
// A budget of 0 encodes nothing: empty bytes and a null output. An abort stops the search, the
// encoding under way within one buffer of the encoder, and the decoding within one row.
class ProcessorJPEG : public ProcessorThread {
  Q_OBJECT

 public:
  // Writes `image` at `quality` (0 .. 100) into the open device; false when it failed.
  using Encoder = std::function<bool(const QImage& image, int quality, QIODevice& device)>;

  ProcessorJPEG(const QImage* input, QImage* output, std::uint32_t targetBytes,
                QObject* parent = nullptr);
  ~ProcessorJPEG() override;

  // Replaces the encoder (before start()); the default writes "jpeg" through QImageWriter.
  void setEncoder(Encoder encoder);
  static Encoder defaultEncoder();

  // After the join.
  const QByteArray& bytes() const { return bytes_; }
  int encodings() const { return encodings_; }
  int lastQuality() const { return lastQuality_; }

 protected:
  void process() override;

 private:
  const std::uint32_t target_;
  Encoder encoder_;
  QByteArray bytes_;
  int encodings_ = 0;
  int lastQuality_ = -1;
};

}  // namespace kestrum
