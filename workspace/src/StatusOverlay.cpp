#include "StatusOverlay.h"

#include "document/GmStatusArray.h"

const QImage& StatusOverlay::update(const GmStatusArray& array, const QRect& area) {
  const QImage& statuses = array.displayImage();
  if (statuses.isNull() || statuses.format() != QImage::Format_Indexed8) {
    clear();
    return overlay_;
  }
  if (array.displayRevision() != revision_ || overlay_.size() != statuses.size()) {
    // The array makes a whole copy for a new colour table, so an unknown revision covers it.
    stale_ += overlay_.size() == statuses.size() ? array.displayChangedSince(revision_)
                                                 : QRegion(statuses.rect());
    revision_ = array.displayRevision();
    if (overlay_.size() != statuses.size())
      overlay_ = QImage(statuses.size(), QImage::Format_ARGB32_Premultiplied);
    table_ = QVector<QRgb>(256, 0);
    const QVector<QRgb> colours = statuses.colorTable();
    for (int i = 0; i < colours.size() && i < 256; ++i) table_[i] = qPremultiply(colours.at(i));
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
  revision_ = 0;
  stale_ = QRegion();
}
