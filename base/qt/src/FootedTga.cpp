#include "FootedTga.h"

#include <algorithm>
#include <cstring>

namespace kestrum {

namespace {

constexpr int kHeaderSize = 18;

// Extension and developer areas absent, then the signature of version 2.
const QByteArray& footer() {
  static const QByteArray bytes = QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
  return bytes;
}

}  // namespace

FootedTga::View FootedTga::over(QIODevice* source, qint64 start) {
  View view;
  if (!source || source->isSequential() || !source->seek(start)) return view;
  QByteArray header = source->read(kHeaderSize);
  if (header.size() != kHeaderSize) return view;
  const auto byte = [&header](int i) { return int(uchar(header[i])); };
  const auto word = [&byte](int i) { return byte(i) | byte(i + 1) << 8; };
  const int idLength = byte(0), mapType = byte(1), imageType = byte(2), bits = byte(16);
  // Image type 2: uncompressed true colour, the only kind Qt's reader decodes.
  if (imageType != 2 || mapType > 1 || (bits != 16 && bits != 24 && bits != 32)) return view;
  const qint64 mapBytes = mapType == 1 ? qint64(word(5)) * ((byte(7) + 7) / 8) : 0;
  const qint64 pixelsAt = start + kHeaderSize + idLength + mapBytes;
  const qint64 pixelBytes = qint64(word(12)) * word(14) * (bits / 8);
  if (source->size() - pixelsAt < pixelBytes) {
    view.cutShort = true;
    return view;
  }
  header[0] = 0;  // no image ID
  header[1] = 0;  // no colour map, and none described
  std::fill(header.begin() + 3, header.begin() + 8, '\0');
  view.device.reset(new FootedTga(source, pixelsAt, std::move(header), pixelBytes));
  return view;
}

FootedTga::FootedTga(QIODevice* source, qint64 pixelsAt, QByteArray header, qint64 pixelBytes)
    : source_(source), pixelsAt_(pixelsAt), header_(std::move(header)), pixelBytes_(pixelBytes) {
  open(QIODevice::ReadOnly);
}

qint64 FootedTga::size() const {
  return header_.size() + pixelBytes_ + footer().size();
}

qint64 FootedTga::readData(char* data, qint64 maxSize) {
  const qint64 pixelsFrom = header_.size(), pixelsTo = pixelsFrom + pixelBytes_;
  qint64 done = 0;
  bool failed = false;
  while (done < maxSize && !failed) {
    const qint64 at = at_ + done;
    qint64 n = 0;
    if (at < pixelsFrom) {
      n = std::min(maxSize - done, pixelsFrom - at);
      std::memcpy(data + done, header_.constData() + at, size_t(n));
    } else if (at < pixelsTo) {
      const qint64 from = pixelsAt_ + at - pixelsFrom;
      if (source_->pos() == from || source_->seek(from))
        n = source_->read(data + done, std::min(maxSize - done, pixelsTo - at));
      failed = n <= 0;
    } else {
      n = std::min(maxSize - done, size() - at);
      if (n <= 0) break;
      std::memcpy(data + done, footer().constData() + (at - pixelsTo), size_t(n));
    }
    if (n > 0) done += n;
  }
  at_ += done;
  return failed && done == 0 ? -1 : done;
}

bool FootedTga::seek(qint64 position) {
  if (!QIODevice::seek(position)) return false;
  at_ = position;
  return true;
}

}  // namespace kestrum
