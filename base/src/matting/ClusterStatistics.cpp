#include "kestrum/matting/ClusterStatistics.h"

#include <algorithm>

namespace kestrum {
namespace matting {

Symmetric3 scatterCofactors(const Symmetric3& s) {
  Symmetric3 k;
  k.m00 = s.m11 * s.m22 - s.m12 * s.m12;
  k.m11 = s.m00 * s.m22 - s.m02 * s.m02;
  k.m22 = s.m00 * s.m11 - s.m01 * s.m01;
  k.m01 = s.m02 * s.m12 - s.m01 * s.m22;
  k.m12 = s.m01 * s.m02 - s.m00 * s.m12;
  k.m02 = s.m01 * s.m12 - s.m02 * s.m11;
  return k;
}

namespace {

double realCubeRoot(double x) {
  return x < 0.0 ? -std::pow(-x, 1.0 / 3.0) : std::pow(x, 1.0 / 3.0);
}

}  // namespace

double largestCubicRoot(double a, double b, double c) {
  const double q = (a * a - 3.0 * b) * (1.0 / 9.0);
  const double r = (2.0 * a * a * a - 9.0 * a * b + 27.0 * c) * (1.0 / 54.0);
  const double d = r * r - q * q * q;
  if (d >= 0.0) {
    const double s = std::sqrt(d);
    const double sum = realCubeRoot(s - r) + realCubeRoot(-r - s);
    const double first = sum - a / 3.0;
    if (d > 0.0) return first;
    const double second = -sum / 2.0 - a / 3.0;
    return std::max(first, second);
  }
  // Three real roots. Rounding can put the cosine's argument a hair outside -1..1.
  const double ratio = std::min(1.0, std::max(-1.0, r / std::sqrt(q * q * q)));
  const double theta = std::acos(ratio);
  const double twoPi = 2.0 * M_PI;
  const double c1 = std::cos(theta / 3.0);
  const double c2 = std::cos((theta - twoPi) / 3.0);
  const double c3 = std::cos((theta + twoPi) / 3.0);
  const double later = c2 < c3 ? c2 : c3;
  const double smallest = c1 < later ? c1 : later;
  return -2.0 * std::sqrt(q) * smallest - a / 3.0;
}

Vector3 principalAxis(double lambda, const Symmetric3& s, const Symmetric3& k) {
  const double l2 = lambda * lambda;
  const Vector3 rows[3] = {
      {l2 - (s.m11 + s.m22) * lambda + k.m00, s.m01 * lambda + k.m01, s.m02 * lambda + k.m02},
      {s.m01 * lambda + k.m01, l2 - (s.m00 + s.m22) * lambda + k.m11, s.m12 * lambda + k.m12},
      {s.m02 * lambda + k.m02, s.m12 * lambda + k.m12, l2 - (s.m00 + s.m11) * lambda + k.m22}};
  int best = 0;
  double bestNorm = -1.0;
  for (int i = 0; i < 3; ++i) {
    const double n = rows[i][0] * rows[i][0] + rows[i][1] * rows[i][1] + rows[i][2] * rows[i][2];
    if (n > bestNorm) {
      bestNorm = n;
      best = i;
    }
  }
  return rows[best];
}

}  // namespace matting
}  // namespace kestrum
