#pragma once

// Palette construction above the finest level: gathering a level's colours into the next
// coarser level, and splitting each cell's colours along principal axes into at most 27
// clusters, each condensed to at most 27 representative colours.

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "kestrum/matting/ClusterStatistics.h"
#include "kestrum/matting/PaletteLevel.h"
#include "kestrum/matting/Quadrant.h"

namespace kestrum {
namespace matting {

constexpr int32_t kMaxPaletteClusters = 27;

// Splits the cluster across the plane through its mean normal to its axis. When both sides
// hold colours and their means lie further apart than `distance`, the cluster keeps the low
// side and the high side is returned; otherwise the cluster is unchanged and the returned
// cluster is empty.
template <class S>
PaletteCluster<S> splitCluster(PaletteCluster<S>& cluster, double distance) {
  PaletteCluster<S> high;
  if (cluster.colours.empty()) return high;
  const Vector3 mean = clusterMean(cluster);
  const Vector3& a = cluster.axis;
  const double cut = a[0] * mean[0] + a[1] * mean[1] + a[2] * mean[2];

  std::vector<typename PaletteCluster<S>::Colour> lowColours;
  std::vector<float> lowWeights;
  lowColours.reserve(cluster.colours.size());
  lowWeights.reserve(cluster.colours.size());
  for (size_t i = 0; i < cluster.colours.size(); ++i) {
    const auto& c = cluster.colours[i];
    const double along = a[0] * c[0] + a[1] * c[1] + a[2] * c[2];
    if (along <= cut) {
      lowColours.push_back(c);
      lowWeights.push_back(cluster.weights[i]);
    } else {
      high.colours.push_back(c);
      high.weights.push_back(cluster.weights[i]);
    }
  }
  if (lowColours.empty() || high.colours.empty()) return PaletteCluster<S>();

  computeClusterStatistics(high);
  const double lowCount = static_cast<double>(lowColours.size());
  const Vector3 highMean = clusterMean(high);
  double d2 = 0.0;
  for (int k = 0; k < 3; ++k) {
    const double lowMean = (cluster.sums[k] - high.sums[k]) / lowCount;
    d2 += (highMean[k] - lowMean) * (highMean[k] - lowMean);
  }
  if (std::sqrt(d2) <= distance) return PaletteCluster<S>();

  cluster.colours = std::move(lowColours);
  cluster.weights = std::move(lowWeights);
  cluster.moments.m00 -= high.moments.m00;
  cluster.moments.m11 -= high.moments.m11;
  cluster.moments.m22 -= high.moments.m22;
  cluster.moments.m01 -= high.moments.m01;
  cluster.moments.m12 -= high.moments.m12;
  cluster.moments.m02 -= high.moments.m02;
  for (int k = 0; k < 3; ++k) cluster.sums[k] -= high.sums[k];
  updatePrincipalAxis(cluster);
  return high;
}

// Splits the cell's widest cluster (largest eigenvalue, the first of equals) again and again
// until a split is refused or the palette holds `maxClusters` clusters.
template <class Types>
void growPalette(Quadrant<Types>& cell, int32_t maxClusters, double distance) {
  if (maxClusters < 2) return;
  int32_t count = 1;
  for (;;) {
    size_t widest = cell.palette.size();
    double largest = std::numeric_limits<double>::lowest();
    for (size_t i = 0; i < cell.palette.size(); ++i) {
      if (cell.palette[i].eigenvalue > largest) {
        largest = cell.palette[i].eigenvalue;
        widest = i;
      }
    }
    if (widest == cell.palette.size()) return;
    auto split = splitCluster(cell.palette[widest], distance);
    if (split.colours.empty()) return;
    cell.palette.push_back(std::move(split));
    if (++count >= maxClusters) return;
  }
}

// Replaces the colours of a cluster of more than one colour by the truncated means of at
// most `maxColours` sub-clusters grown at `distance`.
template <class Types>
void condenseCluster(typename Quadrant<Types>::Cluster& cluster, int32_t maxColours,
                     double distance) {
  if (cluster.colours.size() <= 1) return;
  Quadrant<Types> scratch;
  scratch.palette[0].colours = cluster.colours;
  scratch.palette[0].weights = cluster.weights;
  computeClusterStatistics(scratch.palette[0]);
  growPalette(scratch, maxColours, distance);
  cluster.colours.clear();
  cluster.weights.clear();
  for (const auto& part : scratch.palette) {
    const auto record = meanColourRecord(part);
    cluster.colours.push_back(record.second);
    cluster.weights.push_back(record.first);
  }
  if (!cluster.colours.empty()) computeClusterStatistics(cluster);
}

// Clusters one cell: grows its palette at `distance`, then condenses every cluster at half
// that distance.
template <class Types>
void clusterCell(Quadrant<Types>& cell, double distance) {
  if (cell.colourCount() == 0) return;
  growPalette(cell, kMaxPaletteClusters, distance);
  for (auto& cluster : cell.palette) {
    condenseCluster<Types>(cluster, kMaxPaletteClusters, distance * 0.5);
  }
}

template <class Types>
void clusterLevel(PaletteLevel<Types>& level, double distance) {
  for (auto& cell : level.cells()) clusterCell(cell, distance);
}

// The next coarser level: each cell gathers, into its first cluster, the colours of the
// clusters of its 2x2 child cells (children in row-major order, clusters in order, weight 0),
// and every child is linked to it. Cells that receive colours get their statistics.
template <class Types>
PaletteLevel<Types> buildParentLevel(PaletteLevel<Types>& child) {
  PaletteLevel<Types> parent(child.grid().halved(), child.storedBox().halved());
  child.forEachCell(
      [&parent](int32_t r, int32_t c, Quadrant<Types>&) { parent.obtain(r >> 1, c >> 1); });
  child.forEachCell([&parent](int32_t r, int32_t c, Quadrant<Types>& cell) {
    Quadrant<Types>& up = parent.obtain(r >> 1, c >> 1);
    auto& gathered = up.palette[0];
    for (const auto& cluster : cell.palette) {
      gathered.colours.insert(gathered.colours.end(), cluster.colours.begin(),
                              cluster.colours.end());
      gathered.weights.insert(gathered.weights.end(), cluster.colours.size(), 0.0f);
    }
    cell.parent = &up;
  });
  for (auto& cell : parent.cells()) {
    if (!cell.palette[0].colours.empty()) computeClusterStatistics(cell.palette[0]);
  }
  return parent;
}

}  // namespace matting
}  // namespace kestrum
