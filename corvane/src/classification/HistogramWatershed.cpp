#include "classification/HistogramWatershed.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <memory>
#include <utility>
#include <vector>

#include "util/ParallelBands.h"
#include "util/RadixSort.h"
#include "util/WatershedCheckpoint.h"

namespace classification {

namespace {

// The flood's edge record: it carries the label of its source bin, which never changes once
// set, instead of the bin itself, so that a pop reads no source bin.
struct FloodEdge {
  uint32_t target;
  int32_t label;
  uint32_t priority;
  int32_t plateau;
  int32_t steps;
};

// Heap order (the greatest goes first): higher priority, then the shorter plateau, then the
// fewer steps.
struct EdgeOrder {
  bool operator()(const FloodEdge& a, const FloodEdge& b) const {
    if (a.priority != b.priority) return a.priority < b.priority;
    if (a.plateau != b.plateau) return a.plateau > b.plateau;
    return a.steps > b.steps;
  }
};

// A binary max-heap in an array (children of i at 2i + 1 and 2i + 2) whose records equal in
// order leave in a fixed order: the one the common standard-library heap gives. A pop moves the
// hole left by the top down to a leaf, always to the greater child and to the right one of two
// equal children, then lets the last record rise from there; a push lets the new record rise
// past every parent that goes after it. The records sit so that two siblings share a cache
// line and the four grandchildren of a record fill one, which the way down loads a level ahead.
template <class Record, class Before>
class RecordHeap {
 public:
  RecordHeap() = default;
  RecordHeap(const RecordHeap&) = delete;
  RecordHeap& operator=(const RecordHeap&) = delete;
  ~RecordHeap() { release(); }

  bool empty() const { return size_ == 0; }
  size_t size() const { return size_; }
  const Record& top() const { return records_[0]; }
  const Record& operator[](size_t i) const { return records_[i]; }

  void push(const Record& record) {
    if (size_ == capacity_) grow();
    rise(size_++, record);
  }

  // Requires a record.
  Record pop() {
    const Record top = records_[0];
    if (--size_ > 0) sink(records_[size_]);
    return top;
  }

 private:
  void rise(size_t hole, const Record& record) {
    while (hole > 0) {
      const size_t parent = (hole - 1) / 2;
      if (!before_(records_[parent], record)) break;
      records_[hole] = records_[parent];
      hole = parent;
    }
    records_[hole] = record;
  }

  // Refills the hole at the top from the size_ records left, then places `last` (the record
  // that stood at index size_).
  void sink(const Record& last) {
    const size_t length = size_;
    size_t hole = 0;
    size_t child = 0;
    while (child < (length - 1) / 2) {
      child = 2 * (child + 1);
      if (4 * child + 3 < length) __builtin_prefetch(&records_[4 * child + 3]);
      if (before_(records_[child], records_[child - 1])) --child;
      records_[hole] = records_[child];
      hole = child;
    }
    if ((length & 1) == 0 && child == (length - 2) / 2) {
      child = 2 * (child + 1);
      records_[hole] = records_[child - 1];
      hole = child - 1;
    }
    rise(hole, last);
  }

  void grow() {
    const size_t capacity = capacity_ == 0 ? 1024 : 2 * capacity_;
    // Record 3 starts a 64-byte line (for 16-byte records: see above).
    void* block = ::operator new((capacity + 4) * sizeof(Record), std::align_val_t(64));
    Record* records = reinterpret_cast<Record*>(static_cast<char*>(block) + 64) - 3;
    if (size_ > 0) std::memcpy(static_cast<void*>(records), records_, size_ * sizeof(Record));
    release();
    block_ = block;
    records_ = records;
    capacity_ = capacity;
  }
  void release() {
    if (block_) ::operator delete(block_, std::align_val_t(64));
    block_ = nullptr;
  }

  Before before_;
  void* block_ = nullptr;
  Record* records_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// The edge heap. While plateau lengths and step counts stay below 2^16, as they do on
// photographs, the three ordering fields pack into one word whose integer order is the heap
// order, and a record takes 16 bytes instead of 20: more of the heap stays in the cache and a
// comparison is a single one. The first record beyond that range turns every packed record
// back into a full one in place, which leaves the heap's arrangement, and so the order of
// everything popped later, as it was.
class EdgeHeap {
 public:
  bool empty() const { return wide_ ? full_.empty() : packed_.empty(); }
  size_t size() const { return wide_ ? full_.size() : packed_.size(); }
  uint32_t topPriority() const {
    return wide_ ? full_.top().priority : uint32_t(packed_.top().order >> 32);
  }
  uint32_t topTarget() const { return wide_ ? full_.top().target : packed_.top().target; }

  void push(const FloodEdge& edge) {
    if (!wide_ && (edge.plateau > kPackedLimit || edge.steps > kPackedLimit)) widen();
    if (wide_) {
      full_.push(edge);
    } else {
      packed_.push(pack(edge));
    }
  }

  // Requires an edge.
  FloodEdge pop() { return wide_ ? full_.pop() : unpack(packed_.pop()); }

 private:
  static constexpr int32_t kPackedLimit = 0xFFFF;

  struct PackedEdge {
    uint64_t order;  // priority, then 0xFFFF - plateau, then 0xFFFF - steps
    uint32_t target;
    int32_t label;
  };
  struct PackedOrder {
    bool operator()(const PackedEdge& a, const PackedEdge& b) const { return a.order < b.order; }
  };

  static PackedEdge pack(const FloodEdge& e) {
    const uint64_t order = uint64_t(e.priority) << 32 | uint64_t(kPackedLimit - e.plateau) << 16 |
                           uint64_t(kPackedLimit - e.steps);
    return PackedEdge{order, e.target, e.label};
  }
  static FloodEdge unpack(const PackedEdge& p) {
    return FloodEdge{p.target, p.label, uint32_t(p.order >> 32),
                     kPackedLimit - int32_t((p.order >> 16) & 0xFFFF),
                     kPackedLimit - int32_t(p.order & 0xFFFF)};
  }

  // Pushing the records in index order onto an empty heap moves none of them: each already
  // goes no earlier than its parent.
  void widen() {
    for (size_t i = 0; i < packed_.size(); ++i) full_.push(unpack(packed_[i]));
    wide_ = true;
  }

  bool wide_ = false;
  RecordHeap<PackedEdge, PackedOrder> packed_;
  RecordHeap<FloodEdge, EdgeOrder> full_;
};

// The bins of one level in ascending order of their packed keys (channel 0 the lowest byte).
// The flood numbers bins in this order: a colour and its neighbours in the low channels lie
// close together, so the flood's reads stay nearer each other than in the list, where bins
// lie in the order the image first showed them.
struct KeyOrder {
  explicit KeyOrder(const ColourHistogram& level)
      : keys(level.size()), listPositions(level.size()) {
    corvane::forEachInParallel(level.size(), 65536, [&](size_t i) {
      keys[i] = packColourKey(level[i].key);
      listPositions[i] = uint32_t(i);
    });
    corvane::stableRadixSort(keys, listPositions, 0, 5);
  }

  std::vector<uint64_t> keys;
  std::vector<uint32_t> listPositions;  // the list position of each bin in key order
};

// The existing colour neighbours of every bin (numbered in key order), in the order the flood
// pushes them: channel 0 lowered, channel 0 raised, channel 1 lowered and so on. They are
// found by walking the sorted keys rather than by table lookups, which would hop across
// memory once per neighbour: a bin's key one lower (or higher) in a channel grows with the
// bin's own, so one cursor per channel and direction finds them all for a stretch of bins.
// Stretches are found apart on the engine's workers and their lists stay where the walks put
// them, one per stretch. Each bin's count sits beside the start of its neighbours, as a bin's
// labelling reads both.
class Neighbours {
 public:
  Neighbours(const std::vector<uint64_t>& keys, const ColourHistogram& level,
             const std::vector<uint32_t>& listPositions)
      : spans_(keys.size() + 1, Span{0, 0}) {
    const size_t count = keys.size();
    while ((size_t(1) << stretchShift_) * 8 * corvane::processorCount() < count) ++stretchShift_;
    const size_t stretch = size_t(1) << stretchShift_;
    const size_t stretches = (count + stretch - 1) / stretch;
    // One walk per stretch gathers its bins' neighbours and counts them (in the next bin's
    // span); the counts then become offsets that run on from stretch to stretch.
    found_.resize(stretches);
    corvane::forEachInParallel(stretches, 1, [&](size_t k) {
      const size_t first = k * stretch, end = std::min(count, first + stretch);
      std::vector<uint32_t>& mine = found_[k];
      mine.reserve(2 * (end - first));
      forEachNeighbour(keys, first, end, [this, &mine](size_t bin, uint32_t n) {
        ++spans_[bin + 1].first;
        mine.push_back(n);
      });
      for (size_t i = first; i < end; ++i) spans_[i].count = level[listPositions[i]].count;
      // Held through the whole flood, beside the heap: no spare room.
      mine.shrink_to_fit();
    });
    for (size_t i = 0; i < count; ++i) spans_[i + 1].first += spans_[i].first;
  }

  uint32_t count(uint32_t bin) const { return spans_[bin].count; }
  const uint32_t* begin(uint32_t bin) const {
    const size_t k = bin >> stretchShift_;
    return found_[k].data() + (spans_[bin].first - spans_[k << stretchShift_].first);
  }
  const uint32_t* end(uint32_t bin) const {
    return begin(bin) + (spans_[bin + 1].first - spans_[bin].first);
  }
  void prefetch(uint32_t bin) const { __builtin_prefetch(&spans_[bin]); }

 private:
  // Calls f(bin, neighbour) for the bins first .. end - 1 in order, each bin's neighbours in
  // push order.
  template <class F>
  static void forEachNeighbour(const std::vector<uint64_t>& keys, size_t first, size_t end, F f) {
    if (first >= end) return;
    const size_t count = keys.size();
    // cursor[2c] looks for the key one lower in channel c, cursor[2c + 1] one higher.
    std::array<size_t, 12> cursor;
    for (int c = 0; c < 6; ++c) {
      const uint64_t one = uint64_t(1) << (8 * c);
      const uint64_t key = keys[first];
      cursor[2 * c] = size_t(std::lower_bound(keys.begin(), keys.end(), key < one ? 0 : key - one) -
                             keys.begin());
      cursor[2 * c + 1] =
          size_t(std::lower_bound(keys.begin(), keys.end(), key + one) - keys.begin());
    }
    for (size_t bin = first; bin < end; ++bin) {
      const uint64_t key = keys[bin];
      for (int c = 0; c < 6; ++c) {
        const uint64_t one = uint64_t(1) << (8 * c);
        const uint64_t value = (key >> (8 * c)) & 0xFF;
        if (value != 0) {
          size_t& at = cursor[2 * c];
          const uint64_t lower = key - one;
          while (at < count && keys[at] < lower) ++at;
          if (at < count && keys[at] == lower) f(bin, uint32_t(at));
        }
        if (value != 0xFF) {
          size_t& at = cursor[2 * c + 1];
          const uint64_t upper = key + one;
          while (at < count && keys[at] < upper) ++at;
          if (at < count && keys[at] == upper) f(bin, uint32_t(at));
        }
      }
    }
  }

  struct Span {
    uint32_t first;  // where the bin's neighbours start, counted over every stretch
    uint32_t count;  // the bin's pixel count
  };
  std::vector<Span> spans_;                   // one per bin and one past the last
  std::vector<std::vector<uint32_t>> found_;  // the neighbours of each stretch of bins
  int stretchShift_ = 12;                     // bins per stretch: at least 4096
};

// The bins of label -1 by count, largest first; equal counts keep their list order. Each
// entry holds the complemented count above the bin's number in key order, so that the seed
// loop reads counts without touching the bins.
std::vector<uint64_t> sortedSeeds(const ColourHistogram& level, const KeyOrder& order) {
  std::vector<uint32_t> numbers(level.size());
  corvane::forEachInParallel(numbers.size(), 65536,
                             [&](size_t n) { numbers[order.listPositions[n]] = uint32_t(n); });
  std::vector<uint64_t> seeds;
  for (uint32_t i = 0; i < level.size(); ++i) {
    if (level[i].label == -1) seeds.push_back(uint64_t(~level[i].count) << 32 | i);
  }
  // A stable sort on the count bytes; photographs' counts rarely need more than two passes.
  std::vector<uint32_t> none;
  corvane::stableRadixSort(seeds, none, 4, 7);
  corvane::forEachInParallel(seeds.size(), 65536, [&](size_t k) {
    uint64_t& seed = seeds[k];
    seed = (seed & ~uint64_t(0xFFFFFFFFu)) | numbers[uint32_t(seed)];
  });
  return seeds;
}

uint32_t seedBin(uint64_t seed) {
  return uint32_t(seed);
}
uint32_t seedCount(uint64_t seed) {
  return ~uint32_t(seed >> 32);
}

// The flood's state. Whether a bin has a label is kept in a bit set apart from the labels
// themselves: most edges and neighbours are dropped on that test alone, and one bit a bin
// keeps the whole set in the cache where the labels would not fit.
class Flood {
 public:
  Flood(const Neighbours& neighbours, std::vector<int32_t>& labels)
      : neighbours_(neighbours), labels_(labels), labelled_((labels.size() + 63) / 64, 0) {
    for (uint32_t bin = 0; bin < labels.size(); ++bin) {
      if (labels[bin] != -1) markLabelled(bin);
    }
  }

  bool labelled(uint32_t bin) const { return (labelled_[bin >> 6] >> (bin & 63)) & 1; }

  void label(uint32_t bin, int32_t label) {
    markLabelled(bin);
    labels_[bin] = label;
  }

  // Pushes an edge to every existing unlabelled colour one step away in one channel. The edge
  // priority falls with the bin's own (halved) count, so a front crossing a sparse colour loses
  // priority there. An edge into a bin that already has a label could only be popped and
  // dropped: it is not pushed at all, which keeps the heap to the edges that can still label a
  // bin.
  void pushNeighbours(uint32_t bin, int32_t label, uint32_t priority, int32_t plateau,
                      int32_t steps) {
    const uint32_t half = neighbours_.count(bin) >> 1;
    FloodEdge edge{0, label, std::min(priority, half), half >= priority ? plateau + 1 : 0,
                   steps + 1};
    for (const uint32_t* n = neighbours_.begin(bin); n != neighbours_.end(bin); ++n) {
      if (labelled(*n)) continue;
      edge.target = *n;
      heap.push(edge);
    }
  }

  // Starts loading what a pop of the heap's top would read.
  void prefetchTop() const {
    if (!heap.empty()) neighbours_.prefetch(heap.topTarget());
  }

  EdgeHeap heap;

 private:
  void markLabelled(uint32_t bin) { labelled_[bin >> 6] |= uint64_t(1) << (bin & 63); }

  const Neighbours& neighbours_;
  std::vector<int32_t>& labels_;
  std::vector<uint64_t> labelled_;
};

void floodLevel(const std::vector<uint64_t>& seeds, const Neighbours& neighbours,
                std::vector<int32_t>& labels, WatershedResult& slot, const ProgressRange& range) {
  Flood flood(neighbours, labels);
  EdgeHeap& heap = flood.heap;
  size_t nextSeed = 0;
  auto skipLabelledSeeds = [&] {
    while (nextSeed < seeds.size() && flood.labelled(seedBin(seeds[nextSeed]))) ++nextSeed;
  };
  // A seed of count 0 starts only once the fronts have fallen to priority 0, so the shortcut
  // below holds only when there is none.
  const bool lastSeedCounted = seeds.empty() || seedCount(seeds.back()) >= 1;
  uint64_t pops = 0;
  uint64_t largestWork = 0;
  float fraction = 0.0f;

  for (;;) {
    while (!heap.empty()) {
      skipLabelledSeeds();
      // A colour more frequent than anything the fronts can still reach is a peak of its own.
      if (nextSeed < seeds.size() && seedCount(seeds[nextSeed]) > heap.topPriority()) break;
      const FloodEdge edge = heap.pop();
      if (!flood.labelled(edge.target)) {
        flood.label(edge.target, edge.label);
        flood.pushNeighbours(edge.target, edge.label, edge.priority, edge.plateau, edge.steps);
      }
      flood.prefetchTop();
      if ((++pops & (corvane::kWatershedCheckpointPops - 1)) == 0) {
        const uint64_t pending = heap.size();
        largestWork = std::max(largestWork, pops - 1 + pending);
        fraction = std::max(fraction, 1.0f - float(pending) / float(largestWork));
        range.checkpoint(corvane::kWatershedInnerPath, corvane::kWatershedInnerLine,
                         "Watershed inner", fraction);
      }
    }
    skipLabelledSeeds();
    if (nextSeed == seeds.size()) break;

    const uint64_t seed = seeds[nextSeed++];
    const int32_t label = slot.nextLabel <= slot.labelLimit ? slot.nextLabel++ : slot.labelLimit;
    flood.label(seedBin(seed), label);
    if (seedCount(seed) == 1 && lastSeedCounted) {
      // Every bin still unlabelled is a seed of count 1 (the seeds go by count, and every
      // unlabelled bin is one). A count-1 seed beats the heap's top (it starts only when the
      // top is below 1), and its edges take priority min(1, 1 >> 1) = 0: from here on the
      // seeds start one after another, each as a peak of its own, and no edge is taken
      // until every bin carries a label, when taking the rest changes nothing. On a
      // photograph's fine levels most bins are such lone colours.
      for (; nextSeed < seeds.size(); ++nextSeed) {
        const uint32_t bin = seedBin(seeds[nextSeed]);
        if (flood.labelled(bin)) continue;
        flood.label(bin, slot.nextLabel <= slot.labelLimit ? slot.nextLabel++ : slot.labelLimit);
      }
      return;
    }
    flood.pushNeighbours(seedBin(seed), label, seedCount(seed), 0, 0);
  }
}

}  // namespace

void histogramWatershed(ColourHistogram& level, WatershedResult& slot, ProgressRange progress) {
  const ProgressRange range(progress.ui(), progress.map(progress.current()),
                            0.05f * progress.start() + 0.95f * progress.end());

  const size_t count = level.size();
  std::vector<uint32_t> listPositions;
  std::vector<uint64_t> seeds;
  std::unique_ptr<const Neighbours> neighbours;
  {
    KeyOrder order(level);
    seeds = sortedSeeds(level, order);
    neighbours = std::make_unique<const Neighbours>(order.keys, level, order.listPositions);
    listPositions.swap(order.listPositions);
  }
  std::vector<int32_t> labels(count);
  for (size_t n = 0; n < count; ++n) labels[n] = level[listPositions[n]].label;

  // The labels reach the bins even when a checkpoint cancels the flood, as if it had written
  // them there directly.
  auto writeLabels = [&] {
    for (size_t n = 0; n < count; ++n) level[listPositions[n]].label = labels[n];
  };
  try {
    floodLevel(seeds, *neighbours, labels, slot, range);
  } catch (...) {
    writeLabels();
    throw;
  }
  writeLabels();
}

}  // namespace classification
