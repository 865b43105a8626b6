#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <vector>

namespace corvane {

// Where one region met another during a flood: the labelled pixel and its neighbour of the
// other region, both as positions in the flood's label array.
struct BoundaryPair {
  int32_t source;
  int32_t target;
};

typedef std::vector<BoundaryPair> BoundaryList;

// The labels of one pixel flood: a view sharing the caller's label array (-1 = unlabelled),
// the label limit, and either one boundary list per region (inner pass) or a plain label
// counter (floods that keep no boundary lists).
class WatershedLabels {
 public:
  static const int32_t kDefaultLimit = 0x7FFFFFFE;

  // Shares `labels` (no copy): the flood writes straight into the caller's array.
  explicit WatershedLabels(const blitz::Array<int32_t, 2>& labels);

  static int32_t noLabel() { return -1; }

  blitz::Array<int32_t, 2>& labels() { return labels_; }
  const blitz::Array<int32_t, 2>& labels() const { return labels_; }
  // The floods address pixels and labels by one position: both must cover the same domain.
  template <class Pixel>
  void requireDomainOf(const blitz::Array<Pixel, 2>& pixels) const {
    if (pixels.lbound(0) != labels_.lbound(0) || pixels.lbound(1) != labels_.lbound(1) ||
        pixels.extent(0) != labels_.extent(0) || pixels.extent(1) != labels_.extent(1))
      throw "Watershed arrays differ in shape";
  }

  int32_t labelLimit() const { return labelLimit_; }
  void setLabelLimit(int32_t limit) { labelLimit_ = limit; }

  // A new region with an empty boundary list while the number of regions is not above the
  // limit; afterwards every further region shares the limit's label.
  int32_t addRegion();
  std::vector<BoundaryList>& regions() { return regions_; }
  const std::vector<BoundaryList>& regions() const { return regions_; }

  // The counter of floods without boundary lists: hands out the next label while it does not
  // exceed the limit, the limit afterwards. Never overflows, whatever the limit.
  int32_t takeLabel();
  int32_t nextLabel() const { return nextLabel_; }
  void setNextLabel(int32_t next) { nextLabel_ = next; }

 private:
  blitz::Array<int32_t, 2> labels_;
  int32_t labelLimit_ = kDefaultLimit;
  int32_t nextLabel_ = 0;
  std::vector<BoundaryList> regions_;
};

}  // namespace corvane
