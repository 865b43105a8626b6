#pragma once

// Reduction of traced outlines to the points that matter: recursive splitting at the point
// farthest from the chord, with an explicit stack instead of recursion.
//
// Every routine writes at most one point per input point, and the output may start at the
// input's first point (each point is written only once it is no longer read). The last point
// is never written; callers append it themselves. The split stack is the caller's scratch
// space: entries it held on entry are left alone and it is back to that size on return.

#include <blitz/array.h>

#include <cstdint>
#include <vector>

namespace corvane {
namespace morphology {

using PolylinePoint = blitz::TinyVector<int32_t, 2>;
using PolylinePointF = blitz::TinyVector<float, 2>;

// Writes first and the points between first and last that lie farther than `tolerance` from
// the chords of the split spans; returns the position after the last point written.
PolylinePoint* simplifyPolylineRange(std::vector<const PolylinePoint*>& stack,
                                     const PolylinePoint* first, const PolylinePoint* last,
                                     PolylinePoint* out, float tolerance);

// The same for a closed outline whose last point closes it: first split at the point farthest
// from the first, then each half as above. The output holds first, the kept points and the
// split point.
PolylinePoint* simplifyPolyline(std::vector<const PolylinePoint*>& stack,
                                const PolylinePoint* first, const PolylinePoint* last,
                                PolylinePoint* out, float tolerance);

PolylinePointF* simplifyPolylineRangeF(std::vector<const PolylinePointF*>& stack,
                                       const PolylinePointF* first, const PolylinePointF* last,
                                       PolylinePointF* out, float tolerance);

PolylinePointF* simplifyPolylineF(std::vector<const PolylinePointF*>& stack,
                                  const PolylinePointF* first, const PolylinePointF* last,
                                  PolylinePointF* out, float tolerance);

}  // namespace morphology
}  // namespace corvane
