#include "kestrum/matting/ClusterStatistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using namespace kestrum::matting;

namespace {

template <class S>
PaletteCluster<S> clusterOf(const std::vector<std::array<S, 3>>& colours) {
  PaletteCluster<S> c;
  c.colours = colours;
  c.weights.assign(colours.size(), 0.0f);
  computeClusterStatistics(c);
  return c;
}

double norm(const Vector3& v) {
  return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

// |cos| of the angle between two vectors.
double alignment(const Vector3& a, const Vector3& b) {
  return std::fabs(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]) / (norm(a) * norm(b));
}

TEST(ClusterStatistics, LargestCubicRoot) {
  EXPECT_NEAR(largestCubicRoot(-6.0, 11.0, -6.0), 3.0, 1e-12);  // roots 1, 2, 3
  EXPECT_NEAR(largestCubicRoot(-3.0, 3.0, -1.0), 1.0, 1e-12);   // triple root 1
  EXPECT_NEAR(largestCubicRoot(0.0, 0.0, -8.0), 2.0, 1e-12);    // one real root
  EXPECT_NEAR(largestCubicRoot(0.0, 0.0, 8.0), -2.0, 1e-12);    // a negative real root
  EXPECT_NEAR(largestCubicRoot(-5.0, 8.0, -4.0), 2.0, 1e-6);    // double root 2 and root 1
}

TEST(ClusterStatistics, IdenticalColoursHaveNoSpread) {
  const auto c = clusterOf<uint8_t>({{7, 8, 9}, {7, 8, 9}, {7, 8, 9}});
  EXPECT_EQ(c.eigenvalue, 0.0);
  EXPECT_EQ(norm(c.axis), 0.0);
  EXPECT_EQ(clusterMean(c)[2], 9.0);
}

TEST(ClusterStatistics, ClustersSpreadOnlyInChannelOneOrTwoHaveAnAxis) {
  for (int channel = 0; channel < 3; ++channel) {
    std::vector<std::array<uint8_t, 3>> colours;
    for (uint8_t v : {10, 20, 200, 210}) {
      std::array<uint8_t, 3> colour{50, 60, 70};
      colour[channel] = v;
      colours.push_back(colour);
    }
    const auto c = clusterOf<uint8_t>(colours);
    Vector3 expected{0, 0, 0};
    expected[channel] = 1.0;
    EXPECT_GT(c.eigenvalue, 0.0) << channel;
    ASSERT_GT(norm(c.axis), 0.0) << channel;
    EXPECT_NEAR(alignment(c.axis, expected), 1.0, 1e-9) << channel;
  }
  // Spread in channels 1 and 2 together, none in channel 0.
  const auto c = clusterOf<uint8_t>({{5, 0, 0}, {5, 100, 50}, {5, 10, 4}, {5, 90, 46}});
  ASSERT_GT(norm(c.axis), 0.0);
  EXPECT_GT(alignment(c.axis, Vector3{0, 2, 1}), 0.99);
}

TEST(ClusterStatistics, SixteenBitMomentsAreExact) {
  const auto c = clusterOf<uint16_t>({{65535, 65535, 65534}, {65535, 65535, 65534}});
  EXPECT_EQ(c.moments.m02, 2.0 * 65535.0 * 65534.0);
  const Symmetric3 s = scatterMatrix(c);
  EXPECT_EQ(s.m00 + s.m22 + s.m02, 0.0);
}

}  // namespace
