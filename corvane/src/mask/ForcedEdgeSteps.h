#pragma once

// The painting steps of the forced-edge pass: a signed distance field in fixed point (units of
// 1/amplitude of an edge width, the smaller magnitude winning), the discs around the joints of
// a polyline, and the caps that fade an open polyline's effect out past its two ends.

#include <blitz/array.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <vector>

#include "mask/ColourOps.h"
#include "mask/ColourPyramid.h"
#include "mask/EdgePoint.h"
#include "mask/MaskPixelType.h"
#include "util/ArrayDomain.h"
#include "util/Box.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/SaturatingCast.h"

namespace corvane {
namespace mask {

using DistanceField = blitz::Array<int16_t, 2>;

// The field value of a pixel not painted yet.
constexpr int16_t unsetDistance = -32768;
// Field units per edge width.
constexpr int32_t distanceAmplitude = 8192;

// The offset d of a point from a segment's start, measured along the normal n, when its
// projection t = d·u on the unit direction u lies within 0..L; the largest float otherwise.
inline float projectOnSegment(const EdgePoint& d, const EdgePoint& u, float L, const EdgePoint& n) {
  const float t = d.row * u.row + d.column * u.column;
  if (t < 0.0f || t > L) return FLT_MAX;
  return d.row * n.row + d.column * n.column;
}

// |a − b| with the squares summed and the root taken in double precision.
inline float pointDistance(float dr, float dc) {
  return static_cast<float>(std::sqrt(static_cast<double>(dr) * dr + static_cast<double>(dc) * dc));
}

// The quantised field value of a signed distance: clamp(distance / width, −4, 4) × amplitude,
// rounded half up. Never ±32768 in the range that can be stored (see storeDistance).
inline int32_t quantiseDistance(float distance, float width, int32_t amplitude) {
  float q = distance / width;
  q = q < -4.0f ? -4.0f : (q > 4.0f ? 4.0f : q);
  return saturatingCast<int32_t>(std::floor(q * static_cast<float>(amplitude) + 0.5f));
}

// Stores v at (row, column) when its magnitude is strictly below the stored one (the unset
// value counting as 32768), recording the pixel when it was unset.
inline void storeDistance(DistanceField& field, std::vector<IndexPair>& touched, int32_t row,
                          int32_t column, int32_t v, int16_t unset) {
  int16_t& stored = field(row, column);
  const int32_t current = stored;
  if ((v < 0 ? -v : v) >= (current < 0 ? -current : current)) return;
  if (stored == unset) touched.push_back(IndexPair{row, column});
  stored = static_cast<int16_t>(v);
}

// The box of pixels within `margin` of the box spanned by two points, cut to `limit`.
inline Box pointsBox(const EdgePoint& a, const EdgePoint& b, float margin, const Box& limit) {
  const int32_t ar = saturatingCast<int32_t>(a.row), ac = saturatingCast<int32_t>(a.column);
  const int32_t br = saturatingCast<int32_t>(b.row), bc = saturatingCast<int32_t>(b.column);
  Box box{std::min(ar, br), std::min(ac, bc), std::max(ar, br), std::max(ac, bc)};
  const int32_t m = saturatingCast<int32_t>(std::ceil(margin));
  // Widened in 64 bits: points far outside must not wrap around into the image.
  auto widen = [m](int32_t v, int32_t sign) {
    const int64_t w = int64_t(v) + sign * int64_t(m);
    return static_cast<int32_t>(w < INT32_MIN ? INT32_MIN : (w > INT32_MAX ? INT32_MAX : w));
  };
  box = Box{widen(box.lowerRow, -1), widen(box.lowerColumn, -1), widen(box.upperRow, 1),
            widen(box.upperColumn, 1)};
  return intersectBox(box, limit);
}

// The disc of radius r around the joint B between A and C: each pixel whose centre lies
// closer to B than r gets sign × its quantised distance to B, where the sign is −k for a turn
// (B − A) × (C − B) that is positive, k for a negative one; a straight joint paints nothing.
void paintVertexDistance(const EdgePoint& A, const EdgePoint& B, const EdgePoint& C,
                         DistanceField& field, std::vector<IndexPair>& touched, float r, float w,
                         int32_t amplitude, int32_t k, int16_t unset);

// Fades the edge out past the end point P0 of an open polyline whose neighbour point is P1:
// pixels up to W beyond P0 along the polyline's direction and closer than R across it take
// the source colour with a smooth alpha ramp across the edge (transparent at −W on side k's
// negative side, opaque at +W), blended with the target by how far past P0 they lie. Pixels
// whose source alpha is below F × maxSample are left alone.
template <class PixelType>
void blendEdgeCap(const EdgePoint& P0, const EdgePoint& P1, const DistanceField& field,
                  const blitz::Array<typename PixelType::Pixel, 2>& source,
                  blitz::Array<typename PixelType::Pixel, 2> target, int32_t k, float R, float W,
                  float F) {
  using Pixel = typename PixelType::Pixel;
  const float L = pointDistance(P0.row - P1.row, P0.column - P1.column);
  if (!(L > 0.0f) || !std::isfinite(L)) return;
  const EdgePoint D{(P0.row - P1.row) / L, (P0.column - P1.column) / L};
  const float kf = static_cast<float>(k);
  const EdgePoint N{kf * -D.column, kf * D.row};
  const EdgePoint Q{P0.row + W * D.row, P0.column + W * D.column};
  Box box = pointsBox(P0, Q, R, domainOf(target));
  box = intersectBox(intersectBox(box, domainOf(field)), domainOf(source));
  if (box.empty()) return;

  const float opaque = F * PixelType::maxSampleF;
  for (int32_t x = box.lowerRow; x <= box.upperRow; ++x) {
    const float vr = (static_cast<float>(x) + 0.5f) - P0.row;
    for (int32_t y = box.lowerColumn; y <= box.upperColumn; ++y) {
      const float vc = (static_cast<float>(y) + 0.5f) - P0.column;
      const float t = (vr * D.row + vc * D.column) / W;
      if (!(t >= 0.0f && t < 1.0f)) continue;
      const float u = vr * N.row + vc * N.column;
      if (!(std::fabs(u) < R)) continue;
      const Pixel& s = source(x, y);
      if (static_cast<float>(s[3]) < opaque) continue;
      float g = (u / W + 1.0f) * 0.5f;
      g = g < 0.0f ? 0.0f : (g > 1.0f ? 1.0f : g);
      Pixel faded = s;
      // The 16-bit factors are max + 1, so full opacity must be held at the maximum.
      faded[3] =
          sampleFromFloat<PixelType>((3.0f - 2.0f * g) * (g * PixelType::capAlphaFactor * g));
      Pixel& out = target(x, y);
      out = blendPixels<PixelType>(faded, 1.0f - t, out, t);
    }
  }
}

}  // namespace mask
}  // namespace corvane
