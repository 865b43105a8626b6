#include "FootedTga.h"

#include <algorithm>
#include <cstring>

#include <QtEndian>

namespace kestrum {

namespace {

constexpr int kHeaderSize = 18;
constexpr int kFooterSize = 26;
constexpr int kExtensionSize = 495;    // the extension area of version 2
constexpr qint64 kChunkPixels = 8192;  // 16-bit pixels widened at a time

// Extension and developer areas absent, then the signature of version 2.
const QByteArray& footer() {
  static const QByteArray bytes = QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 18);
  return bytes;
}

// Where the footer of version 2 starts, when the source ends in one; else -1.
qint64 footerAt(QIODevice* source, qint64 start) {
  const qint64 at = source->size() - kFooterSize;
  if (at < start + kHeaderSize || !source->seek(at)) return -1;
  const QByteArray bytes = source->read(kFooterSize);
  return bytes.size() == kFooterSize && bytes.mid(8, 16) == "TRUEVISION-XFILE" ? at : -1;
}

// The attributes type that the extension area before the footer at `footerAt` gives; -1 when
// there is no such area.
int attributesType(QIODevice* source, qint64 start, qint64 footerAt) {
  if (footerAt < 0 || !source->seek(footerAt)) return -1;
  const QByteArray offset = source->read(4);
  if (offset.size() != 4) return -1;
  const qint64 at = start + qFromLittleEndian<quint32>(offset.constData());
  if (at == start || at + kExtensionSize > footerAt || !source->seek(at)) return -1;
  const QByteArray area = source->read(kExtensionSize);
  if (area.size() != kExtensionSize ||
      qFromLittleEndian<quint16>(area.constData()) != kExtensionSize)
    return -1;
  return uchar(area[kExtensionSize - 1]);
}

// Whether any of the `pixels` 16-bit pixels at `at` has its top bit set.
bool anyTopBit(QIODevice* source, qint64 at, qint64 pixels) {
  if (pixels <= 0 || !source->seek(at)) return false;
  std::vector<char> chunk(size_t(std::min<qint64>(pixels * 2, 1 << 16)));
  for (qint64 done = 0; done < pixels * 2;) {
    const qint64 n =
        source->read(chunk.data(), std::min<qint64>(pixels * 2 - done, qint64(chunk.size())));
    if (n <= 0) return false;
    for (qint64 i = 1 - (done & 1); i < n; i += 2)  // the high byte of each pixel
      if (chunk[size_t(i)] & 0x80) return true;
    done += n;
  }
  return false;
}

// At 16 bits, whether the top bit of each pixel is alpha (set: opaque). As the format defines
// it, the bit is alpha when the header counts one attribute bit, unless the extension area of
// version 2 says the attribute holds no alpha (an attributes type below 3). A bit clear in every
// pixel would leave nothing to see: its writer counted the bit and never set it, so it is no
// alpha either.
bool alphaBit(QIODevice* source, qint64 start, int descriptor, qint64 footerAt, qint64 pixelsAt,
              qint64 pixels) {
  if ((descriptor & 0x0F) != 1) return false;
  const int type = attributesType(source, start, footerAt);
  if (type >= 0 && type < 3) return false;
  return anyTopBit(source, pixelsAt, pixels);
}

// 16-bit pixels (five bits each of blue, green and red from the lowest, the top bit apart) as
// 24-bit ones, or as 32-bit ones with the top bit as alpha. Five bits widen to eight with their
// top bits repeated below them, so that 31 is 255.
void widen16(const uchar* in, uchar* out, qint64 pixels, bool alpha) {
  const auto eight = [](unsigned five) { return uchar(five << 3 | five >> 2); };
  for (qint64 i = 0; i < pixels; ++i, in += 2) {
    const unsigned pixel = in[0] | unsigned(in[1]) << 8;
    *out++ = eight(pixel & 31);
    *out++ = eight(pixel >> 5 & 31);
    *out++ = eight(pixel >> 10 & 31);
    if (alpha) *out++ = pixel & 0x8000 ? 0xFF : 0;
  }
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
  const qint64 pixels = qint64(word(12)) * word(14);
  const int stored = bits / 8;
  // A footer's bytes are no pixels: Qt's reader would take them as such and leave the rest blank.
  const qint64 footer = footerAt(source, start);
  if ((footer < 0 ? source->size() : footer) - pixelsAt < pixels * stored) {
    view.cutShort = true;
    return view;
  }
  int shown = stored;
  if (stored == 2) {
    shown = alphaBit(source, start, byte(17), footer, pixelsAt, pixels) ? 4 : 3;
    header[16] = char(shown * 8);
    header[17] = char((byte(17) & 0xF0) | (shown == 4 ? 8 : 0));
  }
  header[0] = 0;  // no image ID
  header[1] = 0;  // no colour map, and none described
  std::fill(header.begin() + 3, header.begin() + 8, '\0');
  view.device.reset(new FootedTga(source, pixelsAt, std::move(header), pixels, stored, shown));
  return view;
}

FootedTga::FootedTga(QIODevice* source, qint64 pixelsAt, QByteArray header, qint64 pixels,
                     int storedBytes, int shownBytes)
    : source_(source),
      pixelsAt_(pixelsAt),
      header_(std::move(header)),
      pixels_(pixels),
      storedBytes_(storedBytes),
      shownBytes_(shownBytes) {
  open(QIODevice::ReadOnly);
}

qint64 FootedTga::size() const {
  return header_.size() + pixels_ * shownBytes_ + footer().size();
}

qint64 FootedTga::readData(char* data, qint64 maxSize) {
  const qint64 pixelsFrom = header_.size(), pixelsTo = pixelsFrom + pixels_ * shownBytes_;
  qint64 done = 0;
  bool failed = false;
  while (done < maxSize && !failed) {
    const qint64 at = at_ + done;
    qint64 n = 0;
    if (at < pixelsFrom) {
      n = std::min(maxSize - done, pixelsFrom - at);
      std::memcpy(data + done, header_.constData() + at, size_t(n));
    } else if (at < pixelsTo) {
      n = readPixels(data + done, at - pixelsFrom, std::min(maxSize - done, pixelsTo - at));
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

qint64 FootedTga::readPixels(char* data, qint64 offset, qint64 count) {
  if (storedBytes_ == shownBytes_) return readSource(data, pixelsAt_ + offset, count);
  // Whole 16-bit pixels are read and widened, a chunk at a time.
  const qint64 first = offset / shownBytes_;
  const int skip = int(offset % shownBytes_);
  const qint64 wanted = std::min((skip + count + shownBytes_ - 1) / shownBytes_, kChunkPixels);
  stored_.resize(size_t(wanted) * 2);
  const qint64 got =
      readSource(reinterpret_cast<char*>(stored_.data()), pixelsAt_ + first * 2, wanted * 2) / 2;
  if (got <= 0) return -1;
  shown_.resize(size_t(got) * size_t(shownBytes_));
  widen16(stored_.data(), shown_.data(), got, shownBytes_ == 4);
  const qint64 n = std::min(count, got * shownBytes_ - skip);
  std::memcpy(data, shown_.data() + skip, size_t(n));
  return n;
}

qint64 FootedTga::readSource(char* data, qint64 at, qint64 count) {
  if (source_->pos() != at && !source_->seek(at)) return -1;
  return source_->read(data, count);
}

bool FootedTga::seek(qint64 position) {
  if (!QIODevice::seek(position)) return false;
  at_ = position;
  return true;
}

}  // namespace kestrum
