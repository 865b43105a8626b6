#include "classification/HoleFilling.h"

#include <algorithm>
#include <deque>
#include <stdexcept>
#include <string>

#include "morphology/convolve.h"
#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/IndexPair.h"
#include "util/MaskedBits.h"
#include "util/NoLabel.h"
#include "util/StatusCompatibility.h"

namespace classification {

using corvane::Box;
using corvane::domainOf;
using corvane::IndexPair;
using corvane::statusCompatible;
using corvane::subView;

namespace {

// The window of one axis: `before` samples ahead of a pixel, `after` behind it. The selection
// map is 0 outside the rectangle, so a window never needs to reach further than the
// rectangle's extent beyond the line just outside it; the cut keeps huge sizes from asking for
// huge maps without changing a single result.
struct AxisWindow {
  int32_t before;
  int32_t after;
  int32_t length() const { return before + after + 1; }
};

AxisWindow axisWindow(int32_t size, int32_t extent) {
  return AxisWindow{std::min(size / 2, extent), std::min(size - size / 2, extent)};
}

int32_t checkedIndex(int64_t x) {
  if (x < INT32_MIN || x > INT32_MAX) throw std::length_error("despeckle window");
  return static_cast<int32_t>(x);
}

blitz::Array<int32_t, 2> shiftedView(const blitz::Array<int32_t, 2>& map, const Box& box,
                                     int32_t rowShift, int32_t columnShift) {
  blitz::Array<int32_t, 2> view =
      subView(map, box.lowerRow, box.lowerColumn, box.upperRow, box.upperColumn);
  view.reindexSelf(
      blitz::TinyVector<int, 2>(box.lowerRow + rowShift, box.lowerColumn + columnShift));
  return view;
}

const int32_t kNeighbours[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

}  // namespace

void despeckle(IiClassification& state, IiClassification::Bytes& status, int32_t size,
               ProgressRange progress) {
  if (state.pendingChange().changedRect.empty()) {
    progress.report(corvane::kNoLabel, 1.0f);
    return;
  }
  if (size <= 0) return;
  despeckleRegions(state, status, size, size, progress);
}

void despeckleRegions(IiClassification& state, IiClassification::Bytes& status, int32_t rowSize,
                      int32_t columnSize, ProgressRange progress) {
  const PendingChange& pending = state.pendingChange();
  const uint8_t value = pending.selectValue;
  const uint8_t writeMask = pending.selectWriteMask;
  const uint8_t fillMask = pending.selectTargetMask;
  IiClassification::Bytes& mask = state.workMask();
  // Only where there are statuses and work-mask entries to read and write.
  const Box rect = corvane::intersectBox(
      corvane::intersectBox(pending.changedRect, domainOf(status)), domainOf(mask));
  if (rowSize < 0 || columnSize < 0) return;
  if (rect.empty()) {
    progress.report(corvane::kNoLabel, 1.0f);
    return;
  }

  // The map covers the rectangle and the line just outside it on every side, widened by the
  // windows; the dilation writes its result over the inner part in place.
  const AxisWindow rows = axisWindow(rowSize, rect.upperRow - rect.lowerRow + 1);
  const AxisWindow columns = axisWindow(columnSize, rect.upperColumn - rect.lowerColumn + 1);
  const Box ringed{
      checkedIndex(int64_t{rect.lowerRow} - 1), checkedIndex(int64_t{rect.lowerColumn} - 1),
      checkedIndex(int64_t{rect.upperRow} + 1), checkedIndex(int64_t{rect.upperColumn} + 1)};
  const Box mapBox{checkedIndex(int64_t{ringed.lowerRow} - rows.before),
                   checkedIndex(int64_t{ringed.lowerColumn} - columns.before),
                   checkedIndex(int64_t{ringed.upperRow} + rows.after),
                   checkedIndex(int64_t{ringed.upperColumn} + columns.after)};

  blitz::Array<int32_t, 2> map = corvane::arrayOver<int32_t>(mapBox);
  map = 0;
  for (int r = rect.lowerRow; r <= rect.upperRow; ++r)
    for (int c = rect.lowerColumn; c <= rect.upperColumn; ++c)
      map(r, c) = statusCompatible(status(r, c), value, writeMask) ? 1 : 0;
  progress.report(corvane::kNoLabel, 0.1f);

  // A window ends `after` samples behind its pixel, where the line pass puts its result: the
  // outputs are views shifted by that much, so that each lands on its own pixel.
  const corvane::morphology::BinaryDilation dilation;
  const Box rowPass{ringed.lowerRow, mapBox.lowerColumn, ringed.upperRow, mapBox.upperColumn};
  const int32_t rowWindow = rows.length();
  corvane::morphology::convolveLineFast(map, rowWindow, dilation,
                                        shiftedView(map, rowPass, rows.after, 0), ProgressRange());
  const int32_t columnWindow = columns.length();
  corvane::morphology::convolveLine(
      subView(map, rowPass.lowerRow, rowPass.lowerColumn, rowPass.upperRow, rowPass.upperColumn),
      shiftedView(map, ringed, 0, columns.after), columnWindow, dilation, ProgressRange());
  blitz::Array<int32_t, 2> dilated =
      subView(map, ringed.lowerRow, ringed.lowerColumn, ringed.upperRow, ringed.upperColumn);

  // The outside of the rectangle is open ground for the erosion.
  for (int c = ringed.lowerColumn; c <= ringed.upperColumn; ++c) {
    dilated(ringed.lowerRow, c) = 0;
    dilated(ringed.upperRow, c) = 0;
  }
  for (int r = ringed.lowerRow; r <= ringed.upperRow; ++r) {
    dilated(r, ringed.lowerColumn) = 0;
    dilated(r, ringed.upperColumn) = 0;
  }

  const auto closed = [&](int r, int c) {
    return !statusCompatible(status(r, c), value, writeMask);
  };

  // Seeds: covered pixels outside the selection that touch open ground. They are all found
  // on the map as the dilation left it before any is opened.
  std::deque<IndexPair> front;
  {
    ProgressRange seeds = progress.subRange(0.3f);
    const int32_t rowCount = rect.upperRow - rect.lowerRow + 1;
    for (int r = rect.lowerRow; r <= rect.upperRow; ++r) {
      for (int c = rect.lowerColumn; c <= rect.upperColumn; ++c) {
        if (dilated(r, c) == 0 || !closed(r, c)) continue;
        for (const auto& o : kNeighbours) {
          if (dilated(r + o[0], c + o[1]) == 0) {
            front.push_back(IndexPair{r, c});
            break;
          }
        }
      }
      if (r % 256 == 0) {
        const float f = rowCount == 1 ? 0.0f
                                      : static_cast<float>(r - rect.lowerRow + 1) /
                                            static_cast<float>(rowCount);
        seeds.report(corvane::kNoLabel, f);
      }
    }
  }

  // Erosion: open ground spreads through every covered pixel outside the selection. A pixel is
  // opened as it joins the front, so each joins once: opened only as it left the front, a pixel
  // joined again for every neighbour that left before it, and those joins multiplied along
  // every path through a wide covered area until a stroke never finished. What ends up open is
  // the same: every covered pixel outside the selection connected to a seed.
  {
    ProgressRange erosion = progress.subRange(0.5f);
    for (const IndexPair& p : front) dilated(p.first, p.second) = 0;
    size_t largest = front.size();
    while (!front.empty()) {
      const IndexPair p = front.front();
      front.pop_front();
      for (const auto& o : kNeighbours) {
        const int r = p.first + o[0];
        const int c = p.second + o[1];
        if (dilated(r, c) != 0 && closed(r, c)) {
          dilated(r, c) = 0;
          front.push_back(IndexPair{r, c});
        }
      }
      const size_t length = front.size();
      if (length % 256 == 0) {
        largest = std::max(largest, length);
        erosion.report(corvane::kNoLabel,
                       1.0f - static_cast<float>(length) / static_cast<float>(largest));
      }
    }
  }
  progress.report(corvane::kNoLabel, 0.6f);

  const uint8_t fillValue = value | CvStatusInPicture;
  for (int r = rect.lowerRow; r <= rect.upperRow; ++r)
    for (int c = rect.lowerColumn; c <= rect.upperColumn; ++c)
      if (dilated(r, c) != 0 && statusCompatible(status(r, c), fillValue, fillMask))
        corvane::setMaskedBits(&mask(r, c), value, writeMask);

  state.applyChanges(status, &state.undoStack());
  progress.report(corvane::kNoLabel, 1.0f);
}

}  // namespace classification
