#include "kestrum/matting/PreparedPalette.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

using namespace kestrum::matting;

namespace {

template <class S>
std::vector<PaletteCluster<S>> randomPalette(std::mt19937& rng, int maxValue) {
  std::uniform_int_distribution<int> clusters(1, 6), members(0, 9), spread(0, 40),
      value(0, maxValue);
  std::vector<PaletteCluster<S>> palette(static_cast<size_t>(clusters(rng)));
  for (auto& cluster : palette) {
    const int n = members(rng);
    const int centre[3] = {value(rng), value(rng), value(rng)};
    const int width = spread(rng) * maxValue / 255;
    std::uniform_int_distribution<int> jitter(-width, width);
    for (int i = 0; i < n; ++i) {
      typename PaletteCluster<S>::Colour c;
      for (int k = 0; k < 3; ++k) {
        const int v = centre[k] + jitter(rng);
        c[k] = static_cast<S>(v < 0 ? 0 : v > maxValue ? maxValue : v);
      }
      cluster.colours.push_back(c);
      cluster.weights.push_back(0.0f);
    }
    if (!cluster.colours.empty()) computeClusterStatistics(cluster);
  }
  return palette;
}

bool sameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

template <class S>
void expectSameAsReference(int maxValue, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> value(0.0f, static_cast<float>(maxValue));
  for (int round = 0; round < 3000; ++round) {
    const auto fg = randomPalette<S>(rng, maxValue);
    const auto bg = randomPalette<S>(rng, maxValue);
    const PreparedPalette pf = preparePalette(fg), pb = preparePalette(bg);
    for (int i = 0; i < 4; ++i) {
      // Sample-valued colours, as the kernels pass, and arbitrary ones.
      Colour3f c{value(rng), value(rng), value(rng)};
      if (i % 2 == 0) c = {std::floor(c[0]), std::floor(c[1]), std::floor(c[2])};
      Colour3f f1{-1, -1, -1}, b1{-1, -1, -1}, f2 = f1, b2 = b1;
      const float s1 = evaluatePalettePair(fg, bg, c, f1, b1);
      const float s2 = evaluatePreparedPair(pf, pb, c, f2, b2);
      ASSERT_TRUE(sameBits(s1, s2)) << round << ": " << s1 << " " << s2;
      for (int k = 0; k < 3; ++k) {
        ASSERT_TRUE(sameBits(f1[k], f2[k])) << round;
        ASSERT_TRUE(sameBits(b1[k], b2[k])) << round;
      }
    }
  }
}

TEST(PreparedPalette, EvaluatesBitForBitLikeTheReference) {
  expectSameAsReference<uint8_t>(255, 1);
  expectSameAsReference<uint16_t>(65535, 2);
  expectSameAsReference<uint16_t>(32768, 3);
}

}  // namespace
