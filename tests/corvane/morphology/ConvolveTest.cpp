#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "kestrum/utility/IiUI.h"
#include "kestrum/utility/ProgressRange.h"
#include "morphology/convolve.h"
#include "util/CvExCancel.h"

using corvane::Box;
using namespace corvane::morphology;

namespace {

using ByteArray = blitz::Array<uint8_t, 2>;
constexpr uint8_t kUnwritten = 0xAB;

ByteArray randomBytes(int rows, int cols, int row0, int col0, std::mt19937& rng) {
  ByteArray a(blitz::TinyVector<int, 2>(row0, col0), blitz::TinyVector<int, 2>(rows, cols));
  std::uniform_int_distribution<int> d(0, 255);
  for (int r = a.lbound(0); r <= a.ubound(0); ++r)
    for (int c = a.lbound(1); c <= a.ubound(1); ++c) a(r, c) = uint8_t(d(rng));
  return a;
}

ByteArray filledLike(const ByteArray& a, uint8_t value) {
  ByteArray out(a.lbound(), a.extent());
  out = value;
  return out;
}

// Window of w ending at each position along `axis`; positions whose window leaves the array
// keep kUnwritten.
template <class Reduce>
ByteArray naiveWindow(const ByteArray& in, int w, int axis, Reduce reduce) {
  ByteArray out = filledLike(in, kUnwritten);
  for (int r = in.lbound(0); r <= in.ubound(0); ++r) {
    for (int c = in.lbound(1); c <= in.ubound(1); ++c) {
      const int p = axis == 0 ? r : c;
      if (p - w + 1 < in.lbound(axis)) continue;
      uint8_t acc = in(r, c);
      for (int k = 1; k < w; ++k) acc = reduce(acc, axis == 0 ? in(r - k, c) : in(r, c - k));
      out(r, c) = acc;
    }
  }
  return out;
}

uint8_t maxOf(uint8_t a, uint8_t b) {
  return std::max(a, b);
}
uint8_t minOf(uint8_t a, uint8_t b) {
  return std::min(a, b);
}

void expectSame(const ByteArray& want, const ByteArray& got, const std::string& what) {
  ASSERT_EQ(want.lbound(0), got.lbound(0));
  ASSERT_EQ(want.lbound(1), got.lbound(1));
  ASSERT_EQ(want.extent(0), got.extent(0));
  ASSERT_EQ(want.extent(1), got.extent(1));
  for (int r = want.lbound(0); r <= want.ubound(0); ++r)
    for (int c = want.lbound(1); c <= want.ubound(1); ++c)
      ASSERT_EQ(int(want(r, c)), int(got(r, c))) << what << " at (" << r << ", " << c << ")";
}

TEST(Convolve, RunningMaxAndMinMatchNaiveAlongBothAxes) {
  std::mt19937 rng(7);
  const std::pair<int, int> bases[] = {{0, 0}, {-3, 5}, {11, -7}};
  for (const auto& base : bases) {
    for (int length = 1; length <= 13; ++length) {
      for (int w = 1; w <= length; ++w) {
        const std::string what = "length " + std::to_string(length) + " w " + std::to_string(w) +
                                 " base " + std::to_string(base.first);
        const ByteArray down = randomBytes(length, 4, base.first, base.second, rng);
        ByteArray out = filledLike(down, kUnwritten);
        Box box = convolveLineFast(down, w, RunningMaximum{}, out, ProgressRange());
        EXPECT_EQ(box, (Box{base.first + w - 1, base.second, down.ubound(0), down.ubound(1)}));
        expectSame(naiveWindow(down, w, 0, maxOf), out, "max axis 0 " + what);

        const ByteArray across = randomBytes(3, length, base.first, base.second, rng);
        out.resize(across.extent());
        out.reindexSelf(across.lbound());
        out = kUnwritten;
        box = convolveLine(across, out, w, RunningMinimum{}, ProgressRange());
        EXPECT_EQ(box, (Box{base.first, base.second + w - 1, across.ubound(0), across.ubound(1)}));
        expectSame(naiveWindow(across, w, 1, minOf), out, "min axis 1 " + what);
      }
    }
  }
}

TEST(Convolve, WideAndStridedArraysMatchNaive) {
  std::mt19937 rng(17);
  for (int w : {1, 2, 7, 20}) {
    // Many neighbouring lines, reduced in runs, with the line index crossing 0.
    const ByteArray wide = randomBytes(20, 300, 4, -70, rng);
    ByteArray out = filledLike(wide, kUnwritten);
    convolveLineFast(wide, w, RunningMaximum{}, out, ProgressRange());
    expectSame(naiveWindow(wide, w, 0, maxOf), out, "wide w " + std::to_string(w));
    // Lines that are not adjacent in memory (every second column of a wider array).
    ByteArray parent = randomBytes(20, 60, 0, 0, rng);
    const ByteArray strided = parent(blitz::Range::all(), blitz::Range(0, 58, 2));
    out.resize(strided.extent());
    out.reindexSelf(strided.lbound());
    out = kUnwritten;
    convolveLineFast(strided, w, RunningMinimum{}, out, ProgressRange());
    expectSame(naiveWindow(strided, w, 0, minOf), out, "strided w " + std::to_string(w));
  }
}

TEST(Convolve, WindowsOutsideOneToLineLengthWriteNothing) {
  std::mt19937 rng(5);
  const ByteArray in = randomBytes(6, 4, -2, 3, rng);
  ByteArray out = filledLike(in, kUnwritten);
  for (int32_t w :
       {7, 1000, std::numeric_limits<int32_t>::max(), 0, -1, std::numeric_limits<int32_t>::min()}) {
    EXPECT_TRUE(convolveLineFast(in, w, RunningMaximum{}, out, ProgressRange()).empty()) << w;
    EXPECT_TRUE(blitz::all(out == kUnwritten)) << w;
  }
  // Along the second index the line is 4 long.
  EXPECT_TRUE(convolveLine(in, out, 5, RunningMaximum{}, ProgressRange()).empty());
  EXPECT_TRUE(blitz::all(out == kUnwritten));
  // An array without lines or without samples.
  ByteArray none(0, 5);
  EXPECT_TRUE(convolveLineFast(none, 1, RunningMaximum{}, none, ProgressRange()).empty());
  EXPECT_TRUE(convolveLine(none, none, 1, RunningMaximum{}, ProgressRange()).empty());
}

TEST(Convolve, OutputMayBeTheInput) {
  std::mt19937 rng(11);
  for (int w : {1, 2, 3, 5, 9}) {
    ByteArray a = randomBytes(9, 10, 4, -6, rng);
    const ByteArray want = naiveWindow(a, w, 1, maxOf);
    const Box box = convolveLine(a, a, w, RunningMaximum{}, ProgressRange());
    for (int r = box.lowerRow; r <= box.upperRow; ++r)
      for (int c = box.lowerColumn; c <= box.upperColumn; ++c) ASSERT_EQ(a(r, c), want(r, c)) << w;

    ByteArray b = randomBytes(10, 9, -1, 2, rng);
    const ByteArray wantDown = naiveWindow(b, w, 0, minOf);
    const Box downBox = convolveLineFast(b, w, RunningMinimum{}, b, ProgressRange());
    for (int r = downBox.lowerRow; r <= downBox.upperRow; ++r)
      for (int c = downBox.lowerColumn; c <= downBox.upperColumn; ++c)
        ASSERT_EQ(b(r, c), wantDown(r, c)) << w;
  }
}

TEST(Convolve, OutputOfExactlyTheValidBoxOrSmaller) {
  std::mt19937 rng(13);
  const ByteArray in = randomBytes(8, 5, 0, 0, rng);
  const ByteArray want = naiveWindow(in, 3, 0, maxOf);
  // Exactly the valid box, as a stand-alone array indexed like the input.
  ByteArray exact(blitz::TinyVector<int, 2>(2, 0), blitz::TinyVector<int, 2>(6, 5));
  EXPECT_EQ(convolveLineFast(in, 3, RunningMaximum{}, exact, ProgressRange()), (Box{2, 0, 7, 4}));
  for (int r = 2; r < 8; ++r)
    for (int c = 0; c < 5; ++c) EXPECT_EQ(exact(r, c), want(r, c));
  // A smaller output only receives what it holds, and the box says so.
  ByteArray small(blitz::TinyVector<int, 2>(4, 1), blitz::TinyVector<int, 2>(2, 2));
  small = kUnwritten;
  EXPECT_EQ(convolveLineFast(in, 3, RunningMaximum{}, small, ProgressRange()), (Box{4, 1, 5, 2}));
  for (int r = 4; r < 6; ++r)
    for (int c = 1; c < 3; ++c) EXPECT_EQ(small(r, c), want(r, c));
  ByteArray apart(blitz::TinyVector<int, 2>(20, 20), blitz::TinyVector<int, 2>(2, 2));
  EXPECT_TRUE(convolveLineFast(in, 3, RunningMaximum{}, apart, ProgressRange()).empty());
}

// An element that owns heap storage (counts of the values 0 to 10), merged by a reduction
// that takes two parameters in place of the flag byte.
using Counts = std::vector<int32_t>;
struct CountsSum {
  int32_t bits;
  int32_t minimumShift;
  void copy(Counts& out, const Counts& a) const { out = a; }
  void combine(Counts& out, const Counts& a, const Counts& b) const {
    EXPECT_EQ(bits * 10 + minimumShift, 50);
    out.resize(11);
    for (size_t k = 0; k < 11; ++k) out[k] = a[k] + b[k];
  }
};

TEST(Convolve, HeapOwningElementsSumOverTheWindow) {
  blitz::Array<Counts, 2> in(blitz::TinyVector<int, 2>(-1, 2), blitz::TinyVector<int, 2>(7, 6));
  auto value = [](int r, int c) { return ((r + 1) * 5 + (c - 2) * 3) % 11; };
  for (int r = -1; r <= 5; ++r)
    for (int c = 2; c <= 7; ++c) {
      in(r, c) = Counts(11, 0);
      in(r, c)[size_t(value(r, c))] = 1;
    }
  const int w0 = 3, w1 = 4;
  blitz::Array<Counts, 2> summed(in.lbound(), in.extent());
  EXPECT_EQ(convolveLineFast(in, w0, CountsSum{5, 0}, summed, ProgressRange()), (Box{1, 2, 5, 7}));
  // Along the second index in place over the rows that step one filled.
  blitz::Array<Counts, 2> rows = summed(blitz::Range(1, 5), blitz::Range::all());
  rows.reindexSelf(blitz::TinyVector<int, 2>(1, 2));
  EXPECT_EQ(convolveLine(rows, rows, w1, CountsSum{5, 0}, ProgressRange()), (Box{1, 5, 5, 7}));
  for (int r = 1; r <= 5; ++r)
    for (int c = 5; c <= 7; ++c) {
      Counts want(11, 0);
      for (int i = r - w0 + 1; i <= r; ++i)
        for (int j = c - w1 + 1; j <= c; ++j) ++want[size_t(value(i, j))];
      EXPECT_EQ(summed(r, c), want) << r << "," << c;
    }
}

}  // namespace
