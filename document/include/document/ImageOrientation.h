#pragma once

#include <QTransform>

class QImage;
class QString;

// The rotation and mirror that turn a photo stored under Exif orientation 1..8 upright; the
// identity for 0 and for every other value.
QTransform transformForOrientation(int orientation);
// The upright transform of a file by its Exif orientation; the identity when the file is no
// readable JPEG or carries no orientation.
QTransform orientationTransform(const QString& path);
// Replaces `image`, read from `path`, with its upright form (fast transformation). Leaves it
// alone when no turn is needed; a null image when the turned one could not be allocated.
void rotateImage(QImage& image, const QString& path);
// The same with the orientation already read (1..8; anything else leaves the image alone).
void rotateImage(QImage& image, int orientation);
