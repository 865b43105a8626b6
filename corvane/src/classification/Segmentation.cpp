#include "classification/Segmentation.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <mutex>
#include <new>
#include <string>

#include "classification/HistogramUpdater.h"
#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/FreedMemory.h"
#include "util/NoLabel.h"
#include "util/ParallelArray.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"
#include "watershed/WatershedTimed.h"

using corvane::arrayOver;
using corvane::Box;
using corvane::ComponentView;
using corvane::coversExactly;
using corvane::saturatingCast;
using corvane::subView;
using corvane::TimedWatershedState;
using corvane::watershedInnerTimed;
using corvane::WatershedLabels;
using corvane::widened;
using corvane::WorkerPool;

namespace classification {

namespace {

// The sub-range of a run's range for one stage, in the run's own arithmetic: the end is
// e * g + s * (1 - g) with the complement given as a constant.
ProgressRange stageRange(const ProgressRange& run, float& current, float g, float complement) {
  const float s = run.start();
  const float e = run.end();
  const ProgressRange sub(run.ui(), (1.0f - current) * s + current * e, e * g + s * complement,
                          0.0f);
  current = g;
  return sub;
}
}  // namespace

BlockGrid blockGridOf(const Box& imageDomain, int32_t blockSize) {
  const int32_t bs = std::max(blockSize, 1);
  if (imageDomain.empty()) return BlockGrid{Box{0, 0, -1, -1}, bs};
  return BlockGrid{Box{imageDomain.lowerRow / bs, imageDomain.lowerColumn / bs,
                       imageDomain.upperRow / bs, imageDomain.upperColumn / bs},
                   bs};
}

Segmentation<6, 0>::Segmentation() {
  channelFlags.fill(true);
  initPartitionArray(partitionHistogram);
}

void Segmentation<6, 0>::initPartitionArray(Histogram1D& histogram) {
  histogram.bins.free();
  subdivideRange(histogram, 0, 0, 1, 0);
  histogram.bins = 0;
  histogram.firstModeNode = 0;
  histogram.endModeNode = 0;
}

void Segmentation<6, 0>::setImage(const blitz::Array<ImagePixel, 2>& newImage) {
  image.reference(newImage);
  imageDomain = Box{newImage.lbound(0), newImage.lbound(1), newImage.ubound(0), newImage.ubound(1)};
  assignLevelRecord(LevelRecord());
}

void Segmentation<6, 0>::resetLevelRecords() {
  for (int slot = 0; slot < kChannelCount; ++slot) levelRecords[slot] = baseRecord;
  if (std::any_of(channelFlags.begin(), channelFlags.end(), [](bool f) { return f; }))
    levelRecords[kRegionSlot] = baseRecord;
}

void Segmentation<6, 0>::assignLevelRecord(const LevelRecord& record) {
  levelRecords.fill(record);
}

bool Segmentation<6, 0>::run(ProgressRange range) {
  if (std::none_of(channelFlags.begin(), channelFlags.end(), [](bool f) { return f; })) {
    range.report(corvane::kNoLabel, 1.0f);
    return false;
  }
  try {
    float f = range.current();
    bool changed = updateHistograms(false, stageRange(range, f, 0.14285715f, 0.85714287f));
    // The scratch of the two stages that free most of it on the workers goes back at once,
    // so that the later stages (and what runs beside them) do not stand on it.
    corvane::releaseFreedMemory();
    changed |= watershedLevels(changed, stageRange(range, f, 0.2857143f, 0.71428573f));
    changed |= updateGradients(changed, stageRange(range, f, 0.42857143f, 0.5714286f));
    corvane::releaseFreedMemory();
    const ProgressRange radiiRange = stageRange(range, f, 0.44285715f, 0.55714285f);
    if (corvane::processorCount() <= 1) {
      changed |= buildLocalValueMap(changed, radiiRange);
      changed |= watershedInnerStage(changed, stageRange(range, f, 1.0f, 0.0f));
    } else {
      changed |= valuesBesideFlood(changed, stageRange(range, f, 1.0f, 0.0f));
    }
    resetLevelRecords();
    return changed;
  } catch (...) {
    assignLevelRecord(LevelRecord());
    throw;
  }
}

bool Segmentation<6, 0>::valuesBesideFlood(bool forced, ProgressRange floodRange) {
  // The flood reads the first two channels of the gradient image, the local value map writes
  // the third: the map is built on a worker meanwhile, reporting nothing (its reports would
  // come from another thread than the flood's). A value map that changes forces the flood
  // through its own record anyway, which holds the value limit too.
  bool valuesChanged = false;
  std::atomic<bool> outOfMemory{false};
  corvane::WorkerPool values;
  values.start(1, [&](unsigned) {
    try {
      valuesChanged = buildLocalValueMap(forced, ProgressRange());
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
      throw;
    }
  });
  const bool floodChanged = watershedInnerStage(forced, floodRange);
  try {
    values.join();
  } catch (const char*) {
    if (outOfMemory) throw std::bad_alloc();
    throw;
  }
  return valuesChanged || floodChanged;
}

// --- Histograms ---

bool Segmentation<6, 0>::updateHistograms(bool /*forced*/, ProgressRange range) {
  const BlockGrid grid = currentGrid();
  if (!coversExactly(blockHistograms, grid.blocks))
    blockHistograms.reference(corvane::parallelArrayOver(grid.blocks, blockStorage_));
  histogramsChanged_ = false;
  histogramProgress_ = range.subRange(1.0f);
  histogramPool_.resetCounter(kChannelCount - 1);
  HistogramUpdater updater(this, WorkerPool::kNoJob);
  struct Release {
    Segmentation* owner;
    ~Release() { owner->releaseFreshHistograms(); }
  } release{this};
  histogramPool_.run(
      1, [&updater](unsigned) { updater(); },
      [this, &updater](unsigned) { updater = HistogramUpdater(this, nextHistogramJob()); });
  return histogramsChanged_;
}

void Segmentation<6, 0>::releaseFreshHistograms() {
  freshHistograms_.free();
  freshStorage_.reset();
}

uint32_t Segmentation<6, 0>::nextHistogramJob() {
  return histogramPool_.takeDescending([this](uint32_t job) {
    if (histogramPool_.stopped()) return;
    // Unsigned: the job after channel 0 (~0) reports 7 / 6, cut to 1.
    const float f = std::min(static_cast<float>(6u - job) / 6.0f, 1.0f);
    histogramProgress_.report(corvane::kNoLabel, f);
  });
}

void Segmentation<6, 0>::setHistogramsChanged(bool changed) {
  std::lock_guard<std::mutex> lock(histogramPool_.mutex());
  histogramsChanged_ = histogramsChanged_ || changed;
}

void Segmentation<6, 0>::setHistogramCancelled() {
  histogramPool_.setCancelled();
}

void Segmentation<6, 0>::setHistogramFailed() {
  histogramPool_.setFailed();
}

bool Segmentation<6, 0>::updateChannelHistograms(int channel, ProgressRange /*range*/) {
  const LevelRecord& slot = levelRecords[static_cast<size_t>(channel)];
  if (slot.histogramBits == baseRecord.histogramBits &&
      slot.blockHistogramKind == baseRecord.blockHistogramKind &&
      slot.blockSize == baseRecord.blockSize && slot.windowRadius == baseRecord.windowRadius &&
      (slot.histogramMode == baseRecord.histogramMode || slot.histogramMode > 2))
    return false;

  const BlockGrid grid = currentGrid();
  if (grid.blocks.empty()) return true;
  const ComponentView<ImagePixel, unsigned char> plane(image, channel);
  // The histogram jobs run one after another on one worker: they share the fresh histograms,
  // which updateHistograms releases at the end.
  if (!coversExactly(freshHistograms_, grid.blocks))
    freshHistograms_.reference(corvane::parallelArrayOver(grid.blocks, freshStorage_));
  freshBlockHistograms(plane.array(), imageDomain, grid, baseRecord.histogramBits,
                       baseRecord.blockHistogramKind, freshHistograms_);
  ComponentView<BlockHistograms, Histogram1D> sums(blockHistograms, channel);
  accumulateBlockHistograms(freshHistograms_, sums.array(), baseRecord.windowRadius,
                            baseRecord.histogramBits, true);
  return true;
}

// --- Modes of the channel histograms ---

bool Segmentation<6, 0>::watershedLevels(bool forced, ProgressRange range) {
  // The channels to redo, split in one pass over the blocks, each reporting into its sixth of
  // the range.
  std::vector<int> channels;
  std::vector<std::vector<Node>*> lists;
  std::vector<ProgressRange> ranges;
  for (int channel = 0; channel < kChannelCount; ++channel) {
    const float end = static_cast<float>((channel + 0.99) * 0.16666666666666666);
    const ProgressRange sub = range.subRange(end);
    if (!forced &&
        levelRecords[static_cast<size_t>(channel)].levelThreshold == baseRecord.levelThreshold)
      continue;
    channels.push_back(channel);
    lists.push_back(&modeNodeLists[static_cast<size_t>(channel)]);
    ranges.push_back(sub);
  }
  BlockHistograms* const first = blockHistograms.data();
  BlockHistograms* const last = first + blockHistograms.numElements();
  corvane::watershedFirstChannels<Histogram1D>(channels, baseRecord.levelThreshold,
                                               partitionHistogram, first, last, lists, ranges);
  return !channels.empty();
}

// --- Regions ---

bool Segmentation<6, 0>::watershedInnerStage(bool forced, ProgressRange range) {
  const LevelRecord& slot = levelRecords[kRegionSlot];
  if (!forced && slot.innerScale == baseRecord.innerScale &&
      slot.valueLimit == baseRecord.valueLimit)
    return false;
  if (!(baseRecord.innerScale > 1.0f)) {
    innerLabels.free();
    regionMap.free();
    innerLabelCount = -1;
    return true;
  }
  const Box wide = widened(imageDomain, 2);
  if (!coversExactly(innerLabels, wide)) innerLabels.reference(arrayOver<int32_t>(wide));
  regionMap.reference(arrayOver<int32_t>(imageDomain));
  innerLabels = -1;
  innerLabels(imageDomain.lowerRow - 1, imageDomain.lowerColumn - 1) = 0;

  // The image tolerance on the 0..255 scale of the gradient bytes. Beyond 256 every edge
  // keeps its front's priority anyway; below 0 priorities would leave the bucket range.
  const int32_t tolerance = std::min(
      std::max(saturatingCast<int32_t>(gradientScale * std::log(baseRecord.innerScale)), 0), 256);

  WatershedLabels store(innerLabels);
  store.setNextLabel(1);
  const blitz::Array<GradientPixel, 2> pixels =
      subView(gradientImage, wide.lowerRow, wide.lowerColumn, wide.upperRow, wide.upperColumn);
  TimedWatershedState state(pixels, store, widened(imageDomain, 1), tolerance);
  watershedInnerTimed(state, range.subRange(1.0f));
  innerLabelCount = store.nextLabel();
  return true;
}

}  // namespace classification
