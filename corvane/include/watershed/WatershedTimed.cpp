#include "watershed/WatershedTimed.h"

#include <algorithm>
#include <array>
#include <limits>
#include <stdexcept>
#include <string>

namespace corvane {

namespace {

const char* const kTimedPath = "corvane/include/watershed/Watershed";
const int kTimedLine = 1229;
const uint64_t kTimedCheckpointPops = 32768;

}  // namespace

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
  seedDomain_ = seedDomain;
  const int64_t width = int64_t(columns_) + 2;
  const int64_t size = (int64_t(rows_) + 2) * width;
  if (size > std::numeric_limits<int32_t>::max()) throw std::length_error("watershed positions");
  rowStep = static_cast<int32_t>(width);
  resetTimedBuckets(queue.buckets);
  label_.assign(static_cast<size_t>(size), kGuardLabel);
  labelled_.assign((static_cast<size_t>(size) + 63) / 64, ~uint64_t(0));
  seedValue_.assign(static_cast<size_t>(size), 0);
  height_.assign(static_cast<size_t>(size), 0);
  for (int r = 0; r < rows_; ++r) {
    const int row = lowRow_ + r;
    const int32_t start = position(row, lowColumn_);
    for (int c = 0; c < columns_; ++c) {
      const Pixel& pixel = pixels(row, lowColumn_ + c);
      const int32_t value = labelArray(row, lowColumn_ + c);
      label_[start + c] = value;
      if (value == -1)
        labelled_[static_cast<size_t>(start + c) >> 6] &= ~(uint64_t(1) << ((start + c) & 63));
      seedValue_[start + c] = pixel[0];
      height_[start + c] = pixel[1];
    }
  }
}

std::vector<int32_t> TimedWatershedState::collectSeeds() const {
  std::vector<int32_t> seeds;
  const int r0 = std::max(seedDomain_.lowerRow, lowRow_);
  const int r1 = std::min<int64_t>(seedDomain_.upperRow, int64_t(lowRow_) + rows_ - 1);
  const int c0 = std::max(seedDomain_.lowerColumn, lowColumn_);
  const int c1 = std::min<int64_t>(seedDomain_.upperColumn, int64_t(lowColumn_) + columns_ - 1);
  for (int r = r0; r <= r1; ++r) {
    for (int c = c0; c <= c1; ++c) {
      const int32_t q = position(r, c);
      if (label_[q] == -1) seeds.push_back(q);
    }
  }
  return seeds;
}

void TimedWatershedState::storeLabels() const {
  blitz::Array<int32_t, 2>& labelArray = labels.labels();
  for (int r = 0; r < rows_; ++r) {
    const int row = lowRow_ + r;
    const int32_t start = position(row, lowColumn_);
    for (int c = 0; c < columns_; ++c) labelArray(row, lowColumn_ + c) = label_[start + c];
  }
}

void watershedInnerTimed(TimedWatershedState& state, ProgressRange range) {
  // Seeds by their first byte, highest first; a counting sort keeps storage order among
  // equal bytes.
  const std::vector<int32_t> unsorted = state.collectSeeds();
  std::array<size_t, 257> starts{};
  for (int32_t q : unsorted) ++starts[255 - state.seedValue(q) + 1];
  for (size_t k = 1; k < starts.size(); ++k) starts[k] += starts[k - 1];
  std::vector<int32_t> seeds(unsorted.size());
  for (int32_t q : unsorted) seeds[starts[255 - state.seedValue(q)]++] = q;

  const float s = range.start();
  const float e = range.end();
  const float f = range.current();
  const ProgressRange narrowed(range.ui(), (1.0f - f) * s + f * e, (1.0f - 0.95f) * s + 0.95f * e);

  TimedBucketQueue& queue = state.queue;
  const int32_t rowStep = state.rowStep;
  size_t next = 0;
  const size_t seedCount = seeds.size();
  auto skipLabelled = [&] {
    while (next < seedCount && state.labelled(seeds[next])) ++next;
  };
  uint64_t pops = 0;
  uint64_t most = 1;
  float done = 0.0f;
  for (;;) {
    while (queue.count != 0) {
      if (next < seedCount && int32_t(state.seedValue(seeds[next])) > queue.current) break;
      popTimedEdge(state);
      skipLabelled();
      ++pops;
      most = std::max<uint64_t>(most, queue.count + (pops - 1));
      if (pops % kTimedCheckpointPops == 0) {
        const float q = 1.0f - static_cast<float>(queue.count) / static_cast<float>(most);
        done = std::max(done, q);
        narrowed.checkpoint(kTimedPath, kTimedLine, "Watershed inner", done);
      }
    }
    if (next >= seedCount) break;
    const int32_t seed = seeds[next];
    state.setLabel(seed, state.labels.takeLabel());
    pushTimedEdges(rowStep, seed, state, state.seedValue(seed), 0u, 0u);
    skipLabelled();
  }
  state.storeLabels();
}

}  // namespace corvane
