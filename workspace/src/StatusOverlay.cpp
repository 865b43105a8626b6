#include "StatusOverlay.h"

const QImage& StatusOverlay::update(const QImage& statuses, const QRect& area) {
  if (statuses.isNull() || statuses.format() != QImage::Format_Indexed8) {
    clear();
    return overlay_;
  }
  if (statuses.cacheKey() != sourceKey_ || overlay_.size() != statuses.size()) {
    sourceKey_ = statuses.cacheKey();
    if (overlay_.size() != statuses.size())
      overlay_ = QImage(statuses.size(), QImage::Format_ARGB32_Premultiplied);
    table_ = QVector<QRgb>(256, 0);
    const QVector<QRgb> colours = statuses.colorTable();
    for (int i = 0; i < colours.size() && i < 256; ++i) table_[i] = qPremultiply(colours.at(i));
    stale_ = QRegion(overlay_.rect());
  }
  const QRegion due = stale_ & (area & overlay_.rect());
  for (const QRect& part : due) {
    for (int y = part.top(); y <= part.bottom(); ++y) {
      const uchar* in = statuses.constScanLine(y);
      QRgb* out = reinterpret_cast<QRgb*>(overlay_.scanLine(y));
      for (int x = part.left(); x <= part.right(); ++x) out[x] = table_[in[x]];
    }
  }
  stale_ -= due;
  return overlay_;
}

void StatusOverlay::clear() {
  overlay_ = QImage();
  sourceKey_ = 0;
  stale_ = QRegion();
}
