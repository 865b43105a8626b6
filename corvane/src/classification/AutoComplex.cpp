#include "classification/AutoComplex.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/MaskedBits.h"
#include "util/NoLabel.h"
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
const uint8_t kProtected = CvStatusForcedEdge | CvStatusProtected;

Box widenedSafely(const Box& box, int32_t m) {
  const auto clamp = [](int64_t x) {
    return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(x, INT32_MIN), INT32_MAX));
  };
  return Box{clamp(int64_t{box.lowerRow} - m), clamp(int64_t{box.lowerColumn} - m),
             clamp(int64_t{box.upperRow} + m), clamp(int64_t{box.upperColumn} + m)};
}

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
  const uint8_t value = pending.selectValue;
  const uint8_t writeMask = pending.selectWriteMask;
  const uint8_t target = pending.selectTarget;
  const uint8_t targetMask = pending.selectTargetMask;
  const bool extension = pending.selectMode != 0;
  const Box rect = pending.changedRect;
  if ((blend == 0.0f && !extension) || rect.empty() || !(value & (CvStatusKeep | CvStatusDelete)))
    return;
  const uint8_t otherClass = value == CvStatusKeep ? CvStatusDelete : CvStatusKeep;
  const uint8_t discValue = target | otherClass | value | CvStatusBlend;

  // The work box must leave a labelled ring inside the height image, and every pixel of it
  // needs a status, a work-mask entry and a radius.
  Box work = corvane::intersectBox(widenedSafely(rect, kWorkMargin), state.imageBox());
  work = corvane::intersectBox(work, domainOf(status));
  work = corvane::intersectBox(work, domainOf(state.workMask()));
  work = corvane::intersectBox(work, widenedSafely(domainOf(ground.heights), -1));
  work = corvane::intersectBox(work, domainOf(ground.radii));
  if (work.empty()) return;

  IiClassification::Bytes& mask = state.workMask();
  PendingSnapshot snapshot(state, work);
  // Outside the rectangle the work mask is cleared over the work box now and elsewhere once
  // the operation can no longer be cancelled, so that a cancel can restore it.
  if (!extension) clearOutside(mask, rect, work);
  const auto finish = [&] {
    snapshot.keep();
    if (!extension) clearOutside(mask, work, domainOf(mask));
  };

  const Box labelled = widenedSafely(work, 1);
  blitz::Array<int32_t, 2> labels(
      blitz::TinyVector<int, 2>(labelled.lowerRow, labelled.lowerColumn),
      blitz::TinyVector<int, 2>(labelled.upperRow - labelled.lowerRow + 1,
                                labelled.upperColumn - labelled.lowerColumn + 1));
  labels = corvane::WatershedLabels::noLabel();
  corvane::WatershedLabels store(labels);
  const int32_t ring = store.addRegion();
  for (int c = labelled.lowerColumn; c <= labelled.upperColumn; ++c) {
    labels(labelled.lowerRow, c) = ring;
    labels(labelled.upperRow, c) = ring;
  }
  for (int r = labelled.lowerRow; r <= labelled.upperRow; ++r) {
    labels(r, labelled.lowerColumn) = ring;
    labels(r, labelled.upperColumn) = ring;
  }
  const blitz::Array<corvane::BytePixel3, 2> heights =
      subView(ground.heights, labelled.lowerRow, labelled.lowerColumn, labelled.upperRow,
              labelled.upperColumn);
  corvane::WatershedInnerState flood(heights, store, ground.valueOffset);

  Groups groups;
  const auto join = [&](int32_t& group, int32_t position) {
    if (group < 0) group = store.addRegion();
    flood.setLabel(position, group);
    corvane::pushBoundaryEdges(flood, position, flood.height(position), 0, 0);
  };
  for (int r = work.lowerRow; r <= work.upperRow; ++r) {
    for (int c = work.lowerColumn; c <= work.upperColumn; ++c) {
      const uint8_t s = status(r, c);
      const int32_t position = flood.position(r, c);
      if (s & kProtected) {
        flood.setLabel(position, ring);
      } else if (statusCompatible(s, value, writeMask)) {
        join(statusCompatible(mask(r, c), value, writeMask) ? groups.selected : groups.unwritten,
             position);
      } else if (statusCompatible(s, otherClass, targetMask)) {
        join(groups.other, position);
      } else if (!statusCompatible(s, target, targetMask)) {
        flood.setLabel(position, ring);
      }
    }
  }

  progress.report(corvane::kNoLabel, 0.1f);
  if (groups.selected < 0) {
    progress.report(corvane::kNoLabel, 1.0f);
    finish();
    return;
  }
  corvane::watershedInner(flood, progress.subRange(0.7f));

  const std::vector<corvane::BoundaryList>& regions = store.regions();
  const int32_t a = groups.selected;
  if (extension) {
    // Unselected pixels that the selection's front took and that are open to its border go
    // back; what stays is the selection with the holes it encloses.
    std::vector<int32_t> stack;
    const auto unselected = [&](int32_t position) {
      return !statusCompatible(mask(flood.rowOf(position), flood.columnOf(position)), value,
                               writeMask);
    };
    for (const corvane::BoundaryPair& pair : regions[a])
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
          corvane::setMaskedBits(&mask(r, c), value, writeMask);
  }

  if (blend == 0.0f) {
    state.applyChanges(status, &state.undoStack());
    progress.report(corvane::kNoLabel, 1.0f);
    finish();
    return;
  }

  progress.report(corvane::kNoLabel, 0.9f);
  // Discs write the new value only where the status allows the selection, either class or
  // blend, and grow the pending rectangle by every pixel they write.
  enum class Write { kSelect, kBlend, kBlendSelected };
  // Within one kind of disc every write is the same idempotent function of the entry, so a
  // centre met again (a pixel lies in up to four pairs) changes nothing: each is drawn once.
  std::vector<uint8_t> drawn(store.labels().size(), 0);
  uint8_t phase = 0;
  const float limit = static_cast<float>(
      std::max(work.upperRow - work.lowerRow, work.upperColumn - work.lowerColumn));
  const ptrdiff_t statusStep = status.stride(1);
  const ptrdiff_t maskStep = mask.stride(1);
  const auto disc = [&](int32_t centre, Write write) {
    if (drawn[centre] == phase) return;
    drawn[centre] = phase;
    const int row = flood.rowOf(centre);
    const int column = flood.columnOf(centre);
    // The blend radius, as radiusAt gives it.
    const float radius = static_cast<float>(ground.radii(row, column)) * 0.5f * blend + 0.49f;
    if (radius != radius) return;
    // Reaching further than the work box changes nothing; the bound keeps the cast defined.
    const int32_t reach = static_cast<int32_t>(std::max(std::min(radius, limit), -1.0f));
    const float r2 = radius * radius;
    const Box box =
        corvane::intersectBox(Box{row - reach, column - reach, row + reach, column + reach}, work);
    for (int q0 = box.lowerRow; q0 <= box.upperRow; ++q0) {
      // The pixels of the row within the radius: the test grows with the column distance.
      const float dr = static_cast<float>(q0 - row);
      int32_t k = reach;
      while (k >= 0 && dr * dr + static_cast<float>(k) * static_cast<float>(k) > r2) --k;
      const int first = std::max(column - k, box.lowerColumn);
      const int last = std::min(column + k, box.upperColumn);
      if (first > last) continue;
      const uint8_t* s = &status(q0, first);
      uint8_t* w = &mask(q0, first);
      int written0 = INT32_MAX;
      int written1 = INT32_MIN;
      for (int q1 = first; q1 <= last; ++q1, s += statusStep, w += maskStep) {
        if (!statusCompatible(*s, discValue, targetMask)) continue;
        switch (write) {
          case Write::kSelect:
            corvane::setMaskedBits(w, value, writeMask);
            break;
          case Write::kBlendSelected:
            if (!(*w & value)) continue;
            corvane::setMaskedBits(w, CvStatusBlend, writeMask);
            break;
          case Write::kBlend:
            corvane::setMaskedBits(w, CvStatusBlend, writeMask);
            break;
        }
        written0 = std::min(written0, q1);
        written1 = q1;
      }
      if (written0 <= written1) {
        corvane::includePoint(pending.changedRect, q0, written0);
        corvane::includePoint(pending.changedRect, q0, written1);
      }
    }
  };
  if (groups.unwritten >= 0) {
    phase = 1;
    for (const corvane::BoundaryPair& pair : regions[a]) {
      if (flood.label(pair.target) != groups.unwritten) continue;
      disc(pair.source, Write::kSelect);
      disc(pair.target, Write::kSelect);
    }
  }
  if (groups.other >= 0) {
    phase = 2;
    for (const corvane::BoundaryPair& pair : regions[a]) {
      if (flood.label(pair.target) != groups.other) continue;
      const uint8_t hs = flood.height(pair.source);
      const uint8_t ht = flood.height(pair.target);
      if (hs <= ht) disc(pair.source, Write::kBlend);
      if (hs >= ht) disc(pair.target, Write::kBlend);
    }
  }
  if (groups.unwritten >= 0 && groups.other >= 0) {
    phase = 3;
    for (const corvane::BoundaryPair& pair : regions[groups.unwritten]) {
      if (flood.label(pair.target) != groups.other) continue;
      disc(pair.source, Write::kBlendSelected);
      disc(pair.target, Write::kBlendSelected);
    }
  }

  progress.report(corvane::kNoLabel, 0.95f);
  state.applyChanges(status, &state.undoStack());
  progress.report(corvane::kNoLabel, 1.0f);
  finish();
}

}  // namespace classification
