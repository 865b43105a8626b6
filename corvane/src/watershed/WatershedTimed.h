#pragma once

// The eight-neighbour region flood of the segmentation: seeds start from their first byte,
// highest first, and fronts spread through a queue of 256 first-in first-out buckets whose
// priority is the lower of the front's priority and the larger second byte of the two pixels
// (plus a tolerance).

#include <blitz/array.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"
#include "watershed/WatershedLabels.h"

namespace corvane {

// One queued step of a front, from a labelled pixel to a neighbour. Pixels are positions in
// the flood's own layout (see TimedWatershedState). The plateau and step counters ride along
// unsigned, so that long floods wrap instead of overflowing.
struct TimedEdge {
  int32_t source;  // -1 in records taken from a bucket, which keep sourceLabel instead
  int32_t target;
  int32_t weight;  // 70 along an axis, 99 along a diagonal
  int32_t priority;
  uint32_t plateau;
  uint32_t steps;
  // The source's label when the step was queued. A labelled pixel never changes its label,
  // so the queue keeps this instead of the source: taking a record then needs no look-up in
  // the label store, whose scattered reads cost more than all the rest of a step.
  int32_t sourceLabel;
};

// A first-in first-out list of the edges of one priority: a ring buffer whose capacity
// doubles when it is full. The queue streams through far more records than it holds, so a
// record is kept in 8 bytes: the priority is the bucket's own, the weight rides in the
// target's sign bit (positions are never negative) and the source is kept as its label.
// Plateau length and step count are not kept: within a bucket the order of arrival alone
// decides which record leaves first, so they can never change what the flood does, and
// records taken from a bucket carry 0 for both.
class TimedBucket {
 public:
  bool empty() const { return head_ == tail_; }
  size_t size() const { return tail_ - head_; }
  void push(int32_t sourceLabel, int32_t target, bool diagonal) {
    if (tail_ - head_ == capacity_) grow();
    ring_[tail_++ & mask_] =
        Stored{sourceLabel, static_cast<uint32_t>(target) | (diagonal ? kDiagonal : 0u)};
  }
  void push(const TimedEdge& edge) { push(edge.sourceLabel, edge.target, edge.weight == 99); }
  // The front record; `priority` is the bucket's.
  TimedEdge front(int32_t priority) const {
    const Stored& stored = ring_[head_ & mask_];
    return TimedEdge{-1,
                     static_cast<int32_t>(stored.target & ~kDiagonal),
                     (stored.target & kDiagonal) != 0 ? 99 : 70,
                     priority,
                     0u,
                     0u,
                     stored.sourceLabel};
  }
  int32_t frontTarget() const {
    return static_cast<int32_t>(ring_[head_ & mask_].target & ~kDiagonal);
  }
  int32_t frontLabel() const { return ring_[head_ & mask_].sourceLabel; }
  // The target of the record `ahead` places behind the front, or -1 when there is none.
  int32_t targetAhead(size_t ahead) const {
    if (ahead >= tail_ - head_) return -1;
    return static_cast<int32_t>(ring_[(head_ + ahead) & mask_].target & ~kDiagonal);
  }
  void popFront() { ++head_; }

  static constexpr uint32_t kDiagonal = 0x80000000u;
  struct Stored {
    int32_t sourceLabel;
    uint32_t target;  // position, kDiagonal set for a diagonal step
  };
  // Takes the front record; the bucket must not be empty.
  Stored take() { return ring_[head_++ & mask_]; }

 private:
  void grow();

  std::unique_ptr<Stored[]> ring_;
  size_t capacity_ = 0;
  size_t mask_ = 0;
  size_t head_ = 0;  // counts taken records; positions are taken modulo the capacity
  size_t tail_ = 0;
};

constexpr int32_t kTimedBucketCount = 256;

struct TimedBucketQueue {
  std::vector<TimedBucket> buckets;
  int32_t current = 0;  // the highest bucket that holds records, 0 when empty
  size_t count = 0;     // records held
};

// Makes `buckets` exactly 256 empty buckets.
void resetTimedBuckets(std::vector<TimedBucket>& buckets);

// The seeds of a flood: positions ordered by their first byte, highest first, storage order
// among equal bytes. The seeds of first byte v are those before groupEnd[255 - v] and not
// before the end of the group above.
struct TimedSeeds {
  std::vector<int32_t> positions;
  std::array<size_t, kTimedBucketCount> groupEnd{};
};

// Maps the labelled bits of the 3 x 3 block (row above, own row, row below; left to right,
// lowest bit first) to the open neighbours in offer order.
struct TimedOpenOrder {
  uint8_t open[512];
  constexpr TimedOpenOrder() : open() {
    // Bit of each offer (left, right, up, down, then the diagonals) in the block.
    const int blockBit[8] = {3, 5, 1, 7, 6, 8, 0, 2};
    for (int bits = 0; bits < 512; ++bits) {
      int mask = 0;
      for (int k = 0; k < 8; ++k) mask |= ((bits >> blockBit[k]) & 1) == 0 ? 1 << k : 0;
      open[bits] = static_cast<uint8_t>(mask);
    }
  }
  uint8_t operator[](uint32_t bits) const { return open[bits]; }
};
inline constexpr TimedOpenOrder kTimedOpenOrder{};

// The state of one flood. The label store covers the whole label array; the pixel array
// covers the same domain. Seeds are the unlabelled pixels of `seedDomain`; the flood may
// reach every pixel of the arrays but never offers a neighbour outside them.
//
// The flood works on copies laid out with one guard pixel around the arrays (positions
// counted from that layout's first element, rowStep its row length), and writes the labels
// back when it has finished. Copies are made in bands of rows on all processors.
class TimedWatershedState {
 public:
  using Pixel = blitz::TinyVector<unsigned char, 3>;

  // Guard pixels carry this label: never -1 and never a label a region can have, so no edge
  // is ever offered to them.
  static constexpr int32_t kGuardLabel = INT32_MIN;

  TimedWatershedState(const blitz::Array<Pixel, 2>& pixels, WatershedLabels& labels,
                      const Box& seedDomain, int32_t valueOffset);

  WatershedLabels& labels;
  TimedBucketQueue queue;
  int32_t rowStep = 0;
  int32_t valueOffset = 0;

  int32_t label(int32_t position) const { return label_[position]; }
  void setLabel(int32_t position, int32_t value) {
    label_[position] = value;
    if (value != -1)
      labelled_[static_cast<size_t>(position) >> 6] |= uint64_t(1) << (position & 63);
  }
  // Whether the pixel carries a label (or is a guard): a bit per pixel, which the queue's
  // scattered targets find in cache far more often than the labels themselves.
  bool labelled(int32_t position) const {
    return (labelled_[static_cast<size_t>(position) >> 6] >> (position & 63)) & 1;
  }
  // The unlabelled neighbours of `position` (never a guard pixel), one bit each in offer
  // order: read as three runs of three bits, one per row, instead of eight single bits.
  uint32_t openNeighbours(int32_t position) const {
    const uint32_t bits = rowOfThree(position - rowStep) | rowOfThree(position) << 3 |
                          rowOfThree(position + rowStep) << 6;
    return kTimedOpenOrder[bits];
  }
  // Second byte (low byte) and the queued mark (high byte, see TimedFlood::offer).
  uint16_t cell(int32_t position) const { return cell_[position]; }
  void setCell(int32_t position, uint16_t value) { cell_[position] = value; }
  unsigned char height(int32_t position) const { return cell_[position] & 0xFF; }
  int32_t position(int row, int column) const {
    return (row - lowRow_ + 1) * rowStep + (column - lowColumn_ + 1);
  }
  // Asks the caches for the cells that offering the neighbours of `position` will read. The
  // labelled bits, a bit a pixel, stay cached anyway.
  void prefetchAround(int32_t position) const {
    for (int32_t p : {position - rowStep, position, position + rowStep})
      __builtin_prefetch(&cell_[p], 1);
  }

  // Seeds: the unlabelled pixels of the seed domain, ordered as TimedSeeds describes.
  const TimedSeeds& seeds() const { return seeds_; }
  // Writes the flood's labels into the label store's array.
  void storeLabels() const;

 private:
  friend class TimedFlood;
  friend class TimedFloodRun;

  // The labelled bits of position - 1, position and position + 1. The bit store is padded
  // by a word, so that the two bytes read here never leave it.
  uint32_t rowOfThree(int32_t position) const {
    const size_t first = static_cast<size_t>(position - 1);
    uint16_t pair;
    std::memcpy(&pair, reinterpret_cast<const unsigned char*>(labelled_.get()) + (first >> 3),
                sizeof pair);
    return (uint32_t(pair) >> (first & 7)) & 7u;
  }

  using SeedCounts = std::array<size_t, kTimedBucketCount>;

  // Construction, phase by phase. The flood's layout: every array one pixel wider on every
  // side, the guard rows set; answers the number of positions.
  size_t allocateLayout();
  // The labels and height cells copied into the layout (with the guard columns), and the
  // unlabelled pixels of the seed box (inside the arrays, possibly empty) counted per band of
  // rows and first byte.
  std::vector<SeedCounts> copyIn(const blitz::Array<Pixel, 2>& pixels, const Box& seedBox);
  // The labelled bits from the copied labels; positions past the last are labelled.
  void markLabelled(size_t size);
  // The seeds sorted by first byte, highest first, storage order among equal bytes.
  void sortSeeds(const blitz::Array<Pixel, 2>& pixels, const Box& seedBox,
                 const std::vector<SeedCounts>& counts);

  // Steps to the eight neighbours in offer order.
  std::array<int32_t, 8> offsets_{};
  int lowRow_ = 0;
  int lowColumn_ = 0;
  int32_t rows_ = 0;
  int32_t columns_ = 0;
  std::unique_ptr<int32_t[]> label_;
  std::unique_ptr<uint64_t[]> labelled_;
  std::unique_ptr<uint16_t[]> cell_;
  TimedSeeds seeds_;
};

inline void dropFrontEdge(TimedBucketQueue& queue) {
  queue.buckets[static_cast<size_t>(queue.current)].popFront();
  if (--queue.count == 0) {
    queue.current = 0;
    return;
  }
  while (queue.buckets[static_cast<size_t>(queue.current)].empty()) --queue.current;
}

inline void queueTimedRecord(TimedBucketQueue& queue, int32_t priority, int32_t sourceLabel,
                             int32_t target, bool diagonal) {
  queue.buckets[static_cast<size_t>(priority)].push(sourceLabel, target, diagonal);
  if (priority > queue.current) queue.current = priority;
  ++queue.count;
}

// Queues the edge q -> n unless both carry the same label (or n is outside the arrays).
inline void pushTimedEdge(TimedWatershedState& state, int32_t priority, uint32_t /*plateau*/,
                          uint32_t /*steps*/, int32_t q, int32_t n, int32_t weight) {
  const int32_t targetLabel = state.label(n);
  if (targetLabel == state.label(q) || targetLabel == TimedWatershedState::kGuardLabel) return;
  const int32_t h = std::max(state.height(q), state.height(n)) + state.valueOffset;
  queueTimedRecord(state.queue, std::min(priority, h), state.label(q), n, weight == 99);
}

// The flood's inner steps, which work on the state's stores directly.
class TimedFlood {
 public:
  // Offers the eight neighbours of q: along the row, along the column, then the diagonals.
  // Like eight pushTimedEdge calls, with q's height read once, except that some records that
  // could only be taken without effect are not queued at all:
  // - a neighbour that already carries any label (a labelled pixel never changes its label);
  // - a neighbour that already waits in a bucket of the same or a higher priority. That
  //   record leaves first (higher buckets empty first, equal ones in order of arrival) and
  //   labels the neighbour, so the new one would find it labelled. The high byte of the
  //   neighbour's cell keeps the highest priority it waits at, plus 1 (255 standing for 254
  //   or 255).
  // Neither kind can change which seed starts either: while such a record stands before the
  // live ones, the flood takes it without effect and compares the seed again with the bucket
  // below. Labels, label count and the order in which live records leave are therefore the
  // same; only the number of records taken (and with it how often progress is reported)
  // drops.
  // Raises `current` to the highest priority queued when kRaise; while a bucket is being
  // drained nothing can land above it, as a record's priority never exceeds its front's.
  // Returns the number of records queued.
  template <bool kRaise>
  static size_t offer(const TimedWatershedState& state, TimedBucket* buckets, int32_t q,
                      int32_t qLabel, int32_t priority, int32_t& current) {
    const int32_t* const offsets = state.offsets_.data();
    uint16_t* const cells = state.cell_.get();
    const int32_t qHeight = cells[q] & 0xFF;
    const int32_t valueOffset = state.valueOffset;
    size_t queued = 0;
    for (uint32_t open = state.openNeighbours(q); open != 0; open &= open - 1) {
      const int k = __builtin_ctz(open);
      const int32_t n = q + offsets[k];
      const uint32_t cell = cells[n];
      const int32_t h = std::max<int32_t>(qHeight, int32_t(cell & 0xFF)) + valueOffset;
      const int32_t p = std::min(priority, h);
      if (int32_t(cell >> 8) > p) continue;
      cells[n] = static_cast<uint16_t>((cell & 0xFF) | (uint32_t(std::min(p + 1, 255)) << 8));
      buckets[p].push(qLabel, n, k >= 4);
      if (kRaise && p > current) current = p;
      ++queued;
    }
    return queued;
  }
};

// Offers the eight neighbours of q as TimedFlood::offer describes. `qLabel` is q's label,
// which the caller passes when it has just set it.
inline void offerTimedEdges(int32_t /*rowStep*/, int32_t q, int32_t qLabel,
                            TimedWatershedState& state, int32_t priority, uint32_t /*plateau*/,
                            uint32_t /*steps*/) {
  TimedBucketQueue& queue = state.queue;
  queue.count +=
      TimedFlood::offer<true>(state, queue.buckets.data(), q, qLabel, priority, queue.current);
}

inline void pushTimedEdges(int32_t rowStep, int32_t q, TimedWatershedState& state, int32_t priority,
                           uint32_t plateau, uint32_t steps) {
  offerTimedEdges(rowStep, q, state.label(q), state, priority, plateau, steps);
}

// Takes the front record of the highest bucket; an unlabelled target joins the source's
// region and offers its own neighbours.
inline void popTimedEdge(TimedWatershedState& state) {
  TimedBucketQueue& queue = state.queue;
  const TimedBucket& bucket = queue.buckets[static_cast<size_t>(queue.current)];
  const int32_t target = bucket.frontTarget();
  const int32_t sourceLabel = bucket.frontLabel();
  const int32_t priority = queue.current;
  dropFrontEdge(queue);
  if (state.labelled(target)) return;
  state.setLabel(target, sourceLabel);
  offerTimedEdges(state.rowStep, target, sourceLabel, state, priority, 0u, 0u);
}

// Labels every unlabelled pixel; progress label "Watershed inner". The value offset must lie
// in 0 .. 256 so that every priority is a bucket.
void watershedInnerTimed(TimedWatershedState& state, ProgressRange range);

}  // namespace corvane
