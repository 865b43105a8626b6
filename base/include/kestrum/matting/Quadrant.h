#pragma once

#include <vector>

#include "kestrum/matting/CbbTypes.h"
#include "kestrum/matting/PaletteCluster.h"

namespace kestrum {
namespace matting {

// One cell of a palette level: the palette of the colours gathered under it and the cell of
// the next coarser level that contains it (null on the top level and until that level is
// built). A new cell holds one empty cluster, its first cluster, which the level builders
// fill.
template <class Types>
class Quadrant {
 public:
  using Sample = typename Types::Sample;
  using Cluster = PaletteCluster<Sample>;

  Quadrant() : palette(1), parent(nullptr) {}

  // The number of colours over all clusters.
  size_t colourCount() const {
    size_t n = 0;
    for (const Cluster& c : palette) n += c.colours.size();
    return n;
  }

  std::vector<Cluster> palette;
  Quadrant* parent;
};

}  // namespace matting
}  // namespace kestrum
