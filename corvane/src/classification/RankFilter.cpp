#include "classification/RankFilter.h"

namespace classification {

blitz::Array<int32_t, 2> makeDisc(int32_t n) {
  if (n < 1) n = 1;
  blitz::Array<int32_t, 2> disc(n, n);
  const float centre = 0.5f * static_cast<float>(n - 1);
  const float radius2 = (centre + 0.5f) * (centre + 0.5f);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      const float di = static_cast<float>(i) - centre, dj = static_cast<float>(j) - centre;
      disc(i, j) = di * di + dj * dj <= radius2 ? 1 : 0;
    }
  }
  return disc;
}

RankWindowOffsets rankWindowOffsets(const blitz::Array<int32_t, 2>& kernel, int direction,
                                    std::ptrdiff_t rowStride, std::ptrdiff_t colStride) {
  assert(direction == 1 || direction == -1);
  RankWindowOffsets w;
  auto inWindow = [&kernel](int32_t i, int32_t j) {
    return i >= kernel.lbound(0) && i <= kernel.ubound(0) && j >= kernel.lbound(1) &&
           j <= kernel.ubound(1) && kernel(i, j) != 0;
  };
  bool first = true;
  for (int32_t i = kernel.lbound(0); i <= kernel.ubound(0); ++i) {
    for (int32_t j = kernel.lbound(1); j <= kernel.ubound(1); ++j) {
      if (kernel(i, j) == 0) continue;
      const int32_t di = direction * i, dj = direction * j;
      const std::ptrdiff_t offset = di * rowStride + dj * colStride;
      w.all.push_back(offset);
      // In window coordinates the left neighbour (di, dj - 1) is kernel cell (i, j - direction).
      if (!inWindow(i, j - direction)) w.leaving.push_back(offset - colStride);
      if (!inWindow(i, j + direction)) w.entering.push_back(offset);
      if (first) {
        w.lowRow = w.highRow = di;
        w.lowCol = w.highCol = dj;
        first = false;
      } else {
        w.lowRow = std::min(w.lowRow, di);
        w.highRow = std::max(w.highRow, di);
        w.lowCol = std::min(w.lowCol, dj);
        w.highCol = std::max(w.highCol, dj);
      }
    }
  }
  return w;
}

void rankFilterPair(blitz::Array<blitz::TinyVector<uint8_t, 2>, 2> output,
                    const blitz::Array<int32_t, 2>& disc, const blitz::Array<uint8_t, 2>& padded,
                    float lower, float upper, int32_t maxValue, ProgressRange progress) {
  rankFilterMany<uint8_t, 2>(
      {output.extractComponent(uint8_t(), 0, 2), output.extractComponent(uint8_t(), 1, 2)}, padded,
      disc, 1, {lower, upper}, 0, maxValue, progress);
}

void rancourBandSetup(blitz::Array<uint8_t, 2> output, const blitz::Array<uint8_t, 2>& input,
                      const blitz::Array<int32_t, 2>& disc, float fraction, int32_t maxValue,
                      ProgressRange progress) {
  rankFilter<uint8_t>(output, input, disc, -1, fraction, 0, maxValue, progress);
}

}  // namespace classification
