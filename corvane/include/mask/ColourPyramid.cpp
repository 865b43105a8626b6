#include "mask/ColourPyramid.h"

#include <algorithm>
#include <cmath>

namespace corvane {
namespace mask {

PyramidLevel makePyramidLevel(const Box& box) {
  PyramidLevel level(blitz::Range(box.lowerRow, box.upperRow),
                     blitz::Range(box.lowerColumn, box.upperColumn));
  std::fill(level.data(), level.data() + level.numElements(), ColourSumCell{{0, 0, 0}, 0});
  return level;
}

PyramidLevel coarsenColourLevel(const PyramidLevel& level, const std::vector<IndexPair>& touched,
                                std::vector<IndexPair>& nextTouched) {
  PyramidLevel next = makePyramidLevel(halveBox(arrayBox(level)));
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
  while (true) {
    const PyramidLevel& current = pyramid.back();
    if (std::max(current.extent(0), current.extent(1)) <= 1) break;
    PyramidLevel next = coarsenColourLevel(current, touched, nextTouched);
    pyramid.push_back(next);
    touched.swap(nextTouched);
    f *= 0.5f;
    child.report(noLabel, 1.0f - f);
  }
}

}  // namespace detail

ColourSumCell samplePyramid(const ColourPyramid& pyramid, float row, float column) {
  ColourSumCell sample{{0, 0, 0}, 0};
  int32_t f = 2;
  for (const PyramidLevel& level : pyramid) {
    const float ff = static_cast<float>(f);
    const float inv = 1.0f / ff;
    const float half = static_cast<float>(f / 2);
    // The remainder is taken in double precision of the single-precision sum.
    const float fr =
        static_cast<float>(std::fmod(static_cast<double>(half + row), double(f)) * inv);
    const float fc =
        static_cast<float>(std::fmod(static_cast<double>(half + column), double(f)) * inv);
    const float rs = row * inv, cs = column * inv;
    int32_t r0 = static_cast<int32_t>(rs - 0.5f), r1 = static_cast<int32_t>(rs + 0.5f);
    int32_t c0 = static_cast<int32_t>(cs - 0.5f), c1 = static_cast<int32_t>(cs + 0.5f);
    r0 = std::max(r0, level.lbound(0));
    c0 = std::max(c0, level.lbound(1));
    r1 = std::min(r1, level.ubound(0));
    c1 = std::min(c1, level.ubound(1));
    // A position outside the level has no cells to blend; the level adds nothing.
    if (r0 <= r1 && c0 <= c1) {
      const float total = ff * ff * (ff * ff);
      bilinearCellSum(sample, level(r0, c0), 1.0f - fr, 1.0f - fc, level(r1, c1), fr, fc,
                      level(r0, c1), 1.0f - fr, fc, level(r1, c0), fr, 1.0f - fc, total);
    }
    if (sample.count * ff * ff * ff > 2.0f) break;
    f *= 2;
  }
  return sample;
}

}  // namespace mask
}  // namespace corvane
