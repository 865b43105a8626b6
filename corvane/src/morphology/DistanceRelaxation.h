#pragma once

// One step of a chamfer distance transform: q takes p's distance plus the step weight when
// that is strictly shorter, and with relaxDistance also p's source colour.

#include <blitz/array.h>

#include <cstdint>

namespace corvane {
namespace morphology {

using DistancePoint = blitz::TinyVector<int32_t, 2>;
using SourceColour = blitz::TinyVector<unsigned char, 3>;

namespace detail {
// The relaxed distance of q, or false when q keeps its own. Summed in 64 bits: distance
// arrays start out at large "unreached" values, and dist[p] + w must not wrap around into a
// short distance.
inline bool relaxedDistance(int32_t fromP, int32_t atQ, int32_t w, int32_t& result) {
  const int64_t candidate = int64_t(fromP) + w;
  if (candidate >= atQ) return false;
  result = candidate < INT32_MIN ? INT32_MIN : static_cast<int32_t>(candidate);
  return true;
}
}  // namespace detail

inline void relaxDistance(blitz::Array<int32_t, 2>& dist, blitz::Array<SourceColour, 2>& source,
                          const DistancePoint& p, const DistancePoint& q, int32_t w) {
  int32_t relaxed;
  if (detail::relaxedDistance(dist(p), dist(q), w, relaxed)) {
    dist(q) = relaxed;
    source(q) = source(p);
  }
}

inline void relaxDistanceOnly(blitz::Array<int32_t, 2>& dist, const DistancePoint& p,
                              const DistancePoint& q, int32_t w) {
  int32_t relaxed;
  if (detail::relaxedDistance(dist(p), dist(q), w, relaxed)) dist(q) = relaxed;
}

}  // namespace morphology
}  // namespace corvane
