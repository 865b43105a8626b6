#include "classification/AutoFill.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/NoLabel.h"
#include "util/SaturatingCast.h"

namespace classification {

using corvane::Box;

namespace {

constexpr uint8_t kMatching = 1;
constexpr uint8_t kOpen = 2;

// Per status byte: whether it matches the marked side and whether auto fill may give it a
// class.
std::array<uint8_t, 256> statusKinds(uint8_t value) {
  std::array<uint8_t, 256> kinds{};
  for (int t = 0; t < 256; ++t) {
    const bool matching =
        (value & t & 15) != 0 && (!(t & 16) || (value & 16)) && (!(t & 32) || (value & 32));
    const bool open = (t & 1) && !(t & 48);
    kinds[size_t(t)] = uint8_t((matching ? kMatching : 0) | (open ? kOpen : 0));
  }
  return kinds;
}

Box boxOf(const IiClassification::Bytes& a) {
  return Box{a.lbound(0), a.lbound(1), a.ubound(0), a.ubound(1)};
}

bool anyProtected(const IiClassification::Bytes& status, const Box& b) {
  for (int32_t r = b.lowerRow; r <= b.upperRow; ++r) {
    const uint8_t* s = &status(r, b.lowerColumn);
    const ptrdiff_t step = status.stride(1);
    for (int32_t c = b.lowerColumn; c <= b.upperColumn; ++c, s += step)
      if (*s & 48) return true;
  }
  return false;
}

}  // namespace

void autoFill(IiClassification& state, IiClassification::Bytes& status, const Box* rect,
              uint8_t value, float radiusFactor, const IiClassification::Bytes& radiusMap,
              UndoStack* undo, ProgressRange progress) {
  if (!(value & 6)) return;
  IiClassification::Bytes& mask = state.workMask();
  Box domain = corvane::intersectBox(boxOf(status), boxOf(mask));
  if (rect) domain = corvane::intersectBox(domain, *rect);
  if (status.size() == 0 || domain.empty()) return;

  const uint8_t fillClass = (value & 2) && !(value & 48) ? 4 : 2;
  PendingChange& pending = state.pendingChange();
  pending.selectValue = fillClass;
  pending.changedRect = domain;
  pending.selectMode = 0;
  pending.selectWriteMask = 15;
  pending.selectTarget = 7;
  pending.selectTargetMask = 63;
  state.clearWorkMask(domain);

  const std::array<uint8_t, 256> kinds = statusKinds(value);
  const ptrdiff_t sStep = status.stride(1), sRow = status.stride(0);
  const ptrdiff_t mStep = mask.stride(1);

  // Seeds: pixels of either side with a neighbour of the other, in scan order.
  std::vector<corvane::IndexPair> seeds;
  for (int32_t r = domain.lowerRow; r <= domain.upperRow; ++r) {
    const uint8_t* s = &status(r, domain.lowerColumn);
    const bool hasUp = r > domain.lowerRow, hasDown = r < domain.upperRow;
    for (int32_t c = domain.lowerColumn; c <= domain.upperColumn; ++c, s += sStep) {
      const uint8_t kind = kinds[*s];
      if (!kind) continue;
      uint8_t around = 0;
      if (hasUp) around |= kinds[s[-sRow]];
      if (c > domain.lowerColumn) around |= kinds[s[-sStep]];
      if (hasDown) around |= kinds[s[sRow]];
      if (c < domain.upperColumn) around |= kinds[s[sStep]];
      if (((kind & kMatching) && (around & kOpen)) || ((kind & kOpen) && (around & kMatching)))
        seeds.push_back(corvane::IndexPair{r, c});
    }
  }

  // The blend band: a disc of class 8 around every seed whose box holds no protected pixel.
  if (radiusFactor != 0.0f) {
    const Box radiusBox = boxOf(radiusMap);
    for (const corvane::IndexPair& p : seeds) {
      const bool inMap = radiusMap.size() != 0 && p.first >= radiusBox.lowerRow &&
                         p.first <= radiusBox.upperRow && p.second >= radiusBox.lowerColumn &&
                         p.second <= radiusBox.upperColumn;
      const float d = inMap ? static_cast<float>(radiusMap(p.first, p.second)) : 0.0f;
      const float rho = d * 0.5f * radiusFactor + 0.49f;
      const int64_t k = int64_t(corvane::saturatingCast<int32_t>(rho)) + 1;
      const Box b = corvane::intersectBox(
          Box{corvane::clampToInt32(p.first - k), corvane::clampToInt32(p.second - k),
              corvane::clampToInt32(p.first + k), corvane::clampToInt32(p.second + k)},
          domain);
      if (b.empty() || anyProtected(status, b)) continue;
      const float rho2 = rho * rho;
      for (int32_t r = b.lowerRow; r <= b.upperRow; ++r) {
        const uint8_t* s = &status(r, b.lowerColumn);
        uint8_t* m = &mask(r, b.lowerColumn);
        const int64_t dr = int64_t(r) - p.first;
        for (int32_t c = b.lowerColumn; c <= b.upperColumn; ++c, s += sStep, m += mStep) {
          if (!(*s & 7) || (*s & 48)) continue;
          const int64_t dc = int64_t(c) - p.second;
          if (static_cast<float>(dr * dr + dc * dc) <= rho2) *m = uint8_t((*m & 0xF8) | 8);
        }
      }
    }
  }

  // Everything open that the band left alone takes the fill class.
  for (int32_t r = domain.lowerRow; r <= domain.upperRow; ++r) {
    const uint8_t* s = &status(r, domain.lowerColumn);
    uint8_t* m = &mask(r, domain.lowerColumn);
    for (int32_t c = domain.lowerColumn; c <= domain.upperColumn; ++c, s += sStep, m += mStep)
      if (*m == 0 && (kinds[*s] & kOpen)) *m = fillClass;
  }

  progress.report(corvane::kNoLabel, 0.8f);
  state.applyChanges(status, undo);
  progress.report(corvane::kNoLabel, 1.0f);
}

}  // namespace classification
