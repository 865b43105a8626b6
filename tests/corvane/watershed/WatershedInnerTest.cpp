#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "util/CvExCancel.h"
#include "watershed/Watershed.h"

using corvane::BoundaryEdge;
using corvane::BoundaryList;
using corvane::BoundaryPair;
using corvane::WatershedInnerState;
using corvane::WatershedLabels;

namespace {

typedef WatershedInnerState::Pixel Pixel;

const char kInnerText[] =
    "corvane/include/watershed/Watershed: 1229:\n(before [Watershed inner]): ";

// A flood over heights given row by row; the ring is pre-labelled 0 (region 0) when asked.
struct Flood {
  blitz::Array<Pixel, 2> pixels;
  blitz::Array<int32_t, 2> labels;
  WatershedLabels store;

  Flood(const std::vector<std::vector<int>>& heights, bool labelRing)
      : pixels(int(heights.size()), int(heights[0].size())),
        labels(int(heights.size()), int(heights[0].size())),
        store(labels) {
    for (int r = 0; r < pixels.extent(0); ++r)
      for (int c = 0; c < pixels.extent(1); ++c) pixels(r, c) = Pixel(7, uint8_t(heights[r][c]), 3);
    labels = -1;
    if (labelRing) {
      store.addRegion();
      labels(0, blitz::Range::all()) = 0;
      labels(labels.ubound(0), blitz::Range::all()) = 0;
      labels(blitz::Range::all(), 0) = 0;
      labels(blitz::Range::all(), labels.ubound(1)) = 0;
    }
  }
  std::vector<int> row(int r) const {
    std::vector<int> out;
    for (int c = 0; c < labels.extent(1); ++c) out.push_back(labels(r, c));
    return out;
  }
};

typedef std::vector<std::pair<int, int>> Pairs;  // (row*100 + column) of source and target

Pairs pairs(const WatershedInnerState& state, const BoundaryList& list) {
  Pairs out;
  for (const BoundaryPair& p : list)
    out.emplace_back(state.rowOf(p.source) * 100 + state.columnOf(p.source),
                     state.rowOf(p.target) * 100 + state.columnOf(p.target));
  return out;
}

TEST(WatershedInner, SeedsFloodDownAndRecordWhereRegionsMeet) {
  Flood f({{0, 0, 0, 0, 0, 0}, {0, 9, 2, 1, 8, 0}, {0, 0, 0, 0, 0, 0}}, true);
  WatershedInnerState state(f.pixels, f.store, 0);
  corvane::watershedInner(state, ProgressRange());

  EXPECT_EQ(f.row(1), (std::vector<int>{0, 1, 1, 2, 2, 0}));
  ASSERT_EQ(f.store.regions().size(), 3u);
  EXPECT_TRUE(f.store.regions()[0].empty());  // the ring is never expanded
  // Region 1 meets region 2 first at the highest priority, then the ring at priority 0.
  const Pairs one = pairs(state, f.store.regions()[1]);
  ASSERT_EQ(one.size(), 6u);
  EXPECT_EQ(one[0], std::make_pair(102, 103));
  const Pairs two = pairs(state, f.store.regions()[2]);
  ASSERT_EQ(two.size(), 6u);
  EXPECT_EQ(two[0], std::make_pair(103, 102));
  for (size_t i = 1; i < 6; ++i) {
    EXPECT_EQ(f.labels(one[i].second / 100, one[i].second % 100), 0);
    EXPECT_EQ(f.labels(two[i].second / 100, two[i].second % 100), 0);
  }
  EXPECT_TRUE(state.heap.empty());
}

TEST(WatershedInner, EqualSeedReachedByAFrontIsSkipped) {
  Flood f({{0, 0, 0, 0}, {0, 5, 5, 0}, {0, 0, 0, 0}}, true);
  WatershedInnerState state(f.pixels, f.store, 0);
  corvane::watershedInner(state, ProgressRange());
  EXPECT_EQ(f.row(1), (std::vector<int>{0, 1, 1, 0}));
  EXPECT_EQ(f.store.regions().size(), 2u);
}

TEST(WatershedInner, ValueOffsetLetsFrontsClimb) {
  for (int32_t offset : {10, std::numeric_limits<int32_t>::max()}) {
    Flood f({{0, 0, 0, 0, 0, 0}, {0, 9, 2, 1, 8, 0}, {0, 0, 0, 0, 0, 0}}, true);
    WatershedInnerState state(f.pixels, f.store, offset);
    corvane::watershedInner(state, ProgressRange());
    EXPECT_EQ(f.row(1), (std::vector<int>{0, 1, 1, 1, 1, 0})) << offset;
    EXPECT_EQ(f.store.regions().size(), 2u);
  }
}

TEST(WatershedInner, AllPixelsLabelledDoesNoFlooding) {
  Flood f({{1, 2, 3}, {4, 5, 6}}, false);
  f.labels = 4;
  WatershedInnerState state(f.pixels, f.store, 0);
  corvane::watershedInner(state, ProgressRange());
  EXPECT_TRUE(blitz::all(f.labels == 4));
  EXPECT_TRUE(f.store.regions().empty());
}

TEST(WatershedInner, UnlabelledBorderStaysInsideTheArrays) {
  Flood f({{1, 5, 2, 3, 7}}, false);
  WatershedInnerState state(f.pixels, f.store, 0);
  corvane::watershedInner(state, ProgressRange());
  EXPECT_EQ(f.row(0), (std::vector<int>{1, 1, 1, 0, 0}));
  ASSERT_EQ(f.store.regions().size(), 2u);
  EXPECT_EQ(pairs(state, f.store.regions()[0]), (Pairs{{3, 2}}));
  EXPECT_EQ(pairs(state, f.store.regions()[1]), (Pairs{{2, 3}}));

  Flood single({{9}}, false);
  WatershedInnerState one(single.pixels, single.store, 0);
  corvane::watershedInner(one, ProgressRange());
  EXPECT_EQ(single.labels(0, 0), 0);
}

TEST(WatershedInner, PushOffersOnlyNeighboursInsideWithOtherLabels) {
  Flood f({{4, 6, 1}, {3, 8, 2}, {5, 5, 5}}, false);
  f.labels(1, 1) = 2;
  f.labels(0, 1) = 2;
  WatershedInnerState state(f.pixels, f.store, 1);
  corvane::pushBoundaryEdges(state, state.position(1, 1), 6, 3, 10);
  // Up has the same label; down (5+1 >= 6) stays on the plateau, left and right drop below.
  std::vector<std::vector<int>> edges;
  while (!state.heap.empty()) {
    const BoundaryEdge e = state.heap.pop();
    edges.push_back({state.rowOf(e.target) * 10 + state.columnOf(e.target), e.priority, e.plateau,
                     e.steps, e.source == state.position(1, 1)});
  }
  std::sort(edges.begin(), edges.end());
  EXPECT_EQ(edges, (std::vector<std::vector<int>>{
                       {10, 4, 0, 11, 1}, {12, 3, 0, 11, 1}, {21, 6, 4, 11, 1}}));

  state.heap.clear();
  f.labels(2, 2) = 3;
  corvane::pushBoundaryEdges(state, state.position(2, 2), 9, 0, 0);  // corner: two neighbours
  EXPECT_EQ(state.heap.size(), 2u);
}

TEST(BoundaryEdgeHeap, PopsHighestPriorityThenShortestPlateauThenFewestSteps) {
  std::mt19937 random(7);
  std::vector<BoundaryEdge> edges;
  corvane::BoundaryEdgeHeap heap;
  for (int i = 0; i < 3000; ++i) {
    // Mostly byte priorities, some below 0 and above 255 as callers may produce them.
    const int32_t priority = int32_t(random() % 300) - 20;
    BoundaryEdge e{i, -i, priority, int32_t(random() % 5), int32_t(random() % 7) - 1};
    edges.push_back(e);
    heap.push(e);
    if (i % 3 == 0) {  // interleave pops with pushes
      std::sort(edges.begin(), edges.end(), corvane::BoundaryEdgeBelow());
      const BoundaryEdge top = heap.pop();
      EXPECT_EQ(top.priority, edges.back().priority);
      EXPECT_EQ(top.plateau, edges.back().plateau);
      EXPECT_EQ(top.steps, edges.back().steps);
      EXPECT_EQ(top.target, -top.source);
      auto same = std::find_if(edges.begin(), edges.end(),
                               [&](const BoundaryEdge& x) { return x.source == top.source; });
      ASSERT_NE(same, edges.end());
      edges.erase(same);
    }
    ASSERT_EQ(heap.size(), edges.size());
    if (!edges.empty()) {
      EXPECT_EQ(
          heap.topPriority(),
          std::max_element(edges.begin(), edges.end(), corvane::BoundaryEdgeBelow())->priority);
    }
  }
  heap.clear();
  EXPECT_TRUE(heap.empty());
}

TEST(WatershedInner, ParentCoordinatesAndForeignLayouts) {
  // Heights in a larger image, labels in a view with gaps between rows, both indexed in the
  // parent's coordinates (rows 10.., columns 20..).
  const std::vector<std::vector<int>> h = {
      {0, 0, 0, 0, 0}, {0, 9, 2, 8, 0}, {0, 3, 1, 7, 0}, {0, 0, 0, 0, 0}};
  blitz::Array<Pixel, 2> image(blitz::Range(5, 20), blitz::Range(15, 30));
  image = Pixel(0, 0, 0);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 5; ++c) image(10 + r, 20 + c) = Pixel(1, uint8_t(h[r][c]), 1);
  blitz::Array<int32_t, 2> wide(blitz::Range(9, 14), blitz::Range(19, 30));
  wide = 99;
  blitz::TinyVector<int, 2> low(10, 20), high(13, 24);
  blitz::Array<Pixel, 2> pixels = image(blitz::RectDomain<2>(low, high));
  pixels.reindexSelf(low);
  blitz::Array<int32_t, 2> labels = wide(blitz::RectDomain<2>(low, high));
  labels.reindexSelf(low);
  labels = 0;
  labels(blitz::Range(11, 12), blitz::Range(21, 23)) = -1;

  WatershedLabels store(labels);
  store.addRegion();
  WatershedInnerState state(pixels, store, 0);
  EXPECT_EQ(state.rowOf(state.position(12, 23)), 12);
  EXPECT_EQ(state.columnOf(state.position(12, 23)), 23);
  corvane::watershedInner(state, ProgressRange());

  Flood compact(h, true);
  WatershedInnerState reference(compact.pixels, compact.store, 0);
  corvane::watershedInner(reference, ProgressRange());
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 5; ++c) EXPECT_EQ(labels(10 + r, 20 + c), compact.labels(r, c));
  // Nothing outside the view was written.
  EXPECT_EQ(wide(9, 19), 99);
  EXPECT_EQ(wide(14, 25), 99);
  for (size_t k = 0; k < store.regions().size(); ++k) {
    Pairs got = pairs(state, store.regions()[k]);
    Pairs want = pairs(reference, compact.store.regions()[k]);
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].first, want[i].first + 1020);
      EXPECT_EQ(got[i].second, want[i].second + 1020);
    }
  }
}

TEST(WatershedInner, MismatchedArraysAreRefused) {
  blitz::Array<Pixel, 2> pixels(3, 4);
  blitz::Array<int32_t, 2> labels(3, 5);
  WatershedLabels store(labels);
  EXPECT_THROW(WatershedInnerState(pixels, store, 0), const char*);
}

struct Recorder : kestrum::utility::IiUI {
  std::vector<std::pair<float, std::string>> calls;
  bool cancelAtCheckpoint = false;
  void progress(float f, const std::string& label) override {
    calls.emplace_back(f, label);
    if (cancelAtCheckpoint && label == kInnerText) throw CvExCancel();
  }
};

Flood noisy(int rows, int columns, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::vector<int>> h(rows, std::vector<int>(columns));
  for (auto& row : h)
    for (int& v : row) v = int(random() % 256);
  return Flood(h, true);
}

TEST(WatershedInner, LargeFloodLabelsEverythingAndReportsCheckpoints) {
  Flood f = noisy(180, 200, 3);
  WatershedInnerState state(f.pixels, f.store, 2);
  Recorder r;
  corvane::watershedInner(state, ProgressRange(&r, 0.2f, 0.6f, 0.5f));

  EXPECT_TRUE(blitz::all(f.labels >= 0));
  const std::vector<BoundaryList>& regions = f.store.regions();
  for (size_t k = 0; k < regions.size(); ++k)
    for (const BoundaryPair& p : regions[k]) {
      ASSERT_EQ(state.label(p.source), int32_t(k));
      ASSERT_NE(state.label(p.target), int32_t(k));
      const int dr = std::abs(state.rowOf(p.source) - state.rowOf(p.target));
      const int dc = std::abs(state.columnOf(p.source) - state.columnOf(p.target));
      ASSERT_EQ(dr + dc, 1);
    }

  ASSERT_GE(r.calls.size(), 2u);
  float last = 0.0f;
  for (const auto& call : r.calls) {
    EXPECT_EQ(call.second, kInnerText);
    EXPECT_GE(call.first, 0.4f);   // narrowed: from the current fraction ...
    EXPECT_LE(call.first, 0.58f);  // ... to 0.05 of the start plus 0.95 of the end
    EXPECT_GE(call.first, last);
    last = call.first;
  }
}

TEST(WatershedInner, CancelAtACheckpointLeavesLabelsPartial) {
  Flood f = noisy(180, 200, 5);
  WatershedInnerState state(f.pixels, f.store, 0);
  Recorder r;
  r.cancelAtCheckpoint = true;
  EXPECT_THROW(corvane::watershedInner(state, ProgressRange(&r, 0.0f, 1.0f)), CvExCancel);
  ASSERT_EQ(r.calls.size(), 1u);
  EXPECT_TRUE(blitz::any(f.labels == -1));
}

}  // namespace
