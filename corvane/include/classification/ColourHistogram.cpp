#include "classification/ColourHistogram.h"

namespace classification {

namespace {
constexpr size_t kFirstSlotCount = 1024;
}

void ColourHistogram::clear() {
  std::vector<ColourBin>().swap(bins_);
  std::vector<Slot>().swap(slots_);
  mask_ = 0;
  growAt_ = 0;
}

uint64_t ColourHistogram::totalCount() const {
  uint64_t total = 0;
  for (const ColourBin& bin : bins_) total += bin.count;
  return total;
}

void ColourHistogram::grow() {
  // Half-full at most, so that probe sequences stay short.
  const size_t slotCount = slots_.empty() ? kFirstSlotCount : slots_.size() * 2;
  std::vector<Slot> slots(slotCount, Slot{0, kNotFound});
  const size_t mask = slotCount - 1;
  for (const Slot& old : slots_) {
    if (old.position == kNotFound) continue;
    size_t slot = old.hash & mask;
    const size_t step = probeStep(old.hash);
    while (slots[slot].position != kNotFound) slot = (slot + step) & mask;
    slots[slot] = old;
  }
  slots_.swap(slots);
  mask_ = mask;
  growAt_ = slotCount / 2;
  if (bins_.capacity() < growAt_) bins_.reserve(growAt_);
}

}  // namespace classification
