#pragma once

#include <cstdint>
#include <vector>

#include "classification/IiClassification.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"

namespace classification {

// How a stroke picks the pixels it changes.
enum SelectMode : int32_t {
  kSelectPixels = 0,        // the pixels under the stroke
  kSelectRegions = 1,       // the analysis regions the stroke touches
  kSelectColourLabels = 2,  // every pixel of the colour clusters the stroke touches
  kSelectLabelRegions = 3,  // the regions of the final label map the stroke touches
};

// The status bytes of one select: a pixel whose status s passes the compatibility test with
// `target` and `targetMask` takes (s AND NOT writeMask) OR (value AND writeMask).
struct SelectRequest {
  int32_t mode;
  uint8_t value;
  uint8_t writeMask;
  uint8_t target;
  uint8_t targetMask;
  // The global-classification level plus one (modes other than 0): 0 asks for the region map.
  int32_t levelPlusOne;
};

// One stroke: the stroke's rectangle, its mask in picture coordinates (null: the whole
// rectangle), the session's statuses. Fills the state's work mask and pending change and
// applies it, as one undo step unless the change concerns the bits 16 or 32 (or the value
// equals the target, when nothing is applied).
void select(IiClassification& state, const corvane::Box& strokeRect,
            const IiClassification::Bytes* stroke, IiClassification::Bytes& status,
            const SelectRequest& request, ProgressRange range);

// One bit per label of the final label map.
class LabelTable {
 public:
  explicit LabelTable(int32_t labels) : bits_((size_t(labels > 0 ? labels : 0) + 63) / 64, 0) {}
  void set(int32_t label) {
    if (label >= 0 && size_t(label) < bits_.size() * 64)
      bits_[size_t(label) >> 6] |= uint64_t(1) << (label & 63);
  }
  bool test(int32_t label) const {
    return label >= 0 && size_t(label) < bits_.size() * 64 &&
           ((bits_[size_t(label) >> 6] >> (label & 63)) & 1);
  }

 private:
  std::vector<uint64_t> bits_;
};

// The passes of the modes, on the state's work mask and pending change. `labels` is the
// region map or the final label map; the table, when given, gets the label of every seed.
void selectRegions(IiClassification& state, const IiClassification::Labels& labels,
                   const corvane::Box& strokeRect, const IiClassification::Bytes* stroke,
                   const IiClassification::Bytes& status, LabelTable* table = nullptr);
void markStrokeLabels(const IiClassification& state, LabelTable& table,
                      const corvane::Box& strokeRect, const IiClassification::Bytes* stroke,
                      const IiClassification::Bytes& status);
void selectMarkedLabels(IiClassification& state, const LabelTable& table,
                        const IiClassification::Bytes& status);
void growMarkedLabels(IiClassification& state, const LabelTable& table,
                      const IiClassification::Bytes& status);

}  // namespace classification
