#pragma once

#include <QLabel>
#include <QList>
#include <QObjectCleanupHandler>
#include <QPointer>
#include <QString>
#include <QToolButton>
#include <QWidget>

#include "document/EDOs.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "workspace/PersistentWidget.h"

class GmRegion;
class QButtonGroup;

// The edge-detection options of the image: how finely it is divided ("Number of Edges"), the
// minimum edge width in working pixels ("Edge Width Threshold"), the contrast and the texture
// filter. It shows the image's EDOs and applies sensitivity and width at once, which starts an
// analysis through SegmentationStuff::findEdges; every new session starts one too. Values
// pushed into the controls apply nothing. The edge-finding tool places the sensitivity row,
// the width row and the "Defaults" button in its own page, so the panel holds its controls by
// guarded pointers and touches only live ones; the contrast and texture groups stay hidden.
// Disabled without an image, and while the active patch uses its own settings. GUI thread.
class EdgeDetectionOptions : public QWidget {
  Q_OBJECT

 public:
  // `persist`: the controls remember their values, when the "PersistOptions" preference is
  // on as well; then the remembered values become the image's current ones at once.
  explicit EdgeDetectionOptions(bool persist, QWidget* parent = nullptr);

  // Built on the first call; enabled exactly while a value differs from its default.
  QToolButton* defaultsButton();
  // Pushes `values` into the controls (nothing for null); applies nothing.
  void showValues(EDOs* values);

  QWidget* sensitivityRow() const { return sensitivityRow_; }
  QLabel* sensitivityLabel() const { return sensitivityLabel_; }
  QWidget* widthRow() const { return widthRow_; }
  QWidget* contrastGroup() const { return contrastGroup_; }
  QWidget* textureGroup() const { return textureGroup_; }
  PersistentWidget<QSlider, int>* sensitivitySlider() const { return sensitivitySlider_; }
  PersistentWidget<QSlider, int>* widthSlider() const { return widthSlider_; }
  // The values shown, or null when unbound.
  EDOs* values() const { return values_; }
  bool savesControls() const;

 signals:
  void setSensitivity(int value);
  void setWidth(int value);
  void setEdgeContrastHigh(bool on);
  void setEdgeContrastMedium(bool on);
  void setEdgeContrastLow(bool on);
  void setTextureFilterFine(bool on);
  void setTextureFilterMedium(bool on);
  void setTextureFilterCoarse(bool on);

 public slots:
  void setEnablednessOfButtons();
  // Keeps the last applied values as stored ones, then finds edges with the current ones.
  void applyValuesSlot();
  // Keeps the minimum edge width the same in image pixels; a new resolution below 1 is
  // ignored.
  void resolutionChangedSlot(int oldRes, int newRes);
  void imageChangedSlot(const TsSourceImage* image);
  void activeRegionChangedSlot(GmRegion* region);
  // Binds to the image's settings, shows them and finds edges with them.
  void sessionHasBegunSlot();

 protected:
  void changeEvent(QEvent* event) override;

 private slots:
  void setDefaultsSlot();
  void contrastChanged(int id);
  void textureFilterChanged(int id);
  void widthChangedSlot(int value);
  void sensitivityChangedSlot(int value);

 private:
  void buildControls();
  using RadioButtons = QList<QPointer<PersistentWidget<QRadioButton, bool>>>;
  struct RadioGroup;
  // A hidden flat group box of three persisted radio buttons with the ids 2, 1, 0.
  QWidget* buildRadioGroup(const RadioGroup& spec, RadioButtons* buttons);
  void bind();
  // The remembered control values become the current ones.
  void storeWidgets();
  void relabelSensitivity(int value);

  // Owns the rows and the button built without a parent, unless a page deleted them first.
  QObjectCleanupHandler cleanup_;
  QPointer<SegmentationStuff> settings_;
  QPointer<EDOs> values_;
  QPointer<PersistentWidget<QSlider, int>> widthSlider_;
  QPointer<PersistentWidget<QSlider, int>> sensitivitySlider_;
  // High, Medium, Low; and Coarse, Medium, Fine.
  RadioButtons contrastButtons_;
  RadioButtons textureButtons_;
  QPointer<QToolButton> defaultsButton_;
  QPointer<QWidget> sensitivityRow_;
  QPointer<QLabel> sensitivityLabel_;
  QPointer<QWidget> widthRow_;
  QPointer<QWidget> contrastGroup_;
  QPointer<QWidget> textureGroup_;
  bool persist_;
  bool updating_ = false;
  bool applyAtOnce_ = true;
  QString sensitivityName_;
  QString widthName_;
  QString contrastName_;
  QString textureName_;
};
