// The blur's kernels for any x86-64 processor: the same code as the vector ones over one-lane
// vectors. __builtin_fma becomes the C library's fma, which uses the processor's fused
// multiply-add when there is one and an exact software one otherwise.

#include <cstdint>

#include "GaussBlurKernels.h"

namespace kestrum {
namespace blur {
namespace {

#define LANES 1
#define ROW_VECTORS 1
#define COLUMN_BLOCK 4
typedef double VD __attribute__((vector_size(8)));
typedef int VI __attribute__((vector_size(4)));
#define SPLAT(x) \
  VD {           \
    x            \
  }
#define VFMA(a, b, c)                     \
  VD {                                    \
    __builtin_fma((a)[0], (b)[0], (c)[0]) \
  }

VD widenLanes(const std::uint8_t* in) {
  return VD{double(in[0])};
}

void narrow16(const VI* q, std::uint8_t* out) {
  for (int i = 0; i < 16; ++i) out[i] = std::uint8_t(q[i][0]);
}

}  // namespace

#define KERNELS kScalarKernels
#include "GaussBlurKernels.inc"

}  // namespace blur
}  // namespace kestrum
