#include "classification/AutoComplex.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/MaskedBits.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "util/SaturatingCast.h"
#include "util/StatusCompatibility.h"
#include "watershed/Watershed.h"

namespace classification {

using corvane::Box;
using corvane::domainOf;
using corvane::statusCompatible;
using corvane::subView;

namespace {

const int32_t kWorkMargin = 32;

// Zeroes `mask` outside `keep`, over the part of the mask that lies inside `within`.
void clearOutside(IiClassification::Bytes& mask, const Box& keep, const Box& within) {
  const Box area = corvane::intersectBox(domainOf(mask), within);
  if (area.empty()) return;
  const Box inner = corvane::intersectBox(keep, area);
  const auto zero = [&](int r, int first, int last) {
    for (int c = first; c <= last; ++c) mask(r, c) = 0;
  };
  for (int r = area.lowerRow; r <= area.upperRow; ++r) {
    if (inner.empty() || r < inner.lowerRow || r > inner.upperRow) {
      zero(r, area.lowerColumn, area.upperColumn);
    } else {
      zero(r, area.lowerColumn, inner.lowerColumn - 1);
      zero(r, inner.upperColumn + 1, area.upperColumn);
    }
  }
}

// Puts the pending change and the work mask over the work box back when the operation does not
// complete, so that a cancelled run leaves nothing for the next status application to pick up.
class PendingSnapshot {
 public:
  PendingSnapshot(IiClassification& state, const Box& workBox)
      : state_(state), pending_(state.pendingChange()), box_(workBox) {
    saved_.reference(
        subView(state.workMask(), box_.lowerRow, box_.lowerColumn, box_.upperRow, box_.upperColumn)
            .copy());
  }
  ~PendingSnapshot() {
    if (kept_) return;
    state_.pendingChange() = pending_;
    subView(state_.workMask(), box_.lowerRow, box_.lowerColumn, box_.upperRow, box_.upperColumn) =
        saved_;
  }
  void keep() { kept_ = true; }

 private:
  IiClassification& state_;
  PendingChange pending_;
  Box box_;
  IiClassification::Bytes saved_;
  bool kept_ = false;
};

// The groups of the flood; a group without pixels keeps noLabel.
struct Groups {
  int32_t selected = -1;   // written by the selection (A)
  int32_t unwritten = -1;  // selectable but not written (B)
  int32_t other = -1;      // the other class (C)
};

// The select request that the pending change describes, as auto complex reads it.
struct Request {
  explicit Request(const PendingChange& pending)
      : value(pending.selectValue),
        writeMask(pending.selectWriteMask),
        target(pending.selectTarget),
        targetMask(pending.selectTargetMask),
        extension(pending.selectMode != 0),
        rect(pending.changedRect),
        otherClass(value == CvStatusKeep ? CvStatusDelete : CvStatusKeep),
        discValue(target | otherClass | value | CvStatusBlend) {}

  uint8_t value;
  uint8_t writeMask;
  uint8_t target;
  uint8_t targetMask;
  bool extension;      // the selection was a region flood
  Box rect;            // the pending rectangle
  uint8_t otherClass;  // the class opposite to the selection's
  uint8_t discValue;   // what a pixel under a blend disc must be compatible with
};

// The work box: the pending rectangle widened by kWorkMargin, where it leaves a labelled ring
// inside the height image and every pixel has a status, a work-mask entry and a radius.
Box workBoxOf(IiClassification& state, const IiClassification::Bytes& status,
              const AutoComplexGround& ground, const Box& rect) {
  Box work = corvane::intersectBox(corvane::widened(rect, kWorkMargin), state.imageBox());
  work = corvane::intersectBox(work, domainOf(status));
  work = corvane::intersectBox(work, domainOf(state.workMask()));
  work = corvane::intersectBox(work, corvane::widened(domainOf(ground.heights), -1));
  return corvane::intersectBox(work, domainOf(ground.radii));
}

// The flood over the work box widened by one pixel, whose frame is the ring region.
class ComplexFlood {
 public:
  ComplexFlood(const Box& work, const AutoComplexGround& ground)
      : labels_(labelsOver(corvane::widened(work, 1))),
        store(labels_),
        ring(frameWithRing(store, labels_)),
        flood(subView(ground.heights, labels_.lbound(0), labels_.lbound(1), labels_.ubound(0),
                      labels_.ubound(1)),
              store, ground.valueOffset) {}
  ComplexFlood(const ComplexFlood&) = delete;
  ComplexFlood& operator=(const ComplexFlood&) = delete;

  // Seeds the three groups over the work box: protected pixels and pixels the selection may
  // not reach join the ring, the rest stay open to the flood. Each group is a region made
  // when its first pixel in row order is met, and every group pixel starts a front there.
  //
  // The labels depend on each pixel's own status alone: bands of rows set them on the
  // engine's workers, with a placeholder for each group until the groups are numbered in
  // the order of their first pixels. The fronts are then pushed in row order on this thread,
  // as pushSeedEdges sees the labels each push met when pixels were labelled one by one, so
  // the heap is the same push for push.
  void seed(const Request& request, const IiClassification::Bytes& status,
            const IiClassification::Bytes& mask, const Box& work) {
    const int32_t placeholder[3] = {-2, -3, -4};  // selected, unwritten, other
    const int32_t rows = work.upperRow - work.lowerRow + 1;
    const int32_t step = std::max<int32_t>(16, rows / int32_t(4 * corvane::processorCount()) + 1);
    const int32_t bands = (rows - 1) / step + 1;
    // The first pixel of each group in each band, as a row-major index into the work box.
    std::vector<std::array<int64_t, 3>> firsts(size_t(bands), {INT64_MAX, INT64_MAX, INT64_MAX});
    const int64_t columns = work.upperColumn - work.lowerColumn + 1;
    corvane::forEachBand(
        work.lowerRow, work.upperRow, step, corvane::processorCount(), [&](int32_t a, int32_t b) {
          std::array<int64_t, 3>& first = firsts[size_t((a - work.lowerRow) / step)];
          for (int r = a; r <= b; ++r) {
            int32_t* label = &flood.labelData()[flood.position(r, work.lowerColumn)];
            for (int c = work.lowerColumn; c <= work.upperColumn; ++c, label += flood.columnStep) {
              const uint8_t s = status(r, c);
              int group = -1;
              if (s & (CvStatusForcedEdge | CvStatusProtected)) {
                *label = ring;
              } else if (statusCompatible(s, request.value, request.writeMask)) {
                group = statusCompatible(mask(r, c), request.value, request.writeMask) ? 0 : 1;
              } else if (statusCompatible(s, request.otherClass, request.targetMask)) {
                group = 2;
              } else if (!statusCompatible(s, request.target, request.targetMask)) {
                *label = ring;
              }
              if (group < 0) continue;
              *label = placeholder[group];
              const int64_t index = int64_t(r - work.lowerRow) * columns + (c - work.lowerColumn);
              first[size_t(group)] = std::min(first[size_t(group)], index);
            }
          }
        });
    std::array<int64_t, 3> first{INT64_MAX, INT64_MAX, INT64_MAX};
    for (const std::array<int64_t, 3>& band : firsts)
      for (size_t g = 0; g < 3; ++g) first[g] = std::min(first[g], band[g]);
    int32_t* const numbers[3] = {&groups.selected, &groups.unwritten, &groups.other};
    std::array<size_t, 3> order{0, 1, 2};
    std::sort(order.begin(), order.end(), [&](size_t x, size_t y) { return first[x] < first[y]; });
    for (size_t g : order)
      if (first[g] != INT64_MAX) *numbers[g] = store.addRegion();
    const int32_t label[3] = {groups.selected, groups.unwritten, groups.other};
    corvane::forEachBand(
        work.lowerRow, work.upperRow, step, corvane::processorCount(), [&](int32_t a, int32_t b) {
          for (int r = a; r <= b; ++r) {
            int32_t* l = &flood.labelData()[flood.position(r, work.lowerColumn)];
            for (int c = work.lowerColumn; c <= work.upperColumn; ++c, l += flood.columnStep)
              if (*l <= placeholder[0]) *l = label[-2 - *l];
          }
        });
    for (int r = work.lowerRow; r <= work.upperRow; ++r) {
      int32_t position = flood.position(r, work.lowerColumn);
      for (int c = work.lowerColumn; c <= work.upperColumn; ++c, position += flood.columnStep) {
        const int32_t l = flood.label(position);
        if (l >= 0 && l != ring) corvane::pushSeedEdges(flood, position, flood.height(position));
      }
    }
  }

 private:
  static blitz::Array<int32_t, 2> labelsOver(const Box& box) {
    blitz::Array<int32_t, 2> labels(
        blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn),
        blitz::TinyVector<int, 2>(box.upperRow - box.lowerRow + 1,
                                  box.upperColumn - box.lowerColumn + 1));
    labels = corvane::WatershedLabels::noLabel();
    return labels;
  }
  static int32_t frameWithRing(corvane::WatershedLabels& store, blitz::Array<int32_t, 2>& labels) {
    const int32_t ring = store.addRegion();
    for (int c = labels.lbound(1); c <= labels.ubound(1); ++c) {
      labels(labels.lbound(0), c) = ring;
      labels(labels.ubound(0), c) = ring;
    }
    for (int r = labels.lbound(0); r <= labels.ubound(0); ++r) {
      labels(r, labels.lbound(1)) = ring;
      labels(r, labels.ubound(1)) = ring;
    }
    return ring;
  }

  blitz::Array<int32_t, 2> labels_;

 public:
  corvane::WatershedLabels store;
  const int32_t ring;
  corvane::WatershedInnerState flood;
  Groups groups;
};

// After a region flood the selection keeps the holes it encloses: unselected pixels that its
// front took and that are open to its border go back to no region, and what stays of the
// selection's region is written into the work mask.
void keepEnclosedHoles(ComplexFlood& complex, const Request& request, IiClassification::Bytes& mask,
                       const Box& work, ProgressRange& progress) {
  corvane::WatershedInnerState& flood = complex.flood;
  const int32_t a = complex.groups.selected;
  std::vector<int32_t> stack;
  const auto unselected = [&](int32_t position) {
    return !statusCompatible(mask(flood.rowOf(position), flood.columnOf(position)), request.value,
                             request.writeMask);
  };
  for (const corvane::BoundaryPair& pair : complex.store.regions()[a])
    if (unselected(pair.source)) stack.push_back(pair.source);
  const int32_t steps[4] = {-flood.columnStep, -flood.rowStep, flood.rowStep, flood.columnStep};
  while (!stack.empty()) {
    const int32_t p = stack.back();
    stack.pop_back();
    flood.setLabel(p, corvane::WatershedLabels::noLabel());
    for (const int32_t step : steps) {
      const int32_t n = p + step;
      if (flood.label(n) == a && unselected(n)) stack.push_back(n);
    }
  }
  progress.report(corvane::kNoLabel, 0.85f);
  for (int r = work.lowerRow; r <= work.upperRow; ++r)
    for (int c = work.lowerColumn; c <= work.upperColumn; ++c)
      if (flood.label(flood.position(r, c)) == a)
        corvane::setMaskedBits(&mask(r, c), request.value, request.writeMask);
}

// The blend discs of one auto complex. A disc writes the new value only where the status
// allows the selection, either class or blend, and grows the pending rectangle by every pixel
// it writes. Within one phase every write is the same idempotent function of the entry, so a
// centre met again (a pixel lies in up to four pairs) changes nothing: each is drawn once.
class BlendDiscs {
 public:
  enum class Write { kSelect, kBlend, kBlendSelected };

  BlendDiscs(const ComplexFlood& complex, const AutoComplexGround& ground, const Request& request,
             float blend, const Box& work, const IiClassification::Bytes& status,
             IiClassification::Bytes& mask, PendingChange& pending)
      : flood_(complex.flood),
        radii_(ground.radii),
        request_(request),
        blend_(blend),
        work_(work),
        status_(status),
        mask_(mask),
        pending_(pending),
        drawn_(complex.store.labels().size(), 0),
        limit_(static_cast<float>(
            std::max(work.upperRow - work.lowerRow, work.upperColumn - work.lowerColumn))) {}

  void startPhase(uint8_t phase) { phase_ = phase; }

  void draw(int32_t centre, Write write) {
    if (drawn_[centre] == phase_) return;
    drawn_[centre] = phase_;
    const int row = flood_.rowOf(centre);
    const int column = flood_.columnOf(centre);
    // The blend radius, as radiusAt gives it.
    const float radius = static_cast<float>(radii_(row, column)) * 0.5f * blend_ + 0.49f;
    if (radius != radius) return;
    // Reaching further than the work box changes nothing; the bound keeps the cast defined.
    const int32_t reach = static_cast<int32_t>(std::max(std::min(radius, limit_), -1.0f));
    const float r2 = radius * radius;
    const Box box =
        corvane::intersectBox(Box{row - reach, column - reach, row + reach, column + reach}, work_);
    const ptrdiff_t statusStep = status_.stride(1);
    const ptrdiff_t maskStep = mask_.stride(1);
    for (int q0 = box.lowerRow; q0 <= box.upperRow; ++q0) {
      // The pixels of the row within the radius: the test grows with the column distance.
      const float dr = static_cast<float>(q0 - row);
      int32_t k = reach;
      while (k >= 0 && dr * dr + static_cast<float>(k) * static_cast<float>(k) > r2) --k;
      const int first = std::max(column - k, box.lowerColumn);
      const int last = std::min(column + k, box.upperColumn);
      if (first > last) continue;
      const uint8_t* s = &status_(q0, first);
      uint8_t* w = &mask_(q0, first);
      int written0 = INT32_MAX;
      int written1 = INT32_MIN;
      for (int q1 = first; q1 <= last; ++q1, s += statusStep, w += maskStep) {
        if (!statusCompatible(*s, request_.discValue, request_.targetMask)) continue;
        switch (write) {
          case Write::kSelect:
            corvane::setMaskedBits(w, request_.value, request_.writeMask);
            break;
          case Write::kBlendSelected:
            if (!(*w & request_.value)) continue;
            corvane::setMaskedBits(w, CvStatusBlend, request_.writeMask);
            break;
          case Write::kBlend:
            corvane::setMaskedBits(w, CvStatusBlend, request_.writeMask);
            break;
        }
        written0 = std::min(written0, q1);
        written1 = q1;
      }
      if (written0 <= written1) {
        corvane::includePoint(pending_.changedRect, q0, written0);
        corvane::includePoint(pending_.changedRect, q0, written1);
      }
    }
  }

 private:
  const corvane::WatershedInnerState& flood_;
  const blitz::Array<unsigned char, 2>& radii_;
  const Request& request_;
  const float blend_;
  const Box work_;
  const IiClassification::Bytes& status_;
  IiClassification::Bytes& mask_;
  PendingChange& pending_;
  std::vector<uint8_t> drawn_;
  const float limit_;
  uint8_t phase_ = 0;
};

// Lays the discs where the selection's region meets the other groups: selecting along the
// unwritten group, blending along the other class on the lower side of each pair, and
// blending the selected pixels where the unwritten group meets the other class.
void layBlendDiscs(const ComplexFlood& complex, BlendDiscs& discs) {
  const Groups& groups = complex.groups;
  const corvane::WatershedInnerState& flood = complex.flood;
  const std::vector<corvane::BoundaryList>& regions = complex.store.regions();
  const int32_t a = groups.selected;
  using Write = BlendDiscs::Write;
  if (groups.unwritten >= 0) {
    discs.startPhase(1);
    for (const corvane::BoundaryPair& pair : regions[a]) {
      if (flood.label(pair.target) != groups.unwritten) continue;
      discs.draw(pair.source, Write::kSelect);
      discs.draw(pair.target, Write::kSelect);
    }
  }
  if (groups.other >= 0) {
    discs.startPhase(2);
    for (const corvane::BoundaryPair& pair : regions[a]) {
      if (flood.label(pair.target) != groups.other) continue;
      const uint8_t hs = flood.height(pair.source);
      const uint8_t ht = flood.height(pair.target);
      if (hs <= ht) discs.draw(pair.source, Write::kBlend);
      if (hs >= ht) discs.draw(pair.target, Write::kBlend);
    }
  }
  if (groups.unwritten >= 0 && groups.other >= 0) {
    discs.startPhase(3);
    for (const corvane::BoundaryPair& pair : regions[groups.unwritten]) {
      if (flood.label(pair.target) != groups.other) continue;
      discs.draw(pair.source, Write::kBlendSelected);
      discs.draw(pair.target, Write::kBlendSelected);
    }
  }
}

}  // namespace

AutoComplexGround autoComplexGround(const IiClassification& state) {
  const IiClassification::Segmentation& segmentation = state.segmentation();
  AutoComplexGround ground;
  ground.heights.reference(segmentation.gradientImage);
  ground.radii.reference(segmentation.localValues());
  const double tolerance = std::max(static_cast<double>(segmentation.baseRecord.innerScale), 2.0);
  ground.valueOffset = corvane::saturatingCast<int32_t>(
      static_cast<double>(segmentation.gradientScale) * std::log(tolerance));
  return ground;
}

void autoComplex(IiClassification& state, IiClassification::Bytes& status, float blend,
                 ProgressRange progress) {
  autoComplex(state, status, blend, autoComplexGround(state), progress);
}

void autoComplex(IiClassification& state, IiClassification::Bytes& status, float blend,
                 const AutoComplexGround& ground, ProgressRange progress) {
  PendingChange& pending = state.pendingChange();
  const Request request(pending);
  if ((blend == 0.0f && !request.extension) || request.rect.empty() ||
      !(request.value & (CvStatusKeep | CvStatusDelete)))
    return;
  const Box work = workBoxOf(state, status, ground, request.rect);
  if (work.empty()) return;

  IiClassification::Bytes& mask = state.workMask();
  PendingSnapshot snapshot(state, work);
  // Outside the rectangle the work mask is cleared over the work box now and elsewhere once
  // the operation can no longer be cancelled, so that a cancel can restore it.
  if (!request.extension) clearOutside(mask, request.rect, work);
  const auto finish = [&] {
    snapshot.keep();
    if (!request.extension) clearOutside(mask, work, domainOf(mask));
  };

  ComplexFlood complex(work, ground);
  complex.seed(request, status, mask, work);
  progress.report(corvane::kNoLabel, 0.1f);
  if (complex.groups.selected < 0) {
    progress.report(corvane::kNoLabel, 1.0f);
    finish();
    return;
  }
  corvane::watershedInner(complex.flood, progress.subRange(0.7f));
  if (request.extension) keepEnclosedHoles(complex, request, mask, work, progress);

  if (blend == 0.0f) {
    state.applyChanges(status, &state.undoStack());
    progress.report(corvane::kNoLabel, 1.0f);
    finish();
    return;
  }

  progress.report(corvane::kNoLabel, 0.9f);
  BlendDiscs discs(complex, ground, request, blend, work, status, mask, pending);
  layBlendDiscs(complex, discs);
  progress.report(corvane::kNoLabel, 0.95f);
  state.applyChanges(status, &state.undoStack());
  progress.report(corvane::kNoLabel, 1.0f);
  finish();
}

}  // namespace classification
