#pragma once

#include <memory>

#include <QPointF>
#include <QPointer>
#include <QPushButton>
#include <QSlider>

#include "composition/CompositionMouseTool.h"
#include "workspace/GmTool.h"

class ZarvoWidget;

// "Zoom" of the composition view: a left click zooms in by 1.25 at the clicked point, an
// Alt+left click out by 0.8, between 0.4 and 2.5; the page holds "Actual Pixels", "Fit Screen"
// and a logarithmic slider (-25 .. 25 for 0.4 .. 2.5). The tool only asks the view, which
// reports every zoom back (zoomedTo) and so keeps the tool's zoom and slider in step. The
// cursor tells what a click would do: zoom in, zoom out, or nothing at the limit. GUI thread.
class ZarvoZoomTool : public GmTool, public CompositionMouseTool {
  Q_OBJECT

 public:
  static constexpr double kMaximumZoom = 2.5;
  static constexpr double kMinimumZoom = 0.4;

  // `view` is the composition view it drives (borrowed, may be null).
  explicit ZarvoZoomTool(ZarvoWidget* view, QActionGroup* group = nullptr, QWidget* menu = nullptr,
                         ToolOptions* options = nullptr);
  ~ZarvoZoomTool() override;

  QCursor cursor() const override;
  // Alt pressed or released switches between zooming in and out.
  void keyEvent(QKeyEvent* event) override;
  ImageView::ViewTabs viewTabs() const override;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  // ---- The view's mouse: press and double click zoom, release updates the limits; moves go
  // on to the scene.
  bool compositionPress(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionDoubleClick(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionMove(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionRelease(QMouseEvent* event, const QPointF& scenePoint) override;

  double zoom() const { return zoom_; }
  QSlider* zoomSlider() const { return zoomSlider_; }
  QPushButton* actualPixelsButton() const { return actualPixels_; }
  QPushButton* fitScreenButton() const { return fitScreen_; }
  const QCursor* currentCursor() const { return currentCursor_; }
  const QCursor* zoomInCursor() const { return zoomInCursor_.get(); }
  const QCursor* zoomOutCursor() const { return zoomOutCursor_.get(); }
  const QCursor* unavailableCursor() const { return unavailableCursor_.get(); }

  // Slider position p <-> zoom 2.5^(p / 25).
  static double sliderToZoom(int position);
  static int zoomToSlider(double zoom);

 signals:
  void zoomToSignal(qreal zoom, const QPointF& centre);
  void actualPixelsSignal();
  void fitScreenSignal();

 public slots:
  // The view's zoom: stored, and the slider moved without a new request.
  void setZoomValue(qreal zoom);
  void zoomSliderChangedSlot(int position);
  void outputTypeChangedSlot();

 private:
  void pressHandler(QMouseEvent* event, const QPointF& scenePoint);
  void releaseHandler(QMouseEvent* event);
  void zoomIn(const QPointF& scenePoint);
  void zoomOut();
  void chooseCursor();
  void setCurrentCursor(const QCursor* cursor);

  std::unique_ptr<QCursor> zoomInCursor_;
  std::unique_ptr<QCursor> zoomOutCursor_;
  std::unique_ptr<QCursor> unavailableCursor_;
  const QCursor* currentCursor_;
  bool canZoomIn_ = true;
  bool canZoomOut_ = true;
  bool zoomingIn_ = true;
  QPointer<QSlider> zoomSlider_;
  double zoom_ = 1.0;
  QPointer<QPushButton> actualPixels_;
  QPointer<QPushButton> fitScreen_;
  ZarvoWidget* view_;
};
