#pragma once

#include <memory>

#include <QString>

#include "workspace/GmTool.h"

class QComboBox;
class QLabel;
class QSpinBox;
class ToolPaletteButton;
struct ImageSizeToolPrivate;

// "Set Image Size": the canvas size in pixels, by shape (the ratio locked for Portrait,
// Landscape and Square, the chain icon showing it), by the width and height spin boxes, or by a
// web site's preset from "CanvasSizes.xml" beside the program, which also sets the final
// picture's byte budget. Every change ends in the hub's setCanvasRect or setMaxFileSize. Web
// output only (sizes in pixels). The canvas pushed while it is built is 400 x 300 when the hub
// had none; the controls' 300 x 400 follows at the first event-loop turn (init2). GUI thread
// only.
class ImageSizeTool : public GmTool {
  Q_OBJECT

 public:
  explicit ImageSizeTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                         ToolOptions* options = nullptr);
  ~ImageSizeTool() override;

  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  // The cut-out instances are selectable while the tool is current.
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  // The panel's controls, owned by the option page.
  QComboBox* presetCombo() const;
  // "Portrait", "Landscape", "Square" or "Custom"; null for any other name.
  ToolPaletteButton* shapeButton(const QString& shape) const;
  QSpinBox* widthSpin() const;
  QSpinBox* heightSpin() const;
  QLabel* chainLabel() const;
  // The shape whose button is checked.
  QString checkedShape() const;

 public slots:
  void init2();
  // The preset named by the combo's current text; the index is not used.
  void webPresetsIndexChangedSlot(int index);
  void shapeChangedSlot();
  void webWidthChangedSlot(int width);
  void webHeightChangedSlot(int height);
  void updateCanvasSize();
  void loadPresets();
  // The hub's reset: 300 x 400 Portrait; the preset choice stays.
  void reset();

 private slots:
  void outputIndexChangedSlot(int index);

 private:
  void initialiseControls();
  void syncShapeButtons();
  double checkedRatio() const;
  void applyMaxFileSize(int kilobytes);
  void setGuarded(QSpinBox* spin, int value);
  void setMaximumGuarded(QSpinBox* spin, int maximum);
  // After the user changed a side: the preset falls back to "None" when the longer side no
  // longer matches it, and the size goes to the hub.
  void sideEdited();

  std::unique_ptr<ImageSizeToolPrivate> d;
};
