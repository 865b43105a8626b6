// The colour clustering and the analysis image compared, label for label and byte for byte,
// with deliberately plain implementations: ordered-map histograms and a standard heap over
// whole edge records. The engine's own versions are tuned
// for 12-megapixel photographs; these keep them honest on small and medium pictures.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <vector>

#include "ClassificationTestSupport.h"
#include "classification/GlobalClassification.h"
#include "classification/HistogramWatershed.h"
#include "util/ProcessorCount.h"

using Classification = classification::GlobalClassification<unsigned char, 6, int>;
using classification::ColourKey;

namespace {

// ---- Reference colour clustering -------------------------------------------------------------

struct ReferenceBin {
  ColourKey key;
  int32_t label;
  uint32_t count;
};

// Bins in insertion order, found through an ordered map.
struct ReferenceLevel {
  std::vector<ReferenceBin> bins;
  std::map<ColourKey, uint32_t> positions;

  uint32_t findOrInsert(const ColourKey& key) {
    const auto found = positions.find(key);
    if (found != positions.end()) return found->second;
    positions.emplace(key, uint32_t(bins.size()));
    bins.push_back(ReferenceBin{key, -1, 0});
    return uint32_t(bins.size() - 1);
  }
  int64_t find(const ColourKey& key) const {
    const auto found = positions.find(key);
    return found == positions.end() ? -1 : int64_t(found->second);
  }
};

struct ReferenceEdge {
  uint32_t source, target, priority;
  int32_t plateau, steps;
};

bool referenceEdgeBefore(const ReferenceEdge& a, const ReferenceEdge& b) {
  if (a.priority != b.priority) return a.priority < b.priority;
  if (a.plateau != b.plateau) return a.plateau > b.plateau;
  return a.steps > b.steps;
}

// The flood of one level; returns the number of labels handed out. Peaks beyond `labelLimit`
// all take the limit.
int32_t referenceWatershed(ReferenceLevel& level, int32_t labelLimit = 0x7FFFFFFE) {
  std::vector<uint32_t> seeds;
  for (uint32_t i = 0; i < level.bins.size(); ++i) {
    if (level.bins[i].label == -1) seeds.push_back(i);
  }
  std::stable_sort(seeds.begin(), seeds.end(), [&level](uint32_t a, uint32_t b) {
    return level.bins[a].count > level.bins[b].count;
  });
  std::vector<ReferenceEdge> heap;
  auto pushNeighbours = [&](uint32_t bin, uint32_t priority, int32_t plateau, int32_t steps) {
    const ReferenceBin from = level.bins[bin];
    const uint32_t half = from.count >> 1;
    for (int c = 0; c < 6; ++c) {
      for (int delta : {-1, 1}) {
        const int value = from.key[c] + delta;
        if (value < 0 || value > 255) continue;
        ColourKey key = from.key;
        key[c] = uint8_t(value);
        const int64_t target = level.find(key);
        if (target < 0 || level.bins[size_t(target)].label != -1) continue;
        heap.push_back(ReferenceEdge{bin, uint32_t(target), std::min(priority, half),
                                     half >= priority ? plateau + 1 : 0, steps + 1});
        std::push_heap(heap.begin(), heap.end(), referenceEdgeBefore);
      }
    }
  };
  int32_t nextLabel = 0;
  size_t nextSeed = 0;
  for (;;) {
    while (!heap.empty()) {
      while (nextSeed < seeds.size() && level.bins[seeds[nextSeed]].label != -1) ++nextSeed;
      if (nextSeed < seeds.size() && level.bins[seeds[nextSeed]].count > heap.front().priority) {
        break;
      }
      std::pop_heap(heap.begin(), heap.end(), referenceEdgeBefore);
      const ReferenceEdge edge = heap.back();
      heap.pop_back();
      if (level.bins[edge.target].label == -1) {
        level.bins[edge.target].label = level.bins[edge.source].label;
        pushNeighbours(edge.target, edge.priority, edge.plateau, edge.steps);
      }
    }
    while (nextSeed < seeds.size() && level.bins[seeds[nextSeed]].label != -1) ++nextSeed;
    if (nextSeed == seeds.size()) break;
    const uint32_t seed = seeds[nextSeed++];
    level.bins[seed].label = nextLabel <= labelLimit ? nextLabel++ : labelLimit;
    pushNeighbours(seed, level.bins[seed].count, 0, 0);
  }
  return nextLabel;
}

ColourKey keyOf(const classification_test::Pixel& p, int shift) {
  ColourKey key;
  for (int c = 0; c < 6; ++c) key[c] = uint8_t(p[c] >> shift);
  return key;
}

// Builds, floods and partitions every level the plain way and compares each step with the
// engine's classification of the same image and mask.
void expectSameClustering(const blitz::Array<classification_test::Pixel, 2>& image,
                          const blitz::Array<unsigned char, 2>& mask) {
  std::vector<ReferenceLevel> levels(classification::kColourLevelCount);
  for (int i = image.lbound(0); i <= image.ubound(0); ++i) {
    for (int j = image.lbound(1); j <= image.ubound(1); ++j) {
      if (mask.numElements() > 0 && (mask(i, j) & 15) == 0) continue;
      ++levels[0].bins[levels[0].findOrInsert(keyOf(image(i, j), 0))].count;
    }
  }
  for (int k = 1; k < classification::kColourLevelCount; ++k) {
    for (const ReferenceBin& bin : levels[k - 1].bins) {
      levels[k].bins[levels[k].findOrInsert(classification::reduceColourBits(bin.key, 1))].count +=
          bin.count;
    }
  }

  std::vector<int32_t> labelCounts;
  for (ReferenceLevel& level : levels) labelCounts.push_back(referenceWatershed(level));
  for (unsigned workers : {1u, 3u, 8u}) {
    SCOPED_TRACE(testing::Message() << workers << " workers");
    corvane::setProcessorCountOverride(workers);
    Classification classification;
    classification.setImage(image);
    classification.setMask(mask);
    classification.run(ProgressRange());
    corvane::setProcessorCountOverride(0);

    for (int k = 0; k < classification::kColourLevelCount; ++k) {
      SCOPED_TRACE(testing::Message() << "colour level " << k);
      EXPECT_EQ(classification.result(k), uint32_t(labelCounts[size_t(k)]));
      const classification::ColourHistogram& level = classification.level(k);
      ASSERT_EQ(level.size(), levels[k].bins.size());
      for (size_t i = 0; i < level.size(); ++i) {
        ASSERT_EQ(level[i].key, levels[k].bins[i].key) << "bin " << i;
        ASSERT_EQ(level[i].count, levels[k].bins[i].count) << "bin " << i;
        ASSERT_EQ(level[i].label, levels[k].bins[i].label) << "bin " << i;
      }

      blitz::Array<int, 2> partition(image.lbound(), image.extent());
      classification.partition(k, partition, ProgressRange());
      for (int i = image.lbound(0); i <= image.ubound(0); ++i) {
        for (int j = image.lbound(1); j <= image.ubound(1); ++j) {
          const int64_t bin = levels[k].find(keyOf(image(i, j), k));
          ASSERT_EQ(partition(i, j), bin < 0 ? -1 : levels[k].bins[size_t(bin)].label)
              << "pixel " << i << "," << j;
        }
      }
    }
  }
}

// A simple path through colour space with channels 3 to 5 fixed: it snakes along channel 0
// over the even values of channel 1 and the even planes of channel 2 (0, 2, 4), each turn one
// bin of odd value.
std::vector<ColourKey> snake(int c3, int c4, int c5) {
  std::vector<ColourKey> path;
  auto add = [&](int c0, int c1, int c2) {
    path.push_back(
        ColourKey{uint8_t(c0), uint8_t(c1), uint8_t(c2), uint8_t(c3), uint8_t(c4), uint8_t(c5)});
  };
  int c0 = 0;
  for (int plane = 0; plane < 3; ++plane) {
    for (int row = 0; row < 128; ++row) {
      const int c1 = plane % 2 == 0 ? 2 * row : 254 - 2 * row;
      for (int i = 0; i < 256; ++i) {
        c0 = (row % 2 == 0) == (plane % 2 == 0) ? i : 255 - i;
        add(c0, c1, 2 * plane);
      }
      if (row < 127) add(c0, plane % 2 == 0 ? c1 + 1 : c1 - 1, 2 * plane);
    }
    if (plane < 2) add(c0, path.back()[1], 2 * plane + 1);
  }
  return path;
}

TEST(ClassificationReference, FrontsBeyondSixteenBitsOfSteps) {
  // Two equal peaks at the far ends of two long paths (some 98000 bins each) whose other ends
  // enter a 10 x 10 grid of colours at opposite corners: the fronts cross the grid with step
  // counts beyond 16 bits and meet along its diagonal in records equal in priority, plateau
  // and steps.
  std::vector<ColourKey> first = snake(0, 0, 0), second = snake(2, 9, 9);
  const ColourKey end = first.back();
  std::vector<std::pair<ColourKey, uint32_t>> bins;
  for (const std::vector<ColourKey>* path : {&first, &second}) {
    for (size_t i = 0; i < path->size(); ++i) bins.emplace_back((*path)[i], i == 0 ? 1000u : 0u);
  }
  for (int u = 0; u < 10; ++u) {
    for (int v = 0; v < 10; ++v) {
      bins.emplace_back(ColourKey{end[0], end[1], end[2], 1, uint8_t(u), uint8_t(v)}, 0u);
    }
  }
  std::shuffle(bins.begin(), bins.end(), std::mt19937(5));

  ReferenceLevel reference;
  classification::ColourHistogram level;
  for (const auto& [key, count] : bins) {
    reference.bins[reference.findOrInsert(key)].count = count;
    level[level.findOrInsert(key)].count = count;
  }
  ASSERT_EQ(level.size(), bins.size());  // no key twice

  const int32_t labels = referenceWatershed(reference);
  classification::WatershedResult slot;
  classification::histogramWatershed(level, slot, ProgressRange());
  EXPECT_EQ(slot.nextLabel, labels);
  EXPECT_EQ(labels, 2);
  for (size_t i = 0; i < level.size(); ++i) {
    ASSERT_EQ(level[i].label, reference.bins[i].label) << "bin " << i;
  }
}

// Levels thick with colours seen once, as a photograph's finest levels are: their floods end
// in a run of lone peaks, which must come out as the full flood makes them, label limit
// included; colours of count 0, which only the fronts reach, must not change that.
TEST(ClassificationReference, LoneColoursAfterTheFronts) {
  struct Case {
    const char* name;
    int32_t labelLimit;
    bool zeroCount;
  };
  for (const Case& c :
       {Case{"no limit", 0x7FFFFFFE, false}, Case{"limit among the lone", 40, false},
        Case{"limit before them", 3, false}, Case{"colours of count 0", 40, true}}) {
    SCOPED_TRACE(c.name);
    std::mt19937 rng(23);
    std::uniform_int_distribution<int> value(0, 3);
    std::uniform_int_distribution<uint32_t> heavy(2, 40);
    ReferenceLevel reference;
    classification::ColourHistogram level;
    for (int i = 0; i < 600; ++i) {
      ColourKey key;
      for (int k = 0; k < 6; ++k) key[k] = uint8_t(value(rng));
      // A few frequent colours, the rest seen once (some not at all).
      const uint32_t count = c.zeroCount && i % 7 == 3 ? 0u : i % 9 == 0 ? heavy(rng) : 1u;
      const uint32_t at = reference.findOrInsert(key);
      if (at + 1 < reference.bins.size()) continue;  // drawn before
      reference.bins[at].count = count;
      level[level.findOrInsert(key)].count = count;
    }
    const int32_t labels = referenceWatershed(reference, c.labelLimit);
    classification::WatershedResult slot;
    slot.labelLimit = c.labelLimit;
    classification::histogramWatershed(level, slot, ProgressRange());
    EXPECT_EQ(slot.nextLabel, labels);
    for (size_t i = 0; i < level.size(); ++i) {
      ASSERT_EQ(level[i].label, reference.bins[i].label) << "bin " << i;
    }
  }
}

TEST(ClassificationReference, PhotoLikeImagesWithAndWithoutMask) {
  const auto image = classification_test::photoLikeImage(45, 61, -3, 7, 5);
  expectSameClustering(image, blitz::Array<unsigned char, 2>());

  blitz::Array<unsigned char, 2> mask(image.lbound(), image.extent());
  for (int i = mask.lbound(0); i <= mask.ubound(0); ++i) {
    for (int j = mask.lbound(1); j <= mask.ubound(1); ++j) mask(i, j) = (i * 7 + j) % 5 ? 1 : 64;
  }
  expectSameClustering(image, mask);
  // Enough colours for the levels to be counted and subsampled in parallel pieces.
  expectSameClustering(classification_test::photoLikeImage(190, 230, 2, -5, 9),
                       blitz::Array<unsigned char, 2>());
}

TEST(ClassificationReference, FewColoursWithManyEqualCountsAndPriorities) {
  // Four values per channel: crowded equal counts and equal edge records.
  blitz::Array<classification_test::Pixel, 2> image(70, 90);
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> value(0, 3);
  for (int i = 0; i < 70; ++i) {
    for (int j = 0; j < 90; ++j) {
      classification_test::Pixel p;
      for (int c = 0; c < 6; ++c) p[c] = uint8_t(60 + value(rng) + (c < 3 ? 0 : i / 20));
      image(i, j) = p;
    }
  }
  expectSameClustering(image, blitz::Array<unsigned char, 2>());
}

}  // namespace
