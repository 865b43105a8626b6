#pragma once

#include <array>
#include <cstdint>

#include "classification/ColourHistogram.h"
#include "kestrum/utility/ProgressRange.h"

namespace classification {

// A pending step of the flood from a labelled bin to a neighbouring colour bin. Bins are list
// positions in their histogram.
struct HistogramEdge {
  uint32_t source;
  uint32_t target;
  uint32_t priority;
  int32_t plateau;
  int32_t steps;
};

// The label bookkeeping of the watershed of one colour level.
struct WatershedResult {
  int32_t labelLimit = 0x7FFFFFFE;
  int32_t nextLabel = 0;  // the number of labels handed out so far
  bool flag = false;
};

using WatershedResults = std::array<WatershedResult, kColourLevelCount>;

// Floods the colour bins of one level from their most frequent colours downward, so that every
// unlabelled bin takes the label of the peak it drains to. Neighbouring bins differ by one in
// one channel. Labels come from `slot`; the number handed out is slot.nextLabel afterwards.
// Once the next label would pass the slot's limit, further peaks all take the limit.
// Seeds of equal count start in list order.
void histogramWatershed(ColourHistogram& level, WatershedResult& slot, ProgressRange progress);

}  // namespace classification
