#pragma once

// Scoring a foreground and a background palette for one pixel colour C: which foreground
// colour F and background colour B explain C best as a mix of the two. The score is minus
// the distance from C to the segment between B and F, so at most 0. The evaluation first
// picks the cluster pair whose representatives span the line closest to C, then, inside
// those two clusters, the member pair that balances closeness against how typical each
// member is of its cluster.

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "kestrum/matting/ClusterStatistics.h"
#include "kestrum/matting/PaletteCluster.h"

namespace kestrum {
namespace matting {

using Colour3f = std::array<float, 3>;

// Where C falls on the segment from B to F: the mix fraction `alpha` (clamped to 0..1), the
// nearest point of the segment and minus the distance to it. A pair with F equal to B spans
// no segment and has no fit.
struct ColourLineFit {
  bool valid;
  float alpha;
  Vector3 point;
  float score;
};

inline ColourLineFit colourLineFit(const Vector3& f, const Vector3& b, const Vector3& c) {
  const double d0 = f[0] - b[0], d1 = f[1] - b[1], d2 = f[2] - b[2];
  const double e0 = c[0] - b[0], e1 = c[1] - b[1], e2 = c[2] - b[2];
  const double length2 = d0 * d0 + d1 * d1 + d2 * d2;
  ColourLineFit fit;
  if (length2 == 0.0) {
    fit.valid = false;
    fit.alpha = 0.0f;
    fit.point = b;
    fit.score = -std::numeric_limits<float>::max();
    return fit;
  }
  fit.valid = true;
  const float a = static_cast<float>((d0 * e0 + d1 * e1 + d2 * e2) / length2);
  if (a < 0.0f) {
    fit.alpha = 0.0f;
    fit.point = b;
    fit.score = static_cast<float>(-std::sqrt(e0 * e0 + e1 * e1 + e2 * e2));
  } else if (a > 1.0f) {
    const double g0 = c[0] - f[0], g1 = c[1] - f[1], g2 = c[2] - f[2];
    fit.alpha = 1.0f;
    fit.point = f;
    fit.score = static_cast<float>(-std::sqrt(g0 * g0 + g1 * g1 + g2 * g2));
  } else {
    const double ad = a;
    fit.alpha = a;
    for (int k = 0; k < 3; ++k) fit.point[k] = ad * f[k] + (1.0 - ad) * b[k];
    const double r0 = e0 - ad * d0, r1 = e1 - ad * d1, r2 = e2 - ad * d2;
    fit.score = static_cast<float>(-std::sqrt(r0 * r0 + r1 * r1 + r2 * r2));
  }
  return fit;
}

// The inverse of a symmetric matrix, or the zero matrix when it is (nearly) singular.
inline Symmetric3 invertScatter(const Symmetric3& s) {
  const Symmetric3 k = scatterCofactors(s);
  const double det = s.m00 * k.m00 + s.m01 * k.m01 + s.m02 * k.m02;
  if (std::fabs(det) < 1e-5) return Symmetric3();
  Symmetric3 r;
  r.m00 = k.m00 / det;
  r.m11 = k.m11 / det;
  r.m22 = k.m22 / det;
  r.m01 = k.m01 / det;
  r.m12 = k.m12 / det;
  r.m02 = k.m02 / det;
  return r;
}

// The quadratic form of the inverse scatter at a colour's offset d from the mean.
inline double scatterForm(const Symmetric3& m, const Vector3& d) {
  return m.m00 * d[0] * d[0] + m.m11 * d[1] * d[1] + m.m22 * d[2] * d[2] +
         2.0 * (d[0] * (m.m01 * d[1] + m.m02 * d[2]) + m.m12 * d[1] * d[2]);
}

// How atypical colour x is of the cluster: 0 for a cluster of fewer than two colours.
template <class S>
double clusterPenalty(const PaletteCluster<S>& cluster, const Vector3& x) {
  if (cluster.colours.size() < 2) return 0.0;
  const Vector3 mean = clusterMean(cluster);
  const Vector3 d{x[0] - mean[0], x[1] - mean[1], x[2] - mean[2]};
  return scatterForm(invertScatter(scatterMatrix(cluster)), d);
}

// The index of the member nearest the mean (the first of equals). The cluster has members.
template <class S>
size_t clusterRepresentative(const PaletteCluster<S>& cluster) {
  const Vector3 mean = clusterMean(cluster);
  size_t best = 0;
  double bestDistance = std::numeric_limits<double>::infinity();
  for (size_t i = 0; i < cluster.colours.size(); ++i) {
    const auto& c = cluster.colours[i];
    const double d0 = c[0] - mean[0], d1 = c[1] - mean[1], d2 = c[2] - mean[2];
    const double d = d0 * d0 + d1 * d1 + d2 * d2;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}

template <class S>
Vector3 toVector(const std::array<S, 3>& c) {
  return Vector3{static_cast<double>(c[0]), static_cast<double>(c[1]), static_cast<double>(c[2])};
}

// The score of the best pair found in the two palettes for colour `c`, or the most negative
// float when no pair is accepted; `foreground` and `background` receive the pair and are
// left alone when none is accepted.
template <class S>
float evaluatePalettePair(const std::vector<PaletteCluster<S>>& fgPalette,
                          const std::vector<PaletteCluster<S>>& bgPalette, const Colour3f& c,
                          Colour3f& foreground, Colour3f& background) {
  const Vector3 colour{c[0], c[1], c[2]};
  float best = -std::numeric_limits<float>::max();
  const PaletteCluster<S>* chosenFg = nullptr;
  const PaletteCluster<S>* chosenBg = nullptr;
  for (const auto& fc : fgPalette) {
    if (fc.colours.empty()) continue;
    const Vector3 f = toVector(fc.colours[clusterRepresentative(fc)]);
    for (const auto& bc : bgPalette) {
      if (bc.colours.empty()) continue;
      const Vector3 b = toVector(bc.colours[clusterRepresentative(bc)]);
      const ColourLineFit fit = colourLineFit(f, b, colour);
      if (fit.valid && fit.score > best) {
        best = fit.score;
        chosenFg = &fc;
        chosenBg = &bc;
      }
    }
  }
  if (!chosenFg) return best;

  best = -std::numeric_limits<float>::max();
  for (const auto& fm : chosenFg->colours) {
    const Vector3 f = toVector(fm);
    for (const auto& bm : chosenBg->colours) {
      const Vector3 b = toVector(bm);
      const ColourLineFit fit = colourLineFit(f, b, colour);
      if (!fit.valid) continue;
      const float total =
          static_cast<float>(static_cast<double>(fit.score) - clusterPenalty(*chosenFg, f) -
                             clusterPenalty(*chosenBg, b));
      if (total > best) {
        best = total;
        foreground = {static_cast<float>(fm[0]), static_cast<float>(fm[1]),
                      static_cast<float>(fm[2])};
        background = {static_cast<float>(bm[0]), static_cast<float>(bm[1]),
                      static_cast<float>(bm[2])};
      }
    }
  }
  return best;
}

}  // namespace matting
}  // namespace kestrum
