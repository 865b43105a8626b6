#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>
#include <random>
#include <vector>

#include "Corvane.h"
#include "engine/ImageScaling.h"

namespace {

// A kind-1 picture in its own buffer; `padding` extra pixels per row.
struct Picture {
  uint32_t width, height, stride;
  std::vector<uint8_t> bytes;
  Picture(uint32_t w, uint32_t h, uint32_t padding = 0, uint8_t fill = 0)
      : width(w), height(h), stride((w + padding) * 4), bytes(size_t{stride} * h, fill) {}
  uint8_t* at(uint32_t x, uint32_t y) { return bytes.data() + size_t{y} * stride + x * 4; }
  CvImage image() { return CvImage{width, height, stride, CvKindRgba8, bytes.data()}; }
};

// The reduction written straight from its definition, for comparison.
struct Reference {
  static const std::vector<std::pair<int, int>>& shape(int f, int dr) {
    static const std::vector<std::pair<int, int>> s2 = {{0, 1}, {0, 1}};
    static const std::vector<std::pair<int, int>> s4 = {{1, 2}, {0, 3}, {0, 3}, {1, 2}};
    static const std::vector<std::pair<int, int>> s8 = {{2, 5}, {1, 6}, {0, 7}, {0, 7},
                                                        {0, 7}, {0, 7}, {1, 6}, {2, 5}};
    static const std::vector<std::pair<int, int>> none;
    return f == 2 ? s2 : f == 4 ? s4 : f == 8 ? s8 : none;
  }
  // src window: rows [r0, r0+rows), cols [c0, c0+cols); dst window likewise.
  static void median(int f, Picture& src, int sr0, int sc0, int srows, int scols, Picture& dst,
                     int dr0, int dc0, int drows, int dcols) {
    const int R = srows / f, C = scols / f;
    if (R == 0 || C == 0) throw "Image too small";
    for (int r = 0; r < R && r < drows; ++r)
      for (int c = 0; c < C && c < dcols; ++c)
        for (int ch = 0; ch < 4; ++ch) {
          std::vector<int> v;
          for (int dr = 0; dr < f; ++dr)
            for (int dc = shape(f, dr)[dr].first; dc <= shape(f, dr)[dr].second; ++dc)
              v.push_back(src.at(sc0 + f * c + dc, sr0 + f * r + dr)[ch]);
          std::sort(v.begin(), v.end());
          const size_t n = v.size();
          dst.at(dc0 + c, dr0 + r)[ch] = static_cast<uint8_t>((v[n / 2 - 1] + v[n / 2]) / 2);
        }
    if (f * R != srows)
      median(f, src, sr0 + srows - f, sc0, f, scols, dst, dr0 + drows - 1, dc0, 1, dcols);
    if (f * C != scols)
      median(f, src, sr0, sc0 + scols - f, srows, f, dst, dr0, dc0 + dcols - 1, drows, 1);
  }
};

void randomise(Picture& p, unsigned seed) {
  std::mt19937 rng(seed);
  for (auto& b : p.bytes) b = static_cast<uint8_t>(rng());
}

TEST(ImageScaling, MatchesDefinitionOnRandomPictures) {
  struct Case {
    uint32_t sw, sh, dw, dh;
  };
  // Sizes with partial blocks in both directions, wide enough for the vector path and its
  // scalar tail, plus the 3 → 4 and 7 → 8 factors.
  const Case cases[] = {{37, 23, 19, 12}, {64, 64, 32, 32}, {35, 35, 9, 9},    {77, 40, 11, 6},
                        {129, 67, 17, 9}, {16, 16, 8, 2},   {100, 30, 34, 10}, {70, 9, 10, 2},
                        {8, 8, 1, 1},     {53, 41, 14, 11}};
  unsigned seed = 1;
  for (const Case& c : cases) {
    Picture src(c.sw, c.sh, 3);
    randomise(src, seed++);
    Picture got(c.dw, c.dh, 2, 0x5A), want(c.dw, c.dh, 2, 0x5A);
    ASSERT_EQ(CvScaleImage(src.image(), got.image()), CvOk);
    const int f = corvane::reductionFactor(c.sw, c.sh, c.dw, c.dh);
    ASSERT_TRUE(f == 2 || f == 4 || f == 8);
    Reference::median(f, src, 0, 0, c.sh, c.sw, want, 0, 0, c.dh, c.dw);
    EXPECT_EQ(got.bytes, want.bytes) << c.sw << "x" << c.sh << " -> " << c.dw << "x" << c.dh;
  }
}

TEST(ImageScaling, UnscaledCopyStaysInsideTheSource) {
  Picture src(3, 2, 1);
  randomise(src, 99);
  Picture dst(4, 4, 0, 0xCD);
  const uint8_t untouched[4] = {0xCD, 0xCD, 0xCD, 0xCD};
  ASSERT_EQ(CvScaleImage(src.image(), dst.image()), CvOk);  // factor 1, larger destination
  for (uint32_t y = 0; y < 4; ++y)
    for (uint32_t x = 0; x < 4; ++x) {
      const bool inside = x < 3 && y < 2;
      EXPECT_EQ(std::memcmp(dst.at(x, y), inside ? src.at(x, y) : untouched, 4), 0) << x << y;
    }
}

// Factors 5, 6 and 9, an empty source, a source smaller than one block and descriptions
// that cannot be read leave the destination untouched.
TEST(ImageScaling, UnsupportedOrUnreadableWritesNothing) {
  Picture src(8, 8, 0, 1), dst(4, 4, 0, 0xAB), wide(50, 10, 0, 7), wider(90, 1, 0, 7);
  Picture tiny(1, 1), flat(6, 1, 0, 9);
  const CvImage s = src.image(), d = dst.image();
  auto with = [](CvImage i, auto change) {
    change(i);
    return i;
  };
  Picture out(10, 2, 0, 0xAB);
  const CvImage o = out.image();
  const std::pair<CvImage, CvImage> ok[] = {
      {wide.image(), o},  // factor 5
      {wide.image(), with(o, [](CvImage& i) { i.width = 9; })},
      {wider.image(), with(o, [](CvImage& i) { i.height = 1; })},
      {CvImage{0, 0, 0, CvKindRgba8, nullptr}, o}};
  for (const auto& c : ok) EXPECT_EQ(CvScaleImage(c.first, c.second), CvOk);
  EXPECT_EQ(out.bytes, std::vector<uint8_t>(80, 0xAB));
  EXPECT_EQ(CvScaleImage(flat.image(), with(d, [](CvImage& i) { i.width = 3, i.height = 1; })),
            CvException);  // "Image too small"
  EXPECT_THROW(
      corvane::downscaleImageMedian8(corvane::wrapRgba8(d), corvane::wrapRgba8(tiny.image())),
      const char*);
  const std::function<void(CvImage&)> srcChanges[] = {
      [](CvImage& i) { i.kind = CvKindRgba16; }, [](CvImage& i) { i.data = nullptr; },
      [](CvImage& i) { i.stride = 31; },
      [](CvImage& i) { i.width = 0x40000000u; }};  // 4 × width wraps in 32 bits to 0
  for (const auto& change : srcChanges)
    EXPECT_EQ(CvScaleImage(with(s, change), d), CvPreconditionFailed);
  const std::function<void(CvImage&)> dstChanges[] = {
      [](CvImage& i) { i.kind = CvKindStatus; }, [](CvImage& i) { i.width = 0; },
      [](CvImage& i) { i.height = 0; }, [](CvImage& i) { i.data = nullptr; },
      [](CvImage& i) { i.stride = 15; }};
  for (const auto& change : dstChanges)
    EXPECT_EQ(CvScaleImage(s, with(d, change)), CvPreconditionFailed);
  EXPECT_EQ(dst.bytes, std::vector<uint8_t>(64, 0xAB));
  EXPECT_EQ(CvScaleImage(s, d), CvOk);
  EXPECT_EQ(dst.bytes, std::vector<uint8_t>(64, 1));
}

}  // namespace
