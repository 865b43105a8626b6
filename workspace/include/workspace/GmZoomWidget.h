#pragma once

#include <QColor>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <QWidget>

#include <memory>

#include "document/DirtyHint.h"
#include "document/GmRegion.h"
#include "document/ImagePointF.h"
#include "document/ImageRectF.h"
#include "workspace/ImageView.h"

class GmTool;
class QAction;
class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class StatusOverlay;
class TsSourceImage;

// The canvas of the "1. Delete Background" view: the working image at the current zoom with
// the status overlay, the edge outline, the patch preview, patches and forced edges, strokes in
// progress and the brush outline. It passes mouse input to the current tool in image
// coordinates and repaints only the areas the document reports dirty. It lives in TsWorkspace's
// viewport, whose size it always fills. GUI thread only.
//
// Coordinates: a widget point w is the image point (w - imageRect().topLeft()) / zoom(); the
// working image is smaller by the document's resolution r.
class GmZoomWidget : public QWidget {
  Q_OBJECT

 public:
  explicit GmZoomWidget(QWidget* parent = nullptr);
  // Stores the background colour.
  ~GmZoomWidget() override;

  // Widget pixels per image pixel; at most 4.0.
  double zoom() const { return zoom_; }
  // The new zoom is `value` (absolute) or zoom × value, at most 4.0, taken only when above 0;
  // zoomChanged reports the zoom in force either way.
  void setZoom(bool absolute, double value);
  // The zoom at which the image fits (width, height) with its aspect kept; 1.0 without image.
  void fitToSize(int width, int height);
  // Where the scaled image lies in the widget.
  QRect imageRect() const { return imageRect_; }
  // 1: the cut-out display (tab 2); -1: nothing is painted.
  int displayMode() const { return displayMode_; }
  bool fitPending() const { return fitPending_; }
  QColor backgroundColour() const { return backgroundColour_; }
  void setBackgroundColour(const QColor& colour);
  float hintOpacity() const { return hintOpacity_; }
  bool showsOriginal() const { return showOriginal_; }
  // The widget area last painted for the brush outline; invalid when none.
  QRect outlineBox() const { return outlineBox_; }
  // The pointer relative to imageRect()'s top-left, following the screen position while a
  // zoom anchored it.
  QPoint anchorPoint() const;
  // The brush outline at `widgetPoint` while the brush page's size slider is held down (its
  // preview); the pointer's own place is kept for when the slider is let go.
  void showOutlineAt(const QPoint& widgetPoint);

  QSize sizeHint() const override;

  // Drag handling that the composition view shares: data holding links, an image or text is
  // accepted and raises the main window; moves and leaves are accepted.
  static void handleDragEnter(QDragEnterEvent* event);
  static void handleDragMove(QDragMoveEvent* event);
  static void handleDragLeave(QDragLeaveEvent* event);

 signals:
  void activateArrowTargetAt(ImagePointF point);
  void zoomChanged(double zoom);

 public slots:
  void imageChangedSlot();
  void rectDirtySlot(ImageRectF rect, DirtyHint hint,
                     PatchPreviewWanted wanted = PatchPreviewWanted::No);
  void toolChangedSlot(const GmTool* tool);
  void cursorChangedSlot(const QCursor* cursor);
  void viewTabChangedSlot(ImageView::ViewTab tab);
  void resolutionChangedSlot(int oldResolution, int newResolution);
  void patchPreviewAvailableSlot(const GmRegion* region);
  void hintOpacityChangedSlot();
  void showOriginalSlot();
  void changeBackgroundColourSlot();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void tabletEvent(QTabletEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct PaintContext;

  bool hasImage() const;
  void updateImageRect();
  void fitNewImage();
  // Mouse steps shared by the four kinds; false when the event reached no tool.
  bool routeMouse(QMouseEvent* event);
  // placeOutline, then the cursor that goes with the pointer's place.
  void refreshOutline();
  // Places the brush outline as the tool, the display, the pointer (or the slider's preview),
  // the zoom and the brush size now say, or hides it, and repaints the area it left and the
  // area it takes. Everything that changes one of those calls it.
  void placeOutline();
  // What an outline drawn around `centre` (widget pixels) with a ring of `radius` screen pixels
  // may touch inside `box`: the ring's band (the footprint's edge as well at `s` screen pixels
  // a working pixel and more) and the crosshair. Inside the ring nothing changes on a move.
  QRegion outlineArea(const QRect& box, const QPointF& centre, double radius, double s) const;
  void dropPreview();
  void paintLayers(QPainter& painter, const QRect& exposed);
  void paintBrushOutline(PaintContext& context, const QRect& exposed);
  void paintWash(QPainter& painter, QPaintEvent* event);

  double zoom_ = 1.0;
  QRect imageRect_{QPoint(-1, -1), QPoint(-3, -3)};
  QPointF pointerPointF_;
  bool anchorIsGlobal_ = false;
  bool pointerInside_ = false;
  QPoint pointerPos_;
  // The outline as placeOutline() last placed it. Painting draws this, never the live state,
  // so no repaint draws an outline where outlineRegion_ does not reach.
  struct OutlinePlacement {
    QPointF centre;      // widget pixels
    QPoint origin;       // the image's top-left, widget pixels
    double scale = 1.0;  // screen pixels per working pixel
    int size = 0;        // brush size, working pixels
    QColor colour;
  };
  OutlinePlacement outline_;
  QRect outlineBox_;
  QRegion outlineRegion_;
  // The size slider's preview: shown at previewPos_ (relative to the image's top-left) while
  // the slider is down.
  bool sliderPreview_ = false;
  QPoint previewPos_;
  int displayMode_ = -1;
  QPoint pressPos_;
  QRegion previewRegion_;
  QPointer<GmRegion> previewPatch_;
  QColor backgroundColour_;
  float hintOpacity_ = 0;
  bool showOriginal_ = false;
  bool fitPending_ = true;
  double lastPressure_;
  QAction* wash_ = nullptr;
  std::unique_ptr<StatusOverlay> overlay_;
};
