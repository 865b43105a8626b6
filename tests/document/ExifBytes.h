#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

// Builds JPEG streams with hand-made Exif segments, for the reader's tests and its fuzz seeds.
namespace exif_bytes {

struct Entry {
  uint16_t tag;
  uint16_t format;
  uint32_t count;
  uint32_t value;  // the value itself (left-aligned as the byte order puts it) or its offset
};

// TIFF data in one byte order: offsets are counted from its first byte, the byte-order mark.
class Tiff {
 public:
  explicit Tiff(bool intel, uint32_t firstDirectory = 8) : intel_(intel) {
    bytes_.append(intel ? "II" : "MM");
    put16(42);
    put32(firstDirectory);
  }
  int size() const { return bytes_.size(); }
  // Appends a directory and answers its offset.
  uint32_t directory(const std::vector<Entry>& entries, uint32_t next = 0) {
    const uint32_t at = uint32_t(size());
    put16(uint16_t(entries.size()));
    for (const Entry& e : entries) {
      put16(e.tag);
      put16(e.format);
      put32(e.count);
      if ((e.format == 3 || e.format == 8) && e.count == 1) {  // first two bytes
        put16(uint16_t(e.value));
        put16(0);
      } else if ((e.format == 1 || e.format == 6) && e.count == 1) {  // first byte
        bytes_.append(char(e.value)).append(QByteArray(3, '\0'));
      } else {
        put32(e.value);
      }
    }
    put32(next);
    return at;
  }
  void put16(uint16_t v) {
    const char b[2] = {char(v >> 8), char(v)};
    if (intel_) {
      bytes_.append(b[1]).append(b[0]);
    } else {
      bytes_.append(b, 2);
    }
  }
  void put32(uint32_t v) {
    if (intel_) {
      put16(uint16_t(v));
      put16(uint16_t(v >> 16));
    } else {
      put16(uint16_t(v >> 16));
      put16(uint16_t(v));
    }
  }
  // Overwrites the 32-bit word at `offset`.
  void set32(int offset, uint32_t v) {
    Tiff word(intel_);
    word.bytes_.clear();
    word.put32(v);
    bytes_.replace(offset, 4, word.bytes_);
  }
  QByteArray exifBody() const { return QByteArray("Exif\0\0", 6) + bytes_; }

 private:
  bool intel_;
  QByteArray bytes_;
};

inline QByteArray segment(int marker, const QByteArray& body) {
  const int length = body.size() + 2;
  QByteArray s;
  s.append(char(0xFF)).append(char(marker)).append(char(length >> 8)).append(char(length));
  return s + body;
}

inline QByteArray startOfImage() {
  return QByteArray("\xFF\xD8", 2);
}

// A frame of 640 x 480 pixels with three components, then the start of scan and some data.
inline QByteArray frameAndScan() {
  const QByteArray frame("\x08\x01\xE0\x02\x80\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01", 15);
  return segment(0xC0, frame) + segment(0xDA, QByteArray("\x01\x01\x00\x00\x3F\x00", 6)) +
         QByteArray("\x12\x34\xFF\xD9", 4);
}

inline QByteArray jpegWithExif(const QByteArray& exifBody) {
  return startOfImage() + segment(0xE1, exifBody) + frameAndScan();
}

// Orientation `value` as one short in the first directory.
inline QByteArray orientedJpeg(bool intel, uint16_t value) {
  Tiff tiff(intel);
  tiff.directory({{0x0112, 3, 1, value}});
  return jpegWithExif(tiff.exifBody());
}

}  // namespace exif_bytes
