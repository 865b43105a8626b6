// The row-by-row JPEG decoder on arbitrary bytes: an image or null, never a crash, and a stop
// asked for part-way through gives null.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "kestrum/qt/JpegDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
  const QImage image = kestrum::decodeJpeg(bytes, [] { return false; });
  if (!image.isNull() && image.format() != QImage::Format_ARGB32) std::abort();
  int polls = 0;
  const QImage stopped = kestrum::decodeJpeg(bytes, [&polls] { return ++polls > 2; });
  if (!stopped.isNull() && stopped.height() > 2) std::abort();
  return 0;
}
