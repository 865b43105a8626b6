#pragma once

#include <memory>

#include <QImage>
#include <QList>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QSlider>
#include <QString>

#include "composition/CompositionMouseTool.h"
#include "composition/HighlightPoint.h"
#include "workspace/GmTool.h"

class Highlighter;
class QTimerEvent;
class ZarvoWidget;

// "Highlight Brush" on the "3. Add Effects" tab: soft dabs painted on the cut-out in the
// composition view brighten it. Behind the preview stand the cut-out and a fully highlit copy
// of it (made by a Highlighter); the dabs form a grey mask that decides how much of the copy
// shows. A held, unmoving button keeps adding a dab at the pointer every 100 ms. The tool sends
// the copy and the dabs to the hub (which applies them to every rebuild) and the preview to
// the cut-out controller. GUI thread only.
//
// States: 0 no copy, 1 computing the copy, 2 copy ready. In state 2 a dab repaints only its own
// square; the full composition runs when a new copy arrives.
//
// Surface: constructed with the composition view (its mouse reaches the tool as a
// CompositionMouseTool); the main window connects SharpenImageTool::imageSharpened to
// imageSharpened; the hub's slots and the controller's imageProcessed are connected here.
class HighlightBrushTool : public GmTool, public CompositionMouseTool {
  Q_OBJECT

 public:
  static constexpr int kRepeatMs = 100;

  // `view` is the composition view (borrowed, may be null: no cut-out arrives).
  explicit HighlightBrushTool(ZarvoWidget* view, QActionGroup* group = nullptr,
                              QWidget* menu = nullptr, ToolOptions* options = nullptr);
  ~HighlightBrushTool() override;

  QCursor cursor() const override;
  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  void activate(GmTool* previous) override;
  // Also ends a held button's repeat.
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  // ---- The view's mouse: a left press (or double click) or a move with the left button held
  // adds a dab under the pointer and (re)starts the repeat; the release ends it.
  bool compositionPress(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionDoubleClick(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionMove(QMouseEvent* event, const QPointF& scenePoint) override;
  bool compositionRelease(QMouseEvent* event, const QPointF& scenePoint) override;

  QSlider* sizeSlider() const { return size_; }
  QSlider* intensitySlider() const { return intensity_; }
  int highlightState() const { return state_; }
  const QList<HighlightPoint>& points() const { return points_; }
  const QImage& source() const { return source_; }
  const QImage& highlit() const { return highlit_; }
  const QImage& fullyHighlit() const { return fullyHighlit_; }
  Highlighter* highlighter() const { return highlighter_; }
  bool isRepeating() const { return timerId_ != -1; }

 signals:
  void imageHighlighted(const QImage& image);
  void highlightPointsChanged(const QList<HighlightPoint>& points);
  void fullyHighlitImageChanged(const QImage& image);

 public slots:
  // The sharpened cut-out replaces the source; with dabs, a new copy is made after the current
  // event, otherwise the image goes out as it is.
  void imageSharpened(const QImage& image);
  // Starts a new fully highlit copy of the source.
  void refreshHighlitImage();
  // Sizes back to 13 and 45, then clear().
  void reset();
  // No dabs: the preview is the plain cut-out, the hub gets an empty list.
  void clear();
  // A dab at `point` (cut-out pixels) with the current size and intensity.
  void addPoint(QPointF point);
  // A new fully highlit copy: state 2, the copy and the dabs to the hub, the preview afresh.
  void highlightImage(const QImage& image);
  void highlightImage();
  void generatedImageChanged(const QImage& image, const QPoint& topLeft);
  // The hub's settling: a fully highlit copy still to be made or being made is finished and
  // sent now, with the dabs painted meanwhile.
  void settle(bool* finished);

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  void dabAt(const QPointF& scenePoint);
  void stopRepeat();
  void dropHighlighter();
  // The copy's alpha set from the dab mask, and the preview recomposed, inside `rect`.
  void applyMask(const QRect& rect);

  QPointer<QSlider> size_;
  QPointer<QSlider> intensity_;
  QString helpPage_;
  Highlighter* highlighter_ = nullptr;  // owned
  QImage source_;
  QImage fullyHighlit_;  // its alpha is the dab mask's grey; null before the first copy
  QImage highlit_;
  QImage mask_;  // the dabs on black (Format_RGB32) while in state 2
  int state_ = 0;
  bool refreshPending_ = false;  // a sharpened source waits for its copy (a zero-delay timer)
  QList<HighlightPoint> points_;
  QPoint base_;
  std::unique_ptr<QCursor> cursor_;
  int timerId_ = -1;
  QPointer<ZarvoWidget> view_;
};
