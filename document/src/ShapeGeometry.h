#pragma once

#include <algorithm>
#include <cmath>

#include <QPointF>
#include <QRect>
#include <QRectF>

// Rectangle arithmetic the shapes share. Rectangles here are closed point sets, so a line or a
// point (zero width or height) still meets and widens what it touches, unlike QRectF's own
// operators, which ignore such rectangles.
namespace shapeGeometry {

// Coordinates beyond this are refused when read from a stored map: they are no image position,
// and they would overflow the conversions to whole pixels.
constexpr double maxCoordinate = 16777216.0;

inline bool meets(const QRectF& a, const QRectF& b) {
  const QRectF p = a.normalized(), q = b.normalized();
  return p.left() <= q.right() && q.left() <= p.right() && p.top() <= q.bottom() &&
         q.top() <= p.bottom();
}

inline QRectF unite(const QRectF& a, const QRectF& b) {
  const QRectF p = a.normalized(), q = b.normalized();
  return QRectF(QPointF(std::min(p.left(), q.left()), std::min(p.top(), q.top())),
                QPointF(std::max(p.right(), q.right()), std::max(p.bottom(), q.bottom())));
}

// The union of those of a and b that have positive width and height; (0, 0, -1, -1) when
// neither has.
inline QRectF uniteValid(const QRectF& a, const QRectF& b) {
  const bool useA = a.isValid(), useB = b.isValid();
  if (useA && useB) return a | b;
  if (useA) return a;
  if (useB) return b;
  return QRectF(0, 0, -1, -1);
}

inline QRectF rectAround(const QPointF& centre, double halfSide) {
  return QRectF(centre.x() - halfSide, centre.y() - halfSide, 2 * halfSide, 2 * halfSide);
}

inline bool isUsable(double value) {
  return std::isfinite(value) && std::fabs(value) <= maxCoordinate;
}
inline bool isUsable(const QPointF& p) {
  return isUsable(p.x()) && isUsable(p.y());
}
inline bool isUsable(const QRectF& r) {
  return isUsable(r.x()) && isUsable(r.y()) && isUsable(r.width()) && isUsable(r.height());
}

// The whole pixels that `rect` touches (left and top moved down, right and bottom up), within
// `bounds`; empty when they do not meet. Clamped in floating point first, so any finite input
// converts safely.
inline QRect pixelsWithin(const QRectF& rect, const QRect& bounds) {
  if (!isUsable(rect) || bounds.isEmpty()) return QRect();
  const QRectF r = rect.normalized();
  const double left = std::max(std::floor(r.left()), double(bounds.left()));
  const double top = std::max(std::floor(r.top()), double(bounds.top()));
  const double right = std::min(std::ceil(r.right()), double(bounds.right()) + 1.0);
  const double bottom = std::min(std::ceil(r.bottom()), double(bounds.bottom()) + 1.0);
  if (right <= left || bottom <= top) return QRect();
  return QRect(int(left), int(top), int(right - left), int(bottom - top));
}

}  // namespace shapeGeometry
