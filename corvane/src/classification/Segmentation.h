#pragma once

#include <blitz/array.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "classification/Histogram1D.h"
#include "classification/LevelRecord.h"
#include "kestrum/utility/ProgressRange.h"
#include "kestrum/utility/Vec.h"
#include "util/Box.h"
#include "util/ByteComponent.h"
#include "util/IndexPair.h"
#include "util/WorkerPool.h"
#include "watershed/Watershed.h"

namespace classification {

class HistogramUpdater;
class GradientUpdater;

// The block grid of the histogram, gradient and local-value stages: block (i, j) covers the
// pixels (i * blockSize .. (i + 1) * blockSize - 1, likewise for j), cut to the image.
struct BlockGrid {
  corvane::Box blocks;  // block indices, inclusive
  int32_t blockSize;    // at least 1
};
BlockGrid blockGridOf(const corvane::Box& imageDomain, int32_t blockSize);

// A band of rows handed to a gradient worker: pixels lower <= (r, s) < upper are computed.
// The empty band is lower (0, 0), upper (-1, -1).
struct GradientBand {
  corvane::IndexPair lower{0, 0};
  corvane::IndexPair upper{-1, -1};
  bool empty() const { return upper.first + 1 == lower.first && upper.second + 1 == lower.second; }
};

template <int kChannels, int kVariant>
class Segmentation;

// The local half of the image analysis: block histograms per colour channel, their modes,
// per-pixel gradients, the local value map (blend radii) and the region flood, each stage
// recomputed only when its parameters changed or an earlier stage of the same run changed
// something.
template <>
class Segmentation<6, 0> {
 public:
  static constexpr int kChannelCount = 6;
  using ImagePixel = blitz::TinyVector<unsigned char, 6>;
  using GradientPixel = corvane::BytePixel3;
  using BlockHistograms = kestrum::utility::Vec<Histogram1D, kChannelCount>;
  using Node = corvane::ModeNode<Histogram1D>;
  using NodeList = std::vector<Node>;

  Segmentation();
  Segmentation(const Segmentation&) = delete;
  Segmentation& operator=(const Segmentation&) = delete;

  // Shares the image (no copy) and marks every cached stage result stale.
  void setImage(const blitz::Array<ImagePixel, 2>& newImage);

  // The five stages in order; true when any of them changed its results. Any exception leaves
  // every slot fresh, so that the next run starts over.
  bool run(ProgressRange range);

  bool updateHistograms(bool forced, ProgressRange range);
  bool watershedLevels(bool forced, ProgressRange range);
  bool updateGradients(bool forced, ProgressRange range);
  bool buildLocalValueMap(bool forced, ProgressRange range);
  bool watershedInnerStage(bool forced, ProgressRange range);

  void resetLevelRecords();
  void assignLevelRecord(const LevelRecord& record);

  // Histogram stage: the job dispenser (channels 5 down to 0, then WorkerPool::kNoJob), one
  // job, and the state setters the worker uses.
  uint32_t nextHistogramJob();
  bool updateChannelHistograms(int channel, ProgressRange range);
  void setHistogramsChanged(bool changed);
  void setHistogramCancelled();
  void setHistogramFailed();

  // Gradient stage: the band dispenser and the per-block spread sums.
  GradientBand nextGradientBand();
  void setGradientCancelled();
  void setGradientFailed();
  void blockSpreads(const BlockHistograms& block, const unsigned char* lo, const unsigned char* hi,
                    float& s1, float& s2) const;

  // Local value map: one block's value from the best valleys of its six histograms.
  int32_t blockValue(const BlockHistograms& block, int32_t lo, int32_t hi) const;

  static void initPartitionArray(Histogram1D& histogram);

  // The byte view of the local value map (the blend radii): channel 2 of the first gradient
  // image, whose storage the view keeps alive.
  const blitz::Array<unsigned char, 2>& localValues() const { return localValueMap.array(); }

  // --- State, read and partly set up by the classification state ---

  LevelRecord baseRecord;     // the current parameters, written before each run
  LevelRecords levelRecords;  // the parameters each cached result was made with
  std::array<bool, kChannelCount> channelFlags;
  blitz::Array<ImagePixel, 2> image;
  corvane::Box imageDomain{0, 0, 0, 0};
  blitz::Array<BlockHistograms, 2> blockHistograms;  // one element per block
  corvane::ByteComponentView localValueMap;
  blitz::Array<GradientPixel, 2> gradientImage;  // image domain widened by 2
  blitz::Array<GradientPixel, 2> gradientView;   // the same pixels over the image domain
  int32_t innerLabelCount = -1;                  // -1 while the region stages are off
  std::array<NodeList, kChannelCount> modeNodeLists;
  blitz::Array<int32_t, 2> innerLabels;  // image domain widened by 2; -1 = no label
  blitz::Array<int32_t, 2> regionMap;    // image domain; filled by the analysis
  Histogram1D partitionHistogram;        // the histogram every list's first node refers to
  float gradientScale = 1.0f;            // maps gradient values onto 0 .. 255.99

 private:
  friend class HistogramUpdater;
  friend class GradientUpdater;

  BlockGrid currentGrid() const { return blockGridOf(imageDomain, baseRecord.blockSize); }
  // The last two stages of a run side by side: the local value map on a worker, the flood
  // here. True when either changed its results.
  bool valuesBesideFlood(bool forced, ProgressRange floodRange);
  // The first gradient image over the image widened by 2 (kept while its domain fits) and
  // the second as its view over the image.
  void allocateGradientImages();

  // Gradient rows: the pool's mutex guards the dispenser, its flags are the stage's cancel
  // and failure flags.
  corvane::WorkerPool gradientPool_;
  int32_t gradientStep_ = 64;
  corvane::IndexPair gradientNext_{0, 0};
  corvane::IndexPair gradientLast_{-1, -1};
  corvane::IndexPair gradientFirst_{0, 0};
  ProgressRange gradientProgress_;

  // Histogram jobs: the pool's counter is the job counter, its mutex guards the changed flag
  // and the progress range's current fraction.
  corvane::WorkerPool histogramPool_;
  bool histogramsChanged_ = false;
  ProgressRange histogramProgress_;
  // The fresh block histograms of the channel job running, reused from channel to channel.
  blitz::Array<Histogram1D, 2> freshHistograms_;
  // The elements blockHistograms and freshHistograms_ view when the histogram stage made them
  // (built and freed on all processors).
  std::shared_ptr<BlockHistograms> blockStorage_;
  std::shared_ptr<Histogram1D> freshStorage_;
  void releaseFreshHistograms();
};

using Segmentation6 = Segmentation<6, 0>;

}  // namespace classification
