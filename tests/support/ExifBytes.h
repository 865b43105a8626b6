#pragma once

#include <cstdint>
#include <vector>

#include <QByteArray>

// JPEG streams with hand-made Exif segments, for the reader's tests.
namespace exif_bytes {

struct Entry {
  uint16_t tag, format;
  uint32_t count, value;  // a value of up to 4 bytes sits at the field's start, else an offset
};

// TIFF data in one byte order; offsets count from its first byte, the byte-order mark.
class Tiff {
 public:
  explicit Tiff(bool intel, uint32_t firstDirectory = 8) : intel_(intel) {
    bytes_.append(intel ? "II" : "MM");
    put(42, 2);
    put(firstDirectory, 4);
  }
  uint32_t size() const { return uint32_t(bytes_.size()); }
  // Appends a directory of 2 + 12 n + 4 bytes.
  void directory(const std::vector<Entry>& entries, uint32_t next = 0) {
    put(uint32_t(entries.size()), 2);
    for (const Entry& e : entries) {
      put(e.tag, 2);
      put(e.format, 2);
      put(e.count, 4);
      const int bytes = e.format == 1 || e.format == 6 ? 1 : e.format == 3 || e.format == 8 ? 2 : 4;
      put(e.value, bytes);
      bytes_.append(QByteArray(4 - bytes, '\0'));
    }
    put(next, 4);
  }
  void put(uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) bytes_.append(char(v >> 8 * (intel_ ? i : bytes - 1 - i)));
  }
  QByteArray exifBody() const { return QByteArray("Exif\0\0", 6) + bytes_; }

 private:
  bool intel_;
  QByteArray bytes_;
};

inline QByteArray segment(int marker, const QByteArray& body) {
  const int length = body.size() + 2;
  return QByteArray(1, char(0xFF)) + char(marker) + char(length >> 8) + char(length) + body;
}

inline QByteArray startOfImage() {
  return QByteArray("\xFF\xD8", 2);
}

// A 640 x 480 frame of three components, the start of scan and some data.
inline QByteArray frameAndScan() {
  return segment(0xC0, QByteArray("\x08\x01\xE0\x02\x80\x03\x01\x22\x00\x02\x11\x01", 12)) +
         segment(0xDA, QByteArray("\x01\x01\x00\x00\x3F\x00", 6)) + QByteArray("\x12\xFF\xD9", 3);
}

inline QByteArray jpegWithExif(const QByteArray& exifBody) {
  return startOfImage() + segment(0xE1, exifBody) + frameAndScan();
}

inline QByteArray jpegWithDirectory(bool intel, const std::vector<Entry>& entries) {
  Tiff tiff(intel);
  tiff.directory(entries);
  return jpegWithExif(tiff.exifBody());
}

}  // namespace exif_bytes
