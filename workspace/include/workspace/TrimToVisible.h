#pragma once

#include <QImage>

// The smallest rectangle of `image` that holds every pixel whose alpha is not 0, copied out
// with the image offset set to its top-left (in `image`'s pixels). An image without an alpha
// channel is visible everywhere; one without a visible pixel gives a null image. The copy keeps
// `image`'s format. Any thread.
QImage trimToVisible(const QImage& image);
