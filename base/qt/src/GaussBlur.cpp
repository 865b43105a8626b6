#include "kestrum/qt/GaussBlur.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <immintrin.h>

#include "GaussBlurKernels.h"
#include "kestrum/qt/RowBands.h"

// Layout: a band of output rows is worked through in column tiles. For each tile the row sums
// of the rows the band needs go into a ring of 2R + 4 rows of doubles sized to stay in the
// core's own cache; four output rows at a time then sum their ring rows. Nothing the size of
// the image is ever held in doubles. Taps outside the image read zeros, which leave every sum
// unchanged.

namespace kestrum {

namespace {

std::atomic<int> instructionSetOverride{int(GaussInstructionSet::Best)};

const blur::Kernels& kernelsFor(GaussInstructionSet set) {
  __builtin_cpu_init();
  const bool fma = __builtin_cpu_supports("fma");
  const bool avx512 = fma && __builtin_cpu_supports("avx512f");
  const bool avx2 = fma && __builtin_cpu_supports("avx2");
  switch (set) {
    case GaussInstructionSet::Scalar:
      return blur::kScalarKernels;
    case GaussInstructionSet::Avx2:
      return avx2 ? blur::kAvx2Kernels : blur::kScalarKernels;
    case GaussInstructionSet::Avx512:
    case GaussInstructionSet::Best:
      break;
  }
  return avx512 ? blur::kAvx512Kernels : avx2 ? blur::kAvx2Kernels : blur::kScalarKernels;
}

// The ring of row sums a band keeps per column tile: about this many bytes, so that it and the
// tile's padded source row stay in a core's second-level cache.
constexpr std::size_t kRingBytes = 512 * 1024;

struct Kernel {
  int radius = 0;
  std::vector<double> weights;   // w(x) for x = 0 .. R
  std::vector<double> columnNx;  // Nx of each column, repeated for the 4 bytes of its pixel
  std::vector<double> rowNy;     // Ny of each row
};

// N(k): w(0), then for x = 1 .. R in turn fma(w(x), inside(k - x) + inside(k + x), N).
double inLineWeight(const std::vector<double>& w, int k, int n) {
  double sum = w[0];
  for (std::size_t x = 1; x < w.size(); ++x) {
    const int inside = (k - int(x) >= 0 ? 1 : 0) + (k + int(x) < n ? 1 : 0);
    sum = std::fma(w[x], double(inside), sum);
  }
  return sum;
}

Kernel makeKernel(float s, int radius, int width, int height) {
  Kernel k;
  k.radius = radius;
  const double sd = double(s);
  k.weights.resize(std::size_t(radius) + 1);
  for (int x = 0; x <= radius; ++x)
    k.weights[std::size_t(x)] = std::exp(-double(x) * double(x) / (8.0 * sd * sd));
  k.columnNx.resize(std::size_t(width) * 4);
  for (int i = 0; i < width; ++i) {
    const double n = inLineWeight(k.weights, i, width);
    for (int c = 0; c < 4; ++c) k.columnNx[std::size_t(i) * 4 + c] = n;
  }
  k.rowNy.resize(std::size_t(height));
  for (int j = 0; j < height; ++j) k.rowNy[std::size_t(j)] = inLineWeight(k.weights, j, height);
  return k;
}

class BandBlur {
 public:
  BandBlur(const blur::Kernels& kernels, const QImage& input, std::uint8_t* output,
           const Kernel& kernel, int tileWidth)
      : f_(kernels),
        input_(input),
        output_(output),
        k_(kernel),
        width_(input.width()),
        height_(input.height()),
        tileWidth_(tileWidth),
        ringRows_(2 * kernel.radius + kRowsAtOnce),
        source_(std::size_t(tileWidth + 2 * kernel.radius) * 4),
        ring_(std::size_t(ringRows_) * std::size_t(tileWidth) * 4),
        zeros_(std::size_t(tileWidth) * 4, 0.0),
        sums_(std::size_t(kRowsAtOnce) * kChunk),
        rows_(std::size_t(ringRows_)),
        chunkRows_(std::size_t(ringRows_)) {}

  // Output rows first .. end - 1 of every tile; false when stop() answered true.
  bool run(int first, int end, const std::function<bool()>& stop) {
    const int r = k_.radius;
    for (int c0 = 0; c0 < width_; c0 += tileWidth_) {
      const int c1 = std::min(width_, c0 + tileWidth_);
      const int count = (c1 - c0) * 4;
      int next = std::max(0, first - r);  // next row whose sums the ring lacks
      for (int j = first; j < end;) {
        const int block = end - j >= kRowsAtOnce ? kRowsAtOnce : 1;
        for (int b = 0; b < block; ++b)
          if (stop()) return false;
        const int needed = std::min(height_ - 1, j + block - 1 + r);
        for (; next <= needed; ++next) fillRingRow(next, c0, c1);
        for (int k = 0; k < 2 * r + block; ++k) {
          const int y = j - r + k;
          rows_[std::size_t(k)] = y >= 0 && y < height_ ? ringRow(y) : zeros_.data();
        }
        // Column sums and their finish chunk by chunk, so the sums stay in the first-level
        // cache between the two.
        for (int e0 = 0; e0 < count; e0 += kChunk) {
          const int n = std::min(kChunk, count - e0);
          double* sums[kRowsAtOnce];
          const double** rows = chunkRows_.data();
          for (int k = 0; k < 2 * r + block; ++k) rows[k] = rows_[std::size_t(k)] + e0;
          for (int b = 0; b < kRowsAtOnce; ++b) sums[b] = sums_.data() + std::size_t(b) * kChunk;
          if (block == kRowsAtOnce)
            f_.columnSums4(rows, k_.weights.data(), r, n, sums);
          else
            f_.columnSums(rows, k_.weights.data(), r, n, sums[0]);
          for (int b = 0; b < block; ++b) {
            std::uint8_t* out = output_ + std::size_t(j + b) * input_.bytesPerLine() +
                                std::size_t(c0) * 4 + std::size_t(e0);
            const std::size_t column = std::size_t(c0) * 4 + std::size_t(e0);
            f_.finish(sums[b], k_.columnNx.data() + column, k_.rowNy[std::size_t(j + b)], n, out);
          }
        }
        j += block;
      }
    }
    return true;
  }

 private:
  static constexpr int kRowsAtOnce = 4;
  static constexpr int kChunk = 1024;  // doubles of a row summed and finished at a time

  double* ringRow(int y) {
    return ring_.data() + std::size_t(y % ringRows_) * std::size_t(tileWidth_) * 4;
  }

  void fillRingRow(int y, int c0, int c1) {
    const int r = k_.radius;
    const std::uint8_t* line = input_.constScanLine(y);
    // Source pixels c0 - R .. c1 + R - 1, zero outside the image.
    const int first = std::max(0, c0 - r);
    const int end = std::min(width_, c1 + r);
    double* src = source_.data();
    const std::size_t before = std::size_t(first - (c0 - r)) * 4;
    const std::size_t inside = std::size_t(end - first) * 4;
    const std::size_t after = std::size_t((c1 + r) - end) * 4;
    std::fill_n(src, before, 0.0);
    f_.widen(line + std::size_t(first) * 4, src + before, int(inside));
    std::fill_n(src + before + inside, after, 0.0);
    // The same span of the next row is read next: ask for it now, while this one is summed.
    if (y + 1 < height_) {
      const char* following =
          reinterpret_cast<const char*>(input_.constScanLine(y + 1)) + std::size_t(first) * 4;
      for (std::size_t offset = 0; offset < inside; offset += 64)
        __builtin_prefetch(following + offset);
    }
    f_.rowSums(src, k_.weights.data(), r, ringRow(y), (c1 - c0) * 4);
  }

  const blur::Kernels& f_;
  const QImage& input_;
  std::uint8_t* const output_;  // pixels of an image with the input's layout
  const Kernel& k_;
  const int width_;
  const int height_;
  const int tileWidth_;
  const int ringRows_;
  std::vector<double> source_;
  std::vector<double> ring_;
  const std::vector<double> zeros_;
  std::vector<double> sums_;
  std::vector<const double*> rows_;       // ring rows of the output rows at hand
  std::vector<const double*> chunkRows_;  // the same, at the chunk being summed
};

void restoreChannels(const QImage& input, std::uint8_t* output, unsigned channels, int first,
                     int end) {
  for (int y = first; y < end; ++y) {
    const std::uint8_t* in = input.constScanLine(y);
    std::uint8_t* out = output + std::size_t(y) * input.bytesPerLine();
    for (int x = 0; x < input.width(); ++x)
      for (int c = 0; c < 4; ++c)
        if (!(channels & (1u << c))) out[std::size_t(x) * 4 + c] = in[std::size_t(x) * 4 + c];
  }
}

}  // namespace

int gaussRadius(float s) {
  if (!(s > 0.0f)) return 0;
  const double r = std::ceil(3.0 * double(s));
  return r > 1e6 ? 1000000 : int(r);
}

void setGaussInstructionSet(GaussInstructionSet set) {
  instructionSetOverride.store(int(set));
}

bool gaussBlur(const QImage& input, QImage& output, float s, unsigned channels,
               const std::function<bool()>& stop) {
  const int width = input.width();
  const int height = input.height();
  const int radius = gaussRadius(s);
  if (input.isNull()) return !stop();
  // Rows are reached through one pointer taken here: scanLine() on a worker would write the
  // image's shared bookkeeping from several threads.
  std::uint8_t* pixels = output.bits();
  if (radius < 1 || radius + 1 > width || radius + 1 > height || (channels & BlurAll) == 0) {
    std::memcpy(pixels, input.constBits(), std::size_t(input.sizeInBytes()));
    return !stop();
  }
  const blur::Kernels& kernels = kernelsFor(GaussInstructionSet(instructionSetOverride.load()));
  const Kernel kernel = makeKernel(s, radius, width, height);
  const std::size_t perColumn = std::size_t(2 * radius + 4) * 4 * sizeof(double);
  const int tiles =
      std::max<int>(1, int((std::size_t(width) * perColumn + kRingBytes - 1) / kRingBytes));
  const int tileWidth = (width + tiles - 1) / tiles;

  std::atomic<bool> stopped{false};
  // Each band computes the row sums of up to 2R rows beyond its ends again; bands of at least
  // 8R rows keep that below a quarter of the row-sum work.
  runRowBands(height, std::max(16, 8 * radius), [&](int first, int end) {
    BandBlur band(kernels, input, pixels, kernel, tileWidth);
    if (!band.run(first, end, stop)) {
      stopped.store(true);
      return;
    }
    // Streaming stores of the output are ordered before the band counts as done.
    _mm_sfence();
    if ((channels & BlurAll) != BlurAll) restoreChannels(input, pixels, channels, first, end);
  });
  return !stopped.load();
}

}  // namespace kestrum
