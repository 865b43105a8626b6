#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QStringList>

#include "document/TsSourceImage.h"
#include "workspace/BlendOptsWidget.h"
#include "workspace/PersistentWidget.h"

// The blend options of the image: the width of the Blend band painted automatically at the
// edges of Delete ("Blend Width": None, Thin, Medium, Thick) and the share of Feather against
// Smart blending across the edge ("Intelligent Blending", nine steps from "5:0" to "0:5"). The
// panel itself is never shown: the edge-blending tool places its two rows in its own page, so
// the panel holds its controls by guarded pointers and touches only live ones. A ratio shown
// or moved is stored in the image's record and announced by GmModel::imageBlendRatioChanged,
// which asks for a new cut-out. Disabled without an image. GUI thread only.
class CommonBlendOptsWidget : public BlendOptsWidget {
  Q_OBJECT

 public:
  enum BlendWidths { None = 0, Thin = 1, Medium = 2, Thick = 3 };
  Q_ENUM(BlendWidths)

  // Builds the controls and shows the active patch's record (else the image's), or, with
  // persistence in force, stores the remembered control values into it.
  explicit CommonBlendOptsWidget(bool persist, QWidget* parent = nullptr);

  // Selects the width nearest the record's and writes it back; sets the slider from the
  // ratio and shows that position (which stores it in the image's record).
  void showOptions(BlendingOptions* options) override;
  // Width (kept when the combo has no selection), ratio and tracking flag into `options`.
  void storeOptions(BlendingOptions* options) override;

  // The rows the edge-blending tool places; null once their page deleted them.
  QWidget* blendWidthRow() const { return widthRow_; }
  QWidget* ratioRow() const { return ratioRow_; }
  PersistentWidget<QComboBox, QString>* blendWidthCombo() const { return widthCombo_; }
  PersistentWidget<QSlider, int>* ratioSlider() const { return ratioSlider_; }
  QGroupBox* ratioGroupBox() const { return ratioGroup_; }
  QLabel* ratioValueLabel() const { return ratioValue_; }
  // 0.0, 0.15, 0.75, 1.5.
  static float blendWidth(int index);

 signals:
  void setAutoBlueWidth(int width);
  void setBlendRatio(int ratio);

 public slots:
  // The width is taken the next time Delete is painted.
  void setAutoBlueWidthToChoice(CommonBlendOptsWidget::BlendWidths w);
  // All Feather when softening, else all Smart; the slider stays where it is.
  void setBinaryBlendRatio(bool soften);
  void autoBlueWidthChangedSlot(int index);
  void blendRatioChangedBySliderSlot(int position);
  void imageChangedSlot(const TsSourceImage* image);

 protected:
  void buildUi(QBoxLayout* layout) override;
  void changeEvent(QEvent* event) override;

 private:
  void ensureUi();
  void labelRatio(int position);
  // Labels slider position `position` (0..8) and stores its ratio in the image's record.
  void showRatio(int position);
  void storeWidth(int index);

  bool imageLevel_ = true;
  QPointer<QWidget> widthRow_;
  QPointer<PersistentWidget<QComboBox, QString>> widthCombo_;
  QStringList widthNames_;
  QPointer<PersistentWidget<QSlider, int>> ratioSlider_;
  QStringList ratioLabels_;
  QPointer<QGroupBox> ratioGroup_;
  QPointer<QWidget> ratioRow_;
  QPointer<QLabel> ratioValue_;
  // Copied to and from the patch records: a check box this panel never shows.
  bool tracksImage_ = false;
  QString widthTitle_;
  QString ratioTitle_;
};
