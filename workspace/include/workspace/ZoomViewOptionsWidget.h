#pragma once

#include <QPointF>
#include <QPointer>
#include <QWidget>

#include "workspace/ImageView.h"

class CompositionZoomView;
class NavigatorWindow;
class QSlider;

// The one zoom slider of the view options, shared by the cut-out view and the composition
// view. On the "1. Delete Background" tab (edit mode) it relays to the navigator's logarithmic
// slider; on the other tabs (composition mode) its position is a zoom proportion from 0 to 1 of
// the composition view. Each mode keeps its own value across tab changes; no mode until it is
// connected to the views. Changes it makes to its slider never re-enter it. GUI thread.
class ZoomViewOptionsWidget : public QWidget {
  Q_OBJECT

 public:
  enum Mode { NoMode = 0, CompositionMode = 1, EditMode = 2 };

  explicit ZoomViewOptionsWidget(QWidget* parent = nullptr);

  // Connects the widget with the navigator, the cut-out view and the composition view (may be
  // null: then the composition side is left out), fits the composition view, and takes the mode
  // of the cut-out view's current tab.
  void connectViews(NavigatorWindow* navigator, ImageView* editView,
                    CompositionZoomView* compositionView);

  int mode() const { return mode_; }
  QSlider* slider() const { return slider_; }
  double compositionProportion() const { return compositionProportion_; }
  double editSliderValue() const { return editSliderValue_; }
  // The slider position of a proportion: trunc(maximum × p + minimum × (1 - p)).
  int positionOf(double proportion) const;

 signals:
  void composition_zoomProportion(double proportion, const QPointF& centre);
  void composition_actualPixelsSignal();
  void composition_fitScreenSignal();
  void edit_zoomSliderChanged(int value);
  void edit_actualPixelsSignal();
  void edit_fitScreenSignal();
  void edit_zoomIn();
  void edit_zoomOut();

 public slots:
  void setCompositionZoomProportion(double proportion);
  void setEditZoomSliderValue(int value);
  void zoomIn();
  void zoomOut();
  void viewTabChanged(ImageView::ViewTab tab);
  void fitScreenSlot();
  void actualPixelsSlot();

 private slots:
  void zoomSliderChangedSlot(int value);

 private:
  // Sets the slider with its signals blocked.
  void moveSlider(int value, bool setRange = false);

  int mode_ = NoMode;
  QPointer<QSlider> slider_;
  double compositionProportion_ = 0.5;
  double editSliderValue_ = 0;
  CompositionZoomView* compositionView_ = nullptr;
  QPointer<QObject> compositionObject_;
};
