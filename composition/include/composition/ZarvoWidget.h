#pragma once

#include <QGraphicsView>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRectF>

#include "composition/ItemScene.h"
#include "workspace/CompositionZoomView.h"
#include "workspace/ImageView.h"

class CompositionMouseTool;
class CutoutController;
class GmTool;
class QCursor;
class ZarvoObject;

// The composition canvas: the view of the one ItemScene, on the view tab "2. Compose Picture".
// Mouse events go to the current tool when it takes the mouse itself (CompositionMouseTool),
// otherwise to the scene, which selects and drags items; the scene rectangle grows to hold
// every item. Zooms are view scales (screen pixels per scene unit, the same in x and y) on a
// logarithmic range; each is reported as a scale (zoomedTo) and as a proportion of the range
// (zoomProportion), and the grab handles follow it.
//
// It owns its scene and the cut-out controller on it, and becomes the hub's scene. GUI thread
// only.
class ZarvoWidget : public QGraphicsView, public CompositionZoomView {
  Q_OBJECT

 public:
  explicit ZarvoWidget(QWidget* parent = nullptr);
  ~ZarvoWidget() override;

  ItemScene* itemScene() const;
  CutoutController* cutoutController() const { return cutoutController_; }
  // The viewport's rectangle in scene units.
  QRectF visibleSceneRect() const;
  double currentScale() const { return transform().m11(); }

  // The scale at which the items fit the viewport (the canvas when there are no items); 0 when
  // none can be found.
  double fitRatio() const;
  // The smallest of 0.85 x the fit ratio, 1.0 and the current scale.
  double minimumScale() const;
  // The larger of 0.85 x the fit ratio and 4.0.
  double maximumScale() const;
  double scaleToProportion(double scale) const;
  double proportionToScale(double proportion) const;

  // ---- CompositionZoomView
  void zoomTo100Percent() override;
  void fitImageOnScreen() override;
  QPointF visibleSceneCentre() const override;
  QObject* zoomObject() override { return this; }

 signals:
  void zoomedTo(double scale);
  void zoomProportion(double proportion);

 public slots:
  // On "3. Add Effects" (16) the flattened layer shows instead of the instances.
  void viewTabChangedSlot(ImageView::ViewTab view);
  // A null cursor changes nothing.
  void cursorChangedSlot(const QCursor* cursor);
  void toolChangedSlot(const GmTool* tool);
  // Scales that are not positive and finite are ignored; a null centre keeps the view where
  // it is.
  void zoomToSlot(double scale, const QPointF& centre);
  void setZoomProportion(double proportion, const QPointF& centre) override;
  void updateSceneRect();
  void zoomTo100PercentSlot();
  void fitImageOnScreenSlot();

 private slots:
  void updateView(const QRect& newRect);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // The items' bounding rectangle, or the canvas's when there are no items.
  QRectF contentRect() const;
  void notifyZoom(double scale);
  // The current tool when it takes the mouse itself.
  static CompositionMouseTool* mouseTool();

  ItemScene itemScene_;
  CutoutController* cutoutController_ = nullptr;
  QPointer<ZarvoObject> hub_;
  QRectF pressVisibleRect_;
  QRectF pressItemsRect_;
};
