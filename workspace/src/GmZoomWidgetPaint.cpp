// The canvas's layers, bottom to top, each limited to the exposed area.

#include <algorithm>
#include <cmath>

#include <QAction>
#include <QPaintEvent>
#include <QPainter>

#include "StatusOverlay.h"
#include "document/ArrowTarget.h"
#include "document/Brushing.h"
#include "document/GmBrushing.h"
#include "document/GmModel.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/Rectangle.h"
#include "document/SegmentationStuff.h"
#include "document/Shape.h"
#include "document/TsSourceImage.h"
#include "document/UserColours.h"
#include "workspace/BrushFootprint.h"
#include "workspace/GmTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/ToolOptions.h"
#include "workspace/ViewOptions.h"
#include "workspace/WorkspaceHost.h"

struct GmZoomWidget::PaintContext {
  QPainter* painter;
  GmModel* model;
  TsSourceImage* image;
  QTransform display;  // display pixels to widget
  QTransform inverse;
  QTransform working;  // working pixels to widget
  QRectF exposed;      // display pixels
  QRectF clipped;      // display pixels inside the image
  int r;
};

namespace {

// Shared by every canvas: the dot image grows to the largest brush shown and stays.
BrushFootprint& footprint() {
  static BrushFootprint shared;
  return shared;
}

QRectF divided(const QRectF& rect, int r) {
  return QRectF(rect.x() / r, rect.y() / r, rect.width() / r, rect.height() / r);
}

// A cosmetic pen: one screen pixel whatever the painter's scale.
QPen thinPen(const QColor& colour) {
  QPen pen(colour, 0);
  pen.setCosmetic(true);
  return pen;
}

}  // namespace

void GmZoomWidget::paintEvent(QPaintEvent* event) {
  if (!wash_) {
    wash_ = new QAction(QStringLiteral("wash"), this);
    wash_->setCheckable(true);
    wash_->setShortcut(QKeySequence(QStringLiteral("Shift+F6")));
    addAction(wash_);
  }
  if (displayMode_ == -1) return;
  QPainter painter(this);
  paintLayers(painter, event->rect());
  if (wash_->isChecked()) paintWash(painter, event);
}

void GmZoomWidget::paintLayers(QPainter& painter, const QRect& exposed) {
  GmModel* model = GmModel::instance();
  const QBrush window = palette().brush(QPalette::Window);
  if (!hasImage()) {
    painter.fillRect(exposed, window);
    return;
  }
  if (imageRect_.isValid() && (imageRect_.left() > 0 || imageRect_.top() > 0) &&
      !imageRect_.contains(exposed))
    painter.fillRect(exposed, window);

  PaintContext context{&painter, model, model->segImage(), {}, {}, {}, {}, {}, 1};
  context.r = std::max(1, model->resolution());
  context.display = QTransform::fromTranslate(imageRect_.left(), imageRect_.top());
  context.display.scale(zoom_, zoom_);
  context.inverse = context.display.inverted();
  context.working = context.display;
  context.working.scale(context.r, context.r);
  context.exposed = context.inverse.mapRect(QRectF(exposed));
  const QRect inside = exposed & imageRect_;
  if (!inside.isEmpty()) context.clipped = context.inverse.mapRect(QRectF(inside));
  painter.setTransform(context.display);

  QBrush background = workspaceHost().canvasBackgroundBrush();
  background.setTransform(context.inverse);
  const GmTool* tool = GmTool::current();

  // Photo and status overlay.
  if (!context.clipped.isEmpty()) {
    painter.fillRect(context.clipped, background);
    const QRectF source = divided(context.clipped, context.r);
    if (context.image->workingPixmap().isNull()) context.image->prepareWorkingImage(context.r);
    painter.drawPixmap(context.clipped, context.image->workingPixmap(), source);
    const QImage& overlay = overlay_->update(*model->statusArray(), source.toAlignedRect());
    if (!overlay.isNull()) painter.drawImage(context.clipped, overlay, source);
    // The colour workspace's highlight, while that workspace shows it. Only the part on show is
    // copied out of the 1-bit image, so a repaint converts no more than it draws.
    const QImage& highlight = model->statusArray()->highlightImage();
    if (!highlight.isNull() && workspaceHost().colourHighlightShown()) {
      const QRect part = source.toAlignedRect() & highlight.rect();
      if (!part.isEmpty())
        painter.drawImage(context.clipped, highlight.copy(part),
                          source.translated(-QPointF(part.topLeft())));
    }
  }

  // Edges found by the edge detection in force.
  const ViewOptions* options = ViewOptions::instance();
  if (options && options->showsVectorEdges()) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(thinPen(Qt::blue));
    const GmRegion* active = model->activeRegion();
    const SegmentationStuff* edges = active && active->segmentation()->ownSettings()
                                         ? active->segmentation()
                                         : model->segmentation();
    edges->edgeOutline().draw(&painter, context.exposed);
  }

  // The patch preview: the cut-out inside the preview region, under the tool rectangle.
  const ts::Rectangle* toolRectangle = model->toolRectangle();
  if (toolRectangle && !previewRegion_.isEmpty() && previewPatch_ && model->blendImage()) {
    const QRectF area = toolRectangle->boundingRect().normalized() & context.exposed;
    if (!area.isEmpty()) {
      painter.save();
      painter.setPen(thinPen(Qt::white));
      painter.setClipRegion(previewRegion_, Qt::IntersectClip);
      painter.fillRect(area, background);
      painter.drawPixmap(area, model->blendImage()->displayPixmap(), area);
      painter.restore();
    }
  }

  // Patches and forced edges, in the way the current tool shows them.
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setBrush(Qt::NoBrush);
  const double handleWidth = 5.0 / zoom_;
  for (ArrowTarget* target : model->arrowTargets()) {
    painter.setPen(thinPen(target->outlineColour()));
    const int mode = tool ? tool->targetDisplayMode(target) : 3;
    target->shape().paint(&painter, context.exposed, mode, 0, handleWidth);
  }

  // Strokes in progress, in their own colours.
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (GmBrushing* stroke : model->liveStrokes()) {
    painter.setPen(QPen(stroke->brushing().colour()));
    stroke->brushing().paint(&painter, context.exposed, 1, 0, 0);
  }

  // Patch tint, as strong as the status overlay's unassigned colour, never below 30.
  if (!context.clipped.isEmpty() && !model->patches().isEmpty()) {
    QColor tint = UserColours::instance()->colour(UserColours::PatchOrForcedEdge)->color();
    const GmStatusArray* statuses = model->statusArray();
    tint.setAlpha(statuses->statusImage().isNull()
                      ? 128
                      : std::max(qAlpha(statuses->displayColour(CvStatusOutside)), 30));
    QPen none(Qt::NoPen);
    none.setColor(tint);
    for (GmRegion* patch : model->patches()) {
      painter.setPen(none);
      painter.setBrush(tint);
      patch->shape().paint(&painter, context.exposed, 2, 0, 0);
    }
    painter.setBrush(Qt::NoBrush);
  }

  paintBrushOutline(context, exposed);
  painter.setTransform(context.display);
  painter.setRenderHint(QPainter::Antialiasing, false);

  // Rubber bands of the zoom and rectangle tools.
  if (const ts::Rectangle* zoomRectangle = model->zoomRectangle()) {
    const QRectF band = zoomRectangle->boundingRect().normalized();
    if (band.adjusted(-1, -1, 1, 1).intersects(context.exposed)) {
      painter.setPen(thinPen(Qt::white));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(band);
    }
  }
  if (toolRectangle && !previewPatch_) {
    const QRectF band = toolRectangle->boundingRect().normalized();
    const QRectF area = band & context.exposed;
    if (!area.isEmpty()) {
      painter.setPen(thinPen(Qt::white));
      painter.fillRect(area, background);
      if (model->blendImage()) painter.drawPixmap(area, model->blendImage()->displayPixmap(), area);
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(band);
    }
  }
}

void GmZoomWidget::paintBrushOutline(PaintContext& context, const QRect& exposed) {
  // Drawn as placed, not as the live state now is: what is drawn stays inside the area the
  // next placement repaints.
  if (!outlineBox_.isValid() || !outlineRegion_.boundingRect().intersects(exposed)) return;
  QPainter& painter = *context.painter;
  const double s = outline_.scale;
  const double u = 1.0 / s;
  const int size = outline_.size;
  const double radius = size * 0.5;
  QTransform working = QTransform::fromTranslate(outline_.origin.x(), outline_.origin.y());
  working.scale(s, s);
  const QPointF p = (outline_.centre - QPointF(outline_.origin)) / s;
  painter.setTransform(working);
  const QColor colour = outline_.colour;

  // At 5 screen pixels a working pixel and more, the pixels the dot would paint show as blocks.
  // Filled as runs of whole working pixels: a scaled 1-bit image would be converted and
  // resampled over the whole area on every move.
  if (s >= 5.0) {
    footprint().render(p, size);
    QColor tint = colour;
    tint.setAlpha(45);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QRect visible = working.inverted().mapRect(QRectF(exposed)).toAlignedRect();
    for (const QRect& run : footprint().runs())
      if (run.intersects(visible)) painter.fillRect(run, tint);
  }

  painter.setClipping(false);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setBrush(Qt::NoBrush);
  GmRegion* active = context.model->activeRegion();
  if (active && active->shape().contains(p * context.r)) {
    const QRectF marker(p.x() - 3 * u, p.y() - 3 * u, 6 * u, 6 * u);
    painter.setPen(thinPen(Qt::white));
    painter.drawRect(marker.adjusted(-u, -u, u, u));
    painter.setPen(thinPen(colour));
    painter.drawRect(marker);
  }
  const QPointF axes[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  for (const QPointF& d : axes) {
    const QPointF across(d.y() * u, d.x() * u);
    painter.setPen(thinPen(Qt::white));
    painter.drawLine(p + d * 4 * u + across, p + d * 8 * u + across);
    painter.drawLine(p + d * 4 * u - across, p + d * 8 * u - across);
    painter.drawLine(p + d * 3 * u, p + d * 9 * u);
    painter.setPen(thinPen(colour));
    painter.drawLine(p + d * 4 * u, p + d * 8 * u);
  }
  painter.setPen(thinPen(Qt::black));
  painter.drawEllipse(p, radius + u, radius + u);
  if (radius > u) {
    painter.setPen(thinPen(Qt::white));
    painter.drawEllipse(p, radius - u, radius - u);
  }
  QColor ring = colour;
  ring.setAlpha(220);
  painter.setPen(thinPen(ring));
  painter.drawEllipse(p, radius, radius);
}

void GmZoomWidget::paintWash(QPainter& painter, QPaintEvent* event) {
  // Shared by every canvas: successive repaints show in alternating shades.
  static int level = 255;
  static int step = 15;
  painter.resetTransform();
  painter.setClipping(false);
  level += step;
  if (level >= 255) {
    level = 255;
    step = -step;
  } else if (level < 0) {
    level = 0;
    step = -step;
  }
  const QColor colour(level, level, 0, 70);
  if (event->region().isEmpty()) {
    painter.fillRect(event->rect(), colour);
    return;
  }
  for (const QRect& rect : event->region()) painter.fillRect(rect, colour);
}
