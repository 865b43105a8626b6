#pragma once

#include <vector>

#include "mask/EdgePoint.h"

namespace corvane {
namespace mask {

// The engine's copy of one forced edge: a polyline that must be cut sharply. The points are
// in (row, column) order and owned here; a polyline whose first and last points are equal is
// closed. Mask generation keeps only edges with at least two distinct consecutive points.
struct MaskForcedEdge {
  float width = 0.0f;  // edge width in pixels of the grid the points are given in
  std::vector<EdgePoint> points;
};

}  // namespace mask
}  // namespace corvane
