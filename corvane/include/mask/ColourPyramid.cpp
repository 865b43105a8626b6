#include "mask/ColourPyramid.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace corvane {
namespace mask {

PyramidLevel coarsenColourLevel(const PyramidLevel& level, const std::vector<IndexPair>& touched,
                                std::vector<IndexPair>& nextTouched) {
  PyramidLevel next(halveBox(level.box()));
  nextTouched.clear();
  for (const IndexPair& p : touched) {
    const ColourSumCell& from = level(p.first, p.second);
    const IndexPair q{p.first / 2, p.second / 2};
    ColourSumCell& to = next(q.first, q.second);
    if (to.count == 0.0f) nextTouched.push_back(q);
    for (int k = 0; k < 3; ++k) to.sum[k] += from.sum[k];
    to.count += from.count;
  }
  return next;
}

namespace detail {

void coarsenPyramid(ColourPyramid& pyramid, std::vector<IndexPair>& touched, ProgressRange child) {
  static const std::string noLabel;
  std::vector<IndexPair> nextTouched;
  float f = 1.0f;
  while (std::max(pyramid.back().rows(), pyramid.back().columns()) > 1) {
    PyramidLevel next = coarsenColourLevel(pyramid.back(), touched, nextTouched);
    pyramid.push_back(std::move(next));
    touched.swap(nextTouched);
    f *= 0.5f;
    child.report(noLabel, 1.0f - f);
  }
}

namespace {

constexpr uint64_t kBytes = 0x0101010101010101ull;

inline uint64_t load8(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

inline void store8(uint8_t* p, uint64_t v) {
  std::memcpy(p, &v, 8);
}

}  // namespace

void markBorderCells(const uint8_t* above, const uint8_t* row, const uint8_t* below, int32_t n,
                     uint8_t* border) {
  // Eight cells a step: each byte is 0xFF or 0, so the test is plain bitwise logic.
  int32_t i = 0;
  for (; i + 8 <= n; i += 8)
    store8(border + i, load8(row + i + 1) & ~(load8(above + i + 1) & load8(below + i + 1) &
                                              load8(row + i) & load8(row + i + 2)));
  for (; i < n; ++i)
    border[i] =
        static_cast<uint8_t>(row[i + 1] & ~(above[i + 1] & below[i + 1] & row[i] & row[i + 2]));
}

void classRow(const uint8_t* status, ptrdiff_t step, int32_t n, uint8_t classMask, uint8_t* out) {
  int32_t i = 0;
  if (step == 1) {
    const uint64_t mask = kBytes * classMask, low7 = kBytes * 0x7F;
    for (; i + 8 <= n; i += 8) {
      const uint64_t x = load8(status + i) & mask;
      // The top bit of each byte tells whether any of its bits is set; it then fills the byte.
      const uint64_t top = (x | ((x & low7) + low7)) & (kBytes * 0x80);
      store8(out + i, (top >> 7) * 0xFF);
    }
  }
  for (; i < n; ++i) out[i] = (status[i * step] & classMask) ? 0xFF : 0;
}

}  // namespace detail

namespace {

// fmod(x, f) for a power of two f, exactly: x / f and its truncation are exact, and so is
// the difference, which keeps x's sign as fmod does.
inline double remainderOfPowerOfTwo(float x, float f) {
  const double xd = x, fd = f;
  const double q = xd * (1.0 / fd);
  // Truncated through a 64-bit integer where it fits: exact, and without a library call.
  const double whole =
      std::fabs(q) < 4.0e18 ? static_cast<double>(static_cast<int64_t>(q)) : std::trunc(q);
  return xd - fd * whole;
}

}  // namespace

ColourSumCell samplePyramid(const ColourPyramid& pyramid, float row, float column) {
  ColourSumCell sample{{0, 0, 0}, 0};
  float f = 2.0f;
  for (const PyramidLevel& level : pyramid) {
    const float inv = 1.0f / f;
    // The integer half of f, added in single precision; the remainder in double precision.
    const float half = f * 0.5f;
    const float fr = static_cast<float>(remainderOfPowerOfTwo(half + row, f) * inv);
    const float fc = static_cast<float>(remainderOfPowerOfTwo(half + column, f) * inv);
    const float rs = row * inv, cs = column * inv;
    const Box& box = level.box();
    const int32_t r0 = std::max(saturatingCast<int32_t>(rs - 0.5f), box.lowerRow);
    const int32_t r1 = std::min(saturatingCast<int32_t>(rs + 0.5f), box.upperRow);
    const int32_t c0 = std::max(saturatingCast<int32_t>(cs - 0.5f), box.lowerColumn);
    const int32_t c1 = std::min(saturatingCast<int32_t>(cs + 0.5f), box.upperColumn);
    // A position outside the level has no cells to blend; the level adds nothing.
    if (r0 <= r1 && c0 <= c1) {
      const float total = f * f * (f * f);
      bilinearCellSum(sample, level(r0, c0), 1.0f - fr, 1.0f - fc, level(r1, c1), fr, fc,
                      level(r0, c1), 1.0f - fr, fc, level(r1, c0), fr, 1.0f - fc, total);
    }
    if (sample.count * f * f * f > 2.0f) break;
    f *= 2.0f;
  }
  return sample;
}

}  // namespace mask
}  // namespace corvane
