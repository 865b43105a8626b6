#pragma once

#include <array>
#include <cstdint>

namespace classification {

// The analysis parameters a segmentation result was computed with. The session fills the
// current set before every analysis; each stage compares the fields it depends on with the
// set its cached result was made with. A fresh record matches no real parameter set.
struct LevelRecord {
  int32_t histogramBits = -1;       // resolution of the block histograms, in bits
  float reservedFloat1 = -1.0f;     // not read by the segmentation
  float reservedFloat2 = -1.0f;     // not read by the segmentation
  float levelThreshold = -1.0f;     // mode-splitting tolerance of the channel histograms
  float innerScale = -1.0f;         // image tolerance; the region flood runs only above 1.0
  float focus = -1.0f;              // not read by the segmentation
  float reservedFloat6 = -1.0f;     // not read by the segmentation
  int32_t blockHistogramKind = -1;  // rule by which pixels enter a block histogram (0 to 3)
  int32_t blockSize = -1;           // pixels per block side
  int32_t windowRadius = -1;        // accumulation window radius, in blocks
  int32_t histogramMode = -1;       // only its changes up to 2 make histograms stale
  int32_t valueLimit = -1;          // bounds of the local value map
  int32_t blendMode = 0;            // not read by the segmentation
  int32_t foregroundSampling = 1;   // not read by the segmentation
  int32_t backgroundSampling = 1;   // not read by the segmentation
};

inline bool operator==(const LevelRecord& a, const LevelRecord& b) {
  return a.histogramBits == b.histogramBits && a.reservedFloat1 == b.reservedFloat1 &&
         a.reservedFloat2 == b.reservedFloat2 && a.levelThreshold == b.levelThreshold &&
         a.innerScale == b.innerScale && a.focus == b.focus &&
         a.reservedFloat6 == b.reservedFloat6 && a.blockHistogramKind == b.blockHistogramKind &&
         a.blockSize == b.blockSize && a.windowRadius == b.windowRadius &&
         a.histogramMode == b.histogramMode && a.valueLimit == b.valueLimit &&
         a.blendMode == b.blendMode && a.foregroundSampling == b.foregroundSampling &&
         a.backgroundSampling == b.backgroundSampling;
}
inline bool operator!=(const LevelRecord& a, const LevelRecord& b) {
  return !(a == b);
}

// Slots 0 to 5: the parameters of each colour channel's block histograms and mode split;
// slot 6: those of the local value map and the region flood.
constexpr int kLevelSlotCount = 7;
constexpr int kRegionSlot = 6;
using LevelRecords = std::array<LevelRecord, kLevelSlotCount>;

}  // namespace classification
