#include "kestrum/qt/Digest.h"

#include <QCryptographicHash>

namespace kestrum {

QByteArray dataDigest(const QByteArray& bytes) {
  return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

QByteArray textDigest(const QString& text) {
  return dataDigest(text.toUtf8());
}

QByteArray imageDigest(const QImage& image) {
  QCryptographicHash hash(QCryptographicHash::Md5);
  hash.addData(reinterpret_cast<const char*>(image.constBits()), int(image.sizeInBytes()));
  return hash.result();
}

QByteArray imageDigest(const QPixmap& pixmap) {
  return imageDigest(pixmap.toImage());
}

}  // namespace kestrum
