#include "classification/Select.h"

#include <algorithm>
#include <string>

#include "classification/AnalyseImage.h"
#include "util/ArrayDomain.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/NoLabel.h"
#include "util/StatusCompatibility.h"

namespace classification {

using corvane::Box;
using corvane::domainOf;
using corvane::IndexPair;

namespace {

// The partition level of a state whose final label map is being rebuilt: it matches no level
// a select asks for, so that a map left half-written by a cancel is rebuilt by the next select.
constexpr int32_t kPartitionRebuilding = -2;

// The neighbour order of the growth step.
constexpr int kNeighbours[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

// Raw access to an array inside a box that the caller keeps within the array's domain: the
// floods index three arrays of different strides per pixel.
template <class T>
class Plane {
 public:
  template <class U>
  Plane(const blitz::Array<U, 2>& a, const Box& box)
      : origin_(box.empty() ? nullptr : const_cast<U*>(&a(box.lowerRow, box.lowerColumn))),
        row0_(box.lowerRow),
        column0_(box.lowerColumn),
        s0_(a.stride(0)),
        s1_(a.stride(1)) {}
  T& operator()(int32_t r, int32_t c) const {
    return origin_[(ptrdiff_t(r) - row0_) * s0_ + (ptrdiff_t(c) - column0_) * s1_];
  }

 private:
  T* origin_;
  int32_t row0_;
  int32_t column0_;
  ptrdiff_t s0_;
  ptrdiff_t s1_;
};

struct Rule {
  uint8_t value;
  uint8_t writeMask;
  uint8_t target;
  uint8_t targetMask;

  explicit Rule(const PendingChange& p)
      : value(p.selectValue),
        writeMask(p.selectWriteMask),
        target(p.selectTarget),
        targetMask(p.selectTargetMask) {}
  bool compatible(uint8_t s) const { return corvane::statusCompatible(s, target, targetMask); }
  uint8_t newStatus(uint8_t s) const { return uint8_t((s & ~writeMask) | (value & writeMask)); }
  // A flood marks the pixels it wrote by their non-zero new status; a pixel whose new status
  // would be 0 cannot be marked (nor would the apply step write it), so it is not flooded.
  bool floodable(uint8_t s) const { return compatible(s) && newStatus(s) != 0; }
};

bool inside(const Box& b, int32_t r, int32_t c) {
  return r >= b.lowerRow && r <= b.upperRow && c >= b.lowerColumn && c <= b.upperColumn;
}

void pixelSelect(IiClassification& state, const Box& strokeRect,
                 const IiClassification::Bytes* stroke, const IiClassification::Bytes& status) {
  PendingChange& pending = state.pendingChange();
  const Rule rule(pending);
  const Box box =
      corvane::intersectBox(corvane::intersectBox(strokeRect, state.imageBox()),
                            corvane::intersectBox(domainOf(status), domainOf(state.workMask())));
  if (box.empty()) return;
  const Plane<uint8_t> work(state.workMask(), box);
  const Plane<uint8_t> statuses(status, box);
  const bool masked = stroke && stroke->size() != 0;
  const Box strokeBox = masked ? corvane::intersectBox(box, domainOf(*stroke)) : box;
  for (int32_t r = box.lowerRow; r <= box.upperRow; ++r) {
    for (int32_t c = box.lowerColumn; c <= box.upperColumn; ++c) {
      if (masked && (!inside(strokeBox, r, c) || (*stroke)(r, c) == 0)) {
        work(r, c) = 0;
        continue;
      }
      const uint8_t s = statuses(r, c);
      if (rule.compatible(s)) {
        work(r, c) = rule.newStatus(s);
        corvane::includePoint(pending.changedRect, r, c);
      } else {
        work(r, c) = 0;
      }
    }
  }
}

}  // namespace

void selectRegions(IiClassification& state, const IiClassification::Labels& labels,
                   const Box& strokeRect, const IiClassification::Bytes* stroke,
                   const IiClassification::Bytes& status, LabelTable* table) {
  PendingChange& pending = state.pendingChange();
  const Rule rule(pending);
  const Box flood = corvane::intersectBox(
      domainOf(labels), corvane::intersectBox(domainOf(status), domainOf(state.workMask())));
  const Box seeds = corvane::intersectBox(strokeRect, flood);
  if (seeds.empty()) return;
  state.clearWorkMask(seeds);

  const Plane<uint8_t> work(state.workMask(), flood);
  const Plane<const uint8_t> statuses(status, flood);
  const Plane<const int32_t> label(labels, flood);
  const bool masked = stroke && stroke->size() != 0;
  const Box strokeBox = masked ? domainOf(*stroke) : seeds;
  Box& changed = pending.changedRect;
  std::vector<IndexPair> stack;
  stack.reserve(4096);

  for (int32_t r = seeds.lowerRow; r <= seeds.upperRow; ++r) {
    for (int32_t c = seeds.lowerColumn; c <= seeds.upperColumn; ++c) {
      if (work(r, c) != 0) continue;
      if (masked && (!inside(strokeBox, r, c) || (*stroke)(r, c) == 0)) continue;
      if (!rule.floodable(statuses(r, c))) continue;
      const int32_t seedLabel = label(r, c);
      if (table) table->set(seedLabel);
      // Span by span: the pixels written are the 4-connected pixels of the seed's label that
      // pass the test, as a pixel-by-pixel flood writes them, in fewer steps.
      auto eligible = [&](int32_t y, int32_t x) {
        return work(y, x) == 0 && label(y, x) == seedLabel && rule.floodable(statuses(y, x));
      };
      stack.push_back(IndexPair{r, c});
      while (!stack.empty()) {
        const IndexPair q = stack.back();
        stack.pop_back();
        if (!eligible(q.first, q.second)) continue;
        const int32_t y = q.first;
        int32_t low = q.second;
        int32_t high = q.second;
        while (low > flood.lowerColumn && eligible(y, low - 1)) --low;
        while (high < flood.upperColumn && eligible(y, high + 1)) ++high;
        for (int32_t x = low; x <= high; ++x) work(y, x) = rule.newStatus(statuses(y, x));
        corvane::includePoint(changed, y, low);
        corvane::includePoint(changed, y, high);
        for (const int32_t ny : {y + 1, y - 1}) {
          if (ny < flood.lowerRow || ny > flood.upperRow) continue;
          bool open = false;
          for (int32_t x = low; x <= high; ++x) {
            if (!eligible(ny, x)) {
              open = false;
            } else if (!open) {
              stack.push_back(IndexPair{ny, x});
              open = true;
            }
          }
        }
      }
    }
  }
}

void markStrokeLabels(const IiClassification& state, LabelTable& table, const Box& strokeRect,
                      const IiClassification::Bytes* stroke,
                      const IiClassification::Bytes& status) {
  const Rule rule(state.pendingChange());
  const IiClassification::Labels& labels = state.finalLabels();
  const Box box =
      corvane::intersectBox(strokeRect, corvane::intersectBox(domainOf(labels), domainOf(status)));
  const bool masked = stroke && stroke->size() != 0;
  const Box strokeBox = masked ? domainOf(*stroke) : box;
  for (int32_t r = box.lowerRow; r <= box.upperRow; ++r) {
    for (int32_t c = box.lowerColumn; c <= box.upperColumn; ++c) {
      if (masked && (!inside(strokeBox, r, c) || (*stroke)(r, c) == 0)) continue;
      if (rule.compatible(status(r, c))) table.set(labels(r, c));
    }
  }
}

void selectMarkedLabels(IiClassification& state, const LabelTable& table,
                        const IiClassification::Bytes& status) {
  PendingChange& pending = state.pendingChange();
  const Rule rule(pending);
  const IiClassification::Labels& labels = state.finalLabels();
  const Box box = corvane::intersectBox(
      domainOf(labels), corvane::intersectBox(domainOf(status), domainOf(state.workMask())));
  if (box.empty()) return;
  const Plane<uint8_t> work(state.workMask(), box);
  const Plane<const uint8_t> statuses(status, box);
  const Plane<const int32_t> label(labels, box);
  for (int32_t r = box.lowerRow; r <= box.upperRow; ++r) {
    for (int32_t c = box.lowerColumn; c <= box.upperColumn; ++c) {
      const uint8_t s = statuses(r, c);
      if (table.test(label(r, c)) && rule.compatible(s)) {
        work(r, c) = rule.newStatus(s);
        corvane::includePoint(pending.changedRect, r, c);
      } else {
        work(r, c) = 0;
      }
    }
  }
}

void growMarkedLabels(IiClassification& state, const LabelTable& table,
                      const IiClassification::Bytes& status) {
  PendingChange& pending = state.pendingChange();
  const Rule rule(pending);
  const IiClassification::Labels& labels = state.finalLabels();
  const Box domain = corvane::intersectBox(
      domainOf(labels), corvane::intersectBox(domainOf(status), domainOf(state.workMask())));
  if (domain.empty()) return;
  const Plane<uint8_t> work(state.workMask(), domain);
  const Plane<const uint8_t> statuses(status, domain);
  const Plane<const int32_t> label(labels, domain);
  auto growable = [&](int32_t r, int32_t c) {
    return inside(domain, r, c) && work(r, c) == 0 && table.test(label(r, c)) &&
           rule.floodable(statuses(r, c));
  };

  // The work mask is zero outside the pending rectangle (it was cleared before the flood), so
  // the walk over the whole mask reduces to that rectangle.
  std::vector<IndexPair> stack;
  const Box walked = corvane::intersectBox(pending.changedRect, domain);
  for (int32_t r = walked.lowerRow; r <= walked.upperRow; ++r) {
    for (int32_t c = walked.lowerColumn; c <= walked.upperColumn; ++c) {
      if (work(r, c) == 0) continue;
      for (const auto& o : kNeighbours) {
        if (growable(r + o[0], c + o[1])) stack.push_back(IndexPair{r + o[0], c + o[1]});
      }
    }
  }
  while (!stack.empty()) {
    const IndexPair q = stack.back();
    stack.pop_back();
    if (work(q.first, q.second) != 0) continue;
    work(q.first, q.second) = rule.newStatus(statuses(q.first, q.second));
    corvane::includePoint(pending.changedRect, q.first, q.second);
    for (const auto& o : kNeighbours) {
      if (growable(q.first + o[0], q.second + o[1]))
        stack.push_back(IndexPair{q.first + o[0], q.second + o[1]});
    }
  }
}

void select(IiClassification& state, const Box& strokeRect, const IiClassification::Bytes* stroke,
            IiClassification::Bytes& status, const SelectRequest& request, ProgressRange range) {
  ProgressRange rest = range;
  // A dependent sub-session's final label map is its parent's.
  IiClassification& owner = state.parent() && !state.independent() ? *state.parent() : state;
  if (request.mode != kSelectPixels) {
    const int32_t level = request.levelPlusOne - 1;
    if (owner.partitionLevel != level) {
      // The level is taken only once the map is whole.
      owner.partitionLevel = kPartitionRebuilding;
      state.partitionLevel = kPartitionRebuilding;
      labelRegions(owner, level, range.subRange(0.5f));
      owner.partitionLevel = level;
      state.partitionLevel = level;
      state.partitionLabelCount = owner.partitionLabelCount;
      rest = range.subRange(1.0f);
    }
  }

  PendingChange& pending = state.pendingChange();
  pending.selectValue = request.value;
  pending.selectWriteMask = request.writeMask;
  pending.selectTarget = request.target;
  pending.selectTargetMask = request.targetMask;
  pending.selectMode = request.mode;
  pending.emptyRect();

  const bool regionMapFlood = state.partitionLevel == -1 && state.baseRecord().innerScale > 1.0f;
  const IiClassification::Labels& regionMap = state.segmentation().regionMap;
  switch (request.mode) {
    case kSelectPixels:
      pixelSelect(state, strokeRect, stroke, status);
      rest.report(corvane::kNoLabel, 0.5f);
      break;
    case kSelectRegions:
      // Values left by earlier operations anywhere in the mask would stop the flood or be
      // applied by the growth step.
      state.clearWorkMask();
      if (regionMapFlood) {
        selectRegions(state, regionMap, strokeRect, stroke, status);
        rest.report(corvane::kNoLabel, 0.5f);
      } else {
        LabelTable table(owner.partitionLabelCount);
        selectRegions(state, state.finalLabels(), strokeRect, stroke, status, &table);
        rest.report(corvane::kNoLabel, 0.25f);
        growMarkedLabels(state, table, status);
        rest.report(corvane::kNoLabel, 0.75f);
      }
      break;
    case kSelectColourLabels: {
      LabelTable table(owner.partitionLabelCount);
      markStrokeLabels(state, table, strokeRect, stroke, status);
      rest.report(corvane::kNoLabel, 0.25f);
      selectMarkedLabels(state, table, status);
      rest.report(corvane::kNoLabel, 0.75f);
      break;
    }
    case kSelectLabelRegions:
      state.clearWorkMask();
      selectRegions(state, regionMapFlood ? regionMap : state.finalLabels(), strokeRect, stroke,
                    status);
      rest.report(corvane::kNoLabel, 0.5f);
      break;
    default:
      break;
  }

  if (request.value != request.target) {
    const auto isFlag = [](uint8_t v) { return v == CvStatusForcedEdge || v == CvStatusProtected; };
    state.applyChanges(
        status, isFlag(request.value) || isFlag(request.target) ? nullptr : &state.undoStack());
  }
  rest.report(corvane::kNoLabel, 1.0f);
}

}  // namespace classification
