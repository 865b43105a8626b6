#pragma once

#include <QPointer>
#include <QWidget>

#include "workspace/PersistentWidget.h"

class QHBoxLayout;
class QLabel;

// The bar of display settings of the cut-out view: "Show Delete Edges" (the edges of the
// edge detection in force, drawn on the canvas) and the mask "Opacity" slider with its
// percentage. One instance registers itself while it lives; the canvas asks it whether edges
// show, and moving the slider repaints the statuses at the new opacity. Its controls start from
// the settings store and never save. GUI thread.
class ViewOptions : public QWidget {
  Q_OBJECT

 public:
  explicit ViewOptions(QWidget* parent = nullptr);
  ~ViewOptions() override;

  // The live instance, or null.
  static ViewOptions* instance();
  // The slider's position as a fraction of its range; 0.5 without an instance.
  static double maskOpacity();

  QSlider* opacitySlider() const { return opacitySlider_; }
  QCheckBox* showEdgesBox() const { return showEdgesBox_; }
  QLabel* opacityLabel() const { return opacityLabel_; }
  // Whether the box exists and is checked.
  bool showsVectorEdges() const;

 signals:
  void modified();
  void showVectorEdges(bool show);
  void opacityChanged(int opacity);

 public slots:
  // Checks or unchecks the box without a click.
  void setShowVectorEdges(bool show);
  // Off: remembers the check and unchecks; on: checks as remembered.
  void setShowVectorEdgesEnabled(bool enabled);

 private slots:
  void showVectorEdgesSlot(bool show);
  void updateMaskLabel(int value);

 private:
  QHBoxLayout* layout_;
  PersistentWidget<QSlider, int>* opacitySlider_;
  QPointer<PersistentWidget<QCheckBox, bool>> showEdgesBox_;
  QLabel* opacityLabel_;
  bool rememberedTaken_ = false;
  bool rememberedCheck_ = false;
};
