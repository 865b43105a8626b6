#pragma once

#include "workspace/SelectTool.h"

// Flood-fills Delete over the analysis regions a stroke touches, up to the Delete Edges; usable
// once the image (or the active patch with its own settings) is analysed. GUI thread only.
class DeleteLocalTool : public SelectTool {
  Q_OBJECT

 public:
  // The action joins `menu` (the Brush menu) when given.
  explicit DeleteLocalTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                           ToolOptions* options = nullptr);

  QColor cursorColour() const override;
  bool usesStrength() const override { return true; }
};
