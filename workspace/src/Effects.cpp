#include "workspace/Effects.h"

#include "workspace/EffectImage.h"
#include "workspace/TrimToVisible.h"

Effects::Effects(QObject* parent) : QObject(parent), effectImage_(new EffectImage(this)) {}

void Effects::setInputImage(QImage im) {
  const QImage trimmed = trimToVisible(im);
  if (trimmed.isNull()) {
    bounds_ = QRectF();
  } else {
    const double m = margin_;
    bounds_ = QRectF(QRectF(trimmed.rect()).translated(trimmed.offset())).adjusted(-m, -m, m, m);
  }
  effectImage_->setImage(trimmed);
  // A second time once the image is in place, as the effects expect.
  emit effectImage_->imageChanged();
}
