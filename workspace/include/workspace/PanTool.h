#pragma once

#include <memory>

#include <QPoint>

#include "workspace/GmTool.h"

// "Hand Tool": a left-button drag pans the view by the pointer's screen movement. A temporary
// tool: it remembers the tool it replaced and draws patches as that tool would.
class PanTool : public GmTool {
  Q_OBJECT

 public:
  explicit PanTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                   ToolOptions* options = nullptr);
  ~PanTool() override;

  QCursor cursor() const override;
  void mousePressEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseMoveEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseReleaseEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseDoubleClickEvent(QMouseEvent* event, const QPointF& point) override;
  ImageView::ViewTabs viewTabs() const override;
  bool clearsPreviewOnPress() const override { return false; }
  int targetDisplayMode(ArrowTarget* target) const override;
  GmTool* previousTool() const override;
  // Remembers the tool to return to; a left button already held pans from where the pointer is.
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  bool clearsColourHighlight() const override { return false; }

 signals:
  // Screen pixels to scroll by: a drag to the right gives a negative x.
  void tellPan(QPoint delta);

 private:
  void showCursor(const QCursor* cursor);

  std::unique_ptr<QCursor> openHand_;
  std::unique_ptr<QCursor> grabHand_;
  const QCursor* cursor_;
  QPoint lastPosition_;  // global screen coordinates
  QPointer<GmTool> previous_;
};
