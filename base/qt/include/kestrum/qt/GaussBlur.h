#pragma once

#include <functional>

#include <QImage>

namespace kestrum {

// Bytes of a Format_ARGB32 pixel in memory order (little-endian): blue, green, red, alpha.
enum BlurChannel : unsigned {
  BlurBlue = 1u << 0,
  BlurGreen = 1u << 1,
  BlurRed = 1u << 2,
  BlurAlpha = 1u << 3,
  BlurAll = 0xFu,
};

// Radius of the blur with parameter s: R = ceil(3 s), 0 for s <= 0 or not a number, and a
// value larger than any image side for absurdly large s.
int gaussRadius(float s);

// Separable Gaussian blur of the bytes of a non-premultiplied Format_ARGB32 image, each byte
// on its own, with the weights w(x) = exp(-(x * x) / (8 * s * s)) for 0 <= x <= R. Every output
// byte is, in double precision and in exactly this order:
//   H(i) = w(0) in(i), then for x = 1 .. R: H = fma(w(x), in(i - x) + in(i + x), H) along the
//          row, a sample outside the image counting 0;
//   V(j) = the same sum over H(j - y) + H(j + y) along the column;
//   out  = trunc(min(max(V / (Nx(i) * Ny(j)) + 0.5, 0), 255)), where N(k), the sum of the
//          weights whose taps fall inside a line of n samples around k, is w(0), then for
//          x = 1 .. R in turn fma(w(x), inside(k - x) + inside(k + x), N):
// the exact sum of the in-image weights as divisor and rounding to nearest, so a uniform image
// stays uniform up to its edges. Vector code on every instruction set gives the same bytes.
//
// Bytes outside `channels` keep the input's value. An image whose width or height is smaller
// than R + 1, and any image for R = 0, is copied unblurred. `output` must be a detached
// Format_ARGB32 image of the input's size. stop() is polled once per row of every band; the
// answer is false when it stopped the blur, and the output is then partial.
bool gaussBlur(const QImage& input, QImage& output, float s, unsigned channels,
               const std::function<bool()>& stop);

// Which of the blur's kernels run: the best the processor has unless a test asks for another
// (an instruction set the processor lacks falls back to the best it has).
enum class GaussInstructionSet { Best, Scalar, Avx2, Avx512 };
void setGaussInstructionSet(GaussInstructionSet set);

}  // namespace kestrum
