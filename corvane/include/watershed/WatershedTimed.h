#pragma once

// The eight-neighbour region flood of the segmentation: seeds start from their first byte,
// highest first, and fronts spread through a queue of 256 first-in first-out buckets whose
// priority is the lower of the front's priority and the larger second byte of the two pixels
// (plus a tolerance).

#include <blitz/array.h>

#include <cstddef>
#include <cstdint>
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
// record is kept in 16 bytes: the priority is the bucket's own, the weight rides in the
// target's sign bit (positions are never negative) and the source is kept as its label.
class TimedBucket {
 public:
  bool empty() const { return head_ == tail_; }
  size_t size() const { return tail_ - head_; }
  void push(const TimedEdge& edge) {
    if (tail_ - head_ == ring_.size()) grow();
    const uint32_t diagonal = edge.weight == 99 ? kDiagonal : 0u;
    ring_[tail_++ & mask_] = Stored{edge.sourceLabel, static_cast<uint32_t>(edge.target) | diagonal,
                                    edge.plateau, edge.steps};
  }
  // The front record; `priority` is the bucket's.
  TimedEdge front(int32_t priority) const {
    const Stored& stored = ring_[head_ & mask_];
    return TimedEdge{-1,
                     static_cast<int32_t>(stored.target & ~kDiagonal),
                     (stored.target & kDiagonal) != 0 ? 99 : 70,
                     priority,
                     stored.plateau,
                     stored.steps,
                     stored.sourceLabel};
  }
  void popFront() { ++head_; }

 private:
  static constexpr uint32_t kDiagonal = 0x80000000u;
  struct Stored {
    int32_t sourceLabel;
    uint32_t target;
    uint32_t plateau;
    uint32_t steps;
  };

  void grow() {
    const size_t count = tail_ - head_;
    std::vector<Stored> larger(ring_.empty() ? 16 : ring_.size() * 2);
    for (size_t k = 0; k < count; ++k) larger[k] = ring_[(head_ + k) & mask_];
    ring_.swap(larger);
    mask_ = ring_.size() - 1;
    head_ = 0;
    tail_ = count;
  }

  std::vector<Stored> ring_;
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

// The state of one flood. The label store covers the whole label array; the pixel array
// covers the same domain. Seeds are the unlabelled pixels of `seedDomain`; the flood may
// reach every pixel of the arrays but never offers a neighbour outside them.
//
// The flood works on copies laid out with one guard pixel around the arrays (positions
// counted from that layout's first element, rowStep its row length), and writes the labels
// back when it has finished.
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
  unsigned char seedValue(int32_t position) const { return seedValue_[position]; }
  unsigned char height(int32_t position) const { return height_[position]; }
  int32_t position(int row, int column) const {
    return (row - lowRow_ + 1) * rowStep + (column - lowColumn_ + 1);
  }

  // Seeds: the unlabelled pixels of the seed domain, in storage order.
  std::vector<int32_t> collectSeeds() const;
  // Writes the flood's labels into the label store's array.
  void storeLabels() const;

 private:
  int lowRow_ = 0;
  int lowColumn_ = 0;
  int32_t rows_ = 0;
  int32_t columns_ = 0;
  Box seedDomain_{0, 0, -1, -1};
  std::vector<int32_t> label_;
  std::vector<uint64_t> labelled_;
  std::vector<unsigned char> seedValue_;  // first bytes
  std::vector<unsigned char> height_;     // second bytes
};

inline void dropFrontEdge(TimedBucketQueue& queue) {
  queue.buckets[static_cast<size_t>(queue.current)].popFront();
  if (--queue.count == 0) {
    queue.current = 0;
    return;
  }
  while (queue.buckets[static_cast<size_t>(queue.current)].empty()) --queue.current;
}

// Queues the edge q -> n unless both carry the same label (or n is outside the arrays).
inline void pushTimedEdge(TimedWatershedState& state, int32_t priority, uint32_t plateau,
                          uint32_t steps, int32_t q, int32_t n, int32_t weight) {
  const int32_t targetLabel = state.label(n);
  if (targetLabel == state.label(q) || targetLabel == TimedWatershedState::kGuardLabel) return;
  const int32_t h = std::max(state.height(q), state.height(n)) + state.valueOffset;
  TimedEdge edge;
  edge.source = q;
  edge.target = n;
  edge.weight = weight;
  edge.sourceLabel = state.label(q);
  edge.priority = std::min(priority, h);
  edge.plateau = h >= priority ? plateau + static_cast<uint32_t>(weight) : 0u;
  edge.steps = steps + static_cast<uint32_t>(weight);
  TimedBucketQueue& queue = state.queue;
  queue.buckets[static_cast<size_t>(edge.priority)].push(edge);
  if (edge.priority > queue.current) queue.current = edge.priority;
  ++queue.count;
}

// Offers the eight neighbours of q: along the row, along the column, then the diagonals.
// Like eight pushTimedEdge calls, with q's height read once, except that a neighbour that
// already carries any label is not queued at all. Such a record could only be discarded when
// taken (a labelled pixel never changes its label), and it cannot change which seed starts
// when either: while it stands before the live records, the flood takes it without effect and
// compares the seed again with the bucket below. Labels, label count and the order in which
// live records leave are therefore the same; only the number of records taken (and with it
// how often the flood's progress is reported) drops.
// `qLabel` is q's label, which the caller passes when it has just set it.
inline void offerTimedEdges(int32_t rowStep, int32_t q, int32_t qLabel, TimedWatershedState& state,
                            int32_t priority, uint32_t plateau, uint32_t steps) {
  const int32_t offsets[8] = {-1,          1,           -rowStep,     rowStep,
                              rowStep - 1, rowStep + 1, -rowStep - 1, -rowStep + 1};
  const int32_t qHeight = state.height(q);
  const int32_t valueOffset = state.valueOffset;
  TimedBucketQueue& queue = state.queue;
  // Which neighbours are unlabelled, as one bit each in offer order: walking the set bits
  // spares a hard-to-predict branch per neighbour.
  uint32_t open = 0;
  for (int k = 0; k < 8; ++k) open |= static_cast<uint32_t>(!state.labelled(q + offsets[k])) << k;
  while (open != 0) {
    const int k = __builtin_ctz(open);
    open &= open - 1;
    const int32_t n = q + offsets[k];
    const int32_t weight = k < 4 ? 70 : 99;
    const int32_t h = std::max<int32_t>(qHeight, state.height(n)) + valueOffset;
    TimedEdge edge;
    edge.source = q;
    edge.target = n;
    edge.sourceLabel = qLabel;
    edge.weight = weight;
    edge.priority = std::min(priority, h);
    edge.plateau = h >= priority ? plateau + static_cast<uint32_t>(weight) : 0u;
    edge.steps = steps + static_cast<uint32_t>(weight);
    queue.buckets[static_cast<size_t>(edge.priority)].push(edge);
    if (edge.priority > queue.current) queue.current = edge.priority;
    ++queue.count;
  }
}

inline void pushTimedEdges(int32_t rowStep, int32_t q, TimedWatershedState& state, int32_t priority,
                           uint32_t plateau, uint32_t steps) {
  offerTimedEdges(rowStep, q, state.label(q), state, priority, plateau, steps);
}

// Takes the front record of the highest bucket; an unlabelled target joins the source's
// region and offers its own neighbours.
inline void popTimedEdge(TimedWatershedState& state) {
  TimedBucketQueue& queue = state.queue;
  const TimedEdge edge = queue.buckets[static_cast<size_t>(queue.current)].front(queue.current);
  dropFrontEdge(queue);
  if (state.labelled(edge.target)) return;
  state.setLabel(edge.target, edge.sourceLabel);
  offerTimedEdges(state.rowStep, edge.target, edge.sourceLabel, state, edge.priority, edge.plateau,
                  edge.steps);
}

// Labels every unlabelled pixel; progress label "Watershed inner". The value offset must lie
// in 0 .. 256 so that every priority is a bucket.
void watershedInnerTimed(TimedWatershedState& state, ProgressRange range);

}  // namespace corvane
