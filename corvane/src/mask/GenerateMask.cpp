#include "mask/GenerateMask.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <sstream>
#include <utility>

#include "classification/UndoStack.h"
#include "mask/ForcedEdgePass.h"
#include "mask/MaskPass.h"
#include "mask/MaskPreparation.h"
#include "mask/PaletteMatting.h"
#include "util/ArrayDomain.h"
#include "util/BlitzViews.h"
#include "util/BoxOps.h"
#include "util/SaturatingCast.h"

namespace corvane {
namespace mask {

namespace {

using Bytes = blitz::Array<uint8_t, 2>;

bool fitsInt(int64_t v) {
  return v >= INT32_MIN && v <= INT32_MAX;
}

// A byte of a 0..1 ratio: 255 times it, truncated.
uint8_t ratioByte(float ratio) {
  return saturatingCast<uint8_t>(std::min(1.0f, std::max(0.0f, ratio)) * 255.0f);
}

// The status pixels of `box` (inside the status array) one row at a time.
template <class F>
void forEachStatus(Bytes& status, const Box& box, F&& f) {
  const Box b = intersectBox(box, domainOf(status));
  if (status.size() == 0 || b.empty()) return;
  const ptrdiff_t step = status.stride(1);
  for (int32_t r = b.lowerRow; r <= b.upperRow; ++r) {
    uint8_t* s = &status(r, b.lowerColumn);
    for (int32_t c = b.lowerColumn; c <= b.upperColumn; ++c, s += step) f(*s, r, c);
  }
}

// The same for changes that depend on the status alone; contiguous rows go byte by byte so
// that the compiler can widen the loop.
template <class F>
void forEachStatusByte(Bytes& status, const Box& box, F&& f) {
  const Box b = intersectBox(box, domainOf(status));
  if (status.size() == 0 || b.empty()) return;
  const ptrdiff_t step = status.stride(1);
  const ptrdiff_t n = ptrdiff_t(b.upperColumn) - b.lowerColumn + 1;
  for (int32_t r = b.lowerRow; r <= b.upperRow; ++r) {
    uint8_t* s = &status(r, b.lowerColumn);
    if (step == 1) {
      for (ptrdiff_t i = 0; i < n; ++i) s[i] = f(s[i]);
    } else {
      for (ptrdiff_t i = 0; i < n; ++i, s += step) *s = f(*s);
    }
  }
}

// Marks the pixels of a pass (bit 128): with a patch mask where the mask is set (and clears
// the mark where it is not), everywhere in the box without one.
void markPass(Bytes& status, const Box& box, const MaskPatch* patch) {
  if (patch && patch->hasMask()) {
    const Bytes& mask = patch->mask;
    forEachStatus(status, intersectBox(box, domainOf(mask)), [&](uint8_t& s, int32_t r, int32_t c) {
      s = mask(r, c) ? uint8_t(s | CvStatusMatteRegion) : uint8_t(s & ~CvStatusMatteRegion);
    });
  } else {
    forEachStatusByte(status, box, [](uint8_t s) { return uint8_t(s | CvStatusMatteRegion); });
  }
}

// After a pass: its pixels are held (bit 64) from every later pass.
void unmarkPass(Bytes& status, const Box& box) {
  forEachStatusByte(status, box, [](uint8_t s) {
    return (s & CvStatusMatteRegion) ? uint8_t((s & ~CvStatusMatteRegion) | CvStatusHold) : s;
  });
}

// A pass that had nothing to do gives its pixels back to the later passes.
void dropPassMark(Bytes& status, const Box& box) {
  forEachStatusByte(status, box, [](uint8_t s) { return uint8_t(s & ~CvStatusMatteRegion); });
}

// The matting kernel of each pixel type.
inline int32_t matte(MaskPixel8, const blitz::Array<MaskPixel8::Pixel, 2>& source, Bytes& status,
                     blitz::Array<MaskPixel8::Pixel, 2> output, const Box& sub,
                     const MaskScale& scale, const MaskPatch& patch, ProgressRange progress) {
  return mattePalettes8(source, status, output, sub, scale.row, scale.column, patch, progress);
}
inline int32_t matte(MaskPixel16, const blitz::Array<MaskPixel16::Pixel, 2>& source, Bytes& status,
                     blitz::Array<MaskPixel16::Pixel, 2> output, const Box& sub,
                     const MaskScale& scale, const MaskPatch& patch, ProgressRange progress) {
  return mattePalettes16(source, status, output, sub, scale.row, scale.column, patch, progress);
}
inline int32_t matte(MaskPixelHalf16, const blitz::Array<MaskPixelHalf16::Pixel, 2>& source,
                     Bytes& status, blitz::Array<MaskPixelHalf16::Pixel, 2> output, const Box& sub,
                     const MaskScale& scale, const MaskPatch& patch, ProgressRange progress) {
  return mattePalettesHalf16(source, status, output, sub, scale.row, scale.column, patch, progress);
}

// The body's temporary status changes: the preparation's auto fill on the temporary undo
// stack and the pass marks 64 and 128 over the boxes the body worked on. Undone on every path
// out: by finish() on a normal one, by the destructor while an exception passes.
class TemporaryStatus {
 public:
  TemporaryStatus(::classification::IiClassification& state, Bytes& status, UndoStack* temporary)
      : state_(state), status_(status), temporary_(temporary) {
    if (temporary_) temporary_->beginJournal();
  }
  ~TemporaryStatus() {
    if (finished_) return;
    if (temporary_) temporary_->revertJournal(state_);
    clearMarks();
  }
  TemporaryStatus(const TemporaryStatus&) = delete;
  TemporaryStatus& operator=(const TemporaryStatus&) = delete;

  void coverBox(const Box& box) { uniteBox(touched_, intersectBox(box, domainOf(status_))); }

  // Rolls the auto fill back (logging how many user-level steps it made when `log`) and
  // clears the marks.
  void finish(bool log) {
    if (temporary_) {
      if (log) {
        std::ostringstream line;
        line << "nUndo " << temporary_->undoCount() << "\n";
        std::cout << line.str();
      }
      while (temporary_->undoCount() != 0) temporary_->undo(state_);
      temporary_->keepJournal();
    }
    clearMarks();
    finished_ = true;
  }

 private:
  void clearMarks() noexcept {
    forEachStatusByte(status_, touched_,
                      [](uint8_t s) { return uint8_t(s & CvStatusClassAndFlags); });
  }

  ::classification::IiClassification& state_;
  Bytes& status_;
  UndoStack* temporary_;
  Box touched_{0, 0, -1, -1};
  bool finished_ = false;
};

// The full-resolution pixels of a box of status pixels, cut to `limit`.
Box fullResolution(const Box& box, const MaskScale& scale, const Box& limit) {
  const Box full{
      saturatingCast<int32_t>(static_cast<float>(box.lowerRow) * scale.row),
      saturatingCast<int32_t>(static_cast<float>(box.lowerColumn) * scale.column),
      saturatingCast<int32_t>(static_cast<float>(int64_t(box.upperRow) + 1) * scale.row - 1.0f),
      saturatingCast<int32_t>(static_cast<float>(int64_t(box.upperColumn) + 1) * scale.column -
                              1.0f)};
  return intersectBox(full, limit);
}

// Copies `from` into `to` (the same box), every channel.
template <class Pixel>
void copyPixels(blitz::Array<Pixel, 2>& to, const blitz::Array<Pixel, 2>& from) {
  if (to.size() == 0) return;
  const ptrdiff_t tStep = to.stride(1), fStep = from.stride(1);
  const int32_t n = to.extent(1);
  for (int32_t r = to.lbound(0); r <= to.ubound(0); ++r) {
    Pixel* t = &to(r, to.lbound(1));
    const Pixel* f = &from(r, from.lbound(1));
    for (int32_t i = 0; i < n; ++i, t += tStep, f += fStep) *t = *f;
  }
}

template <class Pixel>
void clearAlpha(blitz::Array<Pixel, 2>& pixels) {
  if (pixels.size() == 0) return;
  const ptrdiff_t step = pixels.stride(1);
  const int32_t n = pixels.extent(1);
  for (int32_t r = pixels.lbound(0); r <= pixels.ubound(0); ++r) {
    Pixel* p = &pixels(r, pixels.lbound(1));
    for (int32_t i = 0; i < n; ++i, p += step) (*p)[3] = 0;
  }
}

template <class T>
blitz::Array<T, 2> viewOver(const blitz::Array<T, 2>& array, const Box& box) {
  const Box b = intersectBox(box, domainOf(array));
  if (array.size() == 0 || b.empty()) return blitz::Array<T, 2>();
  return subView(array, b.lowerRow, b.lowerColumn, b.upperRow, b.upperColumn);
}

template <class PixelType, class WorkPixel>
int32_t runPasses(::classification::IiClassification& state,
                  blitz::Array<typename PixelType::Pixel, 2>& output,
                  const blitz::Array<typename PixelType::Pixel, 2>& source,
                  const blitz::Array<WorkPixel, 2>& working, Bytes& status, MaskRequest& request,
                  const Box& requestDomain, const MaskFillResult& fill, const bool (&passes)[3],
                  TemporaryStatus& temporary, ProgressRange& progress) {
  const float threshold = state.maskFactor;
  const Box statusBox = domainOf(status);
  const std::vector<MaskPatch>& patches = request.patches;
  const size_t n = patches.size();
  int32_t result = 0;

  // The blend ratio of every cell: the request's, and each patch's over its own pixels.
  Bytes weightMap;
  if (!requestDomain.empty()) {
    weightMap.resize(blitz::Range(requestDomain.lowerRow, requestDomain.upperRow),
                     blitz::Range(requestDomain.lowerColumn, requestDomain.upperColumn));
    weightMap = ratioByte(request.blendRatio);
  }
  for (const MaskPatch& patch : patches) {
    const Box sub = intersectBox(patch.box, requestDomain);
    if (sub.empty() || weightMap.size() == 0) continue;
    const uint8_t value = ratioByte(patch.blendRatio);
    if (patch.hasMask()) {
      const Box inMask = intersectBox(sub, domainOf(patch.mask));
      for (int32_t r = inMask.lowerRow; r <= inMask.upperRow; ++r)
        for (int32_t c = inMask.lowerColumn; c <= inMask.upperColumn; ++c)
          if (patch.mask(r, c)) weightMap(r, c) = value;
    } else {
      Bytes part = viewOver(weightMap, sub);
      part = value;
    }
  }

  const blitz::Array<ClassDistances, 2> pairGrid =
      growStatusRegions(viewOver(status, requestDomain), progress.subRange(0.2f));

  // Patch boxes as the caller gave them, cut to the request rectangle and the status image.
  const auto patchDomain = [&](const MaskPatch& patch) {
    Box sub = intersectBox(patch.box, statusBox);
    if (request.hasRect) sub = intersectBox(sub, request.rect);
    return sub;
  };

  if (passes[0]) {
    for (size_t i = 0; i < n; ++i) {
      const MaskPatch& patch = patches[i];
      if (!patch.isChoices) continue;
      const Box sub = patchDomain(patch);
      if (sub.empty()) continue;
      temporary.coverBox(sub);
      markPass(status, sub, &patch);
      const int32_t matted =
          matte(PixelType(), source, status, output, sub, request.scale, patch,
                progress.subRange(0.5f * static_cast<float>(i + 1) / static_cast<float>(n)));
      if (matted == kMatteNoForeground || matted == kMatteNoBackground) {
        // Nothing to mix inside the patch: its pixels are left to the other passes.
        dropPassMark(status, sub);
        continue;
      }
      result |= matted;
      unmarkPass(status, sub);
    }
  }

  if (passes[1]) {
    for (const MaskPatch& patch : patches) {
      if (!patch.isMembrane) continue;
      // The colour grids cover only the fill box.
      const Box sub = intersectBox(patchDomain(patch), fill.rect);
      if (sub.empty()) continue;
      temporary.coverBox(sub);
      markPass(status, sub, &patch);
      const Bytes region = viewOver(status, fill.rect);
      const blitz::Array<ByteColour3, 2> keep = prepareMaskRegions(state, region, 2, patch);
      const blitz::Array<ByteColour3, 2> drop = prepareMaskRegions(state, region, 4, patch);
      result |= maskPass<PixelType>(output, source, working, status, sub, fill.rect, request.scale,
                                    weightMap, pairGrid, MaskPassGrids, keep, drop, threshold,
                                    progress.subRange(0.75f));
      unmarkPass(status, sub);
    }
  }

  if (passes[2] && !requestDomain.empty()) {
    temporary.coverBox(requestDomain);
    markPass(status, requestDomain, nullptr);
    const blitz::Array<ByteColour3, 2> none;
    result |= maskPass<PixelType>(output, source, working, status, requestDomain, fill.rect,
                                  request.scale, weightMap, pairGrid, MaskPassPyramids, none, none,
                                  threshold, progress.subRange(0.9f));
    unmarkPass(status, requestDomain);
  }
  return result;
}

}  // namespace

bool patchRequestReadable(const MaskPatchRequest& request) {
  if (request.width < 0 || request.height < 0) return !request.data;
  if (!fitsInt(int64_t(request.x) + request.width) || !fitsInt(int64_t(request.y) + request.height))
    return false;
  if (!request.data) return true;
  if (request.kind != 0 && request.kind != 1) return false;
  const int64_t rowBytes = int64_t(request.width) * (request.kind == 0 ? 1 : 4);
  return request.stride > 0 && int64_t(request.stride) >= rowBytes;
}

MaskPatch maskPatchFromRequest(const MaskPatchRequest& request) {
  MaskPatch patch;
  patch.box = Box{request.y, request.x, clampToInt32(int64_t(request.y) + request.height - 1),
                  clampToInt32(int64_t(request.x) + request.width - 1)};
  if (request.data && request.width > 0 && request.height > 0) {
    const blitz::TinyVector<int, 2> base(request.y, request.x);
    uint8_t* bytes = static_cast<uint8_t*>(const_cast<void*>(request.data));
    if (request.kind == 0) {
      patch.mask.reference(Bytes(bytes, blitz::shape(request.height, request.width),
                                 blitz::shape(ptrdiff_t(request.stride), 1),
                                 blitz::neverDeleteData));
    } else {
      // A pixel belongs to the patch where its alpha (the fourth byte) is not 0.
      patch.mask.resize(request.height, request.width);
      for (int32_t r = 0; r < request.height; ++r) {
        const uint8_t* row = bytes + ptrdiff_t(r) * request.stride;
        for (int32_t c = 0; c < request.width; ++c) patch.mask(r, c) = row[4 * c + 3] ? 1 : 0;
      }
    }
    patch.mask.reindexSelf(base);
  }
  patch.fgOverrideCount = request.fgOverrideCount;
  patch.bgOverrideCount = request.bgOverrideCount;
  patch.fgOverride = {request.fgOverride.blue, request.fgOverride.green, request.fgOverride.red};
  patch.isActive = request.isActive != 0;
  patch.bgOverride = {request.bgOverride.blue, request.bgOverride.green, request.bgOverride.red};
  patch.blendRatio = request.blendRatio;
  patch.membraneUniform = request.param2 > 0.5f;
  patch.isMembrane = request.mode == CvPatchMembrane;
  patch.membraneValue = request.param1;
  patch.isChoices = request.mode == CvPatchChoices;
  patch.choice1 = request.param1;
  patch.choice2 = request.param2;
  return patch;
}

bool forcedEdgesReadable(const ForcedEdgeRequest* edges, uint32_t count) {
  if (count == 0) return true;
  if (!edges) return false;
  for (uint32_t i = 0; i < count; ++i)
    if (edges[i].pointCount != 0 && !edges[i].points) return false;
  return true;
}

std::vector<MaskForcedEdge> forcedEdgesFromRequests(const ForcedEdgeRequest* edges,
                                                    uint32_t count) {
  std::vector<MaskForcedEdge> kept;
  if (!edges) return kept;
  kept.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    MaskForcedEdge edge;
    edge.width = edges[i].width;
    edge.points.reserve(edges[i].pointCount);
    for (uint32_t j = 0; j < edges[i].pointCount; ++j) {
      const EdgePoint p{edges[i].points[j].y, edges[i].points[j].x};
      if (edge.points.empty() || edge.points.back() != p) edge.points.push_back(p);
    }
    if (edge.points.size() > 1) kept.push_back(std::move(edge));
  }
  return kept;
}

template <class PixelType>
int32_t generateMaskVariant(::classification::IiClassification& state,
                            blitz::Array<typename PixelType::Pixel, 2> output,
                            const blitz::Array<typename PixelType::Pixel, 2>& source, Bytes& status,
                            MaskRequest request, const Bytes& radiusMap, ProgressRange progress) {
  const Box imageBox = state.imageBox();
  const Box statusBox = domainOf(status);
  Box requestDomain = request.hasRect ? intersectBox(imageBox, request.rect) : imageBox;
  requestDomain = intersectBox(requestDomain, statusBox);
  if (requestDomain.empty() || status.size() == 0) return 1;

  const MaskScale& scale = request.scale;
  const Box fullDomain =
      fullResolution(requestDomain, scale, intersectBox(domainOf(output), domainOf(source)));
  Box margin = requestDomain;
  margin.lowerRow -= statusBox.upperRow / 16 - statusBox.lowerRow / 16;
  margin.upperRow += statusBox.upperRow / 16 - statusBox.lowerRow / 16;
  margin.lowerColumn -= statusBox.upperColumn / 16 - statusBox.lowerColumn / 16;
  margin.upperColumn += statusBox.upperColumn / 16 - statusBox.lowerColumn / 16;
  margin = intersectBox(margin, statusBox);

  // A request over the whole image keeps its auto fill in the session's history.
  UndoStack temporaryStack(100);
  const bool ownHistory = requestDomain == imageBox;
  UndoStack& undo = ownHistory ? state.undoStack() : temporaryStack;
  TemporaryStatus temporary(state, status, ownHistory ? nullptr : &temporaryStack);
  temporary.coverBox(requestDomain);

  const MaskFillResult fill =
      autoFillForMask(state, statusBox, requestDomain, status, margin, request.blendWidth,
                      radiusMap, undo, progress.subRange(0.1f));

  blitz::Array<typename PixelType::Pixel, 2> outputPart = viewOver(output, fullDomain);
  const blitz::Array<typename PixelType::Pixel, 2> sourcePart = viewOver(source, fullDomain);
  if (!fill.hasStatus4) {
    // Nothing to delete: the picture as it is.
    copyPixels(outputPart, sourcePart);
    temporary.finish(false);
    return 0;
  }
  if (!fill.hasStatus2) {
    // Nothing to keep: everything transparent, the colours left as they were.
    clearAlpha(outputPart);
    temporary.finish(false);
    return 0;
  }

  bool passes[3] = {false, false, true};
  for (const MaskPatch& patch : request.patches) {
    const int kind = patch.isMembrane ? 1 : patch.isChoices ? 0 : 2;
    if (patch.isActive) {
      // Only this patch, over its own box; outside its mask the statuses are held.
      passes[0] = passes[1] = passes[2] = false;
      passes[kind] = true;
      requestDomain = intersectBox(patch.box, statusBox);
      temporary.coverBox(requestDomain);
      if (patch.hasMask()) {
        const Bytes& mask = patch.mask;
        forEachStatus(status, intersectBox(requestDomain, domainOf(mask)),
                      [&](uint8_t& s, int32_t r, int32_t c) {
                        s = mask(r, c) ? uint8_t(s & ~CvStatusHold) : uint8_t(s | CvStatusHold);
                      });
      }
      MaskPatch active = patch;
      request.patches.assign(1, std::move(active));
      break;
    }
    if (kind != 2) passes[kind] = true;
  }

  int32_t result;
  if (source.extent(0) == state.image().extent(0) && source.extent(1) == state.image().extent(1)) {
    result = runPasses<PixelType>(state, outputPart, sourcePart, source, status, request,
                                  requestDomain, fill, passes, temporary, progress);
  } else {
    result = runPasses<PixelType>(state, outputPart, sourcePart, state.image(), status, request,
                                  requestDomain, fill, passes, temporary, progress);
  }
  if (result != 0) copyPixels(outputPart, sourcePart);

  temporary.finish(true);

  // The edges in full-resolution pixels.
  for (MaskForcedEdge& edge : request.forcedEdges) {
    edge.width *= scale.row;
    for (EdgePoint& p : edge.points)
      p = EdgePoint{(p.row + 0.5f) * scale.row, (p.column + 0.5f) * scale.column};
  }
  const int32_t edgesResult =
      forcedEdgePass<PixelType>(outputPart, sourcePart, status, scale, request.forcedEdges,
                                state.maskFactor, progress.subRange(1.0f));
  // A pass that failed is not hidden by a final pass that succeeded.
  return edgesResult | result;
}

template int32_t generateMaskVariant<MaskPixel8>(::classification::IiClassification&,
                                                 blitz::Array<MaskPixel8::Pixel, 2>,
                                                 const blitz::Array<MaskPixel8::Pixel, 2>&, Bytes&,
                                                 MaskRequest, const Bytes&, ProgressRange);
template int32_t generateMaskVariant<MaskPixel16>(::classification::IiClassification&,
                                                  blitz::Array<MaskPixel16::Pixel, 2>,
                                                  const blitz::Array<MaskPixel16::Pixel, 2>&,
                                                  Bytes&, MaskRequest, const Bytes&, ProgressRange);
template int32_t generateMaskVariant<MaskPixelHalf16>(
    ::classification::IiClassification&, blitz::Array<MaskPixelHalf16::Pixel, 2>,
    const blitz::Array<MaskPixelHalf16::Pixel, 2>&, Bytes&, MaskRequest, const Bytes&,
    ProgressRange);

}  // namespace mask
}  // namespace corvane
