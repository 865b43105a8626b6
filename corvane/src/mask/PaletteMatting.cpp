#include "mask/PaletteMatting.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "Corvane.h"
#include "classification/ChannelFilter.h"
#include "kestrum/matting/PaletteSearch.h"
#include "mask/PalettePyramidBuilder.h"
#include "mask/StatusClassSelector.h"
#include "util/ArrayDomain.h"
#include "util/BoxOps.h"
#include "util/NoLabel.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/SaturatingCast.h"
#include "util/WorkerPool.h"

namespace corvane {
namespace mask {

namespace {

using kestrum::matting::Colour3f;

// Search stops at the first level pair whose best fit lies this close to the pixel's colour.
constexpr float kSearchThreshold = -0.01f;
// Estimates whose colours lie closer than this (in sample units) are not decontaminated.
constexpr float kDistanceScale = 4.0f * 2.828f;
// Above this share of keep (or delete) neighbours a pixel counts as wholly inside the class.
constexpr double kInsideClass = 0.99;

int32_t clampIndex(int32_t i, int32_t low, int32_t high) {
  return i < low ? low : i > high ? high : i;
}

// The full-resolution range covered by the status indices lower..upper along one axis.
void coveredRange(int32_t lower, int32_t upper, float scale, int32_t& first, int32_t& last) {
  const int32_t extent = upper - lower + 1;
  first = saturatingCast<int32_t>(static_cast<float>(lower) * scale);
  last = saturatingCast<int32_t>(static_cast<double>(static_cast<float>(lower + extent) * scale) -
                                 1.0);
  if (first > last) std::swap(first, last);
}

// Per full-resolution index along one axis: the status index of the pixel's own status
// (its centre, truncated) and the two status indices and the lower one's weight for a
// bilinear reading centred on status pixel centres. All indices stay inside low..high.
struct AxisMap {
  std::vector<int32_t> own;
  std::vector<int32_t> lower;
  std::vector<int32_t> upper;
  std::vector<float> lowerWeight;

  AxisMap(int32_t first, int32_t last, float scale, int32_t low, int32_t high) {
    const size_t n = static_cast<size_t>(last - first + 1);
    own.resize(n);
    lower.resize(n);
    upper.resize(n);
    lowerWeight.resize(n);
    for (int32_t x = first; x <= last; ++x) {
      const size_t i = static_cast<size_t>(x - first);
      const float centre = (static_cast<float>(x) + 0.5f) / scale;
      const float u = centre - 0.5f;
      own[i] = clampIndex(saturatingCast<int32_t>(centre), low, high);
      lower[i] = clampIndex(saturatingCast<int32_t>(u), low, high);
      upper[i] = clampIndex(saturatingCast<int32_t>(u + 1.0f), low, high);
      lowerWeight[i] = lower[i] == upper[i] ? 1.0f : (static_cast<float>(upper[i]) + 0.5f) - centre;
    }
  }
};

// A pixel of the matting region that is not held: the pass mattes it.
inline bool toMatte(uint8_t status) {
  return (status & (CvStatusMatteRegion | CvStatusHold)) == CvStatusMatteRegion;
}

bool anyToMatte(const blitz::Array<uint8_t, 2>& status, const Box& view) {
  for (int32_t r = view.lowerRow; r <= view.upperRow; ++r) {
    const uint8_t* s = &status(r, view.lowerColumn);
    const std::ptrdiff_t stride = status.stride(1);
    for (int32_t c = view.lowerColumn; c <= view.upperColumn; ++c, s += stride) {
      if (toMatte(*s)) return true;
    }
  }
  return false;
}

template <class T>
using Colours = blitz::Array<blitz::TinyVector<T, 3>, 2>;

void filterComponent(const Colours<uint8_t>& from, int c, Colours<uint8_t>& to,
                     const blitz::Array<int32_t, 2>& kernel, int32_t maxValue) {
  classification::filterChannel8(from.extractComponent(uint8_t(), c, 3),
                                 to.extractComponent(uint8_t(), c, 3), kernel, ProgressRange(),
                                 0.5f, 0, maxValue);
}

void filterComponent(const Colours<uint16_t>& from, int c, Colours<uint16_t>& to,
                     const blitz::Array<int32_t, 2>& kernel, int32_t maxValue) {
  classification::filterChannel16(from, c, to, kernel, 0.5f, 0, maxValue, ProgressRange());
}

// Replaces every colour by the per-channel median of the 3x3 block around it; the outermost
// pixels keep their colour. The channels are filtered side by side; then reports `first`,
// `first` + 0.1 and `first` + 0.2.
template <class T>
void medianColours(Colours<T>& colours, int32_t maxValue, ProgressRange& progress, float first) {
  blitz::Array<int32_t, 2> kernel(blitz::Range(-1, 1), blitz::Range(-1, 1));
  kernel = 1;
  Colours<T> filtered = colours.copy();
  forEachInParallel(3, 1, [&](size_t c) {
    filterComponent(colours, static_cast<int>(c), filtered, kernel, maxValue);
  });
  for (int c = 0; c < 3; ++c) progress.report(kNoLabel, first + 0.1f * static_cast<float>(c));
  colours.reference(filtered);
}

template <class T>
T toSample(float v, int32_t maxValue) {
  const int32_t i = saturatingCast<int32_t>(v);
  return static_cast<T>(i < 0 ? 0 : i > maxValue ? maxValue : i);
}

// The full-resolution box that the status view covers, within the source and the output.
template <class Pixel>
Box matteBox(const Box& view, float rowScale, float columnScale,
             const blitz::Array<Pixel, 2>& source, const blitz::Array<Pixel, 2>& output) {
  Box box{0, 0, -1, -1};
  if (view.empty()) return box;
  coveredRange(view.lowerRow, view.upperRow, rowScale, box.lowerRow, box.upperRow);
  coveredRange(view.lowerColumn, view.upperColumn, columnScale, box.lowerColumn, box.upperColumn);
  return intersectBox(intersectBox(box, domainOf(source)), domainOf(output));
}

// The status of a full-resolution pixel of the matte box: that of the status pixel it lies in.
struct StatusLookup {
  const blitz::Array<uint8_t, 2>& status;
  const AxisMap& rows;
  const AxisMap& cols;
  int32_t x0, y0;  // the matte box's first row and column
  uint8_t operator()(int32_t x, int32_t y) const {
    return status(rows.own[static_cast<size_t>(x - x0)], cols.own[static_cast<size_t>(y - y0)]);
  }
};

// The source colours over the box: where every estimate starts.
template <class T>
Colours<T> sourceColours(const blitz::Array<kestrum::utility::Colour<T>, 2>& source,
                         const Box& box) {
  const blitz::TinyVector<int, 2> lowCorner(box.lowerRow, box.lowerColumn);
  const blitz::TinyVector<int, 2> extent(box.upperRow - box.lowerRow + 1,
                                         box.upperColumn - box.lowerColumn + 1);
  Colours<T> colours(lowCorner, extent);
  for (int32_t x = box.lowerRow; x <= box.upperRow; ++x) {
    for (int32_t y = box.lowerColumn; y <= box.upperColumn; ++y) {
      const auto& p = source(x, y);
      colours(x, y) = blitz::TinyVector<T, 3>(p[0], p[1], p[2]);
    }
  }
  return colours;
}

// The foreground and background estimates of every pixel to matte: the best pair of the two
// palettes. Pixels are searched independently, a row per job; rows are handed out top down.
template <class T, class Pyramid>
void searchEstimates(const blitz::Array<kestrum::utility::Colour<T>, 2>& source, const Box& box,
                     const StatusLookup& statusAt, const Pyramid& fg, const Pyramid& bg,
                     Colours<T>& fgColours, Colours<T>& bgColours, ProgressRange search) {
  const float rowCount = static_cast<float>(box.upperRow - box.lowerRow + 1);
  auto searchRow = [&](int32_t x) {
    for (int32_t y = box.lowerColumn; y <= box.upperColumn; ++y) {
      if (!toMatte(statusAt(x, y))) continue;
      const auto& p = source(x, y);
      const Colour3f c{static_cast<float>(p[0]), static_cast<float>(p[1]),
                       static_cast<float>(p[2])};
      const auto pair =
          kestrum::matting::searchPalettePair(x, y, fg, bg, c, 0, 0, kSearchThreshold);
      fgColours(x, y) = blitz::TinyVector<T, 3>(static_cast<T>(pair.foreground[0]),
                                                static_cast<T>(pair.foreground[1]),
                                                static_cast<T>(pair.foreground[2]));
      bgColours(x, y) = blitz::TinyVector<T, 3>(static_cast<T>(pair.background[0]),
                                                static_cast<T>(pair.background[1]),
                                                static_cast<T>(pair.background[2]));
    }
  };
  const uint32_t lastJob = static_cast<uint32_t>(box.upperRow - box.lowerRow);
  WorkerPool pool(lastJob);
  const unsigned threads = std::min<unsigned>(processorCount(), lastJob + 1);
  pool.run(threads, [&](unsigned) {
    for (;;) {
      const uint32_t job = pool.takeDescending([&](uint32_t taken) {
        if (taken == WorkerPool::kNoJob) return;
        const int32_t x = box.upperRow - static_cast<int32_t>(taken);
        if ((x & 1) == 0) search.report(kNoLabel, static_cast<float>(x - box.lowerRow) / rowCount);
      });
      if (job == WorkerPool::kNoJob) return;
      searchRow(box.upperRow - static_cast<int32_t>(job));
    }
  });
}

// Smooths both estimates with a 3x3 median. Kept pixels first take the background estimate of
// their first neighbour outside the keep class, so that the median spreads background colours
// into them.
template <class T>
void cleanUpEstimates(const Box& box, const StatusLookup& statusAt, int32_t maxValue,
                      Colours<T>& fgColours, Colours<T>& bgColours, ProgressRange cleanUp) {
  medianColours(fgColours, maxValue, cleanUp, 0.1f);
  cleanUp.report(kNoLabel, 0.4f);
  static const int32_t kNeighbours[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                            {0, 1},   {1, -1}, {1, 0},  {1, 1}};
  for (int32_t x = box.lowerRow; x <= box.upperRow; ++x) {
    for (int32_t y = box.lowerColumn; y <= box.upperColumn; ++y) {
      if (!(statusAt(x, y) & CvStatusKeep)) continue;
      for (const auto& n : kNeighbours) {
        const int32_t qx = clampIndex(x + n[0], box.lowerRow, box.upperRow);
        const int32_t qy = clampIndex(y + n[1], box.lowerColumn, box.upperColumn);
        if (!(statusAt(qx, qy) & CvStatusKeep)) {
          bgColours(x, y) = bgColours(qx, qy);
          break;
        }
      }
    }
  }
  cleanUp.report(kNoLabel, 0.5f);
  medianColours(bgColours, maxValue, cleanUp, 0.6f);
  cleanUp.report(kNoLabel, 0.9f);
}

// One matted pixel from its source colour `p`, its estimates and the shares of keep and
// delete statuses around it: inside a class it is copied or cleared; otherwise its colour
// moves away from the background along the estimates' difference and alpha follows.
template <class T>
void mattePixel(const kestrum::utility::Colour<T>& p, const blitz::TinyVector<T, 3>& f,
                const blitz::TinyVector<T, 3>& b, float fgFrac, float bgFrac, int32_t maxValue,
                float alphaScale, kestrum::utility::Colour<T>& out) {
  if (fgFrac > kInsideClass) {
    out[0] = p[0];
    out[1] = p[1];
    out[2] = p[2];
    out[3] = static_cast<T>(maxValue);
    return;
  }
  if (bgFrac > kInsideClass) {
    out[0] = out[1] = out[2] = out[3] = T(0);
    return;
  }
  float c[3], fm[3], d[3];
  float length2 = 0.0f, along = 0.0f;
  for (int k = 0; k < 3; ++k) {
    c[k] = static_cast<float>(p[k]);
    fm[k] = (1.0f - fgFrac) * static_cast<float>(f[k]) + fgFrac * c[k];
    const float bm = (1.0f - bgFrac) * static_cast<float>(b[k]) + bgFrac * c[k];
    d[k] = bm - fm[k];
    length2 += d[k] * d[k];
  }
  const float length = std::sqrt(length2);
  const float k = std::min(1.0f, std::max(0.0f, (length - kDistanceScale) / kDistanceScale));
  float s = 0.0f;
  if (k != 0.0f) {
    for (int n = 0; n < 3; ++n) along += (c[n] - fm[n]) * d[n];
    s = k * std::min(1.0f, std::max(0.0f, along / length2));
  }
  for (int n = 0; n < 3; ++n) out[n] = toSample<T>(c[n] - s * d[n], maxValue);
  const float s2 = s * s, s3 = s2 * s, s4 = s3 * s, s5 = s4 * s;
  const float a = (s + 6.0f * s5 - 15.0f * s4 + 10.0f * s3) / 2.0f;
  out[3] = toSample<T>(alphaScale * (1.0f - a), maxValue);
}

// Writes every pixel to matte into the output; the shares of keep and delete come from a
// bilinear reading of the statuses.
template <class T>
void writeMatte(const blitz::Array<kestrum::utility::Colour<T>, 2>& source,
                const blitz::Array<uint8_t, 2>& status, const Box& box, const AxisMap& rows,
                const AxisMap& cols, const Colours<T>& fgColours, const Colours<T>& bgColours,
                int32_t maxValue, blitz::Array<kestrum::utility::Colour<T>, 2>& output,
                ProgressRange finish) {
  const int32_t x0 = box.lowerRow, y0 = box.lowerColumn;
  const float rowCount = static_cast<float>(box.upperRow - box.lowerRow + 1);
  const float alphaScale = static_cast<float>(maxValue) + 0.99f;
  for (int32_t x = box.lowerRow; x <= box.upperRow; ++x) {
    const size_t i = static_cast<size_t>(x - x0);
    const int32_t lr = rows.lower[i], ur = rows.upper[i], orow = rows.own[i];
    const float wr = rows.lowerWeight[i], wr1 = 1.0f - wr;
    for (int32_t y = box.lowerColumn; y <= box.upperColumn; ++y) {
      const size_t j = static_cast<size_t>(y - y0);
      if (!toMatte(status(orow, cols.own[j]))) continue;
      const int32_t lc = cols.lower[j], uc = cols.upper[j];
      const float wc = cols.lowerWeight[j], wc1 = 1.0f - wc;
      const uint8_t s00 = status(lr, lc), s01 = status(lr, uc);
      const uint8_t s10 = status(ur, lc), s11 = status(ur, uc);
      auto share = [&](uint8_t bit) {
        return wr * (wc * static_cast<float>((s00 & bit) != 0) +
                     wc1 * static_cast<float>((s01 & bit) != 0)) +
               wr1 * (wc * static_cast<float>((s10 & bit) != 0) +
                      wc1 * static_cast<float>((s11 & bit) != 0));
      };
      mattePixel<T>(source(x, y), fgColours(x, y), bgColours(x, y), share(CvStatusKeep),
                    share(CvStatusDelete), maxValue, alphaScale, output(x, y));
    }
    if ((x & 15) == 0) {
      finish.report(kNoLabel, static_cast<float>(x - x0) / rowCount);
    }
  }
}

// The matted pixels of the view are held from here on.
void holdMatted(blitz::Array<uint8_t, 2>& status, const Box& view) {
  for (int32_t r = view.lowerRow; r <= view.upperRow; ++r) {
    for (int32_t c = view.lowerColumn; c <= view.upperColumn; ++c) {
      uint8_t& s = status(r, c);
      if (s & CvStatusMatteRegion)
        s = static_cast<uint8_t>((s & CvStatusClassAndFlags) | CvStatusHold);
    }
  }
}

template <class T>
int32_t mattePalettes(const blitz::Array<kestrum::utility::Colour<T>, 2>& source,
                      blitz::Array<uint8_t, 2> status,
                      blitz::Array<kestrum::utility::Colour<T>, 2> output, const Box& subDomain,
                      float rowScale, float columnScale, const MaskPatch& patch,
                      ProgressRange progress, int32_t maxValue) {
  using Types = kestrum::matting::cbbTypes<float, double, T>;
  using Pyramid = kestrum::matting::PalettePyramid<Types>;

  const Box view = intersectBox(subDomain, domainOf(status));
  const Box box = matteBox(view, rowScale, columnScale, source, output);
  progress.report(kNoLabel, 0.05f);
  const float fgDistance = matteSplitDistance(patch.choice1, 5);
  const float bgDistance = matteSplitDistance(patch.choice2, 3);
  if (box.empty() || !anyToMatte(status, view)) return kMatteDone;

  Pyramid fg, bg;
  buildPalettePyramid(fg, source, StatusClassSelector(status, rowScale, columnScale, CvStatusKeep),
                      fgDistance, progress.subRange(0.1f));
  if (fg.empty()) return kMatteNoForeground;
  buildPalettePyramid(bg, source,
                      StatusClassSelector(status, rowScale, columnScale, CvStatusDelete),
                      bgDistance, progress.subRange(0.2f));
  if (bg.empty()) return kMatteNoBackground;

  const AxisMap rows(box.lowerRow, box.upperRow, rowScale, view.lowerRow, view.upperRow);
  const AxisMap cols(box.lowerColumn, box.upperColumn, columnScale, view.lowerColumn,
                     view.upperColumn);
  const StatusLookup statusAt{status, rows, cols, box.lowerRow, box.lowerColumn};
  Colours<T> fgColours = sourceColours(source, box);
  Colours<T> bgColours(fgColours.lbound(), fgColours.extent());
  bgColours = fgColours;
  searchEstimates<T>(source, box, statusAt, fg, bg, fgColours, bgColours, progress.subRange(0.85f));
  cleanUpEstimates<T>(box, statusAt, maxValue, fgColours, bgColours, progress.subRange(0.75f));
  writeMatte<T>(source, status, box, rows, cols, fgColours, bgColours, maxValue, output,
                progress.subRange(0.95f));
  progress.report(kNoLabel, 0.98f);
  holdMatted(status, view);
  return kMatteDone;
}

}  // namespace

float matteSplitDistance(float detail, int power) {
  const float p = std::pow(1.0f - detail, static_cast<float>(power));
  return static_cast<float>(215.0 * static_cast<double>(p) + 5.0);
}

int32_t mattePalettes8(const blitz::Array<MattePixel8, 2>& source, blitz::Array<uint8_t, 2> status,
                       blitz::Array<MattePixel8, 2> output, const Box& subDomain, float rowScale,
                       float columnScale, const MaskPatch& patch, ProgressRange progress) {
  return mattePalettes<uint8_t>(source, status, output, subDomain, rowScale, columnScale, patch,
                                progress, 255);
}

int32_t mattePalettes16(const blitz::Array<MattePixel16, 2>& source,
                        blitz::Array<uint8_t, 2> status, blitz::Array<MattePixel16, 2> output,
                        const Box& subDomain, float rowScale, float columnScale,
                        const MaskPatch& patch, ProgressRange progress) {
  return mattePalettes<uint16_t>(source, status, output, subDomain, rowScale, columnScale, patch,
                                 progress, 65535);
}

int32_t mattePalettesHalf16(const blitz::Array<MattePixel16, 2>& source,
                            blitz::Array<uint8_t, 2> status, blitz::Array<MattePixel16, 2> output,
                            const Box& subDomain, float rowScale, float columnScale,
                            const MaskPatch& patch, ProgressRange progress) {
  return mattePalettes<uint16_t>(source, status, output, subDomain, rowScale, columnScale, patch,
                                 progress, 32768);
}

}  // namespace mask
}  // namespace corvane
