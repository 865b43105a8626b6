#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QVector>

class GmStatusArray;

// The status image as premultiplied colours at working resolution, the form the canvas draws
// fastest. It follows the status array's display copy: what changed in that copy goes stale,
// and only the stale part of what is about to be drawn is converted. GUI thread.
class StatusOverlay {
 public:
  // The overlay of the array's display copy (8-bit indexed with its colour table) with `area`
  // (working pixels) up to date; a null image for no statuses.
  const QImage& update(const GmStatusArray& statuses, const QRect& area);
  void clear();

 private:
  QImage overlay_;
  quint64 revision_ = 0;
  QVector<QRgb> table_;
  QRegion stale_;
};
