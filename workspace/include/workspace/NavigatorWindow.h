#pragma once

#include "workspace/GRectF.h"
#include "workspace/GmSubWindow.h"

class Navigator;
class QDoubleSpinBox;
class Slider;

// The "Navigator" sub-window: the thumbnail, a percent box and a logarithmic zoom slider with
// zoom-out and zoom-in buttons. The view reports its visible part and zoom (setRectSlot); the
// window asks for zooms (requestZoomTo, 1.0 = 100 %). Slider -25..25 is 25 %..400 %: percent
// = 100 × 4^(s / 25). The box reaches from 400 % down to 25 %, or lower while the photo was
// shown smaller since it was loaded (a large photo fitted to the view). GUI thread.
class NavigatorWindow : public GmSubWindow {
  Q_OBJECT

 public:
  explicit NavigatorWindow(QWidget* parent = nullptr, QWidget* menu = nullptr,
                           const QString& shortcut = QString());

  bool visibleByDefault() const override { return false; }

  // The main window's wiring of the navigator to the document and to `view`: a new photo
  // reaches the thumbnail, the frame moves and centres the view, the view reports its visible
  // part and zoom, and the window's zoom requests go to the view.
  void connectView(ImageView* view);

  Navigator* navigator() const { return navigator_; }
  QDoubleSpinBox* percentBox() const { return box_; }
  Slider* zoomSlider() const { return slider_; }
  bool isZoomInEnabled() const { return zoomInEnabled_; }
  bool isZoomOutEnabled() const { return zoomOutEnabled_; }

  static double percentForSlider(int value);
  // Rounded; not clamped to the slider's range. `percent` above 0.
  static int sliderForPercent(double percent);

 signals:
  void requestZoomTo(qreal zoom);
  void zoomInEnabled(bool enabled);
  void zoomOutEnabled(bool enabled);
  void zoomSliderChange(int value);

 public slots:
  // The view's report: its visible part and its zoom; asks for no zoom.
  void setRectSlot(GRectF rectangle, qreal zoom);
  void zoomInSlot();
  void zoomOutSlot();
  void syncBoxFromSliderSlot(int value);
  void syncSliderFromBoxSlot(double percent);
  void zoomChangedSlot(double percent);

 private slots:
  void imageUpdatedSlot();

 private:
  // Box and slider show `zoom` without asking for it.
  void showZoom(double zoom);
  // A photo other than the one the box's floor belongs to brings the floor back to 25 %.
  void resetFloorForPhoto();

  Navigator* navigator_;
  QDoubleSpinBox* box_;
  Slider* slider_;
  bool zoomInEnabled_ = true;
  bool zoomOutEnabled_ = true;
  // The display pixmap's cache key of the photo the floor belongs to; 0 for none.
  qint64 floorPhoto_ = 0;
};
