#pragma once

#include <QScrollArea>

#include "document/ImageRectF.h"
#include "workspace/GRectF.h"

class GmZoomWidget;
class ImageView;

// The scroll area around the image canvas: zoom about a point, zoom to a rectangle, pan and
// centre, and the report of the displayed part of the image to the navigator. A zoom keeps the
// point under the viewport's centre (or under the pointer for a point zoom) where it was, as
// fractions of the scrollable extent applied once the canvas has its new size. GUI thread.
class TsWorkspace : public QScrollArea {
  Q_OBJECT

 public:
  explicit TsWorkspace(ImageView* owner);

  GmZoomWidget* canvas() const { return canvas_; }
  ImageView* owner() const { return owner_; }

  // The viewport's visible part of the scaled image, in image pixels; (0, 0, 0, 0) when none.
  GRectF displayedRect() const;
  // `value` as the new zoom (absolute) or as a factor of it, about the viewport centre.
  void zoomBy(bool absolute, double value);
  // A point (no width and height) zooms in by 1.25 under its screen position; a rectangle is
  // fitted into the viewport. Only while no centre is pending, with an image.
  void zoomToRect(const ImageRectF& rect);
  // zoomToRect for a rectangle of non-negative size; otherwise scrolls its top-left to the
  // viewport's top-left.
  void moveImageViewportTo(const ImageRectF& rect);
  // As moveImageViewportTo, but a rectangle under 5 screen pixels wide or high (a click rather
  // than a drag) zooms in by 1.25 about the viewport centre.
  void minCheckedMoveImageViewportTo(const ImageRectF& rect);
  // Scrolls by (dx, dy) screen pixels.
  void pan(int dx, int dy);

 signals:
  void sayDisplayedRectChanged(GRectF rect, qreal zoom);

 public slots:
  // The brush outline shows at the viewport centre while the brush-size slider moves.
  void showBrushBeingChangedBySlider();

 protected:
  void scrollContentsBy(int dx, int dy) override;
  void resizeEvent(QResizeEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void recordCentre();
  void applyPendingCentre();
  bool hasImage() const;
  void reportDisplayedRect(bool onlyWhenVisible);

  ImageView* owner_;
  GmZoomWidget* canvas_;
  // Fractions of the scrollable extent (-1: none) and their on-screen offsets in viewport px.
  double centreX_ = -1;
  double centreY_ = -1;
  double offsetX_ = 0;
  double offsetY_ = 0;
};
