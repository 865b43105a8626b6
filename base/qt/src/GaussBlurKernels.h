#pragma once

#include <cstdint>

// The blur's inner loops, one set per instruction set, all computing exactly the same doubles
// (see GaussBlur.h for the rule and its order of operations). Private to kestrum_qt.
//
//   widen:         out[e] = in[e]
//   rowSums:       out[e] = w[0] * c[e] + sum for x = 1 .. R, ascending, of
//                  fma(w[x], c[e - 4x] + c[e + 4x], .), where c = src + 4R
//   columnSums:    the same over rows[R - y] and rows[R + y] for each element (rows[k] is the
//                  row j - R + k); columnSums4 for the rows j .. j + 3 at once
//   finish:        out[e] = trunc(min(max(sum[e] / (nx[e] * ny) + 0.5, 0), 255))
namespace kestrum {
namespace blur {

struct Kernels {
  void (*widen)(const std::uint8_t* in, double* out, int count);
  void (*rowSums)(const double* src, const double* w, int radius, double* out, int count);
  void (*columnSums4)(const double* const* rows, const double* w, int radius, int count,
                      double* const* sums);
  void (*columnSums)(const double* const* rows, const double* w, int radius, int count,
                     double* sums);
  void (*finish)(const double* sums, const double* nx, double ny, int count, std::uint8_t* out);
};

extern const Kernels kScalarKernels;
extern const Kernels kAvx2Kernels;    // AVX2 with FMA
extern const Kernels kAvx512Kernels;  // AVX-512F (FMA included)

}  // namespace blur
}  // namespace kestrum
