#include "mask/ForcedEdgePass.h"

namespace corvane {
namespace mask {

namespace {

bool finitePoints(const MaskForcedEdge& edge) {
  if (!std::isfinite(edge.width)) return false;
  for (const EdgePoint& p : edge.points)
    if (!std::isfinite(p.row) || !std::isfinite(p.column)) return false;
  return true;
}

bool insideBox(const Box& box, int32_t row, int32_t column) {
  return row >= box.lowerRow && row <= box.upperRow && column >= box.lowerColumn &&
         column <= box.upperColumn;
}

}  // namespace

int32_t forcedEdgeSide(const MaskForcedEdge& edge, const blitz::Array<uint8_t, 2>& status,
                       const MaskScale& scale) {
  const std::vector<EdgePoint>& p = edge.points;
  if (p.size() < 2 || !finitePoints(edge)) return 0;

  // The first strictly longest segment.
  size_t longest = 1;
  float best = -1.0f;
  for (size_t i = 1; i < p.size(); ++i) {
    const double dr = p[i].row - p[i - 1].row, dc = p[i].column - p[i - 1].column;
    const float length2 = static_cast<float>(dr * dr + dc * dc);
    if (length2 > best) {
      best = length2;
      longest = i;
    }
  }
  const EdgePoint A{p[longest - 1].row / scale.row, p[longest - 1].column / scale.column};
  const EdgePoint B{p[longest].row / scale.row, p[longest].column / scale.column};
  if (A == B) return 0;
  if (!std::isfinite(A.row) || !std::isfinite(A.column) || !std::isfinite(B.row) ||
      !std::isfinite(B.column))
    return 0;

  const EdgePoint m{(A.row + B.row) * 0.5f, (A.column + B.column) * 0.5f};
  const float dr = B.row - A.row, dc = B.column - A.column;
  const double length = std::sqrt(static_cast<double>(dr) * dr + static_cast<double>(dc) * dc);
  const EdgePoint n{static_cast<float>(-dc / length), static_cast<float>(dr / length)};

  const Box box = domainOf(status);
  // Each probe leaves the box after at most its diameter; the pair of them can keep the walk
  // going for at most twice that.
  const float lastT =
      2.0f * (static_cast<float>(box.upperRow) - box.lowerRow + box.upperColumn - box.lowerColumn) +
      16.0f;
  for (float t = 1.5f; t <= lastT; t += 1.0f) {
    const int32_t r1 = saturatingCast<int32_t>(m.row + t * n.row);
    const int32_t c1 = saturatingCast<int32_t>(m.column + t * n.column);
    const int32_t r2 = saturatingCast<int32_t>(m.row - t * n.row);
    const int32_t c2 = saturatingCast<int32_t>(m.column - t * n.column);
    const bool in1 = insideBox(box, r1, c1), in2 = insideBox(box, r2, c2);
    int32_t sign = 0;
    if (in1 && in2) {
      const uint8_t s1 = status(r1, c1), s2 = status(r2, c2);
      if ((s1 & 2) && !(s2 & 2))
        sign = 1;
      else if ((s1 & 4) && !(s2 & 4))
        sign = -1;
      else if (!(s1 & 2) && (s2 & 2))
        sign = -1;
      else if (!(s1 & 4) && (s2 & 4))
        sign = 1;
    } else if (in1) {
      const uint8_t s1 = status(r1, c1);
      sign = (s1 & 2) ? 1 : (s1 & 4) ? -1 : 0;
    } else if (in2) {
      const uint8_t s2 = status(r2, c2);
      sign = statusCompatible(s2, 2, 15) ? -1 : statusCompatible(s2, 4, 15) ? 1 : 0;
    } else {
      return 0;
    }
    if (sign != 0) return sign;
  }
  return 0;
}

void paintForcedEdge(const MaskForcedEdge& edge, int32_t sign, float halfWidth,
                     DistanceField& field, std::vector<IndexPair>& touched) {
  const std::vector<EdgePoint>& p = edge.points;
  const size_t n = p.size();
  const float width = edge.width;
  const float sideF = static_cast<float>(sign);
  const Box fieldBox = domainOf(field);

  for (size_t i = 0; i + 1 < n; ++i) {
    const EdgePoint& a = p[i];
    const EdgePoint& b = p[i + 1];
    const Box box = pointsBox(a, b, halfWidth, fieldBox);
    if (box.empty()) continue;
    const float L = pointDistance(b.row - a.row, b.column - a.column);
    if (L == 0.0f) continue;
    const float inv = 1.0f / L;
    const EdgePoint u{(b.row - a.row) * inv, (b.column - a.column) * inv};
    const EdgePoint normal{sideF * -u.column, sideF * u.row};
    for (int32_t x = box.lowerRow; x <= box.upperRow; ++x) {
      const float dr = (static_cast<float>(x) + 0.5f) - a.row;
      for (int32_t y = box.lowerColumn; y <= box.upperColumn; ++y) {
        const EdgePoint d{dr, (static_cast<float>(y) + 0.5f) - a.column};
        const float s = projectOnSegment(d, u, L, normal);
        if (!(std::fabs(s) < halfWidth)) continue;
        storeDistance(field, touched, x, y, quantiseDistance(s, width, distanceAmplitude),
                      unsetDistance);
      }
    }
  }

  for (size_t i = 1; i + 1 < n; ++i)
    paintVertexDistance(p[i - 1], p[i], p[i + 1], field, touched, halfWidth, width,
                        distanceAmplitude, sign, unsetDistance);
  if (n > 2 && p.front() == p.back())
    paintVertexDistance(p[n - 2], p[0], p[1], field, touched, halfWidth, width, distanceAmplitude,
                        sign, unsetDistance);
}

}  // namespace mask
}  // namespace corvane
