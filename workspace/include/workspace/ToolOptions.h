#pragma once

#include <QPointer>
#include <QSize>
#include <QWidget>

class GmTool;
class QLabel;
class QSlider;
class QSpinBox;
class QStackedWidget;

// The panel that shows the current tool's option page beside the tool's icon (or its name when
// it has none). It also holds the brush state that every brush and the canvas share: the brush
// page's size box, the tablet-stroke flag and the pressure factor. GUI thread only.
class ToolOptions : public QWidget {
  Q_OBJECT

 public:
  explicit ToolOptions(QWidget* parent = nullptr);

  // Shows `tool`'s icon or name and its page (a tool without a page leaves the previous one);
  // the panel's window title becomes the tool's text. Called by GmTool::selectToolSlot.
  void showTool(GmTool* tool);

  QLabel* iconLabel() const { return iconLabel_; }
  QLabel* titleLabel() const { return titleLabel_; }
  QStackedWidget* stack() const { return stack_; }

  // ---- Brush state. Sizes are in working pixels.
  // The brush page's size box (borrowed; forgotten when it dies).
  static void setBrushSizeBox(QSpinBox* box);
  static QSpinBox* brushSizeBox();
  // The brush page's size slider (borrowed; forgotten when it dies). While it is held down the
  // canvas shows the outline at the view's centre.
  static void setBrushSizeSlider(QSlider* slider);
  static bool brushSizeSliderDown();
  // Set by the canvas while a tablet pen presses with pressure; cleared when the stroke ends.
  static void setTabletStroke(bool on);
  static bool tabletStroke();
  // The pen pressure, 0..1, that scales the size during a tablet stroke.
  static void setPressureFactor(double factor);
  static double pressureFactor();
  // 10 without a size box; during a tablet stroke the box's value times the factor rounded
  // up, at least 1; otherwise the box's value.
  static int brushSize();

 private:
  QLabel* iconLabel_;
  QLabel* titleLabel_;
  QLabel* secondLabel_;
  QSize iconSize_{32, 32};
  QStackedWidget* stack_;
};
