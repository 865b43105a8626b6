#pragma once

#include <map>

#include <QPixmap>
#include <QSize>
#include <QString>

#include "composition/ShapeEntry.h"
#include "composition/WebPreset.h"

class ImageSizeTool;
class QComboBox;
class QLabel;
class QSpinBox;
class ToolPaletteButton;

// The "Set Image Size" tool's panel and state. The widgets belong to the option page.
struct ImageSizeToolPrivate {
  QLabel* presetLabel = nullptr;
  QComboBox* presetCombo = nullptr;
  QLabel* shapeLabel = nullptr;
  ToolPaletteButton* portraitButton = nullptr;
  ToolPaletteButton* landscapeButton = nullptr;
  ToolPaletteButton* squareButton = nullptr;
  ToolPaletteButton* customButton = nullptr;
  QSize buttonIconSize{32, 32};
  QLabel* widthLabel = nullptr;
  QSpinBox* widthSpin = nullptr;
  QLabel* chainLabel = nullptr;
  QLabel* heightLabel = nullptr;
  QSpinBox* heightSpin = nullptr;
  // Set while the tool changes its own spin boxes, so that their changed-slots ignore it.
  bool updating = false;
  // Keyed "Custom", "Landscape", "Portrait", "Square": the order in which the checked shape is
  // looked for. Nodes never move, so presets may point at them.
  std::map<QString, ShapeEntry> shapes;
  // Keyed by name, "None" included; a repeated name keeps the later preset.
  std::map<QString, WebPreset> webPresets;
  QPixmap chainBroken;
  QPixmap chainSolid;
};
