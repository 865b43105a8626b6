#pragma once

#include <memory>

#include <QPointF>

#include "workspace/GmTool.h"

class Brushing;
class GmBrushing;
class ParameterStack;

// The base of every brush of the "1. Delete Background" tab. It turns left-button drags into a
// stroke (Shift draws a straight line from the last point), hides the pointer so the canvas can
// draw the brush outline, and hands the finished stroke to strokeFinished(). Every brush shares
// one option page with the brush size (slider and spin box, registered with ToolOptions) and
// the "Strength" row of a ParameterStack; the page lives from the first brush's construction to
// the last brush's destruction. Size and strength are remembered under "Common/Size" and
// "Common/Strength". GUI thread only.
class BrushingTool : public GmTool {
  Q_OBJECT

 public:
  BrushingTool(const QString& name, const QString& text, const QIcon& icon, const QString& shortcut,
               const QString& help, QActionGroup* group = nullptr, QWidget* container = nullptr,
               QWidget* menuOrBar = nullptr, ToolOptions* options = nullptr);
  // The last brush to go deletes the shared page when it still exists.
  ~BrushingTool() override;

  QCursor cursor() const override;
  void mousePressEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseMoveEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseReleaseEvent(QMouseEvent* event, const QPointF& point) override;
  void mouseDoubleClickEvent(QMouseEvent* event, const QPointF& point) override;
  // Drops a stroke in progress (strokeFinished sees it empty); otherwise the default Escape.
  void escapePressed() override;
  bool clearsPreviewOnPress() const override { return true; }
  bool isBrushTool() const override { return true; }
  QColor strokeColour() const override = 0;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;

  // Prepares the stroke before its first point (image coordinates) and returns its shape.
  virtual Brushing* strokeStarting(const QPointF& point) = 0;
  // Consumes the stroke, which may be empty; stroke() is null afterwards.
  virtual void strokeFinished() = 0;
  // Whether the "Strength" row applies to this brush.
  virtual bool usesStrength() const { return true; }

  // The shared page, built on the first call.
  QWidget* optionsPage();
  // Enables or disables every widget of the "Strength" row.
  static void setStrengthEnabled(bool enabled);

  // Working pixels: 10 without the page; during a tablet stroke the size times the pen
  // pressure, rounded up, at least 1.
  static int brushSize();
  // The page's size box takes `size`, clamped to 1..400 (nothing without the page); the canvas
  // redraws the outline.
  static void setBrushSize(int size);
  // The "Strength" row's value, 0..7; 0 without the row.
  static int brushStrength();
  // The page's parameter stack; null without the page.
  static ParameterStack* parameterStack();

  // The stroke in progress; null between strokes.
  GmBrushing* stroke() const { return stroke_.get(); }
  // Whether the last move held Shift (the stroke shows a straight preview line).
  bool drawsStraightLine() const { return straightLine_; }

 signals:
  void brushSizeSliderMoved();

 public slots:
  // "]": about 3 % larger, by one pixel at least.
  void increaseBrushSizeSlot();
  // "[": about 3 % smaller; 1 stays 1.
  void decreaseBrushSizeSlot();
  // The size slider's position for a size of `size` pixels (a square-root scale).
  void syncBrushSizeToSlider(int size);
  // The size for slider position `slider`; then brushSizeSliderMoved.
  void syncBrushSizeFromSlider(int slider);
  // Nothing: the strength is read when a stroke's command is built.
  void strengthChangedSlot(int strength);

 protected:
  std::unique_ptr<GmBrushing> stroke_;

 private:
  QString sizeLabel_;
  QString strengthLabel_;
  bool straightLine_ = false;
};
