#include "mask/ColourPyramid.h"
#include "util/NoLabel.h"

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
  std::vector<IndexPair> nextTouched;
  float f = 1.0f;
  while (std::max(pyramid.back().rows(), pyramid.back().columns()) > 1) {
    PyramidLevel next = coarsenColourLevel(pyramid.back(), touched, nextTouched);
    pyramid.push_back(std::move(next));
    touched.swap(nextTouched);
    f *= 0.5f;
    child.report(kNoLabel, 1.0f - f);
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

PyramidAxisTerm pyramidAxisTerm(float position, float f, int32_t lower, int32_t upper) {
  const float inv = 1.0f / f;
  // The integer half of f, added in single precision; the remainder in double precision.
  const float half = f * 0.5f;
  const float scaled = position * inv;
  return PyramidAxisTerm{static_cast<float>(remainderOfPowerOfTwo(half + position, f) * inv),
                         std::max(saturatingCast<int32_t>(scaled - 0.5f), lower),
                         std::min(saturatingCast<int32_t>(scaled + 0.5f), upper)};
}

namespace {

// Adds one level's four cells around a position to the sample.
inline void addLevel(ColourSumCell& sample, const PyramidLevel& level, const PyramidAxisTerm& row,
                     const PyramidAxisTerm& column, float f) {
  if (row.lower > row.upper || column.lower > column.upper) return;
  const float fr = row.upperWeight, fc = column.upperWeight;
  const float total = f * f * (f * f);
  bilinearCellSum(sample, level(row.lower, column.lower), 1.0f - fr, 1.0f - fc,
                  level(row.upper, column.upper), fr, fc, level(row.lower, column.upper), 1.0f - fr,
                  fc, level(row.upper, column.lower), fr, 1.0f - fc, total);
}

}  // namespace

ColourSumCell samplePyramid(const ColourPyramid& pyramid, float row, float column) {
  ColourSumCell sample{{0, 0, 0}, 0};
  float f = 2.0f;
  for (const PyramidLevel& level : pyramid) {
    const Box& box = level.box();
    // A position outside the level has no cells to blend; the level adds nothing.
    addLevel(sample, level, pyramidAxisTerm(row, f, box.lowerRow, box.upperRow),
             pyramidAxisTerm(column, f, box.lowerColumn, box.upperColumn), f);
    if (sample.count * f * f * f > 2.0f) break;
    f *= 2.0f;
  }
  return sample;
}

PyramidSampler::Term PyramidSampler::term(const PyramidAxisTerm& axis, int32_t boxLower,
                                          uint32_t tileScale, uint32_t inTileScale) {
  Term t{axis.upperWeight, UINT32_MAX, UINT32_MAX, 0, 0};
  if (axis.lower > axis.upper) return t;
  const int64_t lower = int64_t(axis.lower) - boxLower, upper = int64_t(axis.upper) - boxLower;
  t.lowerTile = uint32_t(lower >> PyramidLevel::kTileShift) * tileScale;
  t.upperTile = uint32_t(upper >> PyramidLevel::kTileShift) * tileScale;
  t.lowerInTile = uint32_t(lower & PyramidLevel::kTileMask) * inTileScale;
  t.upperInTile = uint32_t(upper & PyramidLevel::kTileMask) * inTileScale;
  return t;
}

PyramidSampler::PyramidSampler(const ColourPyramid& pyramid, int32_t firstColumn,
                               int32_t lastColumn)
    : pyramid_(pyramid), firstColumn_(firstColumn), levels_(pyramid.size()), rowTerms_(levels_) {
  const size_t columns =
      lastColumn >= firstColumn ? size_t(int64_t(lastColumn) - firstColumn + 1) : 0;
  auto terms = std::make_shared<std::vector<Term>>(columns * levels_);
  float f = 2.0f;
  for (size_t l = 0; l < levels_; ++l) {
    const Box& box = pyramid[l].box();
    for (size_t j = 0; j < columns; ++j) {
      const float column = static_cast<float>(int64_t(firstColumn) + int64_t(j));
      (*terms)[j * levels_ + l] =
          term(pyramidAxisTerm(column, f, box.lowerColumn, box.upperColumn), box.lowerColumn, 1, 1);
    }
    f *= 2.0f;
  }
  columnTerms_ = std::move(terms);
}

void PyramidSampler::setRow(int32_t row) {
  float f = 2.0f;
  for (size_t l = 0; l < levels_; ++l) {
    const PyramidLevel& level = pyramid_[l];
    const Box& box = level.box();
    rowTerms_[l] = term(pyramidAxisTerm(static_cast<float>(row), f, box.lowerRow, box.upperRow),
                        box.lowerRow, uint32_t(level.tilesAcross()), PyramidLevel::kTileSide);
    f *= 2.0f;
  }
}

ColourSumCell PyramidSampler::sample(int32_t column) const {
  ColourSumCell sample{{0, 0, 0}, 0};
  const Term* c = columnTerms_->data() + size_t(int64_t(column) - firstColumn_) * levels_;
  const Term* r = rowTerms_.data();
  const ColourSumCell& zero = PyramidLevel::zeroCell();
  float f = 2.0f;
  for (size_t l = 0; l < levels_; ++l, ++r, ++c) {
    if (r->lowerTile != UINT32_MAX && c->lowerTile != UINT32_MAX) {
      const PyramidLevel& level = pyramid_[l];
      const ColourSumCell* t00 = level.tile(r->lowerTile + c->lowerTile);
      const ColourSumCell* t11 = level.tile(r->upperTile + c->upperTile);
      const ColourSumCell* t01 = level.tile(r->lowerTile + c->upperTile);
      const ColourSumCell* t10 = level.tile(r->upperTile + c->lowerTile);
      // Cells of tiles never written are zero; their products (+0 or -0) would leave the
      // sample as it is, which is never -0, so a level of four such cells is passed over.
      if (t00 || t11 || t01 || t10) {
        const ColourSumCell& c00 = t00 ? t00[r->lowerInTile + c->lowerInTile] : zero;
        const ColourSumCell& c11 = t11 ? t11[r->upperInTile + c->upperInTile] : zero;
        const ColourSumCell& c01 = t01 ? t01[r->lowerInTile + c->upperInTile] : zero;
        const ColourSumCell& c10 = t10 ? t10[r->upperInTile + c->lowerInTile] : zero;
        const float fr = r->upperWeight, fc = c->upperWeight;
        const float total = f * f * (f * f);
        bilinearCellSum(sample, c00, 1.0f - fr, 1.0f - fc, c11, fr, fc, c01, 1.0f - fr, fc, c10, fr,
                        1.0f - fc, total);
      }
    }
    if (sample.count * f * f * f > 2.0f) break;
    f *= 2.0f;
  }
  return sample;
}

}  // namespace mask
}  // namespace corvane
