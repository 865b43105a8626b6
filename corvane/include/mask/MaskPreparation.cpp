#include "mask/MaskPreparation.h"

#include <algorithm>
#include <cstring>
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

// Whether some byte of an 8-byte word is zero.
inline bool hasZeroByte(uint64_t w) {
  return ((w - 0x0101010101010101ull) & ~w & 0x8080808080808080ull) != 0;
}

// One class's pass over component `k` of the grid: buckets of cells by the distance they were
// given, expanded in increasing order of the distance they create.
//
// The distances are float sums taken along the order of expansion, so sums of the same steps
// in another order may differ in the last bit and form buckets of their own. Expansions
// come off the heap in order of the distance they create, and every expansion pushes only
// larger ones, so all expansions creating one distance come off one after another: the
// bucket they fill is the one made last, and no lookup by distance is needed. A bucket's
// cells are final before its first expansion, and it is released after its second.
void growClass(blitz::Array<ClassDistances, 2>& grid, const Bytes& status, const Box& box,
               uint8_t classBit, int k) {
  const int32_t rows = box.upperRow - box.lowerRow + 1;
  const int32_t columns = box.upperColumn - box.lowerColumn + 1;
  ClassDistances* const cells = &grid(box.lowerRow, box.lowerColumn);
  const ptrdiff_t gRow = grid.stride(0), gCol = grid.stride(1);
  const uint8_t* const statuses = &status(box.lowerRow, box.lowerColumn);
  const ptrdiff_t sRow = status.stride(0), sCol = status.stride(1);
  // Positions below are counted from the box's lower corner.
  const auto distanceAt = [&](int32_t r, int32_t c) -> float& {
    return cells[r * gRow + c * gCol][k];
  };
  const auto inClass = [&](int32_t r, int32_t c) {
    return (statuses[r * sRow + c * sCol] & 15 & classBit) != 0;
  };
  const auto inside = [rows, columns](int32_t r, int32_t c) {
    return r >= 0 && r < rows && c >= 0 && c < columns;
  };

  struct Bucket {
    float distance;
    std::vector<IndexPair> cells;
  };
  std::vector<Bucket> buckets;
  std::vector<int32_t> released;
  const auto makeBucket = [&](float distance) {
    int32_t id;
    if (!released.empty()) {
      id = released.back();
      released.pop_back();
    } else {
      id = static_cast<int32_t>(buckets.size());
      buckets.emplace_back();
    }
    buckets[size_t(id)].distance = distance;
    return id;
  };
  struct Step {
    float distance;
    float step;
    int32_t bucket;
  };
  const auto later = [](const Step& a, const Step& b) {
    return a.distance + a.step > b.distance + b.step;
  };
  std::priority_queue<Step, std::vector<Step>, decltype(later)> heap(later);
  const int32_t orthogonalSeeds = makeBucket(kOrthogonal);
  const int32_t diagonalSeeds = makeBucket(kDiagonal);
  heap.push(Step{kOrthogonal, kOrthogonal, orthogonalSeeds});
  heap.push(Step{kOrthogonal, kDiagonal, orthogonalSeeds});
  heap.push(Step{kDiagonal, kOrthogonal, diagonalSeeds});
  heap.push(Step{kDiagonal, kDiagonal, diagonalSeeds});

  // Seeds: unreached cells next to a cell of the class. Cells of either class hold 0, so
  // only cells without bits 2 and 4 can be unreached; whole words of class cells are passed
  // over by their statuses.
  constexpr uint64_t classBits = 0x0606060606060606ull;
  for (int32_t r = 0; r < rows; ++r) {
    const uint8_t* const statusRow = statuses + r * sRow;
    int32_t c = 0;
    while (c < columns) {
      if (sCol == 1 && c + 8 <= columns) {
        uint64_t w;
        std::memcpy(&w, statusRow + c, 8);
        if (!hasZeroByte(w & classBits)) {
          c += 8;
          continue;
        }
      }
      float& d = distanceAt(r, c);
      if (d == kNoClassDistance) {
        bool found = false;
        for (const auto& o : kOrthogonalSteps) {
          const int32_t rr = r + o[0], cc = c + o[1];
          if (inside(rr, cc) && inClass(rr, cc)) {
            d = kOrthogonal;
            buckets[size_t(orthogonalSeeds)].cells.push_back(IndexPair{r, c});
            found = true;
            break;
          }
        }
        if (!found) {
          for (const auto& o : kDiagonalSteps) {
            const int32_t rr = r + o[0], cc = c + o[1];
            if (inside(rr, cc) && inClass(rr, cc)) {
              d = kDiagonal;
              buckets[size_t(diagonalSeeds)].cells.push_back(IndexPair{r, c});
              break;
            }
          }
        }
      }
      ++c;
    }
  }

  // The cells of a bucket lie scattered along the class's front, so their neighbourhoods
  // are fetched a few cells ahead.
  constexpr size_t kLookAhead = 8;
  const auto prefetchAround = [&](const IndexPair& p) {
#if defined(__GNUC__)
    __builtin_prefetch(&distanceAt(std::max(p.first - 1, 0), p.second), 1);
    __builtin_prefetch(&distanceAt(p.first, p.second), 1);
    __builtin_prefetch(&distanceAt(std::min(p.first + 1, rows - 1), p.second), 1);
#else
    (void)p;
#endif
  };
  int32_t lastMade = -1;
  float lastDistance = 0.0f;
  while (!heap.empty()) {
    const Step top = heap.top();
    heap.pop();
    const bool diagonal = top.step == kDiagonal;
    if (!buckets[size_t(top.bucket)].cells.empty()) {
      const float next = top.distance + top.step;
      if (lastMade < 0 || next != lastDistance) {
        lastMade = makeBucket(next);
        lastDistance = next;
        heap.push(Step{next, kOrthogonal, lastMade});
        heap.push(Step{next, kDiagonal, lastMade});
      }
      const std::vector<IndexPair>& from = buckets[size_t(top.bucket)].cells;
      std::vector<IndexPair>& to = buckets[size_t(lastMade)].cells;
      const auto& steps = diagonal ? kDiagonalSteps : kOrthogonalSteps;
      const size_t count = from.size();
      for (size_t i = 0; i < count; ++i) {
        const IndexPair& p = from[i];
        if (i + kLookAhead < count) prefetchAround(from[i + kLookAhead]);
        for (const auto& o : steps) {
          const int32_t rr = p.first + o[0], cc = p.second + o[1];
          if (!inside(rr, cc)) continue;
          float& d = distanceAt(rr, cc);
          if (d != kNoClassDistance) continue;
          d = next;
          to.push_back(IndexPair{rr, cc});
        }
      }
    }
    if (diagonal) {
      buckets[size_t(top.bucket)].cells.clear();
      released.push_back(top.bucket);
    }
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
