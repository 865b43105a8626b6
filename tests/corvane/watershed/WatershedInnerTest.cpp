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

TEST(BoundaryEdgeHeap, PopsEqualKeysInTheOrderOfTheStandardHeaps) {
  // Which of two edges of equal key pops first decides whose label a pixel takes, so the
  // bucket heaps must keep the standard heaps' order exactly: long random runs of pushes and
  // pops with few distinct keys, against std::push_heap and std::pop_heap, one heap per
  // priority as before.
  struct Reference {
    BoundaryEdge edge;
    bool operator<(const Reference& o) const {  // the standard heaps' "above" order
      return std::make_pair(edge.plateau, edge.steps) >
             std::make_pair(o.edge.plateau, o.edge.steps);
    }
  };
  std::mt19937 rng(11);
  for (int run = 0; run < 20; ++run) {
    corvane::BoundaryEdgeHeap heap;
    std::vector<Reference> reference[3];
    int32_t next = 0;
    for (int op = 0; op < 20000; ++op) {
      if (heap.empty() || rng() % 5 < 3) {
        const BoundaryEdge edge{next, next + 1, int32_t(rng() % 3), int32_t(rng() % 3),
                                int32_t(rng() % (run % 4 + 2))};
        ++next;
        heap.push(edge);
        std::vector<Reference>& bucket = reference[edge.priority];
        bucket.push_back(Reference{edge});
        std::push_heap(bucket.begin(), bucket.end());
        continue;
      }
      int32_t top = 2;
      while (reference[top].empty()) --top;
      std::vector<Reference>& bucket = reference[top];
      std::pop_heap(bucket.begin(), bucket.end());
      const BoundaryEdge want = bucket.back().edge;
      bucket.pop_back();
      const BoundaryEdge got = heap.pop();
      ASSERT_EQ(std::make_pair(got.source, got.priority), std::make_pair(want.source, top))
          << run << " " << op;
      ASSERT_EQ(std::make_pair(got.plateau, got.steps), std::make_pair(want.plateau, want.steps));
    }
  }
}

}  // namespace
