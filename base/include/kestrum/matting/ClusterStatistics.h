#pragma once

// Statistics of a colour cluster: the mean, the scatter matrix about it, the scatter's
// largest eigenvalue (from the closed-form roots of its characteristic cubic) and the
// matching eigenvector, along which the palette builder splits clusters. Only clusters with
// members are given to these functions.

#include <cmath>
#include <cstdint>
#include <utility>

#include "kestrum/matting/PaletteCluster.h"

namespace kestrum {
namespace matting {

template <class S>
void accumulateSums(PaletteCluster<S>& cluster) {
  Vector3 s{};
  for (const auto& c : cluster.colours) {
    s[0] += c[0];
    s[1] += c[1];
    s[2] += c[2];
  }
  cluster.sums = s;
}

// Each product is formed exactly in integers (a 16-bit sample squared needs 32 bits) before
// it is added.
template <class S>
void accumulateMoments(PaletteCluster<S>& cluster) {
  Symmetric3 m;
  for (const auto& c : cluster.colours) {
    const uint64_t c0 = c[0], c1 = c[1], c2 = c[2];
    m.m00 += static_cast<double>(c0 * c0);
    m.m11 += static_cast<double>(c1 * c1);
    m.m22 += static_cast<double>(c2 * c2);
    m.m01 += static_cast<double>(c0 * c1);
    m.m12 += static_cast<double>(c1 * c2);
    m.m02 += static_cast<double>(c0 * c2);
  }
  cluster.moments = m;
}

template <class S>
Vector3 clusterMean(const PaletteCluster<S>& cluster) {
  const double n = static_cast<double>(cluster.colours.size());
  return Vector3{cluster.sums[0] / n, cluster.sums[1] / n, cluster.sums[2] / n};
}

// The sums of products about the mean, not divided by the member count.
template <class S>
Symmetric3 scatterMatrix(const PaletteCluster<S>& cluster) {
  const Vector3 mean = clusterMean(cluster);
  const Symmetric3& m = cluster.moments;
  const Vector3& s = cluster.sums;
  Symmetric3 r;
  r.m00 = m.m00 - s[0] * mean[0];
  r.m11 = m.m11 - s[1] * mean[1];
  r.m22 = m.m22 - s[2] * mean[2];
  r.m01 = m.m01 - s[1] * mean[0];
  r.m12 = m.m12 - s[2] * mean[1];
  r.m02 = m.m02 - s[0] * mean[2];
  return r;
}

// The cofactors of a symmetric matrix, in the matrix's own element order.
Symmetric3 scatterCofactors(const Symmetric3& s);

// The largest real root of x³ + a·x² + b·x + c.
double largestCubicRoot(double a, double b, double c);

// An eigenvector of `lambda`: the row of the adjugate of S − λI with the largest norm. Every
// row is such a vector (or zero); the first row alone vanishes whenever channel 0 has no
// spread, which would leave clusters spread only in channels 1 and 2 without an axis.
Vector3 principalAxis(double lambda, const Symmetric3& s, const Symmetric3& cofactors);

template <class S>
void updatePrincipalAxis(PaletteCluster<S>& cluster) {
  const Symmetric3 s = scatterMatrix(cluster);
  const Symmetric3 k = scatterCofactors(s);
  const double a = -(s.m00 + s.m11 + s.m22);
  const double b = k.m00 + k.m11 + k.m22;
  const double c = -(s.m00 * k.m00 + s.m01 * k.m01 + s.m02 * k.m02);
  cluster.eigenvalue = largestCubicRoot(a, b, c);
  cluster.axis = principalAxis(cluster.eigenvalue, s, k);
}

// Sums, moments, eigenvalue and axis from the member list.
template <class S>
void computeClusterStatistics(PaletteCluster<S>& cluster) {
  accumulateSums(cluster);
  accumulateMoments(cluster);
  updatePrincipalAxis(cluster);
}

// The mean colour with each channel truncated to a sample, and the weight 0 it enters a
// palette with.
template <class S>
std::pair<float, typename PaletteCluster<S>::Colour> meanColourRecord(
    const PaletteCluster<S>& cluster) {
  const Vector3 mean = clusterMean(cluster);
  return {0.0f, {static_cast<S>(mean[0]), static_cast<S>(mean[1]), static_cast<S>(mean[2])}};
}

}  // namespace matting
}  // namespace kestrum
