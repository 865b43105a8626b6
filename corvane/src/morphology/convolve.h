#pragma once

// Windowed reductions along one axis of a 2-D array: every output is the combination of the
// w consecutive samples of its line that end at the output's own position. Prefix and suffix
// combinations over blocks of w samples make each output cost at most three combining steps,
// whatever w is (one in each pass and one to join them).
//
// A combining operation is a small value type that carries whatever the caller passes through
// the pass (a flag byte for the members below, the merge parameters for histogram sums) and
// offers
//   void copy(T& out, const T& a) const;                  // a block of one sample
//   void combine(T& out, const T& a, const T& b) const;   // out never aliases a or b
// The line pass itself never looks inside the elements or the parameters.

#include <blitz/array.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "util/Box.h"
#include "util/IndexPair.h"

namespace corvane {
namespace morphology {

// Binary dilation of masks: non-zero means set; a combination gives 1 or 0, while a sample
// copied alone keeps its own value.
struct BinaryDilation {
  uint8_t flag = 0;
  void copy(int32_t& out, const int32_t& a) const { out = a; }
  void combine(int32_t& out, const int32_t& a, const int32_t& b) const {
    out = (a | b) != 0 ? 1 : 0;
  }
};

struct RunningMaximum {
  uint8_t flag = 0;
  void copy(uint8_t& out, const uint8_t& a) const { out = a; }
  void combine(uint8_t& out, const uint8_t& a, const uint8_t& b) const { out = a < b ? b : a; }
};

struct RunningMinimum {
  uint8_t flag = 0;
  void copy(uint8_t& out, const uint8_t& a) const { out = a; }
  void combine(uint8_t& out, const uint8_t& a, const uint8_t& b) const { out = b < a ? b : a; }
};

inline Box emptyLineBox() {
  return Box{0, 0, -1, -1};
}

// The box of n positions along the first (second) axis starting at (0, 0); the window box of
// w along the first axis is lineDomainAxis0(w).
inline Box lineDomainAxis0(int32_t n) {
  const IndexPair upper = axisVector(0, n - 1);
  return Box{0, 0, upper.first, upper.second};
}
inline Box lineDomainAxis1(int32_t n) {
  const IndexPair upper = axisVector(1, n - 1);
  return Box{0, 0, upper.first, upper.second};
}

// Lines of samples in memory: sample t of lane k lives at data[t * stride + k]. Lanes are
// neighbouring lines stored side by side; plain element types reduce a run of them together
// so that the inner loop sweeps contiguous memory instead of one strided column at a time.
template <class T>
struct StridedLine {
  T* data;
  std::ptrdiff_t stride;
  T& at(std::ptrdiff_t t, std::ptrdiff_t lane = 0) const { return data[t * stride + lane]; }
};

// Lines reduced together when neighbouring lines are adjacent in memory.
constexpr std::ptrdiff_t kLineConvolveLanes = 64;

// A view of `a` with its two indices exchanged, sharing a's elements.
template <class T>
blitz::Array<T, 2> lineConvolveInit(const blitz::Array<T, 2>& a) {
  return a.transpose(1, 0);
}

// The prefix and suffix scratch lines (n samples of each lane), sized once per call.
template <class T>
void lineConvolveCopy(std::vector<T>& prefix, std::vector<T>& suffix, std::ptrdiff_t n,
                      std::ptrdiff_t lanes) {
  prefix.resize(static_cast<std::size_t>(n * lanes));
  suffix.resize(static_cast<std::size_t>(n * lanes));
}

// The same n samples in the opposite order.
template <class T>
StridedLine<T> lineConvolveSetup(const StridedLine<T>& line, std::ptrdiff_t n) {
  return StridedLine<T>{line.data + (n - 1) * line.stride, -line.stride};
}

// Prefix combination over blocks of w samples: s[t] combines x from its block's start up to
// t. The first block is w - firstOffset samples long (the suffix pass starts part-way so that
// its blocks match the prefix pass's blocks when run over the reversed line). kLanes is the
// lane count when known at compile time, else 0 and `lanes` gives it.
template <std::ptrdiff_t kLanes, class T, class Op>
void lineConvolveFast(const StridedLine<const T>& x, const StridedLine<T>& s, std::ptrdiff_t n,
                      int32_t w, int32_t firstOffset, const Op& op, std::ptrdiff_t lanes = kLanes) {
  const std::ptrdiff_t laneCount = kLanes > 0 ? kLanes : lanes;
  std::ptrdiff_t t = 0;
  std::ptrdiff_t blockLength = w - firstOffset;
  while (t < n) {
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(t + blockLength, n);
    for (std::ptrdiff_t k = 0; k < laneCount; ++k) op.copy(s.at(t, k), x.at(t, k));
    if constexpr (kLanes == 1 && std::is_trivially_copyable<T>::value) {
      // A single lane is one long dependency chain: keep the running value in a register
      // rather than reading back the sample just stored.
      T running = s.at(t);
      for (std::ptrdiff_t u = t + 1; u < end; ++u) {
        T next = running;
        op.combine(next, running, x.at(u));
        running = next;
        s.at(u) = running;
      }
    } else {
      for (std::ptrdiff_t u = t + 1; u < end; ++u) {
        T* su = &s.at(u);
        const T* sPrevious = &s.at(u - 1);
        const T* xu = &x.at(u);
        for (std::ptrdiff_t k = 0; k < laneCount; ++k) op.combine(su[k], sPrevious[k], xu[k]);
      }
    }
    t = end;
    blockLength = w;
  }
}

// The combining step for the windows starting at tFirst..tLast (line offsets): a window that
// starts a block is that block's suffix alone, any other joins a suffix with a prefix. Sample
// 0 of `out` receives the window starting at tFirst.
template <std::ptrdiff_t kLanes, class T, class Op>
void lineConvolveEdges(const StridedLine<T>& suffix, const StridedLine<T>& prefix,
                       const StridedLine<T>& out, std::ptrdiff_t tFirst, std::ptrdiff_t tLast,
                       int32_t w, const Op& op, std::ptrdiff_t lanes = kLanes) {
  const std::ptrdiff_t laneCount = kLanes > 0 ? kLanes : lanes;
  std::ptrdiff_t blockOffset = tFirst % w;
  for (std::ptrdiff_t t = tFirst; t <= tLast; ++t) {
    T* y = &out.at(t - tFirst);
    const T* h = &suffix.at(t);
    if (blockOffset == 0) {
      for (std::ptrdiff_t k = 0; k < laneCount; ++k) op.copy(y[k], h[k]);
    } else {
      const T* g = &prefix.at(t + w - 1);
      for (std::ptrdiff_t k = 0; k < laneCount; ++k) op.combine(y[k], h[k], g[k]);
    }
    if (++blockOffset == w) blockOffset = 0;
  }
}

// The pass along the first index: output (p, j) receives the combination of input (p - w + 1,
// j) .. (p, j). Returns the box of positions written; it is the input's box without the first
// w - 1 positions of each line, cut to what the output holds (callers pass outputs that hold
// it all). A window below 1 or longer than the lines gives an empty box and writes nothing.
// The output may share its elements with the input: each line is read completely before any
// of its outputs is written.
template <class T, class Op>
Box convolveLineFast(const blitz::Array<T, 2>& input, const int32_t& w, const Op& op,
                     blitz::Array<T, 2> output, ProgressRange progress) {
  const int32_t window = w;
  const int32_t b = input.lbound(0);
  const int32_t e = input.ubound(0);
  const std::ptrdiff_t n = std::ptrdiff_t(e) - b + 1;
  if (window < 1 || window > n) return emptyLineBox();

  Box box{static_cast<int32_t>(b + window - 1), input.lbound(1), e, input.ubound(1)};
  box.lowerRow = std::max(box.lowerRow, output.lbound(0));
  box.upperRow = std::min(box.upperRow, output.ubound(0));
  box.lowerColumn = std::max(box.lowerColumn, output.lbound(1));
  box.upperColumn = std::min(box.upperColumn, output.ubound(1));
  if (box.empty()) return emptyLineBox();

  const bool packed = std::is_trivially_copyable<T>::value && input.stride(1) == 1 &&
                      output.stride(1) == 1 && box.upperColumn > box.lowerColumn;
  const std::ptrdiff_t lanes = packed ? kLineConvolveLanes : 1;
  std::vector<T> prefix;
  std::vector<T> suffix;
  lineConvolveCopy(prefix, suffix, n, lanes);
  const StridedLine<T> prefixLine{prefix.data(), lanes};
  const StridedLine<T> suffixLine{suffix.data(), lanes};
  const int32_t suffixOffset = window - static_cast<int32_t>((n - 1) % window) - 1;
  const std::ptrdiff_t tFirst = std::ptrdiff_t(box.lowerRow) - b - (window - 1);
  const std::ptrdiff_t tLast = std::ptrdiff_t(box.upperRow) - b - (window - 1);
  const float lineCount = float(std::ptrdiff_t(box.upperColumn) - box.lowerColumn + 1);

  for (int64_t first = box.lowerColumn; first <= box.upperColumn;) {
    // A run of lines ends at the next checkpoint line, so that every checkpoint still comes
    // straight after its own line and before any later line is touched.
    const int64_t nextCheckpoint = (first + 127) & ~int64_t(127);
    const int64_t last =
        std::min<int64_t>({int64_t(box.upperColumn), first + lanes - 1, nextCheckpoint});
    const int32_t j = static_cast<int32_t>(first);
    const StridedLine<const T> x{&input(b, j), input.stride(0)};
    const StridedLine<const T> xReversed = lineConvolveSetup(x, n);
    const StridedLine<T> out{&output(box.lowerRow, j), output.stride(0)};
    if (packed) {
      const std::ptrdiff_t count = std::ptrdiff_t(last - first + 1);
      lineConvolveFast<0>(x, prefixLine, n, window, 0, op, count);
      lineConvolveFast<0>(xReversed, lineConvolveSetup(suffixLine, n), n, window, suffixOffset, op,
                          count);
      lineConvolveEdges<0>(suffixLine, prefixLine, out, tFirst, tLast, window, op, count);
    } else {
      lineConvolveFast<1>(x, prefixLine, n, window, 0, op);
      lineConvolveFast<1>(xReversed, lineConvolveSetup(suffixLine, n), n, window, suffixOffset, op);
      lineConvolveEdges<1>(suffixLine, prefixLine, out, tFirst, tLast, window, op);
    }
    if ((last & 127) == 0) {
      progress.checkpoint("corvane/include/morphology/convolve", 312, "convolve line fast",
                          float(last - box.lowerColumn + 1) / lineCount);
    }
    first = last + 1;
  }
  return box;
}

// The pass along the second index: output (r, p) receives the combination of input (r, p - w
// + 1) .. (r, p). Runs convolveLineFast through views with exchanged indices and returns the
// box in the arrays' own index order. The output may be the input array itself.
template <class T, class Op>
Box convolveLine(const blitz::Array<T, 2>& input, blitz::Array<T, 2> output, const int32_t& w,
                 const Op& op, ProgressRange progress) {
  const blitz::Array<T, 2> inputView = lineConvolveInit(input);
  const blitz::Array<T, 2> outputView = lineConvolveInit(output);
  const Box box = convolveLineFast(inputView, w, op, outputView, progress);
  if (box.empty()) return box;
  return Box{box.lowerColumn, box.lowerRow, box.upperColumn, box.upperRow};
}

}  // namespace morphology
}  // namespace corvane
