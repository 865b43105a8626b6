#include "classification/GlobalClassification.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "util/CvExCancel.h"
#include "util/FreedMemory.h"
#include "util/ParallelBands.h"

namespace classification {

namespace {

using Classification = GlobalClassification<unsigned char, 6, int>;

constexpr const char* kPath = "corvane/include/classification/GlobalClassification";
// No six-byte key has bits above 48, so this never matches a real key.
constexpr uint64_t kNoKey = ~uint64_t(0);
// The subsampling passes a checkpoint every this many source bins; below kParallelSubsample
// bins it runs on the calling thread alone.
constexpr size_t kSubsampleCheckpoint = 65535;
constexpr size_t kParallelSubsample = 400000;
// Images of up to this many pixels have their colour levels counted beside the segmentation
// (see startRun).
constexpr int64_t kBuildBesidePixels = 4000000;
// The colour levels are clustered by this many workers at most: the two largest levels, whose
// floods each take longer than the five others together, one each, the rest on a third.
constexpr unsigned kFloodWorkers = 3;

template <class A, class B>
bool sameDomain(const blitz::Array<A, 2>& a, const blitz::Array<B, 2>& b) {
  return a.lbound(0) == b.lbound(0) && a.lbound(1) == b.lbound(1) && a.extent(0) == b.extent(0) &&
         a.extent(1) == b.extent(1);
}

inline uint64_t pixelKey(const Classification::Pixel& pixel) {
  return packColourKey(reinterpret_cast<const uint8_t*>(&pixel));
}

// Neighbouring pixels of a photograph often share their colour: one remembered bin saves most
// table probes there.
class CountingCursor {
 public:
  explicit CountingCursor(ColourHistogram& level) : level_(level) {}
  void count(uint64_t key) {
    if (key != lastKey_) {
      lastBin_ = level_.findOrInsert(key);
      lastKey_ = key;
    }
    ++level_[lastBin_].count;
  }

 private:
  ColourHistogram& level_;
  uint64_t lastKey_ = kNoKey;
  uint32_t lastBin_ = 0;
};

// Runs group(groupFirst, groupLast) over the rows that lie between the checkpoints of a loop
// that passes one at every row index divisible by `period` (a power of two). The checkpoints
// are passed in the calling thread, each just before the rows it opens, so that a cancel
// leaves exactly the rows before it done.
template <class Group>
void forEachCheckpointGroup(int firstRow, int rows, int period, const ProgressRange& progress,
                            int line, const char* label, Group&& group) {
  const int64_t end = int64_t(firstRow) + rows;
  for (int64_t i = firstRow; i < end;) {
    const int64_t next = std::min<int64_t>(end, (i | (period - 1)) + 1);
    if ((i & (period - 1)) == 0) {
      progress.checkpoint(kPath, line, label, float(int(i) - firstRow) / float(rows));
    }
    group(int(i), int(next - 1));
    i = next;
  }
}

// Splits the rows groupFirst..groupLast into one band per thread and runs band(index, first,
// last) for each on the worker pool; band indices count from 0 at the top.
template <class Band>
void forEachThreadBand(int groupFirst, int groupLast, unsigned threads, Band&& band) {
  const int rows = groupLast - groupFirst + 1;
  const int step = (rows + int(threads) - 1) / int(threads);
  corvane::forEachBand(groupFirst, groupLast, step, threads, [&](int32_t first, int32_t last) {
    band(size_t((first - groupFirst) / step), first, last);
  });
}

}  // namespace

void histogramStage(Classification& classification, ColourHistogram& level0,
                    ProgressRange progress) {
  using Pixel = Classification::Pixel;
  const Classification::Image& image = classification.image();
  const Classification::Mask& mask = classification.mask();
  const bool masked = mask.numElements() > 0;
  if (masked && !sameDomain(image, mask)) throw "Mask does not match image";

  const int firstRow = image.lbound(0);
  const int rows = image.extent(0);
  const int firstColumn = image.lbound(1);
  const int columns = image.extent(1);
  if (rows <= 0 || columns <= 0) return;
  const ptrdiff_t step = image.stride(1);
  const ptrdiff_t maskStep = masked ? mask.stride(1) : 0;
  const int line = masked ? 219 : 208;
  const uint32_t bits = classification.maskBits();
  const unsigned threads = corvane::processorCount();

  // Counts rows first..last into `level`; one cursor per call, so calls may run side by side
  // on separate levels.
  auto countBand = [&](ColourHistogram& level, int first, int last) {
    CountingCursor cursor(level);
    for (int i = first; i <= last; ++i) {
      const Pixel* pixel = &image(i, firstColumn);
      if (!masked) {
        for (int j = 0; j < columns; ++j, pixel += step) cursor.count(pixelKey(*pixel));
        continue;
      }
      const unsigned char* maskByte = &mask(i, firstColumn);
      for (int j = 0; j < columns; ++j, pixel += step, maskByte += maskStep) {
        if (*maskByte & bits) cursor.count(pixelKey(*pixel));
      }
    }
  };

  if (threads <= 1) {
    forEachCheckpointGroup(firstRow, rows, 2048, progress, line, "histogram",
                           [&](int first, int last) { countBand(level0, first, last); });
    return;
  }
  // Each band counts into a table of its own; the level so far and the bands' tables of every
  // group, merged in walk order once all are counted, give the level as a walk of the whole
  // image makes it. A cancel merges the groups counted before it.
  std::vector<ColourHistogram> parts(1);
  parts[0] = std::move(level0);
  level0.clear();
  try {
    forEachCheckpointGroup(
        firstRow, rows, 2048, progress, line, "histogram", [&](int groupFirst, int groupLast) {
          const size_t first = parts.size();
          parts.resize(first + threads);
          forEachThreadBand(groupFirst, groupLast, threads, [&](size_t band, int a, int b) {
            countBand(parts[first + band], a, b);
          });
        });
  } catch (...) {
    mergeInWalkOrder(parts, level0);
    throw;
  }
  mergeInWalkOrder(parts, level0);
}

void Classification::setImage(const Image& image) {
  image_.reference(image);
  invalidate();
}

void Classification::invalidate() {
  for (ColourHistogram& level : levels_) level.clear();
  results_.fill(kNotComputed);
  slots_.fill(classification::WatershedResult());
}

bool Classification::computed() const {
  for (uint32_t result : results_) {
    if (result == kNotComputed) return false;
  }
  return true;
}

void Classification::run(ProgressRange progress) {
  if (computed()) return;
  // A cancelled or failed run leaves partly filled levels and label counters behind: start
  // from nothing so that the counts and labels match a first run.
  invalidate();
  buildHistograms(*this, levels_, progress.subRange(0.2f));
  releaseIndices();
  floodLevels(corvane::processorCount(), nullptr);
}

void Classification::releaseIndices() {
  // The floods walk the levels' bins and never look a colour up: the lookup tables, the
  // larger part of a level, go until partition() needs one.
  for (ColourHistogram& level : levels_) level.releaseIndex();
}

void Classification::floodLevels(unsigned workers, kestrum::utility::IiUI* stop) {
  // Each level's flood is its own: they may run in any order and side by side. The largest go
  // first, so that the longest floods start at once.
  std::array<uint32_t, kColourLevelCount> order;
  for (uint32_t k = 0; k < kColourLevelCount; ++k) order[k] = k;
  std::stable_sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) {
    return levels_[a].size() > levels_[b].size();
  });
  corvane::WorkerPool pool(kColourLevelCount - 1);
  std::atomic<bool> outOfMemory{false};
  try {
    pool.run(std::max(1u, std::min(workers, kFloodWorkers)), [&](unsigned) {
      for (uint32_t job; (job = pool.takeDescending()) != corvane::WorkerPool::kNoJob;) {
        const uint32_t level = order[kColourLevelCount - 1 - job];
        try {
          histogramWatershed(levels_[level], slots_[level], ProgressRange(stop, 0.0f, 1.0f));
        } catch (const std::bad_alloc&) {
          outOfMemory = true;
          throw;
        }
        results_[level] = uint32_t(slots_[level].nextLabel);
        // The flood's scratch, freed on this worker, goes back before the next level or the
        // segmentation beside it asks for memory.
        corvane::releaseFreedMemory();
      }
    });
  } catch (const char*) {
    if (outOfMemory) throw std::bad_alloc();
    throw;
  }
}

void Classification::StopSignal::progress(float, const std::string&) {
  if (stopped.load()) throw CvExCancel();
}

void Classification::startRun(ProgressRange progress) {
  if (computed()) return;
  if (corvane::processorCount() <= 1) {
    run(progress);
    return;
  }
  invalidate();
  // Up to a few megapixels the histograms are built on a worker too, beside the caller's next
  // work. Beyond that their scratch is among the largest allocations of an analysis: they are
  // built first, on every processor and reporting to the caller, so that the scratch is gone
  // before the caller's next work allocates its own.
  const bool buildHere = int64_t(image_.extent(0)) * image_.extent(1) > kBuildBesidePixels;
  if (buildHere) {
    buildHistograms(*this, levels_, progress.subRange(0.2f));
    releaseIndices();
  }
  stop_.stopped = false;
  outOfMemory_ = false;
  jobs_.resetCounter(corvane::WorkerPool::kNoJob);  // clears the outcome of an earlier run
  jobs_.start(1, [this, buildHere](unsigned) {
    try {
      if (!buildHere) {
        buildHistograms(*this, levels_, ProgressRange(&stop_, 0.0f, 1.0f));
        releaseIndices();
      }
      floodLevels(corvane::processorCount(), &stop_);
    } catch (const std::bad_alloc&) {
      outOfMemory_ = true;
      throw;
    }
  });
}

void Classification::finishRun() {
  if (!jobs_.started()) return;
  try {
    jobs_.join();
  } catch (const char*) {
    // The worker's failure is the memory it lacked: the caller answers that as it would
    // have had the same work run on its own thread.
    if (outOfMemory_) throw std::bad_alloc();
    throw;
  }
}

void Classification::abandonRun() noexcept {
  if (!jobs_.started()) return;
  stop_.stopped = true;
  try {
    jobs_.join();
  } catch (...) {
  }
  // Not even the levels finished before the stop count as computed: the next run starts over.
  results_.fill(kNotComputed);
}

void Classification::buildHistograms(Classification& classification, ColourLevels& levels,
                                     ProgressRange progress) {
  for (ColourHistogram& level : levels) level.clear();
  histogramStage(classification, levels[0], progress.subRange(0.5f));
  histogramSubsample(levels[0], levels[1], progress.subRange(0.75f));
  histogramSubsample(levels[1], levels[2], progress.subRange(0.875f));
  histogramSubsample(levels[2], levels[3], progress.subRange(0.9375f));
  histogramSubsampleSplit(levels, progress.subRange(1.0f));
}

void Classification::histogramSubsampleSplit(ColourLevels& levels, ProgressRange progress) {
  histogramSubsample(levels[3], levels[4], progress.subRange(0.5f));
  histogramSubsample(levels[4], levels[5], progress.subRange(0.75f));
  histogramSubsample(levels[5], levels[6], progress.subRange(0.875f));
}

void Classification::histogramSubsample(const ColourHistogram& source, ColourHistogram& target,
                                        ProgressRange progress) {
  const size_t binCount = source.size();
  const unsigned threads = corvane::processorCount();
  if (threads > 1 && target.empty() && binCount >= kParallelSubsample) {
    // Stretches of the source's list, those between two checkpoints in as many pieces as
    // there are workers, counted apart and merged in walk order at the end.
    std::vector<ColourHistogram> parts;
    for (size_t groupStart = 0; groupStart < binCount; groupStart += kSubsampleCheckpoint) {
      progress.checkpoint(kPath, 232, "histogram subsample internal",
                          float(double(groupStart) / double(binCount)));
      const size_t groupEnd = std::min(binCount, groupStart + kSubsampleCheckpoint);
      const size_t piece = (groupEnd - groupStart + threads - 1) / threads;
      const size_t first = parts.size();
      parts.resize(first + (groupEnd - groupStart + piece - 1) / piece);
      corvane::forEachInParallel(parts.size() - first, 1, [&](size_t k) {
        ColourHistogram& part = parts[first + k];
        const size_t end = std::min(groupEnd, groupStart + (k + 1) * piece);
        for (size_t i = groupStart + k * piece; i < end; ++i) {
          const ColourBin& bin = source[i];
          part[part.findOrInsert(reduceColourBits(packColourKey(bin.key), 1))].count += bin.count;
        }
      });
    }
    mergeInWalkOrder(parts, target);
    progress.checkpoint(kPath, 234, "histogram subsample", 1.0f);
    return;
  }
  for (size_t i = 0; i < binCount; ++i) {
    if (i % kSubsampleCheckpoint == 0) {
      progress.checkpoint(kPath, 232, "histogram subsample internal",
                          float(double(i) / double(binCount)));
    }
    const ColourBin& bin = source[i];
    target[target.findOrInsert(reduceColourBits(packColourKey(bin.key), 1))].count += bin.count;
  }
  progress.checkpoint(kPath, 234, "histogram subsample", 1.0f);
}

uint32_t Classification::partition(int colourLevel, Labels& labels, ProgressRange progress) {
  if (colourLevel < 0 || colourLevel >= kColourLevelCount) throw "Colour level out of range";
  if (labels.extent(0) != image_.extent(0) || labels.extent(1) != image_.extent(1)) {
    throw "Label array does not match image";
  }
  ColourHistogram& level = levels_[colourLevel];
  level.rebuildIndex();  // released after the build and after every partition
  const int firstRow = image_.lbound(0);
  const int rows = image_.extent(0);
  const int firstColumn = image_.lbound(1);
  const int columns = image_.extent(1);
  if (rows <= 0 || columns <= 0) return results_[colourLevel];
  const ptrdiff_t step = image_.stride(1);
  const ptrdiff_t labelStep = labels.stride(1);
  const int rowOffset = labels.lbound(0) - firstRow;
  const unsigned threads = corvane::processorCount();

  // The bands only read the level. A colour it lacks (one that was never counted) gets the
  // label of a freshly inserted bin, -1, and is noted in the band's list of missing colours;
  // the lists are inserted after the bands, band by band, so that the level gains them in the
  // order of their first pixels, as a walk that inserts them on the way would.
  std::vector<ColourHistogram> missing(threads);
  auto labelBand = [&](size_t band, int first, int last) {
    const ColourHistogram& known = level;
    ColourHistogram& unknown = missing[band];
    uint64_t lastKey = kNoKey;
    int lastLabel = -1;
    for (int i = first; i <= last; ++i) {
      const Pixel* pixel = &image_(i, firstColumn);
      int* label = &labels(i + rowOffset, labels.lbound(1));
      for (int j = 0; j < columns; ++j, pixel += step, label += labelStep) {
        const uint64_t key = reduceColourBits(pixelKey(*pixel), colourLevel);
        if (key != lastKey) {
          const uint32_t bin = known.find(key);
          if (bin != ColourHistogram::kNotFound) {
            lastLabel = known[bin].label;
          } else {
            unknown.findOrInsert(key);
            lastLabel = -1;
          }
          lastKey = key;
        }
        *label = lastLabel;
      }
    }
  };

  forEachCheckpointGroup(firstRow, rows, 1024, progress, 168, "partition",
                         [&](int groupFirst, int groupLast) {
                           forEachThreadBand(groupFirst, groupLast, threads, labelBand);
                           for (ColourHistogram& unknown : missing) {
                             for (const ColourBin& bin : unknown) {
                               level.findOrInsert(packColourKey(bin.key));
                             }
                             unknown.clear();
                           }
                         });
  // Partitions are rare after the analysis's own: the table goes again until the next.
  level.releaseIndex();
  return results_[colourLevel];
}

}  // namespace classification
