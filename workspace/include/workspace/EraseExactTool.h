#pragma once

#include "workspace/SelectTool.h"

// Paints Keep over a precise area, which erases Delete and Blend there.
// GUI thread only.
class EraseExactTool : public SelectTool {
  Q_OBJECT

 public:
  // The action joins `menu` (the Brush menu) when given.
  explicit EraseExactTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                          ToolOptions* options = nullptr);

  QColor cursorColour() const override;
  bool usesStrength() const override { return false; }
};
