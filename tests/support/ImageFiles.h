#pragma once

// Image bytes as they come from outside: encoded pictures, hostile headers and a decompression
// bomb.

#include <array>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QtEndian>

namespace zarvo_test {

inline QByteArray encodedImage(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

inline quint32 crc32(const char* data, int size) {
  static const std::array<quint32, 256> table = [] {
    std::array<quint32, 256> entries{};
    for (quint32 n = 0; n < 256; ++n) {
      quint32 c = n;
      for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
      entries[n] = c;
    }
    return entries;
  }();
  quint32 crc = 0xFFFFFFFFu;
  for (int i = 0; i < size; ++i) crc = table[(crc ^ uchar(data[i])) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

// The bits of a deflate stream: fields go in from their lowest bit, Huffman codes from their
// first (highest) bit.
class DeflateBits {
 public:
  void put(quint32 value, int count) {
    for (int i = 0; i < count; ++i) bit(value >> i & 1u);
  }
  void code(quint32 code, int length) {
    for (int i = length - 1; i >= 0; --i) bit(code >> i & 1u);
  }
  bool aligned() const { return used_ == 0; }
  void zeroBytes(qint64 count) { bytes_.append(QByteArray(int(count), '\0')); }
  QByteArray finish() {
    if (used_ > 0) bytes_.append(char(current_));
    used_ = 0;
    current_ = 0;
    return bytes_;
  }

 private:
  void bit(quint32 value) {
    current_ |= value << used_;
    if (++used_ == 8) {
      bytes_.append(char(current_));
      current_ = 0;
      used_ = 0;
    }
  }
  QByteArray bytes_;
  quint32 current_ = 0;
  int used_ = 0;
};

// A zlib stream of `count` zero bytes (at least one) in one block whose codes make the longest
// match (258 bytes at distance 1) two bits: a thousandth of the size, as a decompression bomb
// is made.
inline QByteArray zlibOfZeros(qint64 count) {
  DeflateBits out;
  out.put(1, 1);   // the final block
  out.put(2, 2);   // with codes of its own
  out.put(29, 5);  // 286 literal and length codes
  out.put(1, 5);   // 2 distance codes
  out.put(14, 4);  // 18 code-length codes, in deflate's order below
  for (int symbol : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1})
    out.put(symbol == 18 ? 1 : symbol == 1 || symbol == 2 ? 2 : 0, 3);
  // Code lengths, coded as 18 -> 0, 1 -> 10, 2 -> 11 (18 repeats a zero length 11..138 times).
  const auto length = [&out](int bits) { out.code(bits == 1 ? 2 : 3, 2); };
  const auto zeroLengths = [&out](int times) {
    out.code(0, 1);
    out.put(quint32(times - 11), 7);
  };
  length(2);  // literal 0: 10
  zeroLengths(138);
  zeroLengths(117);
  length(2);  // end of block: 11
  zeroLengths(28);
  length(1);  // length 258: 0
  length(1);  // distance 1: 0
  length(1);  // distance 2, unused; it completes the code
  out.code(2, 2);
  qint64 matches = (count - 1) / 258;
  const int rest = int((count - 1) % 258);
  // Once aligned, four matches of two zero bits each make a zero byte.
  for (; matches > 0 && !out.aligned(); --matches) out.code(0, 2);
  out.zeroBytes(matches / 4);
  for (matches %= 4; matches > 0; --matches) out.code(0, 2);
  for (int i = 0; i < rest; ++i) out.code(2, 2);
  out.code(3, 2);
  QByteArray stream("\x78\x01", 2);
  stream += out.finish();
  const quint32 adler = quint32(count % 65521) << 16 | 1u;  // a stays 1 over zeros
  char trailer[4];
  qToBigEndian(adler, trailer);
  return stream + QByteArray(trailer, 4);
}

inline QByteArray pngChunk(const char* type, const QByteArray& data) {
  char length[4];
  qToBigEndian(quint32(data.size()), length);
  const QByteArray body = QByteArray(type, 4) + data;
  char crc[4];
  qToBigEndian(crc32(body.constData(), body.size()), crc);
  return QByteArray(length, 4) + body + QByteArray(crc, 4);
}

// A whole, valid PNG of `width` x `height` black RGB pixels (every row filtered "none"), made
// without holding its pixels: 30000 x 30000 is a 2.6 MB file that decodes to 2.7 GB.
inline QByteArray pngOfZeroRows(quint32 width, quint32 height) {
  QByteArray header(13, '\0');
  qToBigEndian(width, header.data());
  qToBigEndian(height, header.data() + 4);
  header[8] = 8;  // bits a channel
  header[9] = 2;  // RGB
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header) +
         pngChunk("IDAT", zlibOfZeros(qint64(height) * (1 + 3 * qint64(width)))) +
         pngChunk("IEND", QByteArray());
}

// A PNG whose header claims the given size (with a correct checksum); its pixel data is a stub.
inline QByteArray pngClaiming(quint32 width, quint32 height) {
  QImage stub(4, 4, QImage::Format_RGB32);
  stub.fill(qRgb(1, 2, 3));
  QByteArray png = encodedImage(stub, "PNG");
  qToBigEndian(width, png.data() + 16);
  qToBigEndian(height, png.data() + 20);
  qToBigEndian(crc32(png.constData() + 12, 17), png.data() + 29);
  return png;
}

// A JPEG whose frame header claims the given size; its scan holds a 64 x 48 picture.
inline QByteArray jpegClaiming(quint16 width, quint16 height) {
  QImage stub(64, 48, QImage::Format_RGB32);
  stub.fill(qRgb(40, 80, 120));
  QByteArray jpeg = encodedImage(stub, "JPG");
  for (int i = 0; i + 8 < jpeg.size(); ++i) {
    const uchar marker = uchar(jpeg[i + 1]);
    if (uchar(jpeg[i]) == 0xFF && marker >= 0xC0 && marker <= 0xC2) {  // start of frame
      qToBigEndian(height, jpeg.data() + i + 5);
      qToBigEndian(width, jpeg.data() + i + 7);
      break;
    }
  }
  return jpeg;
}

// How a TrueVision TGA is laid out. The default is what Qt's reader asks for: 32 bits with
// alpha, the first row at the top, the footer of version 2. Most tools write the rows from the
// bottom and no footer; a TGA has no magic number at its start.
struct TgaLayout {
  int bits = 32;  // 16 (5 bits a colour, the top bit unused or alpha), 24 or 32
  bool fromTop = true;
  bool footer = true;
  QByteArray id;          // the image ID field after the header
  int mapEntries = 0;     // a colour map of so many 24-bit entries, which true colour leaves unused
  bool alphaBit = false;  // at 16 bits: one attribute bit, the top bit, set where alpha >= 128
  int attributesType = -1;  // with the footer: an extension area holding this field; -1: none

  // As most tools write it: 24 bits, the last row first, no footer.
  static TgaLayout asToolsWrite() { return {24, false, false, {}}; }
};

inline QByteArray tgaOf(const QImage& image, const TgaLayout& layout = {}) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  QByteArray bytes(18, '\0');
  bytes[0] = char(layout.id.size());
  bytes[1] = char(layout.mapEntries > 0 ? 1 : 0);
  bytes[2] = 2;  // true colour
  qToLittleEndian(quint16(layout.mapEntries), bytes.data() + 5);
  bytes[7] = char(layout.mapEntries > 0 ? 24 : 0);
  qToLittleEndian(quint16(argb.width()), bytes.data() + 12);
  qToLittleEndian(quint16(argb.height()), bytes.data() + 14);
  bytes[16] = char(layout.bits);
  const int attributeBits = layout.bits == 32 ? 8 : layout.bits == 16 && layout.alphaBit ? 1 : 0;
  bytes[17] = char(attributeBits | (layout.fromTop ? 0x20 : 0));
  bytes += layout.id;
  bytes += QByteArray(layout.mapEntries * 3, '\x5A');
  for (int row = 0; row < argb.height(); ++row)
    for (int x = 0; x < argb.width(); ++x) {
      const QRgb pixel = argb.pixel(x, layout.fromTop ? row : argb.height() - 1 - row);
      if (layout.bits == 16) {
        const bool set = layout.alphaBit && qAlpha(pixel) >= 128;
        const int word = (set ? 0x8000 : 0) | (qRed(pixel) >> 3) << 10 | (qGreen(pixel) >> 3) << 5 |
                         qBlue(pixel) >> 3;
        bytes.append(char(word & 0xFF)).append(char(word >> 8));
        continue;
      }
      bytes.append(char(qBlue(pixel))).append(char(qGreen(pixel))).append(char(qRed(pixel)));
      if (layout.bits == 32) bytes.append(char(qAlpha(pixel)));
    }
  if (!layout.footer) return bytes;
  char extensionAt[4] = {};
  if (layout.attributesType >= 0) {
    qToLittleEndian(quint32(bytes.size()), extensionAt);
    QByteArray extension(495, '\0');
    qToLittleEndian(quint16(495), extension.data());
    extension[494] = char(layout.attributesType);
    bytes += extension;
  }
  return bytes + QByteArray(extensionAt, 4) + QByteArray(4, '\0') +
         QByteArray("TRUEVISION-XFILE.", 18);
}

// A BMP of 24 bits a pixel under the 40-byte header, its rows padded to 4 bytes. `fromTop`
// stores the top row first with the height negative, as some programs write it.
inline QByteArray bmpOf(const QImage& image, bool fromTop = false) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const int w = rgb.width(), h = rgb.height(), stride = (w * 3 + 3) / 4 * 4;
  char header[54] = {'B', 'M'};
  qToLittleEndian(quint32(54 + stride * h), header + 2);
  qToLittleEndian(quint32(54), header + 10);  // where the pixels start
  qToLittleEndian(quint32(40), header + 14);
  qToLittleEndian(qint32(w), header + 18);
  qToLittleEndian(qint32(fromTop ? -h : h), header + 22);
  qToLittleEndian(quint16(1), header + 26);  // planes
  qToLittleEndian(quint16(24), header + 28);
  qToLittleEndian(quint32(stride * h), header + 34);
  QByteArray bytes(header, 54);
  for (int row = 0; row < h; ++row) {
    const QRgb* line =
        reinterpret_cast<const QRgb*>(rgb.constScanLine(fromTop ? row : h - 1 - row));
    for (int x = 0; x < w; ++x)
      bytes.append(char(qBlue(line[x]))).append(char(qGreen(line[x]))).append(char(qRed(line[x])));
    bytes += QByteArray(stride - w * 3, '\0');
  }
  return bytes;
}

}  // namespace zarvo_test
