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
#include <vector>

#include "kestrum/utility/ProgressRange.h"
#include "morphology/LineBox.h"

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

inline LineBox emptyLineBox() {
  return LineBox{0, 0, -1, -1};
}

// The box of n positions along the first (second) axis starting at (0, 0); the window box of
// w along the first axis is lineDomainAxis0(w).
inline LineBox lineDomainAxis0(int32_t n) {
  const blitz::TinyVector<int32_t, 2> upper = axisVector(0, n - 1);
  return LineBox{0, 0, upper(0), upper(1)};
}
inline LineBox lineDomainAxis1(int32_t n) {
  const blitz::TinyVector<int32_t, 2> upper = axisVector(1, n - 1);
  return LineBox{0, 0, upper(0), upper(1)};
}

// One line of samples in memory: element i lives at data[i * stride].
template <class T>
struct StridedLine {
  T* data;
  std::ptrdiff_t stride;
  T& operator[](std::ptrdiff_t i) const { return data[i * stride]; }
};

// A view of `a` with its two indices exchanged, sharing a's elements.
template <class T>
blitz::Array<T, 2> lineConvolveInit(const blitz::Array<T, 2>& a) {
  return a.transpose(1, 0);
}

// The prefix and suffix scratch lines, sized once per call to the line length.
template <class T>
void lineConvolveCopy(std::vector<T>& prefix, std::vector<T>& suffix, std::ptrdiff_t n) {
  prefix.resize(static_cast<std::size_t>(n));
  suffix.resize(static_cast<std::size_t>(n));
}

// The same n samples in the opposite order.
template <class T>
StridedLine<T> lineConvolveSetup(const StridedLine<T>& line, std::ptrdiff_t n) {
  return StridedLine<T>{line.data + (n - 1) * line.stride, -line.stride};
}

// Prefix combination over blocks of w samples: s[t] combines x from its block's start up to
// t. The first block is w - firstOffset samples long (the suffix pass starts part-way so that
// its blocks match the prefix pass's blocks when run over the reversed line).
template <class T, class Op>
void lineConvolveFast(const StridedLine<const T>& x, const StridedLine<T>& s, std::ptrdiff_t n,
                      int32_t w, int32_t firstOffset, const Op& op) {
  std::ptrdiff_t t = 0;
  std::ptrdiff_t blockLength = w - firstOffset;
  while (t < n) {
    const std::ptrdiff_t end = std::min<std::ptrdiff_t>(t + blockLength, n);
    op.copy(s[t], x[t]);
    for (std::ptrdiff_t u = t + 1; u < end; ++u) op.combine(s[u], s[u - 1], x[u]);
    t = end;
    blockLength = w;
  }
}

// The combining step for the windows starting at tFirst..tLast (line offsets): a window that
// starts a block is that block's suffix alone, any other joins a suffix with a prefix. out[0]
// receives the window starting at tFirst.
template <class T, class Op>
void lineConvolveEdges(const T* suffix, const T* prefix, const StridedLine<T>& out,
                       std::ptrdiff_t tFirst, std::ptrdiff_t tLast, int32_t w, const Op& op) {
  std::ptrdiff_t k = tFirst % w;
  T* y = out.data;
  for (std::ptrdiff_t t = tFirst; t <= tLast; ++t, y += out.stride) {
    if (k == 0) {
      op.copy(*y, suffix[t]);
    } else {
      op.combine(*y, suffix[t], prefix[t + w - 1]);
    }
    if (++k == w) k = 0;
  }
}

// The pass along the first index: output (p, j) receives the combination of input (p - w + 1,
// j) .. (p, j). Returns the box of positions written; it is the input's box without the first
// w - 1 positions of each line, cut to what the output holds (callers pass outputs that hold
// it all). A window below 1 or longer than the lines gives an empty box and writes nothing.
// The output may share its elements with the input: each line is read completely before any
// of its outputs is written.
template <class T, class Op>
LineBox convolveLineFast(const blitz::Array<T, 2>& input, const int32_t& w, const Op& op,
                         blitz::Array<T, 2> output, ProgressRange progress) {
  const int32_t window = w;
  const int32_t b = input.lbound(0);
  const int32_t e = input.ubound(0);
  const std::ptrdiff_t n = std::ptrdiff_t(e) - b + 1;
  if (window < 1 || window > n) return emptyLineBox();

  LineBox box{static_cast<int32_t>(b + window - 1), input.lbound(1), e, input.ubound(1)};
  box.lowerRow = std::max(box.lowerRow, output.lbound(0));
  box.upperRow = std::min(box.upperRow, output.ubound(0));
  box.lowerCol = std::max(box.lowerCol, output.lbound(1));
  box.upperCol = std::min(box.upperCol, output.ubound(1));
  if (box.isEmpty()) return emptyLineBox();

  std::vector<T> prefix;
  std::vector<T> suffix;
  lineConvolveCopy(prefix, suffix, n);
  const StridedLine<T> prefixLine{prefix.data(), 1};
  const StridedLine<T> suffixLine{suffix.data(), 1};
  const int32_t suffixOffset = window - static_cast<int32_t>((n - 1) % window) - 1;
  const std::ptrdiff_t tFirst = std::ptrdiff_t(box.lowerRow) - b - (window - 1);
  const std::ptrdiff_t tLast = std::ptrdiff_t(box.upperRow) - b - (window - 1);
  const float lineCount = float(std::ptrdiff_t(box.upperCol) - box.lowerCol + 1);

  for (int32_t j = box.lowerCol;; ++j) {
    const StridedLine<const T> x{&input(b, j), input.stride(0)};
    lineConvolveFast(x, prefixLine, n, window, 0, op);
    lineConvolveFast(lineConvolveSetup(x, n), lineConvolveSetup(suffixLine, n), n, window,
                     suffixOffset, op);
    const StridedLine<T> out{&output(box.lowerRow, j), output.stride(0)};
    lineConvolveEdges<T>(suffix.data(), prefix.data(), out, tFirst, tLast, window, op);
    if ((j & 127) == 0) {
      progress.checkpoint("corvane/include/morphology/convolve", 312, "convolve line fast",
                          float(std::ptrdiff_t(j) - box.lowerCol + 1) / lineCount);
    }
    if (j == box.upperCol) break;
  }
  return box;
}

// The pass along the second index: output (r, p) receives the combination of input (r, p - w
// + 1) .. (r, p). Runs convolveLineFast through views with exchanged indices and returns the
// box in the arrays' own index order. The output may be the input array itself.
template <class T, class Op>
LineBox convolveLine(const blitz::Array<T, 2>& input, blitz::Array<T, 2> output, const int32_t& w,
                     const Op& op, ProgressRange progress) {
  const blitz::Array<T, 2> inputView = lineConvolveInit(input);
  const blitz::Array<T, 2> outputView = lineConvolveInit(output);
  const LineBox box = convolveLineFast(inputView, w, op, outputView, progress);
  if (box.isEmpty()) return box;
  return LineBox{box.lowerCol, box.lowerRow, box.upperCol, box.upperRow};
}

}  // namespace morphology
}  // namespace corvane
