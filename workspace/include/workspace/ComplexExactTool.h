#pragma once

#include "workspace/SelectTool.h"

// Paints Blend over a precise area.
// GUI thread only.
class ComplexExactTool : public SelectTool {
  Q_OBJECT

 public:
  // The action joins `menu` (the Brush menu) when given.
  explicit ComplexExactTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                            ToolOptions* options = nullptr);

  QColor cursorColour() const override;
  bool usesStrength() const override { return false; }
};
