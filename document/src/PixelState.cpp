#include "document/PixelState.h"

#include <QDebug>

#include "Corvane.h"
#include "document/BlendingOptions.h"

namespace {

bool isStatusImage(const QImage& image) {
  return !image.isNull() && image.depth() == 8 && image.format() != QImage::Format_Alpha8;
}

}  // namespace

QRect PixelState::maskRect() const {
  return mask_.isNull() ? QRect() : QRect(mask_.offset(), mask_.size());
}

void PixelState::setMask(const QImage& mask) {
  mask_ = mask;
  if (!mask_.isNull() && mask_.format() == QImage::Format_Indexed8 && mask_.colorCount() < 9)
    mask_.setColorCount(9);
}

void PixelState::clear() {
  mask_ = QImage();
  saved_ = false;
  optionsKey_ = QVariant();
}

void PixelState::saveMask(const QImage& statusImage) {
  if (mask_.isNull()) {
    qWarning() << "Caught (and avoided) crash in PixelState::savemask (bug 1196)";
    return;
  }
  saved_ = true;
  if (!isStatusImage(statusImage)) return;
  const QRect area = maskRect() & statusImage.rect();
  const QPoint offset = mask_.offset();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const uchar* status = statusImage.constScanLine(y);
    uchar* row = mask_.scanLine(y - offset.y());
    for (int x = area.left(); x <= area.right(); ++x) {
      uchar& pixel = row[x - offset.x()];
      if (pixel) pixel = status[x] & CvStatusClassMask;
    }
  }
}

bool PixelState::changed(const QImage& statusImage) const {
  if (!saved_) return true;
  if (mask_.isNull() || !isStatusImage(statusImage)) return false;
  const QRect area = maskRect() & statusImage.rect();
  const QPoint offset = mask_.offset();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const uchar* status = statusImage.constScanLine(y);
    const uchar* row = mask_.constScanLine(y - offset.y());
    for (int x = area.left(); x <= area.right(); ++x) {
      const uchar pixel = row[x - offset.x()];
      if (pixel && pixel != (status[x] & CvStatusClassMask)) return true;
    }
  }
  return false;
}

bool PixelState::isStale(const BlendingOptions& options) const {
  return !optionsKey_.isValid() || optionsKey_ != QVariant(options.toVariant());
}

void PixelState::takeOverlap(const PixelState& other) {
  if (mask_.isNull() || other.mask_.isNull() || mask_.depth() != 8 || other.mask_.depth() != 8)
    return;
  const QRect area = maskRect() & other.maskRect();
  const QPoint mine = mask_.offset(), theirs = other.mask_.offset();
  for (int y = area.top(); y <= area.bottom(); ++y) {
    uchar* row = mask_.scanLine(y - mine.y());
    const uchar* otherRow = other.mask_.constScanLine(y - theirs.y());
    for (int x = area.left(); x <= area.right(); ++x) {
      uchar& pixel = row[x - mine.x()];
      const uchar value = otherRow[x - theirs.x()];
      if (pixel && value) pixel = value;
    }
  }
}
