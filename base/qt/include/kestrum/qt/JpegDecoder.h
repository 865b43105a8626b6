#pragma once

#include <functional>

#include <QByteArray>
#include <QImage>

namespace kestrum {

// Decodes JPEG bytes into a Format_ARGB32 image (opaque), row by row, polling stop() before each
// row, so a decoding can be given up at once. The pixels are those Qt's own JPEG reader gives
// (same library, same settings). Null on damaged or unsupported data, on an image over 100
// megapixels, and when stopped. Any thread.
QImage decodeJpeg(const QByteArray& bytes, const std::function<bool()>& stop);

}  // namespace kestrum
