#include "mask/MaskPreparation.h"

#include <gtest/gtest.h>

#include <blitz/array.h>

#include <map>
#include <queue>
#include <random>
#include <utility>
#include <vector>

#include "classification/AutoFill.h"
#include "classification/IiClassification.h"
#include "util/ProcessorCount.h"

namespace corvane {
namespace mask {
namespace {

using ::classification::IiClassification;
using Bytes = blitz::Array<uint8_t, 2>;

IiClassification::Image image(int rows, int columns) {
  IiClassification::Image im(rows, columns);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      im(r, c) = IiClassification::Colour{{uint8_t(c * 10), uint8_t(r), 7, 255}};
  return im;
}

Bytes radii(int rows, int columns, uint8_t value) {
  Bytes map(rows, columns);
  map = value;
  return map;
}

TEST(AutoFill, FillsTheOppositeClassAndLaysABandAlongTheBorder) {
  IiClassification state(nullptr, true, image(5, 12));
  Bytes status(5, 12);
  status = 1;
  status(blitz::Range::all(), blitz::Range(0, 3)) = 2;
  status(0, 11) = 1 | 16;  // protected: never filled
  UndoStack& undo = state.undoStack();

  // Radius 0: every open pixel becomes class 4 and nothing blends.
  Bytes plain = status.copy();
  ::classification::autoFill(state, plain, nullptr, 2, 0.0f, Bytes(), &undo, ProgressRange());
  EXPECT_EQ(plain(2, 4), 4);
  EXPECT_EQ(plain(2, 3), 2);
  EXPECT_EQ(plain(0, 11), 1 | 16);
  EXPECT_EQ(undo.undoCount(), 1u);
  state.undo();
  EXPECT_TRUE(blitz::all(plain == status));

  // Map value 4, factor 1: ρ = 2.49, a disc of radius 2.49 around the seeds on both sides.
  Bytes banded = status.copy();
  ::classification::autoFill(state, banded, nullptr, 2, 1.0f, radii(5, 12, 4), &undo,
                             ProgressRange());
  EXPECT_EQ(banded(2, 1), 8);
  EXPECT_EQ(banded(2, 0), 2);  // 3 from the nearest seed column
  EXPECT_EQ(banded(2, 6), 8);
  EXPECT_EQ(banded(2, 7), 4);
  // A seed whose disc box holds a protected pixel lays nothing; the others still do.
  Bytes guarded = status.copy();
  guarded(4, 4) = 1 | 32;
  ::classification::autoFill(state, guarded, nullptr, 2, 1.0f, radii(5, 12, 4), &undo,
                             ProgressRange());
  EXPECT_EQ(guarded(0, 5), 8);
  EXPECT_EQ(guarded(4, 5), 4);

  // No side to fill from: nothing, no step.
  Bytes other(3, 3);
  other = 1;
  const uint32_t steps = undo.undoCount();
  ::classification::autoFill(state, other, nullptr, 8, 1.0f, Bytes(), &undo, ProgressRange());
  EXPECT_EQ(undo.undoCount(), steps);
  EXPECT_EQ(other(0, 0), 1);
}

// The distances as plainly stated: buckets kept by their distance in an ordered map, steps
// taken from a heap in order of the distance they create.
blitz::Array<ClassDistances, 2> referenceDistances(const Bytes& status) {
  const float o = 0.9619349f, g = 1.3604507f;
  const int rows = status.extent(0), columns = status.extent(1);
  blitz::Array<ClassDistances, 2> grid(rows, columns);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c) {
      const float v = (status(r, c) & 6) ? 0.0f : kNoClassDistance;
      grid(r, c) = ClassDistances(v, v);
    }
  const int straight[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
  const int diagonal[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
  for (int k = 0; k < 2; ++k) {
    const uint8_t bit = k == 0 ? 2 : 4;
    std::map<float, std::vector<std::pair<int, int>>> buckets;
    buckets[o];
    buckets[g];
    using Step = std::pair<float, float>;
    const auto later = [](const Step& a, const Step& b) {
      return a.first + a.second > b.first + b.second;
    };
    std::priority_queue<Step, std::vector<Step>, decltype(later)> heap(later);
    for (const Step& s : {Step{o, o}, Step{o, g}, Step{g, o}, Step{g, g}}) heap.push(s);
    const auto inside = [&](int r, int c) { return r >= 0 && r < rows && c >= 0 && c < columns; };
    for (int r = 0; r < rows; ++r)
      for (int c = 0; c < columns; ++c) {
        if (grid(r, c)[k] != kNoClassDistance) continue;
        for (int pass = 0; pass < 2; ++pass) {
          bool found = false;
          for (const auto& d : pass == 0 ? straight : diagonal)
            if (inside(r + d[0], c + d[1]) && (status(r + d[0], c + d[1]) & bit)) {
              grid(r, c)[k] = pass == 0 ? o : g;
              buckets[pass == 0 ? o : g].push_back({r, c});
              found = true;
              break;
            }
          if (found) break;
        }
      }
    while (!heap.empty()) {
      const Step top = heap.top();
      heap.pop();
      const auto from = buckets.find(top.first);
      if (from != buckets.end() && !from->second.empty()) {
        const float next = top.first + top.second;
        if (buckets.emplace(next, std::vector<std::pair<int, int>>()).second) {
          heap.push({next, o});
          heap.push({next, g});
        }
        const auto cells = buckets[top.first];
        for (const auto& p : cells)
          for (const auto& d : top.second == g ? diagonal : straight) {
            const int r = p.first + d[0], c = p.second + d[1];
            if (!inside(r, c) || grid(r, c)[k] != kNoClassDistance) continue;
            grid(r, c)[k] = next;
            buckets[next].push_back({r, c});
          }
      }
      if (top.second == g) buckets.erase(top.first);
    }
  }
  return grid;
}

TEST(GrowStatusRegions, MatchesThePlainBucketOrderOnLargeOddFields) {
  // Wide open areas make long sums whose rounding depends on the order of the steps; a view
  // with its own index base and a row stride wider than its rows.
  std::mt19937 random(5);
  // The largest field has a corner block of class 2 alone, which no pass walks into.
  for (const auto& size :
       {std::pair<int, int>{61, 47}, std::pair<int, int>{9, 203}, std::pair<int, int>{150, 140}}) {
    Bytes parent(size.first + 4, size.second + 6);
    for (int r = 0; r < parent.extent(0); ++r)
      for (int c = 0; c < parent.extent(1); ++c) {
        const unsigned u = random() % 400;
        parent(r, c) = u < 2 ? 2 : u < 4 ? 4 : u < 6 ? 2 | 4 : u < 8 ? 8 : u < 10 ? 17 : 1;
        if (size.first > 100 && r < 70 && c < 70) parent(r, c) = 2;
      }
    const Bytes view = parent(blitz::Range(2, size.first + 1), blitz::Range(3, size.second + 2));
    Bytes shifted = view;
    shifted.reindexSelf(blitz::TinyVector<int, 2>(100, 7));
    const auto expected = referenceDistances(view.copy());
    // The two class passes and the bands may run on workers: the same grid on any count.
    for (const unsigned threads : {1u, 2u, 5u}) {
      setProcessorCountOverride(threads);
      const auto grid = growStatusRegions(shifted, ProgressRange());
      setProcessorCountOverride(0);
      ASSERT_EQ(grid.extent(0), size.first);
      ASSERT_EQ(grid.lbound(0), 100);
      ASSERT_EQ(grid.lbound(1), 7);
      int mismatches = 0;
      for (int r = 0; r < size.first; ++r)
        for (int c = 0; c < size.second; ++c)
          for (int k = 0; k < 2; ++k)
            if (grid(r + 100, c + 7)[k] != expected(r, c)[k]) ++mismatches;
      EXPECT_EQ(mismatches, 0) << threads << " threads";
    }
  }
  Bytes none(2, 2);
  none = 1;
  EXPECT_EQ(growStatusRegions(none, ProgressRange())(1, 1)[1], kNoClassDistance);
}

TEST(PrepareMaskRegions, MarkedCellsTakeTheirNearestClassColour) {
  IiClassification state(nullptr, true, image(3, 8));
  Bytes status(3, 8);
  status = 1;
  status(blitz::Range::all(), blitz::Range(0, 1)) = 2;
  status(blitz::Range::all(), blitz::Range(2, 5)) = 1 | 128;
  status(1, 4) = 1 | 128 | 64;  // held: takes the nearest colour but is not relaxed
  MaskPatch patch;
  patch.membraneValue = 0.0f;  // one relaxation pass
  const auto colours = prepareMaskRegions(state, status, 2, patch);
  EXPECT_EQ(colours(0, 1)[0], 10);
  EXPECT_EQ(colours(1, 4)[0], 10);
  EXPECT_EQ(colours(1, 6)[0], 10);
  // The pending cells start from column 1's colour, relaxed toward their neighbours.
  for (int c = 2; c <= 5; ++c)
    if (c != 4) {
      EXPECT_LE(colours(0, c)[0], 40) << c;
    }
  EXPECT_EQ(colours(0, 2)[2], 7);
}

TEST(AutoFillForMask, FillsOnlyWhenExactlyOneClassIsPresent) {
  IiClassification state(nullptr, true, image(6, 6));
  Bytes status(6, 6);
  status = 1;
  status(0, 0) = 2;
  status(5, 5) = 4;
  UndoStack undo(100);
  const Box extent{0, 0, 5, 5}, region{0, 0, 2, 2}, wide{0, 0, 4, 4};
  // Both classes somewhere, only one in the region: the region is filled.
  MaskFillResult fill =
      autoFillForMask(state, extent, region, status, wide, 0.0f, Bytes(), undo, ProgressRange());
  EXPECT_TRUE(fill.hasStatus2 && fill.hasStatus4);
  EXPECT_EQ(fill.rect, wide);
  EXPECT_EQ(undo.undoCount(), 1u);
  EXPECT_EQ(status(1, 1), 4);
  EXPECT_EQ(status(4, 4), 1);
  // Both present in the region now: nothing more.
  fill = autoFillForMask(state, extent, region, status, wide, 0.0f, Bytes(), undo, ProgressRange());
  EXPECT_EQ(undo.undoCount(), 1u);
  // Whole extent: decided on the whole array, rect stays the extent.
  fill = autoFillForMask(state, extent, extent, status, wide, 0.0f, Bytes(), undo, ProgressRange());
  EXPECT_EQ(fill.rect, extent);
  EXPECT_EQ(undo.undoCount(), 1u);
}

}  // namespace
}  // namespace mask
}  // namespace corvane
