#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <map>
#include <utility>
#include <vector>

#include "EngineTestSupport.h"
#include "classification/BoundaryTracing.h"
#include "classification/RegionCleanup.h"
#include "util/ProcessorCount.h"

using classification::LabelArray;
using corvane::Box;

namespace {

// An odd-sized label image over (3..203, -2..94) with a margin of 2: blocks of labels cut by
// diagonal strips, scattered lone pixels and a label that winds across many row bands.
LabelArray bandedLabels(const Box& d) {
  LabelArray labels(
      blitz::TinyVector<int, 2>(d.lowerRow - 2, d.lowerColumn - 2),
      blitz::TinyVector<int, 2>(d.upperRow - d.lowerRow + 5, d.upperColumn - d.lowerColumn + 5));
  labels = -1;
  for (int r = d.lowerRow; r <= d.upperRow; ++r) {
    for (int c = d.lowerColumn; c <= d.upperColumn; ++c) {
      int32_t label = 1 + (r / 23) * 5 + (c + 2) / 19;
      if ((r + c) % 41 < 3) label = 40;  // strips joining blocks across bands
      if ((r * 31 + c * 17) % 97 == 0) label = 60 + (r + c) % 3;  // lone pixels
      if (c == 50 && r % 7 != 0) label = 70;  // a column broken every seventh row
      labels(r, c) = label;
    }
  }
  return labels;
}

// Components of equal values numbered by their first pixel in raster order, by flood fill.
std::vector<int32_t> referenceComponents(const LabelArray& work, const Box& d, int32_t& count) {
  const int rows = d.upperRow - d.lowerRow + 1;
  const int columns = d.upperColumn - d.lowerColumn + 1;
  std::vector<int32_t> out(size_t(rows * columns), -1);
  count = 0;
  for (int i = 0; i < rows * columns; ++i) {
    if (out[size_t(i)] >= 0) continue;
    const int32_t v = work(d.lowerRow + i / columns, d.lowerColumn + i % columns);
    std::deque<int> open{i};
    out[size_t(i)] = count;
    while (!open.empty()) {
      const int p = open.front();
      open.pop_front();
      const int r = p / columns, c = p % columns;
      const int next[4][2] = {{r - 1, c}, {r + 1, c}, {r, c - 1}, {r, c + 1}};
      for (const auto& n : next) {
        if (n[0] < 0 || n[0] >= rows || n[1] < 0 || n[1] >= columns) continue;
        const int q = n[0] * columns + n[1];
        if (out[size_t(q)] < 0 && work(d.lowerRow + n[0], d.lowerColumn + n[1]) == v) {
          out[size_t(q)] = count;
          open.push_back(q);
        }
      }
    }
    ++count;
  }
  return out;
}

TEST(RegionBands, ComponentNumberingMatchesAPlainFloodFill) {
  const Box d{3, -2, 203, 94};
  const LabelArray work = bandedLabels(d);
  int32_t expectedCount = 0;
  const std::vector<int32_t> expected = referenceComponents(work, d, expectedCount);
  const auto numbered = enginetest::expectSameForEveryWorkerCount([&] {
    LabelArray regionMap(blitz::TinyVector<int, 2>(d.lowerRow, d.lowerColumn),
                         blitz::TinyVector<int, 2>(201, 97));
    std::vector<int32_t> all{classification::relabelComponents(work, d, regionMap)};
    all.insert(all.end(), regionMap.begin(), regionMap.end());
    return all;
  });
  EXPECT_EQ(numbered.front(), expectedCount);
  EXPECT_EQ(std::vector<int32_t>(numbered.begin() + 1, numbered.end()), expected);
}

// The majority vote against a plain walk of the whole map with one map of (region, label)
// counts: many labels per region, -1 among them, ties, and regions outside the table.
TEST(RegionBands, MajorityTableMatchesAPlainWalk) {
  const Box d{3, -2, 203, 94};
  LabelArray inner = bandedLabels(d);
  LabelArray regionMap(blitz::TinyVector<int, 2>(d.lowerRow, d.lowerColumn),
                       blitz::TinyVector<int, 2>(201, 97));
  const int32_t count = classification::cleanUpRegionLabels(inner, d, 70, regionMap);
  LabelArray finals(regionMap.lbound(), regionMap.extent());
  for (int r = d.lowerRow; r <= d.upperRow; ++r)
    for (int c = d.lowerColumn; c <= d.upperColumn; ++c)
      finals(r, c) = (r * 7 + c * 13 + (r * c) % 5) % 37 - 1;
  const int32_t tableSize = count - 3;  // the last regions' pixels are not counted
  std::map<std::pair<int32_t, int32_t>, int64_t> counts;
  std::vector<int64_t> best(size_t(tableSize), 0);
  std::vector<int32_t> expected(size_t(tableSize), 0);
  for (int r = d.lowerRow; r <= d.upperRow; ++r) {
    for (int c = d.lowerColumn; c <= d.upperColumn; ++c) {
      const int32_t region = regionMap(r, c);
      if (region < 0 || region >= tableSize) continue;
      const int64_t n = ++counts[{region, finals(r, c)}];
      if (n > best[size_t(region)])
        best[size_t(region)] = n, expected[size_t(region)] = finals(r, c);
    }
  }
  const auto table = enginetest::expectSameForEveryWorkerCount([&] {
    std::vector<int32_t> out;
    classification::majorityPartitionTable(out, tableSize, regionMap, finals, ProgressRange());
    return out;
  });
  EXPECT_EQ(table, expected);
  EXPECT_GT(tableSize, 20);
}

// Clean-up, remap and boundary tracing: counts, regions, labels and chains, one after another.
TEST(RegionBands, CleanUpRemapAndTracingDoNotDependOnTheWorkerCount) {
  const Box d{3, -2, 203, 94};
  const auto all = enginetest::expectSameForEveryWorkerCount([&] {
    LabelArray inner = bandedLabels(d);
    LabelArray regionMap(blitz::TinyVector<int, 2>(d.lowerRow, d.lowerColumn),
                         blitz::TinyVector<int, 2>(201, 97));
    const int32_t count = classification::cleanUpRegionLabels(inner, d, 70, regionMap);
    LabelArray finals(regionMap.lbound(), regionMap.extent());
    for (int r = d.lowerRow; r <= d.upperRow; ++r)
      for (int c = d.lowerColumn; c <= d.upperColumn; ++c) finals(r, c) = (r * 3 + c) % 5;
    std::vector<int32_t> table;
    classification::majorityPartitionTable(table, count, regionMap, finals, ProgressRange());
    classification::remapByRegion(table, regionMap, finals, ProgressRange());
    std::vector<classification::EdgeChain> chains;
    classification::traceRegionBoundaries(chains, inner, d);
    std::vector<int32_t> flat{count, int32_t(chains.size())};
    flat.insert(flat.end(), regionMap.begin(), regionMap.end());
    flat.insert(flat.end(), finals.begin(), finals.end());
    for (const auto& chain : chains) {
      flat.insert(flat.end(), {chain.labelA, chain.labelB, int32_t(chain.points.size())});
      for (const auto& p : chain.points) flat.insert(flat.end(), {p[0], p[1]});
    }
    return flat;
  });
  EXPECT_GT(all[0], 20);
  EXPECT_GT(all[1], 20);
}

}  // namespace
