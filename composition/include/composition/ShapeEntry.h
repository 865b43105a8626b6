#pragma once

class ToolPaletteButton;

// One canvas shape of the "Set Image Size" tool: its width-to-height ratio (0: unlocked, the
// "Custom" shape) and its button on the tool's panel (owned by the panel).
struct ShapeEntry {
  double ratio = 0.0;
  ToolPaletteButton* button = nullptr;
};
