#include "mask/PyramidLevel.h"

namespace corvane {
namespace mask {

PyramidLevel::PyramidLevel(const Box& box) : box_(box) {
  if (box.empty()) return;
  const int64_t rows = int64_t(box.upperRow) - box.lowerRow + 1;
  const int64_t columns = int64_t(box.upperColumn) - box.lowerColumn + 1;
  tilesAcross_ = static_cast<int32_t>((columns + kTileMask) >> kTileShift);
  tiles_.resize(static_cast<size_t>(((rows + kTileMask) >> kTileShift) * tilesAcross_));
}

}  // namespace mask
}  // namespace corvane
