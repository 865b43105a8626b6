#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

#include "kestrum/matting/PaletteEvaluation.h"
#include "kestrum/matting/PalettePyramid.h"
#include "kestrum/matting/PreparedPalette.h"

namespace kestrum {
namespace matting {

// The foreground and background colour found for one pixel. When no level pair gave an
// accepted pair both are the pixel's own colour, so that the pixel keeps its colour.
struct PalettePair {
  Colour3f foreground;
  Colour3f background;
};

// Walks both pyramids (prepared ones are read through their prepared palettes) up together from the
// pixel's cells on levels fgLevel and bgLevel and returns the best pair met, stopping early at the
// first score above `threshold`. A level without colours under the pixel is skipped for its pyramid
// alone. Throws "Empty foreground palette" or "Empty background palette" when a pyramid has no
// colour at all.
template <class Types>
PalettePair searchPalettePair(int32_t row, int32_t col, const PalettePyramid<Types>& fg,
                              const PalettePyramid<Types>& bg, const Colour3f& c, int32_t fgLevel,
                              int32_t bgLevel, float threshold) {
  PalettePair kept{c, c};
  float best = -std::numeric_limits<float>::max();
  const int32_t fgLast = fg.lastLevel(), bgLast = bg.lastLevel();
  int32_t i = fgLevel, j = bgLevel;
  for (;;) {
    const auto pf = fg.paletteAtLevel(row, col, i);
    const auto pb = bg.paletteAtLevel(row, col, j);
    if (!pf.palette) throw "Empty foreground palette";
    if (!pb.palette) throw "Empty background palette";
    Colour3f f = c, b = c;
    const float score = pf.prepared && pb.prepared
                            ? evaluatePreparedPair(*pf.prepared, *pb.prepared, c, f, b)
                            : evaluatePalettePair(*pf.palette, *pb.palette, c, f, b);
    if (score > best) {
      best = score;
      kept.foreground = f;
      kept.background = b;
    }
    if (score > threshold) break;
    if (pf.level == fgLast && pb.level == bgLast) break;
    i = std::min(pf.level + 1, fgLast);
    j = std::min(pb.level + 1, bgLast);
  }
  return kept;
}

}  // namespace matting
}  // namespace kestrum
