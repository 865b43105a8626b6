#pragma once

#include <cstdint>

#include <QPolygonF>
#include <QRectF>
#include <QVector>

#include "Corvane.h"

class QPainter;

// Boundary polylines the engine found (a patch's outline, the edges of an analysis), in image
// coordinates, each with its bounding rectangle, and the union of those rectangles.
class EdgeOutline {
 public:
  struct Segment {
    QRectF bounds;
    QPolygonF line;
  };

  const QVector<Segment>& segments() const { return segments_; }
  // (0, 0, -1, -1) while there is no segment.
  const QRectF& bounds() const { return bounds_; }
  bool isEmpty() const { return segments_.isEmpty(); }

  void clear();
  // Replaces the outline with the engine's polylines (working coordinates), scaled by
  // `resolution` into image coordinates. Borrowed: the engine keeps the regions.
  void setFromEngine(const CvRegion* regions, uint32_t count, int resolution);
  // Every segment whose rectangle meets `exposed`, as a polyline without antialiasing; the
  // painter's render hints are restored.
  void draw(QPainter* painter, const QRectF& exposed) const;

 private:
  QVector<Segment> segments_;
  QRectF bounds_{0, 0, -1, -1};
};
