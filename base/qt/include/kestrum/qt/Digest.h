#pragma once

#include <QByteArray>
#include <QImage>
#include <QPixmap>
#include <QString>

namespace kestrum {

// MD5 digests, each returned as the 16 raw bytes (not hex).
QByteArray dataDigest(const QByteArray& bytes);
// Of the string's UTF-8 bytes.
QByteArray textDigest(const QString& text);
// Of the image's stored bytes: every scan line whole, padding included (bytes per line times
// height), so two images digest equal only with equal format, size and stored pixels.
QByteArray imageDigest(const QImage& image);
// Of the pixmap's image (toImage()); GUI thread.
QByteArray imageDigest(const QPixmap& pixmap);

}  // namespace kestrum
