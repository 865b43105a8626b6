#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <vector>

#include "classification/IiUndoStep.h"
#include "util/Box.h"

namespace classification {

// A change of the status array kept as the exclusive-or of the new and the old statuses,
// run-length encoded: applying it once undoes the change, applying it again redoes it. A brush
// stroke that changes a compact area over a large box costs a few words per row.
class IiUndoModifyStatus : public IiUndoStep {
 public:
  // Both views cover the same box. A pixel whose new value is 0, or whose status is 0 (outside
  // the picture), records no difference: such pixels are never written.
  IiUndoModifyStatus(const blitz::Array<uint8_t, 2>& newValues,
                     const blitz::Array<uint8_t, 2>& status);

  // Exclusive-ors the differences into the statuses and widens the state's changed rectangle
  // by the box.
  void undo(IiClassification& state) override;
  void redo(IiClassification& state) override { undo(state); }

  // Applies the differences without telling any state; used where no state is involved.
  void apply() noexcept;

  const corvane::Box& box() const { return box_; }
  // Each word: bits 0-7 the difference, bits 8-31 the run length (at least 1).
  const std::vector<uint32_t>& runs() const { return runs_; }

  static constexpr uint32_t kMaxRunLength = 0xFFFFFFu;

 private:
  corvane::Box box_;
  std::vector<uint32_t> runs_;
  blitz::Array<uint8_t, 2> status_;
};

}  // namespace classification
