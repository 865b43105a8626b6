#include "document/ImageOrientation.h"

#include <QImage>
#include <QString>

#include "document/JpegMetadata.h"

QTransform transformForOrientation(int orientation) {
  QTransform t;
  switch (orientation) {
    case 2:
      t.scale(-1, 1);
      break;
    case 3:
      t.rotate(180);
      break;
    case 4:
      t.rotate(180);
      t.scale(-1, 1);
      break;
    case 5:
      t.rotate(-90);
      t.scale(-1, 1);
      break;
    case 6:
      t.rotate(90);
      break;
    case 7:
      t.rotate(90);
      t.scale(-1, 1);
      break;
    case 8:
      t.rotate(-90);
      break;
    default:  // 1, 0 (unknown) and anything a damaged file may hold
      break;
  }
  return t;
}

QTransform orientationTransform(const QString& path) {
  JpegMetadata metadata;
  if (!loadJpegMetadata(path, metadata)) return QTransform();
  return transformForOrientation(metadata.orientation);
}

void rotateImage(QImage& image, const QString& path) {
  JpegMetadata metadata;
  rotateImage(image, loadJpegMetadata(path, metadata) ? metadata.orientation : 0);
}

void rotateImage(QImage& image, int orientation) {
  const QTransform upright = transformForOrientation(orientation);
  if (upright.isIdentity()) return;
  image = image.transformed(upright, Qt::FastTransformation);
}
