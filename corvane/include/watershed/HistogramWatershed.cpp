#include "watershed/HistogramWatershed.h"

#include <algorithm>
#include <vector>

using classification::ColourBin;
using classification::ColourHistogram;

namespace watershed {

namespace {

constexpr const char* kWatershedPath = "corvane/include/watershed/Watershed";

// Heap order (the greatest goes first): higher priority, then the shorter plateau, then the
// fewer steps.
struct EdgeOrder {
  bool operator()(const HistogramEdge& a, const HistogramEdge& b) const {
    if (a.priority != b.priority) return a.priority < b.priority;
    if (a.plateau != b.plateau) return a.plateau > b.plateau;
    return a.steps > b.steps;
  }
};

class Flood {
 public:
  explicit Flood(ColourHistogram& level) : level_(level) {}

  // Pushes an edge to every existing unlabelled colour one step away in one channel. The edge
  // priority falls with the bin's own (halved) count, so a front crossing a sparse colour loses
  // priority there.
  void pushNeighbours(uint32_t bin, uint32_t priority, int32_t plateau, int32_t steps) {
    const ColourBin& from = level_[bin];
    const uint64_t packed = classification::packColourKey(from.key);
    const uint32_t half = from.count >> 1;
    const HistogramEdge edge{bin, 0, std::min(priority, half), half >= priority ? plateau + 1 : 0,
                             steps + 1};
    uint64_t neighbours[12];
    int count = 0;
    for (int c = 0; c < 6; ++c) {
      const uint64_t one = uint64_t(1) << (8 * c);
      if (from.key[c] > 0) neighbours[count++] = packed - one;
      if (from.key[c] < 255) neighbours[count++] = packed + one;
    }
    // The lookups are independent: start all their table loads before the first is needed.
    for (int n = 0; n < count; ++n) level_.prefetch(neighbours[n]);
    for (int n = 0; n < count; ++n) push(edge, neighbours[n]);
  }

  std::vector<HistogramEdge> heap;

 private:
  // An edge into a bin that already has a label could only be popped and dropped: it is not
  // pushed at all, which keeps the heap to the edges that can still label a bin.
  void push(HistogramEdge edge, uint64_t packed) {
    const uint32_t target = level_.find(packed);
    if (target == ColourHistogram::kNotFound || level_[target].label != -1) return;
    edge.target = target;
    heap.push_back(edge);
    std::push_heap(heap.begin(), heap.end(), EdgeOrder());
  }

  ColourHistogram& level_;
};

}  // namespace

void histogramWatershed(ColourHistogram& level, WatershedResult& slot, ProgressRange progress) {
  const ProgressRange range(progress.ui(), progress.map(progress.current()),
                            0.05f * progress.start() + 0.95f * progress.end());

  std::vector<uint32_t> seeds;
  for (uint32_t i = 0; i < level.size(); ++i) {
    if (level[i].label == -1) seeds.push_back(i);
  }
  std::stable_sort(seeds.begin(), seeds.end(),
                   [&level](uint32_t a, uint32_t b) { return level[a].count > level[b].count; });

  Flood flood(level);
  std::vector<HistogramEdge>& heap = flood.heap;
  size_t nextSeed = 0;
  auto skipLabelledSeeds = [&] {
    while (nextSeed < seeds.size() && level[seeds[nextSeed]].label != -1) ++nextSeed;
  };
  uint64_t pops = 0;
  uint64_t largestWork = 0;
  float fraction = 0.0f;

  for (;;) {
    while (!heap.empty()) {
      skipLabelledSeeds();
      // A colour more frequent than anything the fronts can still reach is a peak of its own.
      if (nextSeed < seeds.size() && level[seeds[nextSeed]].count > heap.front().priority) break;
      std::pop_heap(heap.begin(), heap.end(), EdgeOrder());
      const HistogramEdge edge = heap.back();
      heap.pop_back();
      ColourBin& target = level[edge.target];
      if (target.label == -1) {
        target.label = level[edge.source].label;
        flood.pushNeighbours(edge.target, edge.priority, edge.plateau, edge.steps);
      }
      if ((++pops & 32767) == 0) {
        const uint64_t pending = heap.size();
        largestWork = std::max(largestWork, pops - 1 + pending);
        fraction = std::max(fraction, 1.0f - float(pending) / float(largestWork));
        range.checkpoint(kWatershedPath, 1229, "Watershed inner", fraction);
      }
    }
    skipLabelledSeeds();
    if (nextSeed == seeds.size()) break;

    const uint32_t seed = seeds[nextSeed++];
    if (slot.nextLabel <= slot.labelLimit) {
      level[seed].label = slot.nextLabel++;
    } else {
      level[seed].label = slot.labelLimit;
    }
    flood.pushNeighbours(seed, level[seed].count, 0, 0);
  }
}

}  // namespace watershed
