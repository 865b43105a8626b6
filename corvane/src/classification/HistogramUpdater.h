#pragma once

#include <blitz/array.h>

#include <cstdint>

#include "classification/Histogram1D.h"
#include "util/Box.h"

namespace classification {

template <int kChannels, int kVariant>
class Segmentation;
struct BlockGrid;

// The worker of the histogram stage: runs channel jobs until the dispenser has none left.
class HistogramUpdater {
 public:
  HistogramUpdater(Segmentation<6, 0>* segmentation, uint32_t firstChannel)
      : segmentation_(segmentation), channel_(firstChannel) {}
  void operator()();

 private:
  Segmentation<6, 0>* segmentation_;
  uint32_t channel_;
};

// The rules by which the pixels of a block window enter its histogram.
enum BlockHistogramKind : int32_t {
  kIntervalSpread = 0,  // the 2 x 2 value interval, weighted by how much of each bin it covers
  kIntervalBins = 1,    // the 2 x 2 value interval, spread evenly over the bins it touches
  kSplitSpread = 2,     // the 2 x 2 values split at their median, each half as kind 0
  kSplitValues = 3,     // the 2 x 2 values split at their median, each value weighted alone
};

// The fresh histogram of every block of `grid` over one channel plane of the image (a byte
// array over `imageDomain`), indexed by block. A block window that is empty in a dimension
// gets 1024 / (number of bins) in every bin.
blitz::Array<Histogram1D, 2> freshBlockHistograms(const blitz::Array<unsigned char, 2>& plane,
                                                  const corvane::Box& imageDomain,
                                                  const BlockGrid& grid, int32_t bits,
                                                  int32_t kind);
// The same into `fresh`, whose histograms (and their bins, where the bin count stays) are
// reused when it already covers the grid: one array serves every channel in turn.
void freshBlockHistograms(const blitz::Array<unsigned char, 2>& plane,
                          const corvane::Box& imageDomain, const BlockGrid& grid, int32_t bits,
                          int32_t kind, blitz::Array<Histogram1D, 2>& fresh);

// Sums the fresh histograms over windows of (2 windowRadius + 1)^2 blocks (fewer where the
// grid is smaller) into `out` (the grid's domain) and fills the blocks within the window
// radius of the grid's edge with deep copies of the nearest complete sum.
// With `normalise` every block of `out` is normalised (normaliseHistogram) as well.
void accumulateBlockHistograms(const blitz::Array<Histogram1D, 2>& fresh,
                               blitz::Array<Histogram1D, 2>& out, int32_t windowRadius,
                               int32_t bits, bool normalise = false);

// Scales the summed counts back by the histogram's shift and keeps both end bins above 0.
void normaliseHistogram(Histogram1D& histogram);
// The same for every histogram of the array.
void normaliseHistograms(blitz::Array<Histogram1D, 2>& histograms);

}  // namespace classification
