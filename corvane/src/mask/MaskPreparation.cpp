#include "mask/MaskPreparation.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <queue>
#include <utility>
#include <vector>

#include "Corvane.h"
#include "classification/AutoFill.h"
#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"

namespace corvane {
namespace mask {

namespace {

using Bytes = blitz::Array<uint8_t, 2>;

bool anyStatus(const Bytes& status, const Box& box, uint8_t bit) {
  const Box b = intersectBox(box, domainOf(status));
  if (status.size() == 0 || b.empty()) return false;
  const ptrdiff_t step = status.stride(1);
  const uint64_t bits = 0x0101010101010101ull * bit;
  for (int32_t r = b.lowerRow; r <= b.upperRow; ++r) {
    const uint8_t* s = &status(r, b.lowerColumn);
    int32_t c = b.lowerColumn;
    if (step == 1) {
      for (; c + 7 <= b.upperColumn; c += 8, s += 8) {
        uint64_t w;
        std::memcpy(&w, s, 8);
        if (w & bits) return true;
      }
    }
    for (; c <= b.upperColumn; ++c, s += step)
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

// The distances of one class pass in square tiles, made only where some cell carries neither
// class: the passes spread through those cells alone, and a band of them across a large
// picture then lies on a few pages instead of across the whole grid. Positions are counted
// from the box's lower corner. A cell of a tile never made holds 0, as every class cell does.
class DistanceTiles {
 public:
  static constexpr int32_t kShift = 6;
  static constexpr int32_t kSide = 1 << kShift;
  static constexpr int32_t kMask = kSide - 1;

  DistanceTiles(const Bytes& status, const Box& box)
      : rows_(box.upperRow - box.lowerRow + 1),
        columns_(box.upperColumn - box.lowerColumn + 1),
        across_((columns_ + kMask) >> kShift),
        tiles_(size_t((rows_ + kMask) >> kShift) * size_t(across_)) {
    const uint8_t* const statuses = &status(box.lowerRow, box.lowerColumn);
    const ptrdiff_t sRow = status.stride(0), sCol = status.stride(1);
    constexpr uint64_t classBits = 0x0606060606060606ull;
    std::vector<uint8_t> open(size_t(across_), 0);
    for (int32_t top = 0; top < rows_; top += kSide) {
      const int32_t bottom = std::min(rows_, top + kSide) - 1;
      std::fill(open.begin(), open.end(), uint8_t(0));
      for (int32_t r = top; r <= bottom; ++r) {
        const uint8_t* const row = statuses + r * sRow;
        for (int32_t c = 0; c < columns_;) {
          if (sCol == 1 && c + 8 <= columns_) {
            uint64_t w;
            std::memcpy(&w, row + c, 8);
            if (!hasZeroByte(w & classBits)) {
              c += 8;
              continue;
            }
          }
          if (!(row[c * sCol] & 6)) open[size_t(c >> kShift)] = 1;
          ++c;
        }
      }
      for (int32_t t = 0; t < across_; ++t) {
        if (!open[size_t(t)]) continue;
        float* tile = new float[kSide * kSide];
        tiles_[size_t(top >> kShift) * size_t(across_) + size_t(t)].reset(tile);
        made_.push_back(size_t(top >> kShift) * size_t(across_) + size_t(t));
        const int32_t left = t << kShift, right = std::min(columns_, left + kSide) - 1;
        for (int32_t r = top; r < top + kSide; ++r)
          for (int32_t c = left; c < left + kSide; ++c)
            tile[((r - top) << kShift) + (c - left)] =
                r <= bottom && c <= right && !(statuses[r * sRow + c * sCol] & 6) ? kNoClassDistance
                                                                                  : 0.0f;
      }
    }
  }

  int32_t rows() const { return rows_; }
  int32_t columns() const { return columns_; }
  // The cell at (r, c) inside the box, or null where no tile was made.
  float* at(int32_t r, int32_t c) const {
    float* tile = tiles_[size_t(r >> kShift) * size_t(across_) + size_t(c >> kShift)].get();
    return tile ? tile + ((r & kMask) << kShift) + (c & kMask) : nullptr;
  }
  // The tiles made, in storage order, and where each starts.
  const std::vector<size_t>& made() const { return made_; }
  int32_t tileTop(size_t index) const { return int32_t(index / size_t(across_)) << kShift; }
  int32_t tileLeft(size_t index) const { return int32_t(index % size_t(across_)) << kShift; }

 private:
  int32_t rows_, columns_, across_;
  std::vector<std::unique_ptr<float[]>> tiles_;
  std::vector<size_t> made_;
};

// The cells of the box: whether one lies inside and whether it holds the class.
struct ClassCells {
  const uint8_t* statuses;  // the box's first status
  ptrdiff_t sRow, sCol;
  int32_t rows, columns;
  uint8_t classBit;
  bool inside(int32_t r, int32_t c) const { return r >= 0 && r < rows && c >= 0 && c < columns; }
  bool inClass(int32_t r, int32_t c) const {
    return (statuses[r * sRow + c * sCol] & CvStatusClassMask & classBit) != 0;
  }
};

// The buckets of one class's growth and the expansions pending on them (see growClass).
class Growth {
 public:
  struct Bucket {
    float distance;
    std::vector<IndexPair> cells;
  };
  struct Step {
    float distance;
    float step;
    int32_t bucket;
  };

  // A bucket of cells at `distance`, reusing a released one.
  int32_t makeBucket(float distance) {
    int32_t id;
    if (!released_.empty()) {
      id = released_.back();
      released_.pop_back();
    } else {
      id = static_cast<int32_t>(buckets_.size());
      buckets_.emplace_back();
    }
    buckets_[size_t(id)].distance = distance;
    return id;
  }
  // The orthogonal and the diagonal expansion of a bucket at `distance`, in this order.
  void pushExpansions(float distance, int32_t bucket) {
    heap_.push(Step{distance, kOrthogonal, bucket});
    heap_.push(Step{distance, kDiagonal, bucket});
  }
  std::vector<IndexPair>& cells(int32_t bucket) { return buckets_[size_t(bucket)].cells; }

  // Expands the buckets in increasing order of the distance they create, until none is left.
  void expand(DistanceTiles& distances, const ClassCells& cells);

 private:
  struct Later {
    bool operator()(const Step& a, const Step& b) const {
      return a.distance + a.step > b.distance + b.step;
    }
  };
  std::vector<Bucket> buckets_;
  std::vector<int32_t> released_;
  std::priority_queue<Step, std::vector<Step>, Later> heap_;
};

void Growth::expand(DistanceTiles& distances, const ClassCells& shape) {
  const ClassCells cells = shape;  // a local copy stays in registers across the pushes
  int32_t lastMade = -1;
  float lastDistance = 0.0f;
  while (!heap_.empty()) {
    const Step top = heap_.top();
    heap_.pop();
    const bool diagonal = top.step == kDiagonal;
    if (!buckets_[size_t(top.bucket)].cells.empty()) {
      const float next = top.distance + top.step;
      if (lastMade < 0 || next != lastDistance) {
        lastMade = makeBucket(next);
        lastDistance = next;
        pushExpansions(next, lastMade);
      }
      const std::vector<IndexPair>& from = buckets_[size_t(top.bucket)].cells;
      std::vector<IndexPair>& to = buckets_[size_t(lastMade)].cells;
      const auto& steps = diagonal ? kDiagonalSteps : kOrthogonalSteps;
      for (const IndexPair& p : from) {
        for (const auto& o : steps) {
          const int32_t rr = p.first + o[0], cc = p.second + o[1];
          if (!cells.inside(rr, cc)) continue;
          float* d = distances.at(rr, cc);
          if (!d || *d != kNoClassDistance) continue;
          *d = next;
          to.push_back(IndexPair{rr, cc});
        }
      }
    }
    if (diagonal) {
      buckets_[size_t(top.bucket)].cells.clear();
      released_.push_back(top.bucket);
    }
  }
}

// The seeds of the growth: unreached cells next to a cell of the class, orthogonally (into
// bucket `orthogonal`) or else diagonally (into `diagonal`). Only the tiles hold such cells.
void seedNextToClass(DistanceTiles& distances, const ClassCells& shape, Growth& growth,
                     int32_t orthogonal, int32_t diagonal) {
  const ClassCells cells = shape;
  for (const size_t index : distances.made()) {
    const int32_t top = distances.tileTop(index), left = distances.tileLeft(index);
    const int32_t bottom = std::min(cells.rows, top + DistanceTiles::kSide) - 1;
    const int32_t right = std::min(cells.columns, left + DistanceTiles::kSide) - 1;
    for (int32_t r = top; r <= bottom; ++r) {
      float* d = distances.at(r, left);
      for (int32_t c = left; c <= right; ++c, ++d) {
        if (*d != kNoClassDistance) continue;
        bool found = false;
        for (const auto& o : kOrthogonalSteps) {
          const int32_t rr = r + o[0], cc = c + o[1];
          if (cells.inside(rr, cc) && cells.inClass(rr, cc)) {
            *d = kOrthogonal;
            growth.cells(orthogonal).push_back(IndexPair{r, c});
            found = true;
            break;
          }
        }
        if (found) continue;
        for (const auto& o : kDiagonalSteps) {
          const int32_t rr = r + o[0], cc = c + o[1];
          if (cells.inside(rr, cc) && cells.inClass(rr, cc)) {
            *d = kDiagonal;
            growth.cells(diagonal).push_back(IndexPair{r, c});
            break;
          }
        }
      }
    }
  }
}

// The distances of the tiles into component `k` of the grid. Cells outside the tiles are class
// cells, already 0 in the grid.
void storeDistances(const DistanceTiles& distances, blitz::Array<ClassDistances, 2>& grid,
                    const Box& box, int k) {
  const int32_t rows = distances.rows(), columns = distances.columns();
  for (const size_t index : distances.made()) {
    const int32_t top = distances.tileTop(index), left = distances.tileLeft(index);
    const int32_t bottom = std::min(rows, top + DistanceTiles::kSide) - 1;
    const int32_t right = std::min(columns, left + DistanceTiles::kSide) - 1;
    for (int32_t r = top; r <= bottom; ++r) {
      const float* d = distances.at(r, left);
      ClassDistances* g = &grid(box.lowerRow + r, box.lowerColumn + left);
      const ptrdiff_t step = grid.stride(1);
      for (int32_t c = left; c <= right; ++c, ++d, g += step) (*g)[k] = *d;
    }
  }
}

// One class's pass over component `k` of the grid: buckets of cells by the distance they were
// given, expanded in increasing order of the distance they create.
//
// The distances are float sums taken along the order of expansion, so sums of the same steps
// in another order may differ in the last bit and form buckets of their own. Expansions
// come off the heap in order of the distance they create, and every expansion pushes only
// larger ones, so all expansions creating one distance come off one after another: the
// bucket they fill is the one made last, and no lookup by distance is needed. A bucket's
// cells are final before its first expansion, and it is released after its second. Every
// cell of a bucket gets the bucket's distance, whichever cell reached it first, so the order
// of the cells inside a bucket changes nothing.
void growClass(blitz::Array<ClassDistances, 2>& grid, const Bytes& status, const Box& box,
               uint8_t classBit, int k) {
  DistanceTiles distances(status, box);
  const ClassCells cells{&status(box.lowerRow, box.lowerColumn),
                         status.stride(0),
                         status.stride(1),
                         distances.rows(),
                         distances.columns(),
                         classBit};
  Growth growth;
  const int32_t orthogonalSeeds = growth.makeBucket(kOrthogonal);
  const int32_t diagonalSeeds = growth.makeBucket(kDiagonal);
  growth.pushExpansions(kOrthogonal, orthogonalSeeds);
  growth.pushExpansions(kDiagonal, diagonalSeeds);
  seedNextToClass(distances, cells, growth, orthogonalSeeds, diagonalSeeds);
  growth.expand(distances, cells);
  storeDistances(distances, grid, box, k);
}

}  // namespace

MaskFillResult autoFillForMask(::classification::IiClassification& state, const Box& extent,
                               const Box& region, Bytes& status, const Box& wideRegion,
                               float fillRadius, const Bytes& radiusMap, UndoStack& undo,
                               ProgressRange progress) {
  MaskFillResult fill;
  fill.rect = extent;
  Bytes view;
  const Box regionInside = intersectBox(region, domainOf(status));
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

  const Box whole = domainOf(status);
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
  const Box box = domainOf(status);
  blitz::Array<ClassDistances, 2> grid;
  if (status.size() == 0 || box.empty()) return grid;
  grid.resize(blitz::Range(box.lowerRow, box.upperRow),
              blitz::Range(box.lowerColumn, box.upperColumn));
  // Every band writes only its own rows, and each class pass only its own component: the
  // same grid for any number of workers.
  const unsigned threads = processorCount();
  forEachBand(box.lowerRow, box.upperRow, 64, threads, [&](int32_t first, int32_t last) {
    const ptrdiff_t step = status.stride(1);
    for (int32_t r = first; r <= last; ++r) {
      const uint8_t* s = &status(r, box.lowerColumn);
      ClassDistances* g = &grid(r, box.lowerColumn);
      for (int32_t c = box.lowerColumn; c <= box.upperColumn; ++c, s += step, ++g) {
        const float v = (*s & 6) ? 0.0f : kNoClassDistance;
        (*g)[0] = v;
        (*g)[1] = v;
      }
    }
  });
  forEachBand(0, 1, 1, std::min(threads, 2u), [&](int32_t first, int32_t last) {
    for (int32_t k = first; k <= last; ++k) growClass(grid, status, box, k == 0 ? 2 : 4, k);
  });
  return grid;
}

blitz::Array<ByteColour3, 2> prepareMaskRegions(const ::classification::IiClassification& state,
                                                const Bytes& status, uint8_t classValue,
                                                const MaskPatch& patch) {
  const Box region = domainOf(status);
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
  const Box imageBox = domainOf(image);
  for (int32_t r = region.lowerRow; r <= region.upperRow; ++r) {
    for (int32_t c = region.lowerColumn; c <= region.upperColumn; ++c) {
      const uint8_t s = status(r, c);
      uint8_t label = 2;
      if (s & classValue) {
        label = 1;
        distance(r, c) = 0;
      } else if ((s & (CvStatusHold | CvStatusMatteRegion)) == CvStatusMatteRegion) {
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
