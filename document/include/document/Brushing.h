#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QVariantMap>

#include "document/Shape.h"

// One brush stroke: a 1-bit image of the working image's size in which index 1 marks painted
// pixels, the stroke's path in image coordinates, the painted area in working coordinates and
// a straight preview line. As a shape it can be a patch; it cannot be dragged. GUI thread.
class Brushing : public Shape {
 public:
  // An empty stroke of `colour` over the working image (none without an image).
  explicit Brushing(const QColor& colour);
  // From the stored map. The stored image holds the stroke inverted; it is turned back here.
  explicit Brushing(const QVariantMap& map);
  // Has the document repaint the painted area, which no longer shows the stroke.
  ~Brushing() override;

  // The stored form; "Bitmap" holds the stroke image inverted, as project files always have.
  QVariantMap toVariant() const;

  // The stroke width in working pixels: the brush size of the tool options, at least 1.
  static int brushWidth();

  void beginStroke(const QPointF& imagePoint);
  void continueStroke(const QPointF& imagePoint);
  void movePreviewLineEnd(const QPointF& imagePoint);
  // Empties the stroke image and has the painted area repainted.
  void clear();
  // A stroke painted whole at once: `mask` (1-bit, index 1 painted, the working image's size)
  // becomes the stroke image and `workingBounds` (working coordinates) its painted area, which
  // is repainted. A mask of another size or depth empties the stroke.
  void setStrokeImage(const QImage& mask, const QRectF& workingBounds);

  const QImage& strokeImage() const { return stroke_; }
  const QPainterPath& path() const { return path_; }
  // Working coordinates; (0, 0, 0, 0) while nothing is painted.
  const QRectF& reducedBounds() const { return reducedBounds_; }
  const QColor& colour() const { return colour_; }

  QRectF boundingRect() const override;
  // True where the stroke image is painted, at the working pixel nearest to `point`.
  bool contains(const QPointF& point) const override;
  void paint(QPainter* painter, const QRectF& exposed, int state, int penFlag,
             double width) override;
  // A copy of the painted part of the stroke image; `pen` and `brush` are not used.
  QImage renderMask(const QPen& pen, const QBrush& brush) override;
  void setOutline(const CvRegion* regions, uint32_t count) override;
  ShapeHit hitTest(const QPointF& point) const override;
  void beginDrag(ShapeHit&, const QPointF&) override {}
  void drag(ShapeHit&, const QPointF&) override {}
  bool endDrag() override { return false; }

 private:
  void setColourTable();
  QRectF dotRect(const QPointF& working) const;
  void paintLine(const QPointF& from, const QPointF& to);
  void emitDirty(const QRectF& working) const;

  QImage stroke_;
  QPainterPath path_;
  QRectF reducedBounds_;
  QPointF lastPoint_;
  QPointF previewEnd_;
  QColor colour_;
};
