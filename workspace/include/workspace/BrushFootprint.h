#pragma once

#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QVector>

// The working pixels one brush dot covers, painted exactly as a stroke paints its first dot
// (the same pen and the same place within the working pixel), into a square 1-bit image of at
// least ceil(size) + 3 pixels a side with the dot at its centre. The image grows as needed and
// never shrinks. GUI thread.
class BrushFootprint {
 public:
  // The dot of `size` working pixels at `centre` (working coordinates).
  void render(const QPointF& centre, int size);
  // Index 1 marks covered pixels; pixel (0, 0) is the working pixel origin().
  const QImage& image() const { return image_; }
  QPoint origin() const { return origin_; }
  // The covered pixels as runs along rows, in working coordinates: what the canvas fills.
  const QVector<QRect>& runs() const { return runs_; }

 private:
  QImage image_;
  QPoint origin_;
  QVector<QRect> runs_;
};
