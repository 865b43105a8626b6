#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "classification/AnalyseImage.h"
#include "classification/BoundaryTracing.h"
#include "classification/RegionCleanup.h"

namespace {

using classification::Outline;
using classification::OutlinePoint;
using classification::TracePoint;
using corvane::Box;

blitz::Array<int32_t, 2> labelsFrom(const std::vector<std::vector<int32_t>>& rows, int margin) {
  const int h = int(rows.size()), w = int(rows[0].size());
  blitz::Array<int32_t, 2> a(h + 2 * margin, w + 2 * margin);
  a = -1;
  a.reindexSelf(blitz::TinyVector<int, 2>(-margin, -margin));
  for (int r = 0; r < h; ++r)
    for (int c = 0; c < w; ++c) a(r, c) = rows[size_t(r)][size_t(c)];
  return a;
}

TEST(RegionCleanup, LonePixelsJoinTheirMajorityOrBecomeMinusOne) {
  // 9 sits alone among 1s and 2s (more 2s); 7 and 8 are lone neighbours of each other.
  auto inner = labelsFrom(
      {{1, 1, 2, 2, 2}, {1, 1, 9, 2, 2}, {1, 1, 2, 2, 2}, {3, 3, 3, 3, 3}, {3, 7, 8, 3, 3}}, 2);
  blitz::Array<int32_t, 2> regions(5, 5);
  const int32_t count = classification::cleanUpRegionLabels(inner, Box{0, 0, 4, 4}, 10, regions);
  // Regions: 1s, the 2s with the former 9, the 3s, and the -1 pair.
  EXPECT_EQ(count, 4);
  EXPECT_EQ(regions(1, 2), regions(0, 2));
  EXPECT_NE(regions(1, 2), regions(1, 1));
  EXPECT_EQ(regions(4, 1), regions(4, 2));
  EXPECT_NE(regions(4, 1), regions(3, 1));
  EXPECT_EQ(regions(0, 0), 0);
  EXPECT_EQ(inner(-1, -1), -1);  // the margin ends up -1
  EXPECT_EQ(inner(5, 6), -1);
}

TEST(RegionCleanup, MajorityTableTiesGoToTheLabelThatGotThereFirst) {
  blitz::Array<int32_t, 2> regions(2, 4), labels(2, 4);
  regions = 0, 0, 0, 0,  //
      1, 1, 1, -1;
  labels = 7, 8, 8, 7,  //
      5, 6, 6, 9;
  std::vector<int32_t> table;
  classification::majorityPartitionTable(table, 2, regions, labels, ProgressRange());
  EXPECT_EQ(table, (std::vector<int32_t>{8, 6}));
  classification::remapByRegion(table, regions, labels, ProgressRange());
  EXPECT_EQ(labels(0, 0), 8);
  EXPECT_EQ(labels(1, 0), 6);
  EXPECT_EQ(labels(1, 3), 9);  // outside any region: keeps its label
}

TEST(BoundaryTracing, EnclosedRegionGivesAClosedChain) {
  auto labels = labelsFrom(
      {{0, 0, 0, 0, 0}, {0, 1, 1, 1, 0}, {0, 1, 1, 1, 0}, {0, 1, 1, 1, 0}, {0, 0, 0, 0, 0}}, 2);
  std::vector<classification::EdgeChain> chains;
  classification::traceRegionBoundaries(chains, labels, Box{0, 0, 4, 4});
  ASSERT_EQ(chains.size(), 2u);  // the picture's border, then the square
  const auto& square = chains[1];
  EXPECT_TRUE((square.labelA == 1 && square.labelB == 0) ||
              (square.labelA == 0 && square.labelB == 1));
  ASSERT_EQ(square.points.size(), 13u);
  EXPECT_EQ(square.points.front()[0], square.points.back()[0]);
  EXPECT_EQ(square.points.front()[1], square.points.back()[1]);
  for (const TracePoint& p : square.points) {
    EXPECT_TRUE(p[0] == 1 || p[0] == 4 || p[1] == 1 || p[1] == 4);
    EXPECT_TRUE(p[0] >= 1 && p[0] <= 4 && p[1] >= 1 && p[1] <= 4);
  }
  const auto& border = chains[0];
  EXPECT_TRUE(border.labelA == -1 || border.labelB == -1);
  EXPECT_EQ(border.points.size(), 21u);
}

TEST(BoundaryTracing, AChainBetweenTwoBordersIsOpen) {
  auto labels = labelsFrom({{1, 1, 2}, {1, 1, 2}}, 0);
  std::vector<classification::EdgeChain> chains;
  classification::traceRegionBoundaries(chains, labels, Box{0, 0, 1, 2});
  // The outer border, then the crack between the columns of 1 and 2 from edge to edge.
  ASSERT_GE(chains.size(), 2u);
  bool found = false;
  for (const auto& chain : chains) {
    if (chain.labelA == -1 || chain.labelB == -1) continue;
    found = true;
    ASSERT_EQ(chain.points.size(), 3u);
    EXPECT_EQ(chain.points.front()[1], 2);
    EXPECT_EQ(chain.points.back()[1], 2);
    EXPECT_NE(chain.points.front()[0], chain.points.back()[0]);
  }
  EXPECT_TRUE(found);
}

TEST(BoundaryTracing, PointRules) {
  const classification::IntegerOutline open = {TracePoint(0, 0), TracePoint(0, 2),
                                               TracePoint(2, 2)};
  const Outline mid = classification::outlineFromChain(open, 0);
  ASSERT_EQ(mid.size(), 4u);
  EXPECT_EQ(mid[1][0], 0.0f);
  EXPECT_EQ(mid[1][1], 1.0f);
  EXPECT_EQ(mid[2][0], 1.0f);
  EXPECT_EQ(mid[2][1], 2.0f);
  const Outline smooth = classification::outlineFromChain(open, 3);  // (p0 + 2 p1 + p2) / 4
  ASSERT_EQ(smooth.size(), 3u);
  EXPECT_EQ(smooth[1][0], 0.5f);
  EXPECT_EQ(smooth[1][1], 1.5f);

  const classification::IntegerOutline closed = {
      TracePoint(0, 0), TracePoint(0, 2), TracePoint(2, 2), TracePoint(2, 0), TracePoint(0, 0)};
  for (int rule = 0; rule <= 6; ++rule) {
    Outline o = classification::outlineFromChain(closed, rule);
    ASSERT_GE(o.size(), 4u) << rule;
    EXPECT_TRUE(blitz::all(o.front() == o.back())) << rule;
    classification::cutCorners(o, 0.4f);
    EXPECT_TRUE(blitz::all(o.front() == o.back())) << rule;
    for (size_t i = 1; i < o.size(); ++i) EXPECT_FALSE(blitz::all(o[i] == o[i - 1])) << rule;
  }
}

TEST(BoundaryTracing, MaskOutlinesAreClosedAndSimplified) {
  blitz::Array<uint8_t, 2> mask(6, 7);
  mask = 0;
  mask(blitz::Range(1, 4), blitz::Range(2, 5)) = 1;
  mask.reindexSelf(blitz::TinyVector<int, 2>(10, 20));
  std::vector<classification::IntegerOutline> outlines;
  classification::traceMaskOutlines(mask, outlines);
  ASSERT_EQ(outlines.size(), 1u);
  const auto& o = outlines[0];
  ASSERT_EQ(o.size(), 5u);  // four corners and the closing point
  EXPECT_TRUE(blitz::all(o.front() == o.back()));
  for (const TracePoint& p : o) {
    EXPECT_TRUE(p[0] == 11 || p[0] == 15);
    EXPECT_TRUE(p[1] == 22 || p[1] == 26);
  }
}

}  // namespace
