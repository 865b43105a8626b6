#include "document/EdgeOutline.h"

#include <algorithm>

#include <QPainter>

#include "ShapeGeometry.h"

void EdgeOutline::clear() {
  segments_.clear();
  bounds_ = QRectF(0, 0, -1, -1);
}

void EdgeOutline::setFromEngine(const CvRegion* regions, uint32_t count, int resolution) {
  clear();
  if (!regions) return;
  for (uint32_t r = 0; r < count; ++r) {
    const CvRegion& region = regions[r];
    if (!region.points || region.count == 0) continue;
    Segment segment;
    segment.line.reserve(int(region.count));
    qreal left = 0, top = 0, right = 0, bottom = 0;
    for (uint32_t i = 0; i < region.count; ++i) {
      const QPointF p(double(region.points[2 * i]) * resolution,
                      double(region.points[2 * i + 1]) * resolution);
      segment.line.append(p);
      left = i == 0 ? p.x() : std::min(left, p.x());
      right = i == 0 ? p.x() : std::max(right, p.x());
      top = i == 0 ? p.y() : std::min(top, p.y());
      bottom = i == 0 ? p.y() : std::max(bottom, p.y());
    }
    segment.bounds = QRectF(QPointF(left, top), QPointF(right, bottom));
    bounds_ = segments_.isEmpty() ? segment.bounds : shapeGeometry::unite(bounds_, segment.bounds);
    segments_.append(segment);
  }
}

void EdgeOutline::draw(QPainter* painter, const QRectF& exposed) const {
  const bool antialiased = painter->testRenderHint(QPainter::Antialiasing);
  painter->setRenderHint(QPainter::Antialiasing, false);
  for (const Segment& segment : segments_)
    if (shapeGeometry::meets(segment.bounds, exposed)) painter->drawPolyline(segment.line);
  painter->setRenderHint(QPainter::Antialiasing, antialiased);
}
