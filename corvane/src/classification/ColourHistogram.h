#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace classification {

// The six bytes of one analysis-image pixel, channels 0 to 5.
using ColourKey = std::array<uint8_t, 6>;

// The histograms exist at seven colour resolutions: colour level k keeps the top 8 - k bits of
// every channel.
constexpr int kColourLevelCount = 7;

struct ColourBin {
  ColourKey key;
  int32_t label;  // -1 while no cluster owns the colour
  uint32_t count;
};

// The key packed into the low 48 bits of a word, byte 0 lowest: lookups compare and reduce keys
// as one integer.
inline uint64_t packColourKey(const uint8_t* bytes) {
  return uint64_t(bytes[0]) | uint64_t(bytes[1]) << 8 | uint64_t(bytes[2]) << 16 |
         uint64_t(bytes[3]) << 24 | uint64_t(bytes[4]) << 32 | uint64_t(bytes[5]) << 40;
}
inline uint64_t packColourKey(const ColourKey& key) {
  return packColourKey(key.data());
}
inline ColourKey unpackColourKey(uint64_t packed) {
  ColourKey key;
  for (int c = 0; c < 6; ++c) key[c] = uint8_t(packed >> (8 * c));
  return key;
}

// Every byte of a packed key shifted right by n (0..7) bits.
inline uint64_t reduceColourBits(uint64_t packed, int n) {
  const uint64_t keep = (0xFFu >> n) * 0x010101010101ull;
  return (packed >> n) & keep;
}
inline ColourKey reduceColourBits(const ColourKey& key, int n) {
  return unpackColourKey(reduceColourBits(packColourKey(key), n));
}

// The table hash: mixes all six bytes into one word without a multiplication; the bucket comes
// from its low bits.
inline uint32_t colourHash(uint64_t packed) {
  const uint32_t b4 = uint32_t(packed >> 32) & 0xFFu;
  const uint32_t b5 = uint32_t(packed >> 40) & 0xFFu;
  return (((b5 << 16) ^ b4) << 4) ^ uint32_t(packed);
}

// A hash table of colour bins that also keeps its bins in one list, the order in which they
// were inserted. Bins are addressed by their list position, which never changes: the table
// holds positions, so growing it moves no bin.
//
// The table is open-addressed over a power-of-two slot array with linear probing; each slot
// keeps the key's full hash beside the position so that a probe past a foreign key does not
// touch the bin list.
class ColourHistogram {
 public:
  static constexpr uint32_t kNotFound = 0xFFFFFFFFu;

  ColourHistogram() = default;

  size_t size() const { return bins_.size(); }
  bool empty() const { return bins_.empty(); }
  ColourBin& operator[](size_t position) { return bins_[position]; }
  const ColourBin& operator[](size_t position) const { return bins_[position]; }
  std::vector<ColourBin>::const_iterator begin() const { return bins_.begin(); }
  std::vector<ColourBin>::const_iterator end() const { return bins_.end(); }

  // List position of the bin with this packed key, or kNotFound.
  uint32_t find(uint64_t packed) const {
    if (slots_.empty()) return kNotFound;
    const uint32_t hash = colourHash(packed);
    for (size_t slot = homeSlot(hash);; slot = (slot + 1) & mask_) {
      const Slot& s = slots_[slot];
      if (s.position == kNotFound) return kNotFound;
      if (s.hash == hash && packColourKey(bins_[s.position].key) == packed) return s.position;
    }
  }
  uint32_t find(const ColourKey& key) const { return find(packColourKey(key)); }

  // Starts loading the slot where a lookup of this key begins: callers with several
  // independent lookups at hand let their cache misses overlap.
  void prefetch(uint64_t packed) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[homeSlot(colourHash(packed))]);
  }

  // List position of the bin with this packed key; a missing bin is appended with label -1 and
  // count 0.
  uint32_t findOrInsert(uint64_t packed) {
    if (bins_.size() >= growAt_) grow();
    const uint32_t hash = colourHash(packed);
    for (size_t slot = homeSlot(hash);; slot = (slot + 1) & mask_) {
      Slot& s = slots_[slot];
      if (s.position == kNotFound) {
        s.hash = hash;
        s.position = uint32_t(bins_.size());
        bins_.push_back(ColourBin{unpackColourKey(packed), -1, 0});
        return s.position;
      }
      if (s.hash == hash && packColourKey(bins_[s.position].key) == packed) return s.position;
    }
  }
  uint32_t findOrInsert(const ColourKey& key) { return findOrInsert(packColourKey(key)); }

  // Drops every bin and the table's storage.
  void clear();

  // Makes room for `bins` bins in all, list and table, so that inserting that many grows
  // neither.
  void reserve(size_t bins);

  // Drops the lookup table but keeps the bins, their order and counts: a level that is only
  // walked for a while need not hold it. Until rebuildIndex(), find() must not be called;
  // findOrInsert() rebuilds the table itself.
  void releaseIndex();
  // Builds the lookup table again after releaseIndex(); does nothing while it is held.
  void rebuildIndex();

  // Takes `bins` (keys all different) as the list, with the lookup table released.
  void assignBins(std::vector<ColourBin>&& bins);

  // The sum of all bin counts.
  uint64_t totalCount() const;

 private:
  // Aligned as one word, so that a rebuild can claim a slot with one compare-and-swap.
  struct alignas(8) Slot {
    uint32_t hash;
    uint32_t position;  // kNotFound when free
  };

  // The low bits of the hash leave channel 3 and most of channel 5 out, and the colours of a
  // photograph fill only a narrow band of the rest, so the low bits alone would pile the keys
  // onto few slots. A multiplication spreads every hash bit over the top bits, which pick the
  // slot; keys with equal hashes are rare enough for linear probing.
  size_t homeSlot(uint32_t hash) const {
    return size_t((uint64_t(hash) * 0x9E3779B97F4A7C15ull) >> shift_);
  }

  void grow();
  // Moves the table to `slotCount` slots (a power of two, more than twice the bins).
  void rehash(size_t slotCount);

  std::vector<ColourBin> bins_;
  std::vector<Slot> slots_;
  size_t mask_ = 0;
  int shift_ = 63;
  size_t growAt_ = 0;  // bin count at which the table doubles
};

using ColourLevels = std::array<ColourHistogram, kColourLevelCount>;

// Puts the colours of `parts`, the histograms of consecutive stretches of one walk (over
// pixels or over the bins of a finer level) in walk order, into the empty `out` as a single
// walk would have counted them: each colour once, where its first occurrence puts it, with the
// sum of its counts; `out`'s lookup table is left released. The colours are shared out among
// the engine's workers by a hash, each finding the first occurrences and sums of its own, so
// the result does not depend on the number of workers. The parts are used up.
void mergeInWalkOrder(std::vector<ColourHistogram>& parts, ColourHistogram& out);

}  // namespace classification
