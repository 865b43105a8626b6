#include "watershed/WatershedTimed.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/WatershedCheckpoint.h"

namespace corvane {

namespace {

// Rows per band of the copies in and out of the flood's layout.
const int32_t kBandRows = 64;
// Label words per band of the labelled bits.
const int32_t kBandWords = 1 << 14;
// How far behind the front of a bucket the flood asks for the next record's pixels: far
// enough for the memory to answer, near enough for the lines to still be there.
const size_t kPrefetchAhead = 32;

}  // namespace

void TimedBucket::grow() {
  const size_t count = tail_ - head_;
  const size_t capacity = capacity_ == 0 ? 16 : capacity_ * 2;
  std::unique_ptr<Stored[]> larger(new Stored[capacity]);
  for (size_t k = 0; k < count; ++k) larger[k] = ring_[(head_ + k) & mask_];
  ring_ = std::move(larger);
  capacity_ = capacity;
  mask_ = capacity - 1;
  head_ = 0;
  tail_ = count;
}

void resetTimedBuckets(std::vector<TimedBucket>& buckets) {
  buckets.resize(kTimedBucketCount);
  for (TimedBucket& bucket : buckets) bucket = TimedBucket();
}

TimedWatershedState::TimedWatershedState(const blitz::Array<Pixel, 2>& pixels,
                                         WatershedLabels& labels, const Box& seedDomain,
                                         int32_t valueOffset)
    : labels(labels), valueOffset(valueOffset) {
  const blitz::Array<int32_t, 2>& labelArray = labels.labels();
  labels.requireDomainOf(pixels);
  lowRow_ = labelArray.lbound(0);
  lowColumn_ = labelArray.lbound(1);
  rows_ = labelArray.extent(0);
  columns_ = labelArray.extent(1);
  const size_t size = allocateLayout();
  // Seeds lie in the seed domain, cut to the arrays.
  const Box seedBox{
      std::max(seedDomain.lowerRow, lowRow_), std::max(seedDomain.lowerColumn, lowColumn_),
      int32_t(std::min<int64_t>(seedDomain.upperRow, int64_t(lowRow_) + rows_ - 1)),
      int32_t(std::min<int64_t>(seedDomain.upperColumn, int64_t(lowColumn_) + columns_ - 1))};
  const std::vector<SeedCounts> counts = copyIn(pixels, seedBox);
  markLabelled(size);
  sortSeeds(pixels, seedBox, counts);
}

size_t TimedWatershedState::allocateLayout() {
  const int64_t width = int64_t(columns_) + 2;
  const int64_t size = (int64_t(rows_) + 2) * width;
  if (size > std::numeric_limits<int32_t>::max()) throw std::length_error("watershed positions");
  rowStep = static_cast<int32_t>(width);
  offsets_ = {-1, 1, -rowStep, rowStep, rowStep - 1, rowStep + 1, -rowStep - 1, -rowStep + 1};
  resetTimedBuckets(queue.buckets);
  const size_t words = (static_cast<size_t>(size) + 63) / 64;
  label_.reset(new int32_t[static_cast<size_t>(size)]);
  cell_.reset(new uint16_t[static_cast<size_t>(size)]);
  // One word beyond the pixels' bits, for the paired bytes that openNeighbours reads.
  labelled_.reset(new uint64_t[words + 1]);
  labelled_[words] = 0;

  // Guard rows; the guard columns go with their rows (copyIn).
  for (int32_t g : {int32_t(0), rowStep * (rows_ + 1)}) {
    std::fill(&label_[g], &label_[g] + rowStep, kGuardLabel);
    std::fill(&cell_[g], &cell_[g] + rowStep, uint16_t(0));
  }
  return static_cast<size_t>(size);
}

std::vector<TimedWatershedState::SeedCounts> TimedWatershedState::copyIn(
    const blitz::Array<Pixel, 2>& pixels, const Box& seedBox) {
  const blitz::Array<int32_t, 2>& labelArray = labels.labels();
  const bool seedColumns = seedBox.lowerColumn <= seedBox.upperColumn;
  const int32_t bands = rows_ == 0 ? 0 : (rows_ + kBandRows - 1) / kBandRows;
  std::vector<SeedCounts> counts(static_cast<size_t>(bands), SeedCounts{});
  const ptrdiff_t pixelStep = pixels.stride(1);
  const ptrdiff_t labelStep = labelArray.stride(1);
  forEachBand(0, rows_ - 1, kBandRows, processorCount(), [&](int32_t first, int32_t last) {
    SeedCounts& bandCounts = counts[static_cast<size_t>(first / kBandRows)];
    for (int32_t r = first; r <= last; ++r) {
      const int row = lowRow_ + r;
      const int32_t start = position(row, lowColumn_);
      label_[start - 1] = kGuardLabel;
      label_[start + columns_] = kGuardLabel;
      cell_[start - 1] = 0;
      cell_[start + columns_] = 0;
      if (columns_ == 0) continue;
      const Pixel* pixel = &pixels(row, lowColumn_);
      const int32_t* from = &labelArray(row, lowColumn_);
      for (int32_t c = 0; c < columns_; ++c, pixel += pixelStep, from += labelStep) {
        label_[start + c] = *from;
        cell_[start + c] = (*pixel)[1];
      }
      if (row < seedBox.lowerRow || row > seedBox.upperRow || !seedColumns) continue;
      pixel = &pixels(row, seedBox.lowerColumn);
      for (int32_t q = position(row, seedBox.lowerColumn), end = position(row, seedBox.upperColumn);
           q <= end; ++q, pixel += pixelStep)
        if (label_[q] == -1) ++bandCounts[255 - (*pixel)[0]];
    }
  });
  return counts;
}

void TimedWatershedState::markLabelled(size_t size) {
  const size_t words = (size + 63) / 64;
  forEachBand(0, int32_t((words + kBandWords - 1) / kBandWords) - 1, 1, processorCount(),
              [&](int32_t first, int32_t) {
                const size_t w0 = size_t(first) * kBandWords;
                const size_t w1 = std::min(words, w0 + kBandWords);
                for (size_t w = w0; w < w1; ++w) {
                  uint64_t bits = 0;
                  const size_t p0 = w * 64;
                  const size_t n = std::min<size_t>(64, size - p0);
                  for (size_t k = 0; k < n; ++k) bits |= uint64_t(label_[p0 + k] != -1) << k;
                  if (n < 64) bits |= ~uint64_t(0) << n;
                  labelled_[w] = bits;
                }
              });
}

void TimedWatershedState::sortSeeds(const blitz::Array<Pixel, 2>& pixels, const Box& seedBox,
                                    const std::vector<SeedCounts>& counts) {
  // Counting sort: the bands follow storage order within each byte.
  std::vector<SeedCounts> offsets(counts.size());
  size_t total = 0;
  for (size_t v = 0; v < SeedCounts().size(); ++v) {
    for (size_t b = 0; b < counts.size(); ++b) {
      offsets[b][v] = total;
      total += counts[b][v];
    }
    seeds_.groupEnd[v] = total;
  }
  seeds_.positions.resize(total);
  if (total == 0) return;
  int32_t* out = seeds_.positions.data();
  const ptrdiff_t pixelStep = pixels.stride(1);
  const int32_t r0 = seedBox.lowerRow, r1 = seedBox.upperRow;
  const int32_t c0 = seedBox.lowerColumn, c1 = seedBox.upperColumn;
  forEachBand(0, rows_ - 1, kBandRows, processorCount(), [&](int32_t first, int32_t last) {
    SeedCounts& next = offsets[static_cast<size_t>(first / kBandRows)];
    for (int32_t r = std::max(first, r0 - lowRow_); r <= std::min(last, r1 - lowRow_); ++r) {
      const int row = lowRow_ + r;
      const Pixel* pixel = &pixels(row, c0);
      for (int32_t q = position(row, c0), end = position(row, c1); q <= end;
           ++q, pixel += pixelStep)
        if (label_[q] == -1) out[next[255 - (*pixel)[0]]++] = q;
    }
  });
}

void TimedWatershedState::storeLabels() const {
  blitz::Array<int32_t, 2>& labelArray = labels.labels();
  if (columns_ == 0) return;
  const ptrdiff_t step = labelArray.stride(1);
  forEachBand(0, rows_ - 1, kBandRows, processorCount(), [&](int32_t first, int32_t last) {
    for (int32_t r = first; r <= last; ++r) {
      const int row = lowRow_ + r;
      const int32_t* from = &label_[position(row, lowColumn_)];
      int32_t* to = &labelArray(row, lowColumn_);
      for (int32_t c = 0; c < columns_; ++c, to += step) *to = from[c];
    }
  });
}

// The pops of one flood: drains buckets with the queue's state held in locals.
class TimedFloodRun {
 public:
  TimedFloodRun(TimedWatershedState& state, const ProgressRange& narrowed)
      : state_(state), narrowed_(narrowed), buckets_(state.queue.buckets.data()) {}

  // Takes every record of bucket `priority`, those queued meanwhile included. Nothing lands
  // above it meanwhile, and the seeds' order cannot change which seed starts before the
  // bucket is empty (the first byte of the next one only falls), so the loop tests neither.
  size_t drain(int32_t priority, size_t held) {
    TimedBucket& bucket = buckets_[priority];
    int32_t* const labels = state_.label_.get();
    uint64_t* const labelled = state_.labelled_.get();
    int32_t unused = priority;
    uint64_t pops = pops_;
    while (!bucket.empty()) {
      const int32_t ahead = bucket.targetAhead(kPrefetchAhead);
      if (ahead >= 0) state_.prefetchAround(ahead);
      const TimedBucket::Stored record = bucket.take();
      const int32_t target = static_cast<int32_t>(record.target & ~TimedBucket::kDiagonal);
      --held;
      uint64_t& word = labelled[static_cast<size_t>(target) >> 6];
      const uint64_t bit = uint64_t(1) << (target & 63);
      if ((word & bit) == 0) {
        word |= bit;
        labels[target] = record.sourceLabel;
        held += TimedFlood::offer<false>(state_, buckets_, target, record.sourceLabel, priority,
                                         unused);
      }
      if (++pops % kWatershedCheckpointPops == 0) {
        pops_ = pops;
        report(held);
      }
    }
    pops_ = pops;
    return held;
  }

 private:
  // The fraction done: 1 - H / M, H the records held after the pop and M the most records
  // held after any pop plus the pops before it. H + pops - 1 never falls (a pop takes one
  // record and counts one pop), so M is simply its current value.
  void report(size_t held) {
    const uint64_t most = std::max<uint64_t>(1, held + (pops_ - 1));
    const float q = 1.0f - static_cast<float>(held) / static_cast<float>(most);
    done_ = std::max(done_, q);
    narrowed_.checkpoint(kWatershedInnerPath, kWatershedInnerLine, "Watershed inner", done_);
  }

  TimedWatershedState& state_;
  const ProgressRange& narrowed_;
  TimedBucket* const buckets_;
  uint64_t pops_ = 0;
  float done_ = 0.0f;
};

void watershedInnerTimed(TimedWatershedState& state, ProgressRange range) {
  const TimedSeeds& seedList = state.seeds();
  const int32_t* const seeds = seedList.positions.data();
  const size_t seedCount = seedList.positions.size();

  const float s = range.start();
  const float e = range.end();
  const float f = range.current();
  const ProgressRange narrowed(range.ui(), (1.0f - f) * s + f * e, (1.0f - 0.95f) * s + 0.95f * e);

  TimedBucketQueue& queue = state.queue;
  TimedFloodRun run(state, narrowed);
  size_t next = 0;
  // The group of seeds[next]: its first byte is 255 - group.
  size_t group = 0;
  int32_t nextValue = -1;  // first byte of seeds[next], -1 when none remains
  auto skipLabelled = [&] {
    while (next < seedCount && state.labelled(seeds[next])) ++next;
    while (group < seedList.groupEnd.size() && seedList.groupEnd[group] <= next) ++group;
    nextValue = next < seedCount ? int32_t(255 - group) : -1;
  };
  for (;;) {
    skipLabelled();
    if (queue.count != 0 && nextValue <= queue.current) {
      queue.count = run.drain(queue.current, queue.count);
      if (queue.count == 0) {
        queue.current = 0;
      } else {
        while (queue.buckets[static_cast<size_t>(queue.current)].empty()) --queue.current;
      }
      continue;
    }
    if (nextValue < 0) break;
    const int32_t seed = seeds[next];
    state.setLabel(seed, state.labels.takeLabel());
    pushTimedEdges(state.rowStep, seed, state, nextValue, 0u, 0u);
  }
  state.storeLabels();
}

}  // namespace corvane
