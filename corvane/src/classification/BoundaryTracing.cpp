#include "classification/BoundaryTracing.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "util/ArrayDomain.h"
#include "util/BoxOps.h"
#include "util/ParallelBands.h"
#include "util/ProcessorCount.h"
#include "util/TracerTables.h"

namespace classification {

using corvane::Box;
using corvane::domainOf;
using corvane::IndexPair;

namespace {

constexpr corvane::TracerTable kQuadrants = corvane::quadrantOffsets();
constexpr corvane::TracerTable kSteps = corvane::crackStateTable();
// The pixel-corner point of the crack on side d of a pixel, relative to the pixel.
constexpr IndexPair kChainPoint[4] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};

Box unionBox(Box a, const Box& b) {
  corvane::uniteBox(a, b);
  return a;
}

// Walks the cracks between pixels of differing values. Values outside the array are
// `outside`; each side of a pixel is traced once (one flag bit per side). The flags cover the
// array and the scanned rectangle widened by two, beyond which no crack lies.
template <class T>
class CrackTracer {
 public:
  CrackTracer(const blitz::Array<T, 2>& values, T outside, const Box& rect)
      : values_(values), outside_(outside), domain_(domainOf(values)) {
    Box cover = values.size() == 0 ? rect : unionBox(rect, domain_);
    corvane::expandDomain(cover, 2);
    flagBox_ = cover;
    flags_.resize(cover.upperRow - cover.lowerRow + 1, cover.upperColumn - cover.lowerColumn + 1);
    flags_.reindexSelf(blitz::TinyVector<int, 2>(cover.lowerRow, cover.lowerColumn));
    flags_ = 0;
  }

  T at(int32_t r, int32_t c) const {
    if (values_.size() == 0 || r < domain_.lowerRow || r > domain_.upperRow ||
        c < domain_.lowerColumn || c > domain_.upperColumn)
      return outside_;
    return values_(r, c);
  }
  bool flagged(int32_t r, int32_t c, int d) const {
    if (r < flagBox_.lowerRow || r > flagBox_.upperRow || c < flagBox_.lowerColumn ||
        c > flagBox_.upperColumn)
      return false;
    return (flags_(r, c) >> d) & 1;
  }

  // Scans `rect` columns outer, rows inner, and traces a chain from every crack against the
  // left or the upper neighbour that no chain has covered yet.
  //
  // Only pixels that differ from their left or upper neighbour can start a chain. They are
  // found first, in row bands on all processors, and kept as bits in column order (64 rows a
  // word), so that the scan in column order visits them alone instead of striding through the
  // whole array a column at a time.
  template <class Emit>
  void scan(const Box& rect, Emit&& emit) {
    const int64_t rows = int64_t(rect.upperRow) - rect.lowerRow + 1;
    const int64_t columns = int64_t(rect.upperColumn) - rect.lowerColumn + 1;
    const size_t wordsPerColumn = size_t((rows + 63) / 64);
    std::vector<uint64_t> starts(wordsPerColumn * size_t(columns), 0);
    corvane::forEachBand(
        0, int32_t(wordsPerColumn) - 1, 1, corvane::processorCount(), [&](int32_t word, int32_t) {
          const int32_t r0 = rect.lowerRow + word * 64;
          const int32_t r1 = int32_t(std::min<int64_t>(rect.upperRow, int64_t(r0) + 63));
          for (int32_t r = r0; r <= r1; ++r) {
            const uint64_t bit = uint64_t(1) << (r - r0);
            uint64_t* column = &starts[size_t(word)];
            // Rows whose neighbours all lie in the array are read straight from it.
            const bool inside = values_.size() != 0 && r - 1 >= domain_.lowerRow &&
                                r <= domain_.upperRow &&
                                rect.lowerColumn - 1 >= domain_.lowerColumn &&
                                rect.upperColumn <= domain_.upperColumn;
            if (inside) {
              const ptrdiff_t step = values_.stride(1);
              const T* here = &values_(r, rect.lowerColumn);
              const T* above = &values_(r - 1, rect.lowerColumn);
              for (int32_t c = rect.lowerColumn; c <= rect.upperColumn;
                   ++c, column += wordsPerColumn, here += step, above += step)
                if (*here != here[-step] || *here != *above) *column |= bit;
              continue;
            }
            T left = at(r, rect.lowerColumn - 1);
            for (int32_t c = rect.lowerColumn; c <= rect.upperColumn;
                 ++c, column += wordsPerColumn) {
              const T here = at(r, c);
              if (here != left || here != at(r - 1, c)) *column |= bit;
              left = here;
            }
          }
        });

    IntegerOutline points;
    const uint64_t* column = starts.data();
    for (int32_t c = rect.lowerColumn; c <= rect.upperColumn; ++c) {
      for (size_t w = 0; w < wordsPerColumn; ++w, ++column) {
        for (uint64_t bits = *column; bits != 0; bits &= bits - 1) {
          const int32_t r = rect.lowerRow + int32_t(w * 64) + __builtin_ctzll(bits);
          const T here = at(r, c);
          const T left = at(r, c - 1);
          if (here != left && !flagged(r, c, 2) && !flagged(r, c - 1, 0)) {
            const bool swapped = trace(IndexPair{r, c}, 2, points);
            emit(swapped ? left : here, swapped ? here : left, points);
          }
          const T above = at(r - 1, c);
          if (here != above && !flagged(r, c, 1) && !flagged(r - 1, c, 3)) {
            const bool swapped = trace(IndexPair{r, c}, 1, points);
            emit(swapped ? above : here, swapped ? here : above, points);
          }
        }
      }
    }
  }

 private:
  void setFlag(const IndexPair& p, int d) {
    if (p.first < flagBox_.lowerRow || p.first > flagBox_.upperRow ||
        p.second < flagBox_.lowerColumn || p.second > flagBox_.upperColumn)
      return;
    flags_(p.first, p.second) |= uint8_t(1u << d);
  }

  // Follows the boundary from crack (p, d); true when it came back to a traced crack of its
  // own direction (closed), false at an open end.
  bool follow(IndexPair pos, int d, IntegerOutline& points) {
    for (;;) {
      points.push_back(
          TracePoint(pos.first + kChainPoint[d].first, pos.second + kChainPoint[d].second));
      setFlag(pos, d);
      const auto& o = kQuadrants[size_t(d)];
      const T l0 = at(pos.first, pos.second);
      const T l1 = at(pos.first + o[1].first, pos.second + o[1].second);
      const T l2 = at(pos.first + o[2].first, pos.second + o[2].second);
      const T l3 = at(pos.first + o[3].first, pos.second + o[3].second);
      const int a = l3 == l0 ? 1 : (l3 != l2 ? 2 : 0);
      const int b =
          l1 == l0
              ? 1
              : (l1 != l2 ? 2
                          : (flagged(pos.first + o[1].first, pos.second + o[1].second, (d + 1) & 3)
                                 ? 3
                                 : 0));
      const IndexPair step = kSteps[size_t(a)][size_t(b)];
      // Missing table entries end the chain open rather than move by an undefined offset.
      if (step.first < 0 || step.first > 3) return false;
      pos.first += o[size_t(step.first)].first;
      pos.second += o[size_t(step.first)].second;
      d = (d + step.second) & 3;
      const IndexPair across = kQuadrants[size_t(d)][2];
      if (flagged(pos.first + across.first, pos.second + across.second, (d - 2) & 3)) return false;
      if (flagged(pos.first, pos.second, d)) return true;
    }
  }

  // The whole chain through crack (p, d) into `points`; true when its ends were exchanged
  // (an open chain traced back from its start crack), so that the labels swap sides.
  bool trace(const IndexPair& p, int d, IntegerOutline& points) {
    points.clear();
    if (follow(p, d, points)) {
      const TracePoint first = points.front();
      points.push_back(first);
      return false;
    }
    std::reverse(points.begin(), points.end());
    const IndexPair across = kQuadrants[size_t(d)][2];
    follow(IndexPair{p.first + across.first, p.second + across.second}, (d - 2) & 3, points);
    return true;
  }

  const blitz::Array<T, 2>& values_;
  T outside_;
  Box domain_;
  Box flagBox_;
  blitz::Array<uint8_t, 2> flags_;
};

OutlinePoint toFloat(const TracePoint& p) {
  return OutlinePoint(float(p[0]), float(p[1]));
}

// (wa·a + wb·b [+ wc·c]) / divisor, the integer sum formed first.
OutlinePoint weighted(const TracePoint& a, int32_t wa, const TracePoint& b, int32_t wb,
                      float divisor) {
  return OutlinePoint(float(int64_t(a[0]) * wa + int64_t(b[0]) * wb) / divisor,
                      float(int64_t(a[1]) * wa + int64_t(b[1]) * wb) / divisor);
}

OutlinePoint smoothed(const TracePoint& before, const TracePoint& v, const TracePoint& after,
                      int32_t w) {
  const float divisor = float(w + 2);
  return OutlinePoint(float(int64_t(before[0]) + int64_t(v[0]) * w + after[0]) / divisor,
                      float(int64_t(before[1]) + int64_t(v[1]) * w + after[1]) / divisor);
}

bool samePoint(const OutlinePoint& a, const OutlinePoint& b) {
  return a[0] == b[0] && a[1] == b[1];
}

}  // namespace

void traceRegionBoundaries(std::vector<EdgeChain>& chains, const blitz::Array<int32_t, 2>& labels,
                           const Box& rect) {
  chains.clear();
  if (rect.empty()) return;
  CrackTracer<int32_t> tracer(labels, -1, rect);
  tracer.scan(rect, [&chains](int32_t a, int32_t b, const IntegerOutline& points) {
    chains.push_back(EdgeChain{a, b, points});
  });
}

void traceMaskBoundary(std::vector<IntegerOutline>& outlines, const blitz::Array<uint8_t, 2>& mask,
                       const Box& rect) {
  outlines.clear();
  if (rect.empty()) return;
  CrackTracer<uint8_t> tracer(mask, 0, rect);
  tracer.scan(rect, [&outlines](uint8_t, uint8_t, const IntegerOutline& points) {
    outlines.push_back(points);
  });
}

Outline outlineFromChain(const IntegerOutline& p, int32_t rule) {
  Outline out;
  const size_t n = p.size();
  if (n == 0) return out;
  const bool closed = n >= 2 && p.front()[0] == p.back()[0] && p.front()[1] == p.back()[1];
  if (rule >= 6 || rule < 0 || n < 2) {
    out.reserve(n);
    for (const TracePoint& q : p) out.push_back(toFloat(q));
    return out;
  }
  out.reserve(2 * n + 2);
  if (!closed) out.push_back(toFloat(p.front()));
  if (rule <= 2) {
    for (size_t i = 1; i < n; ++i) {
      if (rule == 0) {
        out.push_back(weighted(p[i - 1], 1, p[i], 1, 2.0f));
      } else if (rule == 1) {
        out.push_back(weighted(p[i - 1], 2, p[i], 1, 3.0f));
        out.push_back(weighted(p[i - 1], 1, p[i], 2, 3.0f));
      } else {
        out.push_back(weighted(p[i - 1], 3, p[i], 1, 4.0f));
        out.push_back(weighted(p[i - 1], 1, p[i], 3, 4.0f));
      }
    }
  } else {
    const int32_t w = rule - 1;
    if (closed && n >= 3) out.push_back(smoothed(p[n - 2], p[0], p[1], w));
    for (size_t i = 1; i + 1 < n; ++i) out.push_back(smoothed(p[i - 1], p[i], p[i + 1], w));
  }
  if (closed) {
    if (!out.empty()) {
      const OutlinePoint first = out.front();
      out.push_back(first);
    }
  } else {
    out.push_back(toFloat(p.back()));
  }
  return out;
}

namespace {

template <class Point, class Closed, class Split>
void simplifyInPlace(std::vector<Point>& outline, float tolerance, std::vector<const Point*>& stack,
                     Closed closedForm, Split splitForm) {
  if (outline.size() < 2) return;
  const Point last = outline.back();
  const Point* first = outline.data();
  const Point* lastPoint = first + outline.size() - 1;
  const bool closed = outline.front()[0] == last[0] && outline.front()[1] == last[1];
  Point* end = closed ? closedForm(stack, first, lastPoint, outline.data(), tolerance)
                      : splitForm(stack, first, lastPoint, outline.data(), tolerance);
  *end = last;
  outline.resize(size_t(end - outline.data()) + 1);
}

}  // namespace

void simplifyOutline(Outline& outline, float tolerance, std::vector<const OutlinePoint*>& stack) {
  simplifyInPlace(outline, tolerance, stack, corvane::morphology::simplifyPolylineF,
                  corvane::morphology::simplifyPolylineRangeF);
}

void simplifyIntegerOutline(IntegerOutline& outline, float tolerance,
                            std::vector<const TracePoint*>& stack) {
  simplifyInPlace(outline, tolerance, stack, corvane::morphology::simplifyPolyline,
                  corvane::morphology::simplifyPolylineRange);
}

namespace {

// The two points replacing vertex v between `before` and `after` (or v alone at a spike or
// beside a zero-length edge).
void cutVertex(const OutlinePoint& before, const OutlinePoint& v, const OutlinePoint& after,
               float cut, Outline& out) {
  const float a0 = before[0] - v[0];
  const float a1 = before[1] - v[1];
  const float b0 = v[0] - after[0];
  const float b1 = v[1] - after[1];
  const float la = std::sqrt(a0 * a0 + a1 * a1);
  const float lb = std::sqrt(b0 * b0 + b1 * b1);
  if (!(la > 0.0f) || !(lb > 0.0f)) {
    out.push_back(v);
    return;
  }
  const float c = 1.0f + (a0 * b0 + a1 * b1) / (la * lb);
  if (c < 0.000001f) {
    out.push_back(v);
    return;
  }
  const float r = cut / std::sqrt(c / 2.0f);
  const float ta = std::min(r, la / 4.0f) / la;
  const float tb = std::min(r, lb / 4.0f) / lb;
  out.push_back(OutlinePoint(v[0] + a0 * ta, v[1] + a1 * ta));
  out.push_back(OutlinePoint(v[0] - b0 * tb, v[1] - b1 * tb));
}

}  // namespace

void cutCorners(Outline& outline, float cut) {
  const size_t n = outline.size();
  if (n < 3) return;
  const bool closed = samePoint(outline.front(), outline.back());
  Outline out;
  out.reserve(2 * n + 1);
  if (!closed) out.push_back(outline.front());
  for (size_t i = 1; i + 1 < n; ++i)
    cutVertex(outline[i - 1], outline[i], outline[i + 1], cut, out);
  if (closed) {
    cutVertex(outline[n - 2], outline[0], outline[1], cut, out);
    const OutlinePoint first = out.front();
    out.push_back(first);
  } else {
    out.push_back(outline.back());
  }
  Outline merged;
  merged.reserve(out.size());
  for (const OutlinePoint& q : out) {
    if (merged.empty() || !samePoint(merged.back(), q)) merged.push_back(q);
  }
  outline.swap(merged);
}

}  // namespace classification
