#pragma once

// A palette in the form the per-pixel evaluation reads: per cluster its representative
// colour, per member its colour and its penalty, all computed once when the pyramid is
// built instead of once per pixel and pair. evaluatePreparedPair gives bit for bit the
// result of evaluatePalettePair on the palette it was prepared from.

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "kestrum/matting/PaletteEvaluation.h"

namespace kestrum {
namespace matting {

struct PreparedPalette {
  struct Cluster {
    Vector3 representative;
    uint32_t first;  // index of the first member in `members`
    uint32_t count;
  };
  // The clusters with members, in palette order.
  std::vector<Cluster> clusters;
  std::vector<Vector3> members;
  // clusterPenalty of each member within its own cluster.
  std::vector<double> penalties;
};

template <class S>
PreparedPalette preparePalette(const std::vector<PaletteCluster<S>>& palette) {
  PreparedPalette prepared;
  for (const auto& cluster : palette) {
    if (cluster.colours.empty()) continue;
    PreparedPalette::Cluster c;
    c.representative = toVector(cluster.colours[clusterRepresentative(cluster)]);
    c.first = static_cast<uint32_t>(prepared.members.size());
    c.count = static_cast<uint32_t>(cluster.colours.size());
    prepared.clusters.push_back(c);
    if (cluster.colours.size() < 2) {
      prepared.members.push_back(toVector(cluster.colours[0]));
      prepared.penalties.push_back(0.0);
      continue;
    }
    const Vector3 mean = clusterMean(cluster);
    const Symmetric3 inverse = invertScatter(scatterMatrix(cluster));
    for (const auto& colour : cluster.colours) {
      const Vector3 x = toVector(colour);
      prepared.members.push_back(x);
      prepared.penalties.push_back(
          scatterForm(inverse, Vector3{x[0] - mean[0], x[1] - mean[1], x[2] - mean[2]}));
    }
  }
  return prepared;
}

namespace detail {

// colourLineFit's squared distance, from the pieces that do not depend on the pair: e = C − B
// with its squared length, and C − F's squared length. The score is minus its root, so a
// larger squared distance never scores higher. False when F equals B.
inline bool lineDistance2(const Vector3& f, const Vector3& b, const Vector3& e, double e2,
                          double g2, double& q) {
  const double d0 = f[0] - b[0], d1 = f[1] - b[1], d2 = f[2] - b[2];
  const double length2 = d0 * d0 + d1 * d1 + d2 * d2;
  if (length2 == 0.0) return false;
  const float a = static_cast<float>((d0 * e[0] + d1 * e[1] + d2 * e[2]) / length2);
  if (a < 0.0f) {
    q = e2;
  } else if (a > 1.0f) {
    q = g2;
  } else {
    const double ad = a;
    const double r0 = e[0] - ad * d0, r1 = e[1] - ad * d1, r2 = e[2] - ad * d2;
    q = r0 * r0 + r1 * r1 + r2 * r2;
  }
  return true;
}

inline Vector3 offset(const Vector3& c, const Vector3& x) {
  return Vector3{c[0] - x[0], c[1] - x[1], c[2] - x[2]};
}

inline double length2(const Vector3& v) {
  return v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
}

}  // namespace detail

// evaluatePalettePair on prepared palettes. Squared distances that cannot beat the best score
// skip the root, and member pairs whose penalties alone cannot beat it skip the fit.
inline float evaluatePreparedPair(const PreparedPalette& fg, const PreparedPalette& bg,
                                  const Colour3f& c, Colour3f& foreground, Colour3f& background) {
  const Vector3 colour{c[0], c[1], c[2]};
  const float none = -std::numeric_limits<float>::max();
  float best = none;
  double bestQ = std::numeric_limits<double>::infinity();
  const PreparedPalette::Cluster* chosenFg = nullptr;
  const PreparedPalette::Cluster* chosenBg = nullptr;

  // C − B and its squared length per background cluster, computed once for all pairs.
  constexpr size_t kLocal = 32;
  Vector3 bgOffsetLocal[kLocal];
  double bgLength2Local[kLocal];
  std::vector<Vector3> bgOffsetHeap;
  std::vector<double> bgLength2Heap;
  Vector3* bgOffset = bgOffsetLocal;
  double* bgLength2 = bgLength2Local;
  const size_t nb = bg.clusters.size();
  if (nb > kLocal) {
    bgOffsetHeap.resize(nb);
    bgLength2Heap.resize(nb);
    bgOffset = bgOffsetHeap.data();
    bgLength2 = bgLength2Heap.data();
  }
  for (size_t j = 0; j < nb; ++j) {
    bgOffset[j] = detail::offset(colour, bg.clusters[j].representative);
    bgLength2[j] = detail::length2(bgOffset[j]);
  }
  for (const auto& fc : fg.clusters) {
    const double g2 = detail::length2(detail::offset(colour, fc.representative));
    for (size_t j = 0; j < nb; ++j) {
      double q;
      if (!detail::lineDistance2(fc.representative, bg.clusters[j].representative, bgOffset[j],
                                 bgLength2[j], g2, q)) {
        continue;
      }
      if (q >= bestQ) continue;
      const float s = static_cast<float>(-std::sqrt(q));
      if (s > best) {
        best = s;
        bestQ = q;
        chosenFg = &fc;
        chosenBg = &bg.clusters[j];
      }
    }
  }
  if (!chosenFg) return best;

  best = none;
  const Vector3* fgMembers = fg.members.data() + chosenFg->first;
  const double* fgPenalties = fg.penalties.data() + chosenFg->first;
  const Vector3* bgMembers = bg.members.data() + chosenBg->first;
  const double* bgPenalties = bg.penalties.data() + chosenBg->first;
  for (uint32_t i = 0; i < chosenFg->count; ++i) {
    const Vector3& f = fgMembers[i];
    const double pf = fgPenalties[i];
    const double g2 = detail::length2(detail::offset(colour, f));
    for (uint32_t j = 0; j < chosenBg->count; ++j) {
      const double pb = bgPenalties[j];
      // The fit's score is at most 0, so the total is at most this.
      if (static_cast<float>((0.0 - pf) - pb) <= best) continue;
      const Vector3& b = bgMembers[j];
      const Vector3 e = detail::offset(colour, b);
      double q;
      if (!detail::lineDistance2(f, b, e, detail::length2(e), g2, q)) continue;
      const float score = static_cast<float>(-std::sqrt(q));
      const float total = static_cast<float>(static_cast<double>(score) - pf - pb);
      if (total > best) {
        best = total;
        foreground = {static_cast<float>(f[0]), static_cast<float>(f[1]), static_cast<float>(f[2])};
        background = {static_cast<float>(b[0]), static_cast<float>(b[1]), static_cast<float>(b[2])};
      }
    }
  }
  return best;
}

}  // namespace matting
}  // namespace kestrum
