#pragma once

#include "workspace/SelectTool.h"

// Paints Delete over a precise area, shown as a red overlay.
// GUI thread only.
class DeleteExactTool : public SelectTool {
  Q_OBJECT

 public:
  // The action joins `menu` (the Brush menu) when given.
  explicit DeleteExactTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                           ToolOptions* options = nullptr);

  QColor cursorColour() const override;
  bool usesStrength() const override { return false; }
};
