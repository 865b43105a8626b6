#include "mask/MaskPreparation.h"

#include <algorithm>
#include <functional>
#include <map>
#include <queue>
#include <utility>
#include <vector>

#include "classification/AutoFill.h"
#include "mask/ArrayBox.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/SaturatingCast.h"

namespace corvane {
namespace mask {

namespace {

using Bytes = blitz::Array<uint8_t, 2>;

bool anyStatus(const Bytes& status, const Box& box, uint8_t bit) {
  const Box b = intersectBox(box, arrayBox(status));
  if (status.size() == 0 || b.empty()) return false;
  const ptrdiff_t step = status.stride(1);
  for (int32_t r = b.lowerRow; r <= b.upperRow; ++r) {
    const uint8_t* s = &status(r, b.lowerColumn);
    for (int32_t c = b.lowerColumn; c <= b.upperColumn; ++c, s += step)
      if (*s & bit) return true;
  }
  return false;
}

bool exactlyOne(bool a, bool b) {
  return a != b;
}

// The chamfer weights of an orthogonal and of a diagonal step.
constexpr float kOrthogonal = 0.9619349f;
constexpr float kDiagonal = 1.3604507f;

const int kOrthogonalSteps[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
const int kDiagonalSteps[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};

// One class's pass over component `k` of the grid: buckets of cells by the distance they were
// given, expanded in increasing order of the distance they create.
void growClass(blitz::Array<ClassDistances, 2>& grid, const Bytes& status, const Box& box,
               uint8_t classBit, int k) {
  using Bucket = std::vector<IndexPair>;
  std::map<float, Bucket> buckets;
  buckets[kOrthogonal];
  buckets[kDiagonal];
  struct Step {
    float distance;
    float step;
  };
  const auto later = [](const Step& a, const Step& b) {
    return a.distance + a.step > b.distance + b.step;
  };
  std::priority_queue<Step, std::vector<Step>, decltype(later)> heap(later);
  heap.push(Step{kOrthogonal, kOrthogonal});
  heap.push(Step{kOrthogonal, kDiagonal});
  heap.push(Step{kDiagonal, kOrthogonal});
  heap.push(Step{kDiagonal, kDiagonal});

  const auto inside = [&box](int32_t r, int32_t c) {
    return r >= box.lowerRow && r <= box.upperRow && c >= box.lowerColumn && c <= box.upperColumn;
  };

  // Seeds: unreached cells next to a cell of the class.
  Bucket& orthogonalSeeds = buckets[kOrthogonal];
  Bucket& diagonalSeeds = buckets[kDiagonal];
  for (int32_t r = box.lowerRow; r <= box.upperRow; ++r) {
    for (int32_t c = box.lowerColumn; c <= box.upperColumn; ++c) {
      float& d = grid(r, c)[k];
      if (d != kNoClassDistance) continue;
      bool found = false;
      for (const auto& o : kOrthogonalSteps) {
        const int32_t rr = r + o[0], cc = c + o[1];
        if (inside(rr, cc) && (status(rr, cc) & 15 & classBit)) {
          d = kOrthogonal;
          orthogonalSeeds.push_back(IndexPair{r, c});
          found = true;
          break;
        }
      }
      if (found) continue;
      for (const auto& o : kDiagonalSteps) {
        const int32_t rr = r + o[0], cc = c + o[1];
        if (inside(rr, cc) && (status(rr, cc) & 15 & classBit)) {
          d = kDiagonal;
          diagonalSeeds.push_back(IndexPair{r, c});
          break;
        }
      }
    }
  }

  while (!heap.empty()) {
    const Step top = heap.top();
    heap.pop();
    const bool diagonal = top.step == kDiagonal;
    auto found = buckets.find(top.distance);
    if (found != buckets.end() && !found->second.empty()) {
      const float next = top.distance + top.step;
      auto inserted = buckets.emplace(next, Bucket());
      if (inserted.second) {
        heap.push(Step{next, kOrthogonal});
        heap.push(Step{next, kDiagonal});
      }
      // Re-found: the insertion may not move the source bucket, but keep no stale iterator
      // across it anyway.
      const Bucket& from = buckets.find(top.distance)->second;
      Bucket& to = inserted.first->second;
      const auto& steps = diagonal ? kDiagonalSteps : kOrthogonalSteps;
      for (const IndexPair& p : from) {
        for (const auto& o : steps) {
          const int32_t rr = p.first + o[0], cc = p.second + o[1];
          if (!inside(rr, cc)) continue;
          float& d = grid(rr, cc)[k];
          if (d != kNoClassDistance) continue;
          d = next;
          to.push_back(IndexPair{rr, cc});
        }
      }
    }
    if (diagonal) buckets.erase(top.distance);
  }
}

}  // namespace

MaskFillResult autoFillForMask(::classification::IiClassification& state, const Box& extent,
                               const Box& region, Bytes& status, const Box& wideRegion,
                               float fillRadius, const Bytes& radiusMap, UndoStack& undo,
                               ProgressRange progress) {
  MaskFillResult fill;
  fill.rect = extent;
  Bytes view;
  const Box regionInside = intersectBox(region, arrayBox(status));
  if (!regionInside.empty())
    view.reference(subView(status, regionInside.lowerRow, regionInside.lowerColumn,
                           regionInside.upperRow, regionInside.upperColumn));
  const Box viewBox = regionInside;

  const auto fillWith = [&](Bytes& target) {
    undo.commit();
    ::classification::autoFill(state, target, nullptr, fill.hasStatus2 ? 2 : 4, fillRadius,
                               radiusMap, &undo, progress.subRange(0.2f));
  };
  const auto recomputeOnView = [&] {
    fill.hasStatus2 = anyStatus(view, viewBox, 2);
    fill.hasStatus4 = anyStatus(view, viewBox, 4);
    if (fill.hasStatus2 && fill.hasStatus4) fill.rect = wideRegion;
  };

  const bool partial = region != extent;
  if (partial) recomputeOnView();
  if (!(fill.hasStatus2 && fill.hasStatus4)) {
    if (view.size() != 0 && anyStatus(view, viewBox, 1) &&
        exactlyOne(fill.hasStatus2, fill.hasStatus4)) {
      fillWith(view);
      recomputeOnView();
    }
  }
  if (fill.hasStatus2 && fill.hasStatus4) return fill;

  const Box whole = arrayBox(status);
  if (!fill.hasStatus2) fill.hasStatus2 = anyStatus(status, whole, 2);
  if (!fill.hasStatus4) fill.hasStatus4 = anyStatus(status, whole, 4);
  if (anyStatus(status, whole, 1) && exactlyOne(fill.hasStatus2, fill.hasStatus4)) {
    fillWith(status);
    recomputeOnView();
    if (fill.hasStatus2 && fill.hasStatus4) return fill;
  }
  if (partial) {
    if (!fill.hasStatus2) fill.hasStatus2 = anyStatus(status, whole, 2);
    if (!fill.hasStatus4) fill.hasStatus4 = anyStatus(status, whole, 4);
  }
  return fill;
}

blitz::Array<ClassDistances, 2> growStatusRegions(const Bytes& status, ProgressRange /*progress*/) {
  const Box box = arrayBox(status);
  blitz::Array<ClassDistances, 2> grid;
  if (status.size() == 0 || box.empty()) return grid;
  grid.resize(blitz::Range(box.lowerRow, box.upperRow),
              blitz::Range(box.lowerColumn, box.upperColumn));
  for (int32_t r = box.lowerRow; r <= box.upperRow; ++r) {
    const uint8_t* s = &status(r, box.lowerColumn);
    ClassDistances* g = &grid(r, box.lowerColumn);
    const ptrdiff_t step = status.stride(1);
    for (int32_t c = box.lowerColumn; c <= box.upperColumn; ++c, s += step, ++g) {
      const float v = (*s & 6) ? 0.0f : kNoClassDistance;
      (*g)[0] = v;
      (*g)[1] = v;
    }
  }
  growClass(grid, status, box, 2, 0);
  growClass(grid, status, box, 4, 1);
  return grid;
}

blitz::Array<ByteColour3, 2> prepareMaskRegions(const ::classification::IiClassification& state,
                                                const Bytes& status, uint8_t classValue,
                                                const MaskPatch& patch) {
  const Box region = arrayBox(status);
  blitz::Array<ByteColour3, 2> colours;
  if (status.size() == 0 || region.empty()) return colours;
  Box working = region;
  expandDomain(working, 2);
  const blitz::Range rows(working.lowerRow, working.upperRow);
  const blitz::Range columns(working.lowerColumn, working.upperColumn);

  // Labels: 1 a cell of the class (its colour is known), 0 a cell of this pass, 2 the rest
  // (the two-cell frame included).
  Bytes labels(rows, columns);
  labels = 2;
  constexpr int32_t kFar = 0x3FFFFFFF;
  blitz::Array<int32_t, 2> distance(rows, columns);
  distance = kFar;
  colours.resize(blitz::Range(region.lowerRow, region.upperRow),
                 blitz::Range(region.lowerColumn, region.upperColumn));
  colours = ByteColour3(0, 0, 0);
  const ::classification::IiClassification::Image& image = state.image();
  const Box imageBox = arrayBox(image);
  for (int32_t r = region.lowerRow; r <= region.upperRow; ++r) {
    for (int32_t c = region.lowerColumn; c <= region.upperColumn; ++c) {
      const uint8_t s = status(r, c);
      uint8_t label = 2;
      if (s & classValue) {
        label = 1;
        distance(r, c) = 0;
      } else if ((s & 0xC0) == 128) {
        label = 0;
      }
      labels(r, c) = label;
      if (r >= imageBox.lowerRow && r <= imageBox.upperRow && c >= imageBox.lowerColumn &&
          c <= imageBox.upperColumn) {
        const auto& p = image(r, c);
        colours(r, c) = ByteColour3(p[0], p[1], p[2]);
      }
    }
  }

  // Two raster passes of the 5×5 chamfer; a cell takes the colour of the neighbour through
  // which it got its distance. Cells outside the region stay far, so no colour comes from
  // outside the map.
  struct Neighbour {
    int dr, dc;
    int32_t weight;
  };
  static const Neighbour forward[8] = {{0, -1, 34}, {-1, -2, 76}, {-1, -1, 48}, {-1, 0, 34},
                                       {-1, 1, 48}, {-1, 2, 76},  {-2, -1, 76}, {-2, 1, 76}};
  static const Neighbour backward[8] = {{0, 1, 34},  {1, 2, 76},  {1, 1, 48}, {1, 0, 34},
                                        {1, -1, 48}, {1, -2, 76}, {2, 1, 76}, {2, -1, 76}};
  const auto relax = [&](int32_t r, int32_t c, const Neighbour(&steps)[8]) {
    int32_t& d = distance(r, c);
    for (const Neighbour& n : steps) {
      const int32_t candidate = distance(r + n.dr, c + n.dc) + n.weight;
      if (candidate < d) {
        d = candidate;
        colours(r, c) = colours(r + n.dr, c + n.dc);
      }
    }
  };
  for (int32_t r = region.lowerRow; r <= region.upperRow; ++r)
    for (int32_t c = region.lowerColumn; c <= region.upperColumn; ++c) relax(r, c, forward);
  for (int32_t r = region.upperRow; r >= region.lowerRow; --r)
    for (int32_t c = region.upperColumn; c >= region.lowerColumn; --c) relax(r, c, backward);

  // 1 + trunc(99 v): 1 to 100 passes for membrane values 0..1; values beyond that range
  // are held to it rather than running for ever.
  const int32_t passes = static_cast<int32_t>(std::min<int64_t>(
      100,
      std::max<int64_t>(0, 1 - int64_t(saturatingCast<int32_t>(patch.membraneValue * -99.0f)))));
  ::classification::IiClassification::relaxColours(labels, region, colours, passes);
  return colours;
}

}  // namespace mask
}  // namespace corvane
