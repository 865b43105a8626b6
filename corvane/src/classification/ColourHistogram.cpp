#include "classification/ColourHistogram.h"

namespace classification {

namespace {
constexpr size_t kFirstSlotCount = 1024;
}

void ColourHistogram::clear() {
  std::vector<ColourBin>().swap(bins_);
  std::vector<Slot>().swap(slots_);
  mask_ = 0;
  shift_ = 63;
  growAt_ = 0;
}

uint64_t ColourHistogram::totalCount() const {
  uint64_t total = 0;
  for (const ColourBin& bin : bins_) total += bin.count;
  return total;
}

void ColourHistogram::releaseIndex() {
  std::vector<Slot>().swap(slots_);
  mask_ = 0;
  shift_ = 63;
  growAt_ = 0;
}

void ColourHistogram::rebuildIndex() {
  if (slots_.empty() && !bins_.empty()) grow();
}

void ColourHistogram::grow() {
  // Half-full at most, so that probe sequences stay short.
  size_t slotCount = slots_.empty() ? kFirstSlotCount : slots_.size() * 2;
  if (slots_.empty() && !bins_.empty()) {
    // The table of released bins: as large as inserting them one by one makes it.
    while (bins_.size() > slotCount / 2) slotCount *= 2;
    slots_.assign(slotCount, Slot{0, kNotFound});
    mask_ = slotCount - 1;
    shift_ = 64 - __builtin_ctzll(slotCount);
    for (uint32_t position = 0; position < bins_.size(); ++position) {
      const uint32_t hash = colourHash(packColourKey(bins_[position].key));
      size_t slot = homeSlot(hash);
      while (slots_[slot].position != kNotFound) slot = (slot + 1) & mask_;
      slots_[slot] = Slot{hash, position};
    }
    growAt_ = slotCount / 2;
    return;
  }
  std::vector<Slot> slots(slotCount, Slot{0, kNotFound});
  slots_.swap(slots);
  mask_ = slotCount - 1;
  shift_ = 64 - __builtin_ctzll(slotCount);
  // The old slots are ordered by the top bits of their mixed hash, as are the new ones: moving
  // them in slot order writes the new table almost sequentially.
  for (const Slot& old : slots) {
    if (old.position == kNotFound) continue;
    size_t slot = homeSlot(old.hash);
    while (slots_[slot].position != kNotFound) slot = (slot + 1) & mask_;
    slots_[slot] = old;
  }
  growAt_ = slotCount / 2;
  if (bins_.capacity() < growAt_) bins_.reserve(growAt_);
}

}  // namespace classification
