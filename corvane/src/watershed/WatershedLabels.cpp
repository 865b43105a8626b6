#include "watershed/WatershedLabels.h"

namespace corvane {

WatershedLabels::WatershedLabels(const blitz::Array<int32_t, 2>& labels) : labels_(labels) {}

int32_t WatershedLabels::addRegion() {
  const uint64_t count = regions_.size();
  if (labelLimit_ >= 0 && count <= static_cast<uint64_t>(labelLimit_)) {
    regions_.emplace_back();
    return static_cast<int32_t>(count);
  }
  return labelLimit_;
}

int32_t WatershedLabels::takeLabel() {
  if (nextLabel_ > labelLimit_) return labelLimit_;
  const int32_t label = nextLabel_;
  // Past the largest int32 the counter stays put: the limit answers from then on anyway.
  if (nextLabel_ < INT32_MAX) ++nextLabel_;
  return label;
}

}  // namespace corvane
