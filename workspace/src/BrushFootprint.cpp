#include "workspace/BrushFootprint.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPen>

void BrushFootprint::render(const QPointF& centre, int size) {
  const int side = std::max(size, 1) + 3;
  if (image_.isNull() || image_.width() < side) image_ = QImage(side, side, QImage::Format_Mono);
  const int middle = image_.width() / 2;
  origin_ = QPoint(int(std::floor(centre.x())) - middle, int(std::floor(centre.y())) - middle);
  // Painting needs a table in which opaque white is exactly index 1, as for strokes.
  image_.setColorTable({0xFF000000u, 0xFFFFFFFFu});
  image_.fill(0);
  const QPointF q = centre - QPointF(origin_);
  {
    QPainter painter(&image_);
    painter.setPen(QPen(QColor(0xFFFFFFFFu), size, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPointF(q.x() - 0.5, q.y() - 0.5), QPointF(q.x() - 0.5 + 1e-5, q.y() - 0.5));
  }
  runs_.clear();
  for (int y = 0; y < image_.height(); ++y) {
    const uchar* line = image_.constScanLine(y);
    auto covered = [line](int x) { return (line[x >> 3] >> (7 - (x & 7))) & 1; };
    for (int x = 0; x < image_.width();) {
      if (!covered(x)) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < image_.width() && covered(x)) ++x;
      runs_.append(QRect(origin_.x() + start, origin_.y() + y, x - start, 1));
    }
  }
}
