#include "classification/ColourHistogram.h"

#include <array>
#include <utility>

#include "util/ParallelBands.h"

namespace classification {

namespace {

constexpr size_t kFirstSlotCount = 1024;

// The merge's shards: a mix of the key unrelated to the tables' home slots, so that the colours
// of one shard still spread over the whole of its table.
constexpr int kShardBits = 6;
constexpr uint32_t kShardCount = 1u << kShardBits;
inline uint32_t shardOf(uint64_t packed) {
  return uint32_t((packed * 0xD6E8FEB86659FD93ull) >> (64 - kShardBits));
}

// Below this many colours in all parts a merge adds them up on the calling thread.
constexpr size_t kShardedMerge = 400000;

// Marks a part's bin as the first occurrence of its colour during a merge; counted bins
// carry -1 otherwise.
constexpr int32_t kFirstOccurrence = -2;

}  // namespace

void ColourHistogram::assignBins(std::vector<ColourBin>&& bins) {
  bins_ = std::move(bins);
  releaseIndex();
}

void mergeInWalkOrder(std::vector<ColourHistogram>& parts, ColourHistogram& out) {
  const size_t partCount = parts.size();
  size_t total = 0;
  for (const ColourHistogram& part : parts) total += part.size();
  if (total < kShardedMerge || corvane::processorCount() <= 1) {
    // Few colours: adding the parts in order to the first is quicker than sharing them out. A
    // colour new to the level joins its list after every colour it already holds, which is
    // where a walk of the part right after the parts before would have put it.
    size_t first = 0;
    while (first < partCount && parts[first].empty()) ++first;
    if (first == partCount) {
      parts.clear();
      out.assignBins({});
      return;
    }
    out = std::move(parts[first]);
    for (size_t p = first + 1; p < partCount; ++p) {
      const ColourHistogram& part = parts[p];
      for (size_t i = 0; i < part.size(); ++i) {
        if (i + 8 < part.size()) out.prefetch(packColourKey(part[i + 8].key));
        out[out.findOrInsert(packColourKey(part[i].key))].count += part[i].count;
      }
    }
    parts.clear();
    out.releaseIndex();
    return;
  }
  // Per part and shard, the list positions of the part's colours of that shard, in order.
  std::vector<std::array<std::vector<uint32_t>, kShardCount>> lists(partCount);
  corvane::forEachInParallel(partCount, 1, [&](size_t p) {
    const ColourHistogram& part = parts[p];
    for (std::vector<uint32_t>& list : lists[p])
      list.reserve(part.size() / kShardCount * 5 / 4 + 16);
    for (uint32_t i = 0; i < part.size(); ++i)
      lists[p][shardOf(packColourKey(part[i].key))].push_back(i);
  });
  // Each shard walks its colours part by part: the first occurrence of each gets the sum and
  // the mark. A part's bin belongs to one shard, so no two workers write the same bin.
  corvane::forEachInParallel(kShardCount, 1, [&](size_t s) {
    // Room for every colour of the shard as if none repeated: no table grows on the way.
    size_t most = 0;
    for (size_t p = 0; p < partCount; ++p) most += lists[p][s].size();
    ColourHistogram table;
    table.reserve(most);
    std::vector<uint64_t> first;
    first.reserve(most);
    for (size_t p = 0; p < partCount; ++p) {
      for (uint32_t i : lists[p][s]) {
        const ColourBin& bin = parts[p][i];
        const uint32_t at = table.findOrInsert(packColourKey(bin.key));
        if (at == first.size()) first.push_back(uint64_t(p) << 32 | i);
        table[at].count += bin.count;
      }
    }
    for (size_t at = 0; at < first.size(); ++at) {
      ColourBin& bin = parts[size_t(first[at] >> 32)][uint32_t(first[at])];
      bin.count = table[at].count;
      bin.label = kFirstOccurrence;
    }
  });
  std::vector<size_t> offsets(partCount + 1, 0);
  corvane::forEachInParallel(partCount, 1, [&](size_t p) {
    size_t marked = 0;
    for (const ColourBin& bin : parts[p]) marked += bin.label == kFirstOccurrence;
    offsets[p + 1] = marked;
  });
  for (size_t p = 0; p < partCount; ++p) offsets[p + 1] += offsets[p];
  std::vector<ColourBin> bins(offsets.back());
  corvane::forEachInParallel(partCount, 1, [&](size_t p) {
    size_t to = offsets[p];
    for (const ColourBin& bin : parts[p])
      if (bin.label == kFirstOccurrence) bins[to++] = ColourBin{bin.key, -1, bin.count};
  });
  parts.clear();
  out.assignBins(std::move(bins));
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
  bins_.shrink_to_fit();  // the table reserved room for the list to grow
  mask_ = 0;
  shift_ = 63;
  growAt_ = 0;
}

void ColourHistogram::reserve(size_t bins) {
  if (bins <= growAt_) return;
  if (slots_.empty() && !bins_.empty()) rebuildIndex();  // the table of released bins first
  size_t slotCount = std::max(kFirstSlotCount, slots_.size());
  while (bins > slotCount / 2) slotCount *= 2;
  if (slotCount > slots_.size()) rehash(slotCount);
  bins_.reserve(bins);
}

void ColourHistogram::rebuildIndex() {
  if (!slots_.empty() || bins_.empty()) return;
  // As large as inserting the bins one by one makes the table. The bins go in on all
  // processors, each slot claimed by a compare-and-swap: where a colour lands within its
  // probe run then depends on the race, but with every key present once no lookup's answer
  // does.
  size_t slotCount = kFirstSlotCount;
  while (bins_.size() > slotCount / 2) slotCount *= 2;
  slots_.assign(slotCount, Slot{0, kNotFound});
  mask_ = slotCount - 1;
  shift_ = 64 - __builtin_ctzll(slotCount);
  growAt_ = slotCount / 2;
  corvane::forEachBand(0, int32_t(bins_.size()) - 1, 16384, corvane::processorCount(),
                       [this](int32_t first, int32_t last) {
                         for (int32_t position = first; position <= last; ++position) {
                           const uint32_t hash = colourHash(packColourKey(bins_[position].key));
                           Slot claimed{hash, uint32_t(position)};
                           for (size_t slot = homeSlot(hash);; slot = (slot + 1) & mask_) {
                             Slot free{0, kNotFound};
                             if (__atomic_compare_exchange(&slots_[slot], &free, &claimed, false,
                                                           __ATOMIC_RELAXED, __ATOMIC_RELAXED))
                               break;
                           }
                         }
                       });
}

void ColourHistogram::grow() {
  // Half-full at most, so that probe sequences stay short.
  if (slots_.empty() && !bins_.empty()) {
    rebuildIndex();  // the table of released bins
    return;
  }
  rehash(slots_.empty() ? kFirstSlotCount : slots_.size() * 2);
}

void ColourHistogram::rehash(size_t slotCount) {
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
