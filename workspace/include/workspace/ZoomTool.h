#pragma once

#include <memory>

#include <QPointer>
#include <QSlider>

#include "document/ImageRectF.h"
#include "workspace/RectangleTool.h"

// "Zoom Tool": a click zooms in, Alt+click zooms out, a drag zooms to the dragged rectangle
// (the document's zoom rectangle). The cursor says which will happen, and shows "unavailable"
// at the zoom limit. A temporary tool like the pan tool. Its page holds "Actual Pixels", "Fit
// Screen" and a zoom slider whose steps the receiver interprets.
class ZoomTool : public RectangleTool {
  Q_OBJECT

 public:
  explicit ZoomTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                    ToolOptions* options = nullptr);
  ~ZoomTool() override;

  QCursor cursor() const override;
  void mousePressEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseMoveEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseReleaseEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseDoubleClickEvent(QMouseEvent* event, const QPointF& point) override;
  // Escape during a drag drops the rectangle; otherwise the default Escape.
  void escapePressed() override;
  // Alt pressed or released switches the cursor.
  void keyEvent(QKeyEvent* event) override;
  ImageView::ViewTabs viewTabs() const override;
  bool clearsPreviewOnPress() const override { return false; }
  int targetDisplayMode(ArrowTarget* target) const override;
  GmTool* previousTool() const override;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  bool clearsColourHighlight() const override { return false; }

  void rectangleStarted(const QPointF& pressPoint) override;
  void rectangleFinished(const QPointF& point) override;
  ts::Rectangle* currentRectangle() override;

  QSlider* zoomSlider() const { return zoomSlider_; }

 signals:
  void zoomToRectSignal(ImageRectF into);
  void zoomInSignal();
  void zoomOutSignal();
  void actualPixelsSignal();
  void fitScreenSignal();
  void zoomSliderChanged(int value);

 public slots:
  void zoomInEnabledSlot(bool enabled);
  void zoomOutEnabledSlot(bool enabled);
  // Moves the slider without a zoomSliderChanged; a page built later starts there too.
  void setZoomSliderValue(int value);

 private:
  QWidget* createZoomPage();
  void showCursor(const QCursor* cursor);
  void cursorFromModifiers(Qt::KeyboardModifiers modifiers);

  QPointer<GmTool> previous_;
  std::unique_ptr<QCursor> zoomIn_;
  std::unique_ptr<QCursor> zoomOut_;
  std::unique_ptr<QCursor> unavailable_;
  const QCursor* cursor_;
  bool zoomInEnabled_ = true;
  bool zoomOutEnabled_ = true;
  QPointer<QSlider> zoomSlider_;
  int zoomSliderValue_ = 0;
};
