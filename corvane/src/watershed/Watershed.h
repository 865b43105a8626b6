#pragma once

// The two flooding passes of the segmentation: the first watershed, which splits the
// one-dimensional channel histograms into modes and scores the valleys between them, and the
// inner watershed, which grows labelled regions over a three-byte pixel image from its highest
// heights downward and records where regions meet.

#include <blitz/array.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "watershed/WatershedLabels.h"

namespace corvane {

// ---------------------------------------------------------------------------------------------
// First watershed

// One mode of a channel histogram. Nodes of one histogram follow each other in bin order. A
// segmentation holds some half a million of them; they carry nothing beyond what the passes
// and the segmentation's stages read.
template <class Histogram>
struct ModeNode {
  int32_t peakIndex = 0;     // bin of the mode's highest count
  int32_t peakCount = 0;     // count at the peak
  int32_t sidePeak = 0;      // lower of the best peaks either side of this mode's valley
  int32_t peakDistance = 0;  // right best peak index minus left best peak index
  int32_t valleyCount = 0;   // count at the valley; 0 without a valley
  int32_t valleyIndex = -1;  // bin where the next mode begins; 256 when this mode runs to the end
  const Histogram* histogram = nullptr;
};

// A mode that ends with the histogram, before the valleys are resolved.
const int32_t kNoValley = -1;
// The valley index of a mode that runs to the end of its histogram.
const int32_t kEndValley = 256;

// The count of bin i, 0 outside the histogram's bins.
inline int32_t binCount(const blitz::Array<int32_t, 1>& bins, int32_t i) {
  return (bins.numElements() > 0 && i >= bins.lbound(0) && i <= bins.ubound(0)) ? bins(i) : 0;
}

// Node indices are stored as int32 in the histograms; a list that outgrows them cannot be
// described, so it is refused rather than silently wrapped.
inline int32_t modeNodeIndex(size_t size) {
  if (size > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
    throw std::length_error("mode node list");
  return static_cast<int32_t>(size);
}

// Appends the modes of `bins` to `nodes` by a hysteresis scan with tolerance t: a valley is
// entered once the peak exceeds t times a lower count, and left once a count rises above t
// times the valley's. Only peak and valley indices are written; a histogram without bins still
// gets one mode so that every histogram names at least one node.
template <class Histogram>
void splitModes(const blitz::Array<int32_t, 1>& bins, std::vector<ModeNode<Histogram>>& nodes,
                float t) {
  ModeNode<Histogram> node;
  if (bins.numElements() == 0) {
    node.peakIndex = bins.lbound(0);
    nodes.push_back(node);
    return;
  }
  const int32_t b = bins.lbound(0);
  const int32_t e = bins.ubound(0);
  int32_t p = b;
  int32_t v = kNoValley;
  for (int32_t i = b + 1; i <= e; ++i) {
    const int32_t hi = bins(i);
    if (v == kNoValley) {
      if (hi > bins(p)) {
        p = i;
      } else if (static_cast<float>(bins(p)) > static_cast<float>(hi) * t) {
        v = i;
      }
    } else {
      if (bins(v) > hi) {
        v = i;
      } else if (static_cast<float>(hi) > static_cast<float>(bins(v)) * t) {
        node.peakIndex = p;
        node.valleyIndex = v;
        nodes.push_back(node);
        p = i;
        v = kNoValley;
      }
    }
  }
  node.peakIndex = p;
  node.valleyIndex = kNoValley;
  nodes.push_back(node);
}

// Scores every valley between the modes of one histogram and stores the best one in
// `histogram.bestValleyNode` (-1 with fewer than two modes). A valley's score is the lower of
// the best peaks reachable on either side without crossing a deeper valley, divided by the
// valley's count; an empty valley scores infinitely and the first of those wins.
template <class Histogram>
void chooseBestSplit(Histogram& histogram, std::vector<ModeNode<Histogram>>& nodes) {
  const int64_t f = histogram.firstModeNode;
  const int64_t end = histogram.endModeNode;
  if (f < 0 || end > static_cast<int64_t>(nodes.size()) || end - f < 2) {
    histogram.bestValleyNode = -1;
    return;
  }
  const int64_t l = end - 1;
  int64_t best = f;
  float bestScore = -std::numeric_limits<float>::infinity();
  for (int64_t k = f; k < l; ++k) {
    ModeNode<Histogram>& node = nodes[k];
    int64_t left = k;
    for (int64_t j = k - 1; j >= f; --j) {
      if (nodes[j].valleyCount < node.valleyCount) break;
      if (nodes[j].peakCount > nodes[left].peakCount) left = j;
    }
    int64_t right = k + 1;
    for (int64_t j = k + 2; j <= l; ++j) {
      if (!(nodes[left].peakCount > nodes[right].peakCount)) break;
      if (nodes[j].peakCount > nodes[right].peakCount) right = j;
      if (nodes[j].valleyCount < node.valleyCount) break;
    }
    node.sidePeak = std::min(nodes[left].peakCount, nodes[right].peakCount);
    node.peakDistance = nodes[right].peakIndex - nodes[left].peakIndex;
    const float score = node.valleyCount == 0 ? std::numeric_limits<float>::infinity()
                                              : static_cast<float>(node.sidePeak) /
                                                    static_cast<float>(node.valleyCount);
    if (score > bestScore) {
      best = k;
      bestScore = score;
    }
  }
  histogram.bestValleyNode = static_cast<int32_t>(best);
}

// The checkpoint of the first watershed is named after the segmentation that runs it.
const char* const kWatershedFirstPath = "corvane/include/classification/Segmentation";
const int kWatershedFirstLine = 1371;

// Splits every channel-`channels[k]` histogram of the elements [first, last) into modes and
// picks each one's best valley, rebuilding that channel's node list `*lists[k]`, for every k at
// once. `ranges[k]` receives the reports of channel k, in the order of k at each step.
//
// `Histogram` has `bins` (1-D int32 blitz array) and the int32 fields `firstModeNode`,
// `endModeNode` and `bestValleyNode`; `first[i][channel]` gives an element's channel histogram.
// The first node of every list refers to `overall`. The elements are shared out among the
// engine's workers, each taking all the channels of its elements; the lists and the
// histograms' fields do not depend on how many workers there are.
template <class Histogram, class ElementIterator>
void watershedFirstChannels(const std::vector<int>& channels, float tolerance,
                            const Histogram& overall, ElementIterator first, ElementIterator last,
                            const std::vector<std::vector<ModeNode<Histogram>>*>& lists,
                            std::vector<ProgressRange>& ranges) {
  const size_t lanes = channels.size();
  if (lanes == 0) return;
  auto resolveValley = [](ModeNode<Histogram>& node, const blitz::Array<int32_t, 1>& bins) {
    if (node.valleyIndex == kNoValley) {
      node.valleyIndex = kEndValley;
      node.valleyCount = 0;
    } else {
      node.valleyCount = binCount(bins, node.valleyIndex);
    }
  };
  for (size_t k = 0; k < lanes; ++k) {
    std::vector<ModeNode<Histogram>>& nodes = *lists[k];
    nodes.clear();
    ModeNode<Histogram> head;
    head.peakIndex = 0;
    head.valleyIndex = kNoValley;
    head.histogram = &overall;
    head.peakCount = binCount(overall.bins, 0);
    resolveValley(head, overall.bins);
    nodes.push_back(head);
    ranges[k].checkpoint(kWatershedFirstPath, kWatershedFirstLine, "Watershed first", 0.25f);
  }

  // Every histogram's modes, valleys and best valley depend on its own bins alone: bands of
  // elements find theirs in lists of their own, one per channel and indexed from 0, which are
  // then joined in element order with the indices moved along, so the lists and every index
  // into them come out as one walk of the elements makes them.
  const int64_t count = static_cast<int64_t>(last - first);
  if (count > std::numeric_limits<int32_t>::max()) throw std::length_error("mode node list");
  const int32_t elements = static_cast<int32_t>(count);
  const unsigned threads = processorCount();
  const int32_t step = std::max<int32_t>(256, elements / static_cast<int32_t>(8 * threads) + 1);
  const int32_t bands = elements == 0 ? 0 : (elements - 1) / step + 1;
  std::vector<std::vector<ModeNode<Histogram>>> bandNodes(static_cast<size_t>(bands) * lanes);
  forEachBand(0, elements - 1, step, threads, [&](int32_t a, int32_t b) {
    std::vector<ModeNode<Histogram>>* const locals = &bandNodes[size_t(a / step) * lanes];
    // A photograph's block histograms have two or three modes: room for three saves the lists
    // their regrowth.
    for (size_t k = 0; k < lanes; ++k) locals[k].reserve(size_t(b - a + 1) * 3);
    for (int32_t i = a; i <= b; ++i) {
      for (size_t k = 0; k < lanes; ++k) {
        std::vector<ModeNode<Histogram>>& local = locals[k];
        Histogram& histogram = first[i][channels[k]];
        const size_t begin = local.size();
        histogram.firstModeNode = modeNodeIndex(begin);
        splitModes(histogram.bins, local, tolerance);
        histogram.endModeNode = modeNodeIndex(local.size());
        for (size_t n = begin; n < local.size(); ++n) {
          local[n].histogram = &histogram;
          local[n].peakCount = binCount(histogram.bins, local[n].peakIndex);
          resolveValley(local[n], histogram.bins);
        }
        chooseBestSplit(histogram, local);
      }
    }
  });
  std::vector<int32_t> offsets(bandNodes.size());
  for (size_t k = 0; k < lanes; ++k) {
    size_t total = lists[k]->size();
    for (size_t band = 0; band < size_t(bands); ++band) {
      offsets[band * lanes + k] = modeNodeIndex(total);
      total += bandNodes[band * lanes + k].size();
    }
    modeNodeIndex(total);
    lists[k]->resize(total);
  }
  for (size_t k = 0; k < lanes; ++k) ranges[k].report(kNoLabel, 0.5f);
  forEachBand(0, elements - 1, step, threads, [&](int32_t a, int32_t b) {
    for (size_t k = 0; k < lanes; ++k) {
      const size_t slot = size_t(a / step) * lanes + k;
      const int32_t offset = offsets[slot];
      std::vector<ModeNode<Histogram>>& local = bandNodes[slot];
      std::copy(local.begin(), local.end(), lists[k]->begin() + offset);
      std::vector<ModeNode<Histogram>>().swap(local);
      for (int32_t i = a; i <= b; ++i) {
        Histogram& histogram = first[i][channels[k]];
        histogram.firstModeNode += offset;
        histogram.endModeNode += offset;
        if (histogram.bestValleyNode != -1) histogram.bestValleyNode += offset;
      }
    }
  });
  for (size_t k = 0; k < lanes; ++k) {
    ranges[k].report(kNoLabel, 0.75f);
    ranges[k].report(kNoLabel, 1.0f);
  }
}

// Splits every channel-`channel` histogram of the elements [first, last) into modes and picks
// each one's best valley, rebuilding the channel's node list `nodes` (watershedFirstChannels
// for one channel). Does nothing and answers false when not forced and the tolerance the
// channel was computed with (`storedTolerance`) equals the current one. The stored tolerance
// is left for the caller to update.
template <class Histogram, class ElementIterator>
bool watershedFirst(bool force, float storedTolerance, float tolerance, const Histogram& overall,
                    ElementIterator first, ElementIterator last, int channel,
                    std::vector<ModeNode<Histogram>>& nodes, ProgressRange range) {
  if (!force && storedTolerance == tolerance) return false;
  std::vector<ProgressRange> ranges{range};
  watershedFirstChannels<Histogram>({channel}, tolerance, overall, first, last, {&nodes}, ranges);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Inner watershed

// A candidate step of a front: from a labelled pixel to its neighbour. Pixels are positions
// in the flood's label array (see WatershedInnerState).
struct BoundaryEdge {
  int32_t source;
  int32_t target;
  int32_t priority;
  int32_t plateau;
  int32_t steps;
};

// Heap order: higher priority first; at equal priority the shorter plateau, then fewer steps.
struct BoundaryEdgeBelow {
  bool operator()(const BoundaryEdge& a, const BoundaryEdge& b) const {
    if (a.priority != b.priority) return a.priority < b.priority;
    if (a.plateau != b.plateau) return a.plateau > b.plateau;
    return a.steps > b.steps;
  }
};

// The edge heap of a flood, popping in BoundaryEdgeBelow order. Priorities 0..255 (all of them
// unless the value offset is negative) are kept in one small heap per priority, so that a push
// or pop sifts only through the edges of its own priority instead of the whole front; any
// other priority goes to one general heap.
class BoundaryEdgeHeap {
 public:
  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  void clear();

  void push(const BoundaryEdge& edge) {
    ++size_;
    if (edge.priority >= 0 && edge.priority < kBuckets) {
      std::vector<Entry>& bucket = buckets_[edge.priority];
      if (bucket.empty()) ++filledBuckets_;
      bucket.push_back(Entry{key(edge.plateau, edge.steps), edge.source, edge.target});
      std::push_heap(bucket.begin(), bucket.end(), EntryAbove());
      if (edge.priority > current_) current_ = edge.priority;
    } else {
      others_.push_back(edge);
      std::push_heap(others_.begin(), others_.end(), BoundaryEdgeBelow());
    }
  }

  // Only when not empty.
  int32_t topPriority() const { return fromBuckets() ? current_ : others_.front().priority; }

  // Only when not empty.
  BoundaryEdge pop() {
    --size_;
    BoundaryEdge edge;
    if (!fromBuckets()) {
      std::pop_heap(others_.begin(), others_.end(), BoundaryEdgeBelow());
      edge = others_.back();
      others_.pop_back();
      return edge;
    }
    std::vector<Entry>& bucket = buckets_[current_];
    std::pop_heap(bucket.begin(), bucket.end(), EntryAbove());
    const Entry entry = bucket.back();
    bucket.pop_back();
    edge.source = entry.source;
    edge.target = entry.target;
    edge.priority = current_;
    edge.plateau = static_cast<int32_t>(static_cast<uint32_t>(entry.key >> 32) ^ kSignBit);
    edge.steps = static_cast<int32_t>(static_cast<uint32_t>(entry.key) ^ kSignBit);
    if (bucket.empty()) {
      if (--filledBuckets_ == 0)
        current_ = 0;
      else
        while (buckets_[current_].empty()) --current_;
    }
    return edge;
  }

 private:
  static const int32_t kBuckets = 256;
  static const uint32_t kSignBit = 0x80000000u;
  struct Entry {
    uint64_t key;  // plateau and steps, order-preserving as unsigned
    int32_t source;
    int32_t target;
  };
  struct EntryAbove {
    bool operator()(const Entry& a, const Entry& b) const { return a.key > b.key; }
  };
  static uint64_t key(int32_t plateau, int32_t steps) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(plateau) ^ kSignBit) << 32) |
           (static_cast<uint32_t>(steps) ^ kSignBit);
  }
  bool fromBuckets() const {
    if (filledBuckets_ == 0) return false;
    return others_.empty() || others_.front().priority < 0;
  }

  std::vector<Entry> buckets_[kBuckets];
  int32_t current_ = 0;  // the highest filled bucket, 0 when none
  int32_t filledBuckets_ = 0;
  std::vector<BoundaryEdge> others_;
  size_t size_ = 0;
};

// The state of one inner flood over a three-byte pixel image whose second byte is the height,
// and a label array of the same domain (the store's view). Pixels are referred to by their
// position in the label array's storage, counted from its first element; the two neighbour
// steps are the label array's strides. The heights are copied at construction into a buffer
// laid out like the labels, so the pixel image may have any layout of its own.
//
// Both arrays must cover the same index domain and be stored row-major with positive strides.
class WatershedInnerState {
 public:
  typedef blitz::TinyVector<uint8_t, 3> Pixel;

  WatershedInnerState(const blitz::Array<Pixel, 2>& pixels, WatershedLabels& labels,
                      int32_t valueOffset);

  WatershedLabels& labels;
  BoundaryEdgeHeap heap;
  int32_t rowStep = 0;
  int32_t columnStep = 0;
  int32_t valueOffset;

  bool empty() const { return rows_ == 0 || columns_ == 0; }
  int32_t rows() const { return rows_; }
  int32_t columns() const { return columns_; }

  // Converts between positions and the arrays' own (row, column) indices.
  int32_t position(int row, int column) const {
    return (row - lowRow_) * rowStep + (column - lowColumn_) * columnStep;
  }
  int rowOf(int32_t position) const { return lowRow_ + position / rowStep; }
  int columnOf(int32_t position) const { return lowColumn_ + (position % rowStep) / columnStep; }

  int32_t label(int32_t position) const { return labelData_[position]; }
  void setLabel(int32_t position, int32_t label) { labelData_[position] = label; }
  uint8_t height(int32_t position) const { return heights_[position]; }

  // Internal to the flood.
  int32_t* labelData() { return labelData_; }
  const uint8_t* heights() const { return heights_.data(); }
  std::vector<int32_t>& seeds() { return seeds_; }

 private:
  int lowRow_ = 0;
  int lowColumn_ = 0;
  int32_t rows_ = 0;
  int32_t columns_ = 0;
  int32_t* labelData_ = nullptr;
  std::vector<uint8_t> heights_;
  std::vector<int32_t> seeds_;
};

// Pushes the edges from `pixel` to those of its four axis neighbours (rows first, backward then
// forward) whose label differs from its own. Neighbours outside the arrays are not offered, so
// callers may start fronts anywhere.
void pushBoundaryEdges(WatershedInnerState& state, int32_t pixel, int32_t priority, int32_t plateau,
                       int32_t steps);

// Labels every unlabelled pixel: the unlabelled pixels are seeds, started highest first as new
// regions whenever no front reaches higher, and fronts flood down from them. Each region's
// boundary list receives the (source, target) pairs where its front met another label.
// Cancellation leaves the labels partly assigned.
void watershedInner(WatershedInnerState& state, ProgressRange range);

}  // namespace corvane
