#include "mask/ForcedEdgeSteps.h"

namespace corvane {
namespace mask {

void paintVertexDistance(const EdgePoint& A, const EdgePoint& B, const EdgePoint& C,
                         DistanceField& field, std::vector<IndexPair>& touched, float r, float w,
                         int32_t amplitude, int32_t k, int16_t unset) {
  if (!(r > 0.0f && w > 0.0f)) return;
  const Box box = pointsBox(B, B, r, domainOf(field));
  if (box.empty()) return;
  const float turn =
      (B.row - A.row) * (C.column - B.column) - (B.column - A.column) * (C.row - B.row);
  // Only the side of k matters; a unit sign keeps the product inside the field's range.
  const int32_t side = (k > 0) - (k < 0);
  int32_t sign;
  if (turn > 0.0f)
    sign = -side;
  else if (turn < 0.0f)
    sign = side;
  else
    return;
  for (int32_t x = box.lowerRow; x <= box.upperRow; ++x) {
    const float dr = (static_cast<float>(x) + 0.5f) - B.row;
    for (int32_t y = box.lowerColumn; y <= box.upperColumn; ++y) {
      const float d = pointDistance(dr, (static_cast<float>(y) + 0.5f) - B.column);
      if (!(d < r)) continue;
      storeDistance(field, touched, x, y, sign * quantiseDistance(d, w, amplitude), unset);
    }
  }
}

}  // namespace mask
}  // namespace corvane
