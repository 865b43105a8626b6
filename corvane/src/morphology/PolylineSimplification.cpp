#include "morphology/PolylineSimplification.h"

#include <cmath>
#include <cstdlib>

namespace corvane {
namespace morphology {

namespace {

// The chord-distance score of p times the chord length, and the squared distance between two
// points: exact 64-bit integers for integer points, single precision scores and double
// precision squared distances for float points.
double chordScore(const PolylinePoint& p, const PolylinePoint& a, const PolylinePoint& b) {
  const int64_t s = (int64_t(p[1]) - b[1]) * (int64_t(b[0]) - a[0]) +
                    (int64_t(p[0]) - b[0]) * (int64_t(a[1]) - b[1]);
  return double(s < 0 ? -s : s);
}

double chordScore(const PolylinePointF& p, const PolylinePointF& a, const PolylinePointF& b) {
  const float s = (p[1] - b[1]) * (b[0] - a[0]) + (p[0] - b[0]) * (a[1] - b[1]);
  return double(std::fabs(s));
}

float normalComponent(int32_t x, int32_t y) {
  return float(int64_t(x) - y);
}
float normalComponent(float x, float y) {
  return x - y;
}

int64_t squaredDistance(const PolylinePoint& p, const PolylinePoint& f) {
  const int64_t d0 = int64_t(p[0]) - f[0];
  const int64_t d1 = int64_t(p[1]) - f[1];
  return d0 * d0 + d1 * d1;
}

double squaredDistance(const PolylinePointF& p, const PolylinePointF& f) {
  const double d0 = double(p[0]) - f[0];
  const double d1 = double(p[1]) - f[1];
  return d0 * d0 + d1 * d1;
}

// The point strictly between a and b farthest from the line through them, when it lies
// farther than t; the earlier of equally far points.
template <class Point>
const Point* farthestPoint(const Point* a, const Point* b, float t) {
  if (b - a < 2) return nullptr;
  const float n0 = normalComponent((*a)[1], (*b)[1]);
  const float n1 = normalComponent((*b)[0], (*a)[0]);
  double threshold = t * std::sqrt(double(n0) * n0 + double(n1) * n1);
  const Point* candidate = nullptr;
  for (const Point* p = a + 1; p < b; ++p) {
    const double score = chordScore(*p, *a, *b);
    if (score > threshold) {
      candidate = p;
      threshold = score;
    }
  }
  return candidate;
}

template <class Point>
Point* simplifyRange(std::vector<const Point*>& stack, const Point* first, const Point* last,
                     Point* out, float tolerance) {
  if (last < first) return out;
  const std::size_t base = stack.size();
  stack.push_back(last);
  const Point* current = first;
  while (stack.size() > base) {
    const Point* top = stack.back();
    if (const Point* split = farthestPoint(current, top, tolerance)) {
      stack.push_back(split);
    } else {
      *out++ = *current;
      current = top;
      stack.pop_back();
    }
  }
  return out;
}

template <class Point>
Point* simplifyClosed(std::vector<const Point*>& stack, const Point* first, const Point* last,
                      Point* out, float tolerance) {
  // Without a point between first and last there is nothing to split at: the range form then
  // writes first alone.
  if (last - first < 2) return simplifyRange(stack, first, last, out, tolerance);
  const Point* split = first + 1;
  auto best = squaredDistance(*split, *first);
  for (const Point* p = first + 2; p < last; ++p) {
    const auto d = squaredDistance(*p, *first);
    if (d > best) {
      best = d;
      split = p;
    }
  }
  out = simplifyRange(stack, first, split, out, tolerance);
  return simplifyRange(stack, split, last, out, tolerance);
}

}  // namespace

PolylinePoint* simplifyPolylineRange(std::vector<const PolylinePoint*>& stack,
                                     const PolylinePoint* first, const PolylinePoint* last,
                                     PolylinePoint* out, float tolerance) {
  return simplifyRange(stack, first, last, out, tolerance);
}

PolylinePoint* simplifyPolyline(std::vector<const PolylinePoint*>& stack,
                                const PolylinePoint* first, const PolylinePoint* last,
                                PolylinePoint* out, float tolerance) {
  return simplifyClosed(stack, first, last, out, tolerance);
}

PolylinePointF* simplifyPolylineRangeF(std::vector<const PolylinePointF*>& stack,
                                       const PolylinePointF* first, const PolylinePointF* last,
                                       PolylinePointF* out, float tolerance) {
  return simplifyRange(stack, first, last, out, tolerance);
}

PolylinePointF* simplifyPolylineF(std::vector<const PolylinePointF*>& stack,
                                  const PolylinePointF* first, const PolylinePointF* last,
                                  PolylinePointF* out, float tolerance) {
  return simplifyClosed(stack, first, last, out, tolerance);
}

}  // namespace morphology
}  // namespace corvane
