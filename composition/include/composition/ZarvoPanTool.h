#pragma once

#include <memory>

#include <QPoint>

#include "composition/CompositionMouseTool.h"
#include "workspace/GmTool.h"

class ZarvoWidget;

// "Pan": a drag in the composition view scrolls it so that the content follows the pointer
// (mirrored in a right-to-left layout). The view hands it the mouse; a pan lasts from a press
// or double click to the release or the tool's deactivation. GUI thread only.
class ZarvoPanTool : public GmTool, public CompositionMouseTool {
  Q_OBJECT

 public:
  // `view` is the composition view it scrolls (borrowed, may be null).
  explicit ZarvoPanTool(ZarvoWidget* view, QActionGroup* group = nullptr, QWidget* menu = nullptr,
                        ToolOptions* options = nullptr);
  ~ZarvoPanTool() override;

  QCursor cursor() const override;
  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;

  // ---- The view's mouse, in viewport positions: a press or double click starts a pan, a
  // move pans while one runs, a release ends it.
  bool compositionPress(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionDoubleClick(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionMove(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionRelease(QMouseEvent* event, const QPointF& scenePoint) override;

  void startPan(const QPoint& viewportPosition);
  void pan(const QPoint& viewportPosition);
  void endPan();
  bool isDragging() const { return dragging_; }

  // Shows `cursor` (one of the two hands), through the document while the tool is current.
  void setCurrentCursor(const QCursor* cursor);
  const QCursor* currentCursor() const { return currentCursor_; }
  const QCursor* openCursor() const { return openCursor_.get(); }
  const QCursor* grabCursor() const { return grabCursor_.get(); }

 private:
  std::unique_ptr<QCursor> openCursor_;
  std::unique_ptr<QCursor> grabCursor_;
  const QCursor* currentCursor_;
  ZarvoWidget* view_;
  bool dragging_ = false;
  QPoint lastPos_;  // viewport position while dragging
};
