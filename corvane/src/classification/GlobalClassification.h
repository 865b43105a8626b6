#pragma once

#include <blitz/array.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "classification/ColourHistogram.h"
#include "classification/HistogramWatershed.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/ProcessorCount.h"
#include "util/WorkerPool.h"

namespace classification {

template <class Sample, int Channels, class Label>
class GlobalClassification;

// Clusters the colours of the whole six-channel analysis image, independently of where the
// pixels lie: seven colour histograms (colour level k drops the k lowest bits of every
// channel), one histogram watershed per colour level on a worker pool, and on request a label
// per pixel from the clusters of one colour level.
template <>
class GlobalClassification<unsigned char, 6, int> {
 public:
  using Pixel = blitz::TinyVector<unsigned char, 6>;
  using Image = blitz::Array<Pixel, 2>;
  using Mask = blitz::Array<unsigned char, 2>;
  using Labels = blitz::Array<int, 2>;
  using Results = std::array<uint32_t, kColourLevelCount>;

  static constexpr uint32_t kNotComputed = 0xFFFFFFFFu;

  GlobalClassification() { results_.fill(kNotComputed); }
  GlobalClassification(const GlobalClassification&) = delete;
  GlobalClassification& operator=(const GlobalClassification&) = delete;

  // Shares the image's storage. The clusters of an earlier image are dropped, so that the next
  // run computes them afresh.
  void setImage(const Image& image);
  // Shares the mask's storage; an empty mask counts every pixel. It must cover the image's
  // domain exactly when the histograms are built.
  void setMask(const Mask& mask) { mask_.reference(mask); }
  // Drops the histograms and results so that the next run recomputes them.
  void invalidate();

  // Builds the histograms and clusters every colour level, unless all seven are computed.
  void run(ProgressRange progress);

  // run() in two halves, so that the caller can go on with other work meanwhile: startRun()
  // starts the building of the histograms and the clustering of the colour levels on the
  // workers and returns (images of several megapixels have their histograms built first,
  // reporting into `progress` as run() does); finishRun() waits for the workers and raises
  // their cancel or failure (exhausted memory as std::bad_alloc). The workers report nothing,
  // so the caller's reports keep their order. With one processor startRun() is run(). abandonRun()
  // stops a started run at its next checkpoint and waits for it: the levels are then left
  // uncomputed, for the next run to compute afresh. Every startRun() must be followed by
  // finishRun() or abandonRun().
  void startRun(ProgressRange progress);
  void finishRun();
  void abandonRun() noexcept;

  // Writes the cluster label of every pixel's colour at one colour level into `labels`, which
  // must have the image's shape; uncounted colours get -1. Returns the number of clusters of
  // that level.
  uint32_t partition(int colourLevel, Labels& labels, ProgressRange progress);

  // The seven colour levels in order, each subsampled from the one before.
  static void buildHistograms(GlobalClassification& classification, ColourLevels& levels,
                              ProgressRange progress);
  // Colour level k + 1 from colour level k.
  static void histogramSubsample(const ColourHistogram& source, ColourHistogram& target,
                                 ProgressRange progress);
  // The last three subsampling steps of the build (colour levels 4 to 6).
  static void histogramSubsampleSplit(ColourLevels& levels, ProgressRange progress);
  const Image& image() const { return image_; }
  const Mask& mask() const { return mask_; }
  uint32_t maskBits() const { return maskBits_; }
  const ColourHistogram& level(int colourLevel) const { return levels_[colourLevel]; }
  uint32_t result(int colourLevel) const { return results_[colourLevel]; }
  const classification::WatershedResult& watershedResult(int colourLevel) const {
    return slots_[colourLevel];
  }

 private:
  bool computed() const;
  void releaseIndices();
  // The watershed of every colour level on up to `workers` workers, the largest levels
  // first; `stop` receives the floods' checkpoints.
  void floodLevels(unsigned workers, kestrum::utility::IiUI* stop);

  // Receives the checkpoints of clustering started by startRun(); throws CvExCancel there once
  // the run is abandoned.
  class StopSignal : public kestrum::utility::IiUI {
   public:
    void progress(float, const std::string&) override;
    std::atomic<bool> stopped{false};
  };

  corvane::WorkerPool jobs_;  // the run started by startRun()
  StopSignal stop_;
  std::atomic<bool> outOfMemory_{false};  // set by a started run that ran out of memory
  Image image_;
  Mask mask_;
  uint32_t maskBits_ = 15;
  ColourLevels levels_;
  Results results_;
  classification::WatershedResults slots_;
};

// Counts the pixels of the classification's image into colour level 0: every pixel when the
// mask is empty, otherwise those whose mask byte shares a bit with the mask bits.
void histogramStage(GlobalClassification<unsigned char, 6, int>& classification,
                    ColourHistogram& level0, ProgressRange progress);

}  // namespace classification
