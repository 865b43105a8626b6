#include "classification/RegionCleanup.h"

#include <algorithm>
#include <limits>
#include <string>
#include <utility>

#include "util/ArrayDomain.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"

namespace classification {

using corvane::Box;
using corvane::domainOf;

namespace {

void fillRows(LabelArray& array, int32_t firstRow, int32_t lastRow, int32_t firstColumn,
              int32_t lastColumn, int32_t value) {
  for (int32_t r = firstRow; r <= lastRow; ++r)
    for (int32_t c = firstColumn; c <= lastColumn; ++c) array(r, c) = value;
}

// Per-label vote counts of one pixel, stamped with the pixel's serial number so that they
// need no clearing between pixels.
class Tally {
 public:
  explicit Tally(int32_t size) : counts_(size_t(std::max(size, 0))), stamps_(counts_.size(), -1) {}
  void start() {
    ++serial_;
    best_ = 0;
  }
  // Counts a vote; true when the label now leads.
  bool vote(int32_t label) {
    if (label < 0 || size_t(label) >= counts_.size()) return false;
    if (stamps_[size_t(label)] != serial_) {
      stamps_[size_t(label)] = serial_;
      counts_[size_t(label)] = 0;
    }
    if (++counts_[size_t(label)] <= best_) return false;
    ++best_;
    return true;
  }

 private:
  std::vector<int32_t> counts_;
  std::vector<int64_t> stamps_;
  int64_t serial_ = -1;
  int32_t best_ = 0;
};

}  // namespace

void fillOutsideRect(const Box& rect, int32_t value, LabelArray& array) {
  if (array.size() == 0) return;
  const Box all = domainOf(array);
  const Box inner = corvane::intersectBox(rect, all);
  if (inner.empty()) {
    array = value;
    return;
  }
  fillRows(array, all.lowerRow, inner.lowerRow - 1, all.lowerColumn, all.upperColumn, value);
  fillRows(array, inner.upperRow + 1, all.upperRow, all.lowerColumn, all.upperColumn, value);
  fillRows(array, inner.lowerRow, inner.upperRow, all.lowerColumn, inner.lowerColumn - 1, value);
  fillRows(array, inner.lowerRow, inner.upperRow, inner.upperColumn + 1, all.upperColumn, value);
}

int32_t cleanUpRegionLabels(LabelArray& innerLabels, const Box& domain, int32_t innerLabelCount,
                            LabelArray& regionMap) {
  if (domain.empty()) return 0;
  fillOutsideRect(domain, 0, innerLabels);
  LabelArray work(innerLabels.lbound(), innerLabels.extent());
  fillOutsideRect(domain, 0, work);

  // Pixels that share their label with a 4-neighbour inside the domain keep it, the others
  // get 0. Every pixel depends on its own neighbourhood alone, so row bands run on all
  // processors; each band also notes its largest label and, in raster order, its 0 pixels.
  // The tally covers every label present: after a first clean-up `innerLabelCount` may
  // already count regions rather than labels.
  const int32_t bandRows = 64;
  const int32_t bands = (domain.upperRow - domain.lowerRow) / bandRows + 1;
  std::vector<int32_t> largest(size_t(bands), innerLabelCount);
  std::vector<std::vector<corvane::IndexPair>> lone(static_cast<size_t>(bands));
  auto pairBand = [&](int32_t first, int32_t last) {
    const size_t band = size_t((first - domain.lowerRow) / bandRows);
    int32_t most = largest[band];
    const ptrdiff_t down = innerLabels.stride(0);
    const ptrdiff_t right = innerLabels.stride(1);
    const ptrdiff_t workStep = work.stride(1);
    for (int32_t r = first; r <= last; ++r) {
      const int32_t* at = &innerLabels(r, domain.lowerColumn);
      int32_t* to = &work(r, domain.lowerColumn);
      const bool hasUp = r > domain.lowerRow;
      const bool hasDown = r < domain.upperRow;
      for (int32_t c = domain.lowerColumn; c <= domain.upperColumn;
           ++c, at += right, to += workStep) {
        const int32_t label = *at;
        most = std::max(most, label);
        const bool paired =
            (c < domain.upperColumn && at[right] == label) || (hasDown && at[down] == label) ||
            (c > domain.lowerColumn && at[-right] == label) || (hasUp && at[-down] == label);
        *to = paired ? label : 0;
        if (!paired) lone[band].push_back(corvane::IndexPair{r, c});
      }
    }
    largest[band] = most;
  };
  corvane::forEachBand(domain.lowerRow, domain.upperRow, bandRows, corvane::processorCount(),
                       pairBand);
  const int32_t largestLabel = *std::max_element(largest.begin(), largest.end());

  // Lone pixels take the majority label of their neighbours; one next to another lone pixel
  // (or the margin) becomes -1 with it. This runs in raster order over the 0 pixels found
  // above: a value never turns 0 on the way, so no other pixel can need the fill, while a
  // listed pixel may no longer do so.
  static const int kEdge[4][2] = {{-1, 0}, {0, -1}, {0, 1}, {1, 0}};
  static const int kCorner[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
  Tally tally(largestLabel + 1);
  for (const auto& pixels : lone) {
    for (const corvane::IndexPair& pixel : pixels) {
      const int32_t r = pixel.first;
      const int32_t c = pixel.second;
      if (work(r, c) != 0) continue;
      bool isolated = false;
      for (int i = 0; i < 4 && !isolated; ++i) {
        int32_t& neighbour = work(r + kEdge[i][0], c + kEdge[i][1]);
        if (neighbour >= 1) continue;
        neighbour = -1;
        work(r, c) = -1;
        for (int j = i + 1; j < 4; ++j) {
          int32_t& rest = work(r + kEdge[j][0], c + kEdge[j][1]);
          if (rest == 0) rest = -1;
        }
        isolated = true;
      }
      if (isolated) continue;
      tally.start();
      for (const auto& o : kEdge) {
        const int32_t label = work(r + o[0], c + o[1]);
        if (tally.vote(label)) work(r, c) = label;
      }
      if (work(r, c) <= 0) continue;
      for (const auto& o : kCorner) {
        const int32_t label = work(r + o[0], c + o[1]);
        if (label > 0 && tally.vote(label)) work(r, c) = label;
      }
    }
  }

  fillOutsideRect(domain, -1, innerLabels);
  fillOutsideRect(domain, -2, work);
  return relabelComponents(work, domain, regionMap);
}

int32_t relabelComponents(const LabelArray& work, const Box& domain, LabelArray& regionMap) {
  if (domain.empty()) return 0;
  const int64_t rows = int64_t(domain.upperRow) - domain.lowerRow + 1;
  const int64_t columns = int64_t(domain.upperColumn) - domain.lowerColumn + 1;
  // Provisional labels are raster indices; a parent is never larger than its child, so the
  // root of a component is its first pixel, and the numbering (roots in raster order) does
  // not depend on the order in which pixels were joined. Bands of rows are joined on all
  // processors, each within itself; the seams between bands follow in the calling thread.
  std::vector<int32_t> parent(size_t(rows * columns));
  auto find = [&parent](int32_t i) {
    while (parent[size_t(i)] != i) {
      parent[size_t(i)] = parent[size_t(parent[size_t(i)])];
      i = parent[size_t(i)];
    }
    return i;
  };
  auto unite = [&](int32_t a, int32_t b) {
    a = find(a);
    b = find(b);
    if (a == b) return;
    if (a < b) {
      parent[size_t(b)] = a;
    } else {
      parent[size_t(a)] = b;
    }
  };
  auto indexOf = [&](int32_t r) { return int32_t((int64_t(r) - domain.lowerRow) * columns); };
  const ptrdiff_t step = work.stride(1);
  // A row joins run by run: the pixels of a run of equal values hang below its first pixel,
  // and a run meets each stretch of equal values above it once.
  auto joinRow = [&](int32_t r, bool withAbove) {
    const int32_t base = indexOf(r);
    const int32_t* row = &work(r, domain.lowerColumn);
    const int32_t* above = withAbove ? &work(r - 1, domain.lowerColumn) : nullptr;
    for (int64_t c = 0; c < columns;) {
      const int32_t v = row[c * step];
      const int32_t head = base + int32_t(c);
      int64_t end = c + 1;
      while (end < columns && row[end * step] == v) ++end;
      for (int64_t k = c; k < end; ++k) parent[size_t(base + k)] = head;
      if (above) {
        bool previous = false;
        for (int64_t k = c; k < end; ++k) {
          const bool match = above[k * step] == v;
          if (match && !previous) unite(head, base + int32_t(k) - int32_t(columns));
          previous = match;
        }
      }
      c = end;
    }
  };
  const int32_t bandRows = 64;
  const unsigned threads = corvane::processorCount();
  corvane::forEachBand(domain.lowerRow, domain.upperRow, bandRows, threads,
                       [&](int32_t first, int32_t last) {
                         for (int32_t r = first; r <= last; ++r) joinRow(r, r > first);
                       });
  for (int32_t r = domain.lowerRow + bandRows; r <= domain.upperRow; r += bandRows) {
    const int32_t* row = &work(r, domain.lowerColumn);
    const int32_t* above = &work(r - 1, domain.lowerColumn);
    int32_t i = indexOf(r);
    for (int64_t c = 0; c < columns; ++c, ++i)
      if (above[c * step] == row[c * step]) unite(i, i - int32_t(columns));
  }

  // Every pixel's root into the region map (reads only), the roots counted per band.
  const int32_t bands = int32_t((rows - 1) / bandRows + 1);
  std::vector<int32_t> roots(size_t(bands) + 1, 0);
  corvane::forEachBand(domain.lowerRow, domain.upperRow, bandRows, threads,
                       [&](int32_t first, int32_t last) {
                         int32_t count = 0;
                         for (int32_t r = first; r <= last; ++r) {
                           int32_t i = indexOf(r);
                           for (int32_t c = domain.lowerColumn; c <= domain.upperColumn; ++c, ++i) {
                             int32_t root = parent[size_t(i)];
                             while (parent[size_t(root)] != root) root = parent[size_t(root)];
                             regionMap(r, c) = root;
                             count += root == i;
                           }
                         }
                         roots[size_t((first - domain.lowerRow) / bandRows) + 1] = count;
                       });
  for (size_t b = 1; b < roots.size(); ++b) roots[b] += roots[b - 1];
  // Roots take consecutive numbers in raster order, stored complemented in place of their
  // parent; then every pixel takes its root's number.
  corvane::forEachBand(domain.lowerRow, domain.upperRow, bandRows, threads,
                       [&](int32_t first, int32_t last) {
                         int32_t next = roots[size_t((first - domain.lowerRow) / bandRows)];
                         for (int32_t r = first; r <= last; ++r) {
                           int32_t i = indexOf(r);
                           for (int32_t c = domain.lowerColumn; c <= domain.upperColumn; ++c, ++i)
                             if (regionMap(r, c) == i) parent[size_t(i)] = ~next++;
                         }
                       });
  corvane::forEachBand(domain.lowerRow, domain.upperRow, bandRows, threads,
                       [&](int32_t first, int32_t last) {
                         for (int32_t r = first; r <= last; ++r)
                           for (int32_t c = domain.lowerColumn; c <= domain.upperColumn; ++c)
                             regionMap(r, c) = ~parent[size_t(regionMap(r, c))];
                       });
  return roots.back();
}

namespace {

// Per-label counts of one region's vote: open addressing over a power-of-two table that
// doubles when half full, kept by one worker from region to region.
class VoteTable {
 public:
  void clear() { resize(16); }
  // The label's count after one more vote.
  int64_t vote(int32_t label) {
    if (2 * (used_ + 1) > capacity_) grow();
    size_t slot = home(label);
    while (keys_[slot] != label) {
      if (keys_[slot] == kEmpty) {
        keys_[slot] = label;
        counts_[slot] = 0;
        ++used_;
        break;
      }
      slot = (slot + 1) & (capacity_ - 1);
    }
    return ++counts_[slot];
  }

 private:
  // Partition labels are -1 or cluster numbers, never this.
  static constexpr int32_t kEmpty = std::numeric_limits<int32_t>::min();

  size_t home(int32_t label) const {
    return size_t((uint64_t(uint32_t(label)) * 0x9E3779B97F4A7C15ull) >> shift_);
  }
  void resize(size_t capacity) {
    if (keys_.size() < capacity) {
      keys_.resize(capacity);
      counts_.resize(capacity);
    }
    capacity_ = capacity;
    shift_ = 64 - __builtin_ctzll(capacity);
    used_ = 0;
    std::fill(keys_.begin(), keys_.begin() + ptrdiff_t(capacity), kEmpty);
  }
  void grow() {
    std::vector<std::pair<int32_t, int64_t>> held;
    held.reserve(used_);
    for (size_t k = 0; k < capacity_; ++k)
      if (keys_[k] != kEmpty) held.emplace_back(keys_[k], counts_[k]);
    resize(capacity_ * 2);
    for (const auto& entry : held) {
      size_t slot = home(entry.first);
      while (keys_[slot] != kEmpty) slot = (slot + 1) & (capacity_ - 1);
      keys_[slot] = entry.first;
      counts_[slot] = entry.second;
    }
    used_ = held.size();
  }

  std::vector<int32_t> keys_;
  std::vector<int64_t> counts_;
  size_t capacity_ = 0;
  size_t used_ = 0;
  int shift_ = 60;
};

}  // namespace

void majorityPartitionTable(std::vector<int32_t>& table, int32_t regionCount,
                            const LabelArray& regionMap, const LabelArray& finalLabels,
                            ProgressRange progress) {
  table.assign(size_t(std::max(regionCount, 0)), 0);
  if (regionMap.size() == 0) return;
  const Box d = domainOf(regionMap);
  const float rows = float(d.upperRow - d.lowerRow + 1);

  // Regions do not share votes, so each is counted on its own: the labels of its pixels are
  // gathered in storage order (a counting sort by region), and the regions are then voted
  // on all processors. Within a region the walk order, and so every tie, is the storage
  // order of the whole map. The sort runs in bands of rows, each counting its own pixels
  // per region and then placing them after those of the bands above it. Nothing is written
  // before the labels are voted on, so the row reports all come first.
  for (int32_t r = d.lowerRow; r <= d.upperRow; ++r)
    if ((r & 255) == 0) progress.report(corvane::kNoLabel, float(r - d.lowerRow) / rows);
  const unsigned threads = corvane::processorCount();
  const size_t regions = table.size();
  const int32_t bandRows = int32_t((int64_t(d.upperRow) - d.lowerRow) / threads + 1);
  const size_t bands = size_t((int64_t(d.upperRow) - d.lowerRow) / bandRows + 1);
  std::vector<std::vector<uint32_t>> placed(bands);  // per band and region: count, then place
  const ptrdiff_t from = regionMap.stride(1);
  const ptrdiff_t at = finalLabels.stride(1);
  corvane::forEachBand(d.lowerRow, d.upperRow, bandRows, threads, [&](int32_t first, int32_t last) {
    std::vector<uint32_t>& counts = placed[size_t((first - d.lowerRow) / bandRows)];
    counts.assign(regions, 0);
    for (int32_t r = first; r <= last; ++r) {
      const int32_t* region = &regionMap(r, d.lowerColumn);
      for (int32_t c = d.lowerColumn; c <= d.upperColumn; ++c, region += from)
        if (*region >= 0 && *region < regionCount) ++counts[size_t(*region)];
    }
  });
  std::vector<int64_t> start(regions + 1, 0);
  corvane::forEachInParallel(regions, 4096, [&](size_t region) {
    uint32_t before = 0;
    for (std::vector<uint32_t>& counts : placed) {
      const uint32_t n = counts[region];
      counts[region] = before;
      before += n;
    }
    start[region + 1] = before;
  });
  for (size_t k = 1; k < start.size(); ++k) start[k] += start[k - 1];
  std::vector<int32_t> labels(size_t(start.back()));
  corvane::forEachBand(d.lowerRow, d.upperRow, bandRows, threads, [&](int32_t first, int32_t last) {
    std::vector<uint32_t>& next = placed[size_t((first - d.lowerRow) / bandRows)];
    for (int32_t r = first; r <= last; ++r) {
      const int32_t* region = &regionMap(r, d.lowerColumn);
      const int32_t* label = &finalLabels(r, d.lowerColumn);
      for (int32_t c = d.lowerColumn; c <= d.upperColumn; ++c, region += from, label += at)
        if (*region >= 0 && *region < regionCount)
          labels[size_t(start[size_t(*region)] + next[size_t(*region)]++)] = *label;
    }
    std::vector<uint32_t>().swap(next);
  });

  const int32_t chunk = std::max<int32_t>(1, int32_t(table.size() / (8 * threads)));
  corvane::forEachBand(0, int32_t(table.size()) - 1, chunk, threads,
                       [&](int32_t first, int32_t last) {
                         VoteTable votes;
                         for (int32_t region = first; region <= last; ++region) {
                           const int32_t* label = labels.data() + start[size_t(region)];
                           const int32_t* const end = labels.data() + start[size_t(region) + 1];
                           votes.clear();
                           int64_t best = 0;
                           int32_t winner = 0;
                           for (; label != end; ++label) {
                             const int64_t count = votes.vote(*label);
                             if (count > best) {
                               best = count;
                               winner = *label;
                             }
                           }
                           table[size_t(region)] = winner;
                         }
                       });
}

void remapByRegion(const std::vector<int32_t>& table, const LabelArray& regionMap,
                   LabelArray& finalLabels, ProgressRange progress) {
  if (regionMap.size() == 0) return;
  const Box d = domainOf(regionMap);
  const float rows = float(d.upperRow - d.lowerRow + 1);
  // Rows are independent: each stretch between two reported rows runs in bands on all
  // processors, the report itself in the calling thread before the stretch, as row by row.
  const unsigned threads = corvane::processorCount();
  for (int32_t first = d.lowerRow; first <= d.upperRow;) {
    if ((first & 511) == 0) progress.report(corvane::kNoLabel, float(first - d.lowerRow) / rows);
    const int32_t last = int32_t(std::min<int64_t>(d.upperRow, (int64_t(first) | 511)));
    corvane::forEachBand(first, last, 32, threads, [&](int32_t bandFirst, int32_t bandLast) {
      const ptrdiff_t from = regionMap.stride(1);
      const ptrdiff_t to = finalLabels.stride(1);
      for (int32_t r = bandFirst; r <= bandLast; ++r) {
        const int32_t* region = &regionMap(r, d.lowerColumn);
        int32_t* label = &finalLabels(r, d.lowerColumn);
        for (int32_t c = d.lowerColumn; c <= d.upperColumn; ++c, region += from, label += to)
          if (*region >= 0 && size_t(*region) < table.size()) *label = table[size_t(*region)];
      }
    });
    first = last + 1;
  }
}

}  // namespace classification
