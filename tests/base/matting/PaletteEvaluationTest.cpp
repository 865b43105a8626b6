#include "kestrum/matting/PaletteEvaluation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

using namespace kestrum::matting;

namespace {

using Cluster8 = PaletteCluster<uint8_t>;

Cluster8 clusterOf(const std::vector<std::array<uint8_t, 3>>& colours) {
  Cluster8 c;
  c.colours = colours;
  c.weights.assign(colours.size(), 0.0f);
  if (!colours.empty()) computeClusterStatistics(c);
  return c;
}

constexpr float kNone = -std::numeric_limits<float>::max();

TEST(PaletteEvaluation, ColourLineFitClampsBeyondTheEnds) {
  const Vector3 f{200, 0, 0}, b{0, 0, 0};
  struct Case {
    Vector3 c;
    float alpha, score;
  };
  const Case cases[] = {{{50, 0, 0}, 0.25f, 0.0f},
                        {{230, 40, 0}, 1.0f, -50.0f},  // beyond F
                        {{-30, 0, 40}, 0.0f, -50.0f},  // beyond B
                        {{100, 30, 40}, 0.5f, -50.0f}};
  for (const Case& c : cases) {
    const auto fit = colourLineFit(f, b, c.c);
    EXPECT_TRUE(fit.valid);
    EXPECT_FLOAT_EQ(fit.alpha, c.alpha) << c.c[0];
    EXPECT_FLOAT_EQ(fit.score, c.score) << c.c[0];
  }
  EXPECT_FALSE(colourLineFit(f, f, Vector3{1, 2, 3}).valid);
}

TEST(PaletteEvaluation, InverseScatterAndPenalty) {
  Symmetric3 s;
  s.m00 = 4;
  s.m11 = 5;
  s.m22 = 6;
  s.m01 = 1;
  s.m12 = 2;
  s.m02 = 0.5;
  const Symmetric3 inv = invertScatter(s);
  // Row 0 of S times the columns of the inverse.
  EXPECT_NEAR(s.m00 * inv.m00 + s.m01 * inv.m01 + s.m02 * inv.m02, 1.0, 1e-12);
  EXPECT_NEAR(s.m00 * inv.m01 + s.m01 * inv.m11 + s.m02 * inv.m12, 0.0, 1e-12);
  EXPECT_NEAR(s.m01 * inv.m02 + s.m11 * inv.m12 + s.m12 * inv.m22, 0.0, 1e-12);
  EXPECT_NEAR(s.m02 * inv.m02 + s.m12 * inv.m12 + s.m22 * inv.m22, 1.0, 1e-12);

  // One member, or members on a line (singular scatter): no penalty.
  EXPECT_EQ(clusterPenalty(clusterOf({{9, 9, 9}}), Vector3{0, 0, 0}), 0.0);
  EXPECT_EQ(clusterPenalty(clusterOf({{0, 0, 0}, {10, 10, 10}, {20, 20, 20}}), Vector3{5, 0, 0}),
            0.0);
  // A spread cluster penalises colours away from its mean more.
  const auto spread = clusterOf({{0, 0, 0}, {10, 0, 0}, {0, 10, 0}, {0, 0, 10}, {10, 10, 10}});
  EXPECT_GT(clusterPenalty(spread, Vector3{20, 20, 20}), clusterPenalty(spread, Vector3{5, 5, 5}));
}

TEST(PaletteEvaluation, RepresentativeIsTheFirstNearestMember) {
  // Mean (5, 5, 5): members 0 and 1 are equally near.
  const auto c = clusterOf({{4, 5, 5}, {6, 5, 5}, {0, 0, 0}, {10, 10, 10}});
  EXPECT_EQ(clusterRepresentative(c), 0u);
}

TEST(PaletteEvaluation, PicksTheClusterPairWhoseLinePassesClosestFirstBestWinning) {
  const std::vector<Cluster8> fg{clusterOf({{200, 0, 0}}), clusterOf({{0, 200, 0}}),
                                 clusterOf({{0, 200, 0}})};
  const std::vector<Cluster8> bg{clusterOf({{0, 0, 200}}), clusterOf({{200, 200, 200}})};
  Colour3f f, b;
  // Halfway between (0, 200, 0) and (200, 200, 200), which two foreground clusters hold.
  EXPECT_EQ(evaluatePalettePair(fg, bg, Colour3f{100, 200, 100}, f, b), 0.0f);
  EXPECT_EQ(f, (Colour3f{0, 200, 0}));
  EXPECT_EQ(b, (Colour3f{200, 200, 200}));
}

TEST(PaletteEvaluation, EqualRepresentativesAndEmptyClustersTakeNoPart) {
  const Colour3f untouched{-1, -1, -1};
  Colour3f f = untouched, b = untouched;
  const std::vector<Cluster8> same{clusterOf({{7, 7, 7}})};
  EXPECT_EQ(evaluatePalettePair(same, same, Colour3f{7, 7, 7}, f, b), kNone);
  EXPECT_EQ(f, untouched);
  EXPECT_EQ(b, untouched);

  const std::vector<Cluster8> fresh{Cluster8()};
  EXPECT_EQ(evaluatePalettePair(fresh, same, Colour3f{1, 1, 1}, f, b), kNone);
  EXPECT_EQ(f, untouched);
}

TEST(PaletteEvaluation, MemberStageTradesClosenessAgainstTypicality) {
  // Within the chosen clusters the member pair nearest to C wins when penalties are equal.
  const std::vector<Cluster8> fg{clusterOf({{200, 0, 0}, {200, 20, 0}})};
  const std::vector<Cluster8> bg{clusterOf({{0, 0, 0}})};
  Colour3f f, b;
  const float score = evaluatePalettePair(fg, bg, Colour3f{100, 10, 0}, f, b);
  EXPECT_EQ(f, (Colour3f{200, 20, 0}));
  EXPECT_EQ(b, (Colour3f{0, 0, 0}));
  EXPECT_EQ(score, 0.0f);
}

}  // namespace
