#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <vector>

#include "morphology/PolylineSimplification.h"
#include "util/Box.h"

namespace classification {

// Points are (row, column): integer pixel-corner points of traced boundaries and float
// outline points.
using TracePoint = corvane::morphology::PolylinePoint;
using OutlinePoint = corvane::morphology::PolylinePointF;
using IntegerOutline = std::vector<TracePoint>;
using Outline = std::vector<OutlinePoint>;

// One traced boundary between two labels; `labelA` lies on one fixed side of the chain's
// direction and `labelB` on the other.
struct EdgeChain {
  int32_t labelA;
  int32_t labelB;
  IntegerOutline points;
};

// Every boundary between differing labels that touches a pixel of `rect`, as chains in the
// order their first cracks are met (columns outer, rows inner). Elements outside the array
// count as -1. A closed chain ends with its first point.
void traceRegionBoundaries(std::vector<EdgeChain>& chains, const blitz::Array<int32_t, 2>& labels,
                           const corvane::Box& rect);

// The same scan on mask bytes, giving the point lists only. Elements outside the array count
// as 0.
void traceMaskBoundary(std::vector<IntegerOutline>& outlines, const blitz::Array<uint8_t, 2>& mask,
                       const corvane::Box& rect);

// The outline of one chain by a point rule: 0 segment midpoints, 1 and 2 two points per
// segment at a third or a quarter, 3 to 5 inner vertices smoothed with weight 2, 3 or 4,
// 6 and above the chain's own points.
Outline outlineFromChain(const IntegerOutline& points, int32_t rule);

// Keeps the points that lie farther than `tolerance` from the chords, in the closed form when
// the first point equals the last and the split form otherwise; the last point always stays.
void simplifyOutline(Outline& outline, float tolerance, std::vector<const OutlinePoint*>& stack);
void simplifyIntegerOutline(IntegerOutline& outline, float tolerance,
                            std::vector<const TracePoint*>& stack);

// Replaces every inner vertex by two points cut back along its edges by up to `cut` (at most
// a quarter of each edge), keeping a closed outline closed; repeated points are merged.
void cutCorners(Outline& outline, float cut);

}  // namespace classification
