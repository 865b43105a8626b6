#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>

namespace kestrum {

// Qt 5.15 hands the conversion of an image of 128 KB or more, and the smooth scaling of one of
// 2^17 pixels or more, to its global thread pool in parts, and waits for the parts on a
// QSemaphore on the caller's stack. Debian 12's Qt 5.15.8 releases that semaphore in two writes,
// the second after the waiter may have returned: it then clears a bit of whatever the caller's
// stack holds by that time. These do the same work, to the same pixels, without that wait. Qt
// does not split work that a thread of its own global pool asks for.

// image.convertToFormat(format): Qt's own conversion, run on bands of rows too small for Qt to
// split (the bands spread over runRowBands), so the pixels are those Qt makes. The text, offset,
// resolution and colour space go with them. Null when memory runs out, as Qt answers. Conversions
// to or from indexed and 1-bit formats, whose palettes and dithering span rows and which Qt does
// not split, are Qt's as they are. Any thread.
QImage unsplitConverted(const QImage& image, QImage::Format format);

// image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), run on a thread of Qt's
// global pool and waited for without a QSemaphore. Any thread; blocks the caller meanwhile.
QImage unsplitSmoothScaled(const QImage& image, const QSize& size);

// QPixmap::fromImage(image) with nothing left for Qt to convert. The raster pixmaps of the
// offscreen and X11 platforms hold Format_RGB32 or Format_ARGB32_Premultiplied: any other format
// is converted to the one of those with the same alpha channel first (unsplitConverted). A null
// pixmap when memory runs out. GUI thread only (a QPixmap).
QPixmap unsplitPixmap(const QImage& image);

// pixmap.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), scaled as above. GUI
// thread only.
QPixmap unsplitSmoothScaled(const QPixmap& pixmap, const QSize& size);

}  // namespace kestrum
