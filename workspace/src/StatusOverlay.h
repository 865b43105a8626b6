#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QVector>

// The status image as premultiplied colours at working resolution, the form the canvas draws
// fastest. It follows the status array's display copy: when that copy changes, everything goes
// stale, and only the stale part of what is about to be drawn is converted. GUI thread.
class StatusOverlay {
 public:
  // The overlay of `statuses` (8-bit indexed with its colour table) with `area` (working
  // pixels) up to date; a null image for no statuses.
  const QImage& update(const QImage& statuses, const QRect& area);
  void clear();

 private:
  QImage overlay_;
  qint64 sourceKey_ = 0;
  QVector<QRgb> table_;
  QRegion stale_;
};
