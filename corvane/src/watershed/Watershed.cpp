#include "watershed/Watershed.h"

#include "util/WatershedCheckpoint.h"

#include <algorithm>
#include <array>
#include <vector>

namespace corvane {

namespace {

// Rows a band of the flood's set-up passes: four bands a worker, 64 rows at least.
int32_t rowBand(int32_t rows) {
  return std::max<int32_t>(64, rows / static_cast<int32_t>(4 * processorCount()) + 1);
}

}  // namespace

WatershedInnerState::WatershedInnerState(const blitz::Array<Pixel, 2>& pixels,
                                         WatershedLabels& labels, int32_t valueOffset)
    : labels(labels), valueOffset(valueOffset) {
  const blitz::Array<int32_t, 2>& labelArray = labels.labels();
  labels.requireDomainOf(pixels);
  lowRow_ = labelArray.lbound(0);
  lowColumn_ = labelArray.lbound(1);
  rows_ = labelArray.extent(0);
  columns_ = labelArray.extent(1);
  if (empty()) {
    rows_ = columns_ = 0;
    rowStep = columnStep = 1;
    return;
  }
  // Positions are int32 offsets into the label storage, decomposed back into rows and columns
  // by division: that needs positive row-major strides and a span that int32 can address.
  const int64_t labelRowStep = labelArray.stride(0);
  const int64_t labelColumnStep = labelArray.stride(1);
  if (labelColumnStep <= 0 || labelRowStep < labelColumnStep * columns_ || pixels.stride(0) <= 0 ||
      pixels.stride(1) <= 0)
    throw "Watershed arrays must be row-major";
  const int64_t span = (rows_ - 1) * labelRowStep + (columns_ - 1) * labelColumnStep + 1;
  if (span > std::numeric_limits<int32_t>::max()) throw std::length_error("watershed positions");
  rowStep = static_cast<int32_t>(labelRowStep);
  columnStep = static_cast<int32_t>(labelColumnStep);
  labelData_ = const_cast<int32_t*>(&labelArray(lowRow_, lowColumn_));

  heights_.assign(static_cast<size_t>(span), 0);
  const Pixel* pixelOrigin = &pixels(lowRow_, lowColumn_);
  const ptrdiff_t pixelRowStep = pixels.stride(0);
  const ptrdiff_t pixelColumnStep = pixels.stride(1);
  forEachBand(0, rows_ - 1, rowBand(rows_), processorCount(), [&](int32_t a, int32_t b) {
    for (int32_t r = a; r <= b; ++r) {
      const Pixel* pixel = pixelOrigin + r * pixelRowStep;
      uint8_t* height = heights_.data() + static_cast<ptrdiff_t>(r) * rowStep;
      for (int32_t c = 0; c < columns_; ++c) {
        *height = (*pixel)[1];
        pixel += pixelColumnStep;
        height += columnStep;
      }
    }
  });
}

void BoundaryEdgeHeap::clear() {
  for (Bucket& bucket : buckets_) bucket.clear();
  others_.clear();
  current_ = 0;
  filledBuckets_ = 0;
  size_ = 0;
}

namespace {

inline int32_t bumped(int32_t count) {
  // Plateau lengths and step counts come from callers too; wrap instead of overflowing.
  return static_cast<int32_t>(static_cast<uint32_t>(count) + 1u);
}

// Offers one edge from q to n, whatever n's label. Inlined into every push variant.
inline void offerEdgeTo(const uint8_t* heights, int32_t valueOffset, BoundaryEdgeHeap& heap,
                        int32_t q, int32_t n, int32_t priority, int32_t plateau, int32_t steps) {
  int64_t h = static_cast<int64_t>(heights[n]) + valueOffset;
  if (h > std::numeric_limits<int32_t>::max()) h = std::numeric_limits<int32_t>::max();
  const int32_t height = static_cast<int32_t>(h);
  BoundaryEdge edge;
  edge.source = q;
  edge.target = n;
  edge.priority = std::min(priority, height);
  edge.plateau = height >= priority ? bumped(plateau) : 0;
  edge.steps = bumped(steps);
  heap.push(edge);
}

// Offers one edge from q to n unless n carries q's label.
inline void offerEdge(int32_t* labels, const uint8_t* heights, int32_t valueOffset,
                      BoundaryEdgeHeap& heap, int32_t q, int32_t qLabel, int32_t n,
                      int32_t priority, int32_t plateau, int32_t steps) {
  if (labels[n] == qLabel) return;
  offerEdgeTo(heights, valueOffset, heap, q, n, priority, plateau, steps);
}

// Without bounds tests: only for pixels whose four neighbours lie inside the arrays.
inline void pushInterior(WatershedInnerState& state, int32_t* labels, const uint8_t* heights,
                         int32_t q, int32_t priority, int32_t plateau, int32_t steps) {
  const int32_t qLabel = labels[q];
  const int32_t offset = state.valueOffset;
  offerEdge(labels, heights, offset, state.heap, q, qLabel, q - state.rowStep, priority, plateau,
            steps);
  offerEdge(labels, heights, offset, state.heap, q, qLabel, q + state.rowStep, priority, plateau,
            steps);
  offerEdge(labels, heights, offset, state.heap, q, qLabel, q - state.columnStep, priority, plateau,
            steps);
  offerEdge(labels, heights, offset, state.heap, q, qLabel, q + state.columnStep, priority, plateau,
            steps);
}

inline void pushChecked(WatershedInnerState& state, int32_t* labels, const uint8_t* heights,
                        int32_t q, int32_t priority, int32_t plateau, int32_t steps) {
  const int32_t row = q / state.rowStep;
  const int32_t column = (q % state.rowStep) / state.columnStep;
  const int32_t qLabel = labels[q];
  const int32_t offset = state.valueOffset;
  if (row > 0)
    offerEdge(labels, heights, offset, state.heap, q, qLabel, q - state.rowStep, priority, plateau,
              steps);
  if (row < state.rows() - 1)
    offerEdge(labels, heights, offset, state.heap, q, qLabel, q + state.rowStep, priority, plateau,
              steps);
  if (column > 0)
    offerEdge(labels, heights, offset, state.heap, q, qLabel, q - state.columnStep, priority,
              plateau, steps);
  if (column < state.columns() - 1)
    offerEdge(labels, heights, offset, state.heap, q, qLabel, q + state.columnStep, priority,
              plateau, steps);
}

// Whether every pixel of the arrays' outermost ring carries a label: then no pixel that the
// flood expands lies on the ring, and the neighbour lookups need no bounds tests.
bool ringLabelled(WatershedInnerState& state) {
  const int32_t* labels = state.labelData();
  const int32_t lastRow = state.rows() - 1;
  const int32_t lastColumn = state.columns() - 1;
  for (int32_t c = 0; c <= lastColumn; ++c) {
    if (labels[c * state.columnStep] == -1) return false;
    if (labels[lastRow * state.rowStep + c * state.columnStep] == -1) return false;
  }
  for (int32_t r = 0; r <= lastRow; ++r) {
    if (labels[r * state.rowStep] == -1) return false;
    if (labels[r * state.rowStep + lastColumn * state.columnStep] == -1) return false;
  }
  return true;
}

// The unlabelled pixels, highest first; equal heights keep their storage order. Bands of rows
// count and place their own pixels, each height's places shared out in band order, so the
// list is the one a single walk makes.
void collectSeeds(WatershedInnerState& state) {
  const int32_t* labels = state.labelData();
  const uint8_t* heights = state.heights();
  const int32_t step = rowBand(state.rows());
  const size_t bands = static_cast<size_t>((state.rows() - 1) / step + 1);
  std::vector<std::array<uint64_t, 256>> next(bands);
  const auto eachSeed = [&](int32_t a, int32_t b, auto&& f) {
    for (int32_t r = a; r <= b; ++r) {
      int32_t q = r * state.rowStep;
      for (int32_t c = 0; c < state.columns(); ++c, q += state.columnStep)
        if (labels[q] == -1) f(q);
    }
  };
  forEachBand(0, state.rows() - 1, step, processorCount(), [&](int32_t a, int32_t b) {
    std::array<uint64_t, 256>& count = next[static_cast<size_t>(a / step)];
    count.fill(0);
    eachSeed(a, b, [&](int32_t q) { ++count[heights[q]]; });
  });
  uint64_t total = 0;
  for (int h = 255; h >= 0; --h) {
    for (std::array<uint64_t, 256>& band : next) {
      const uint64_t count = band[static_cast<size_t>(h)];
      band[static_cast<size_t>(h)] = total;
      total += count;
    }
  }
  std::vector<int32_t>& seeds = state.seeds();
  seeds.resize(total);
  forEachBand(0, state.rows() - 1, step, processorCount(), [&](int32_t a, int32_t b) {
    std::array<uint64_t, 256>& place = next[static_cast<size_t>(a / step)];
    eachSeed(a, b, [&](int32_t q) { seeds[place[heights[q]]++] = q; });
  });
}

template <bool Interior>
void flood(WatershedInnerState& state, const ProgressRange& range) {
  int32_t* labels = state.labelData();
  const uint8_t* heights = state.heights();
  BoundaryEdgeHeap& heap = state.heap;
  std::vector<BoundaryList>& regions = state.labels.regions();
  const std::vector<int32_t>& seeds = state.seeds();
  const size_t seedCount = seeds.size();
  size_t nextSeed = 0;

  uint64_t pops = 0;
  uint64_t largest = 1;
  float fraction = 0.0f;

  auto push = [&](int32_t q, int32_t priority, int32_t plateau, int32_t steps) {
    if (Interior)
      pushInterior(state, labels, heights, q, priority, plateau, steps);
    else
      pushChecked(state, labels, heights, q, priority, plateau, steps);
  };

  for (;;) {
    while (nextSeed < seedCount && labels[seeds[nextSeed]] != -1) ++nextSeed;
    while (!heap.empty()) {
      if (nextSeed < seedCount && heights[seeds[nextSeed]] > heap.topPriority()) break;
      const BoundaryEdge edge = heap.pop();

      const int32_t sourceLabel = labels[edge.source];
      if (labels[edge.target] == -1) {
        labels[edge.target] = sourceLabel;
        push(edge.target, edge.priority, edge.plateau, edge.steps);
      }
      // Labels the caller set without a region of their own have no list to record into.
      if (labels[edge.target] != sourceLabel && sourceLabel >= 0 &&
          static_cast<size_t>(sourceLabel) < regions.size())
        regions[sourceLabel].push_back(BoundaryPair{edge.source, edge.target});

      while (nextSeed < seedCount && labels[seeds[nextSeed]] != -1) ++nextSeed;

      const uint64_t held = heap.size();
      largest = std::max(largest, pops + held);
      ++pops;
      if (pops % kWatershedCheckpointPops == 0) {
        float q = 1.0f - static_cast<float>(held) / static_cast<float>(largest);
        if (q < fraction) q = fraction;
        fraction = q;
        range.checkpoint(kWatershedInnerPath, kWatershedInnerLine, "Watershed inner", fraction);
      }
    }
    if (nextSeed >= seedCount) break;

    const int32_t seed = seeds[nextSeed++];
    labels[seed] = state.labels.addRegion();
    push(seed, heights[seed], 0, 0);
  }
}

}  // namespace

void pushBoundaryEdges(WatershedInnerState& state, int32_t pixel, int32_t priority, int32_t plateau,
                       int32_t steps) {
  pushChecked(state, state.labelData(), state.heights(), pixel, priority, plateau, steps);
}

void pushSeedEdges(WatershedInnerState& state, int32_t pixel, int32_t priority) {
  int32_t* labels = state.labelData();
  const uint8_t* heights = state.heights();
  const int32_t qLabel = labels[pixel];
  const int32_t offset = state.valueOffset;
  BoundaryEdgeHeap& heap = state.heap;
  offerEdge(labels, heights, offset, heap, pixel, qLabel, pixel - state.rowStep, priority, 0, 0);
  offerEdgeTo(heights, offset, heap, pixel, pixel + state.rowStep, priority, 0, 0);
  offerEdge(labels, heights, offset, heap, pixel, qLabel, pixel - state.columnStep, priority, 0, 0);
  offerEdgeTo(heights, offset, heap, pixel, pixel + state.columnStep, priority, 0, 0);
}

void watershedInner(WatershedInnerState& state, ProgressRange range) {
  const ProgressRange narrowed(range.ui(), range.map(range.current()),
                               0.05f * range.start() + 0.95f * range.end());
  if (state.empty()) {
    state.heap.clear();
    return;
  }
  collectSeeds(state);
  if (ringLabelled(state))
    flood<true>(state, narrowed);
  else
    flood<false>(state, narrowed);
  std::vector<int32_t>().swap(state.seeds());
}

}  // namespace corvane
