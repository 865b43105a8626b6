#pragma once

// Image bytes as they come from outside: encoded pictures and a hostile header.

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
  quint32 crc = 0xFFFFFFFFu;
  for (int i = 0; i < size; ++i) {
    crc ^= uchar(data[i]);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
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

}  // namespace zarvo_test
