#include "workspace/EffectImage.h"

void EffectImage::setImage(const QImage& image) {
  image_ = image;
  emit imageChanged();
}
