#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "kestrum/image/PixelBuffer.h"

namespace {

using kestrum::Pixel32;
using kestrum::Pixel64;
using kestrum::PixelBuffer32;
using kestrum::PixelView32;

Pixel32 numbered(int i) {
  return Pixel32{{uint8_t(i), uint8_t(i * 7), uint8_t(i >> 8), 9}};
}

void fillNumbered(const PixelView32& view) {
  int i = 0;
  for (auto it = view.begin(); it != view.end(); ++it) *it = numbered(i++);
}

TEST(PixelBuffer, LayoutFollowsWidthAndAlignment) {
  struct Row {
    int w, h;
    uint32_t alignment, stride;
    size_t block;
  } const rows[] = {
      {3, 5, 16, 16, 16 * 5 + 15}, {3, 5, 0, 12, 60}, {0, 0, 16, 4, 0}, {5, 0, 0, 20, 0}};
  for (const Row& row : rows) {
    PixelBuffer32 buffer(row.w, row.h, row.alignment);
    EXPECT_EQ(buffer.stride(), row.stride);
    EXPECT_EQ(buffer.blockSize(), row.block);
    EXPECT_EQ(buffer.data() == nullptr, row.block == 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.data()) % 16, 0u);
    EXPECT_EQ(buffer.begin() == buffer.end(), row.block == 0);
  }
  // A 0-wide walk goes nowhere, however far it is moved.
  PixelBuffer32 none(0, 0, 0);
  auto it = none.begin();
  it += 5;
  it++;
  EXPECT_TRUE(it == none.end());
  // Negative sizes and rows or blocks beyond the fields are refused as allocation failures.
  const int32_t big = std::numeric_limits<int32_t>::max();
  EXPECT_THROW(PixelBuffer32(-1, 4, 0), std::bad_alloc);
  EXPECT_THROW(PixelBuffer32(big, 1, 0), std::bad_alloc);
  EXPECT_THROW(PixelBuffer32((1 << 30) - 1, 1, 16), std::bad_alloc);
  EXPECT_THROW(kestrum::PixelBuffer64(big / 2, 1, 0), std::bad_alloc);
}

TEST(PixelBuffer, IteratorMovesAcrossRowsBothWays) {
  PixelBuffer32 buffer(3, 4, 16);
  fillNumbered(buffer);
  auto it = buffer.begin() + 3;
  it += -1;  // from (0, 1) back to the end of row 0
  EXPECT_EQ(it.x(), 2);
  EXPECT_EQ(it.y(), 0);
  EXPECT_EQ(*it, numbered(2));
  it += 7;
  EXPECT_EQ(*it, numbered(9));
  EXPECT_EQ(buffer.at(0, 3), numbered(9));
  auto end = buffer.begin();
  for (int i = 0; i < 12; ++i) end++;
  EXPECT_TRUE(end == buffer.end());
  EXPECT_EQ(end.y(), 4);
}

TEST(PixelBuffer, CopiesLeavePaddingUntouched) {
  for (auto pads : {std::pair<int, int>{0, 0}, {8, 0}, {0, 12}, {4, 20}}) {
    std::vector<unsigned char> from(size_t(20 + pads.first) * 3, 0xAB);
    std::vector<unsigned char> to(size_t(20 + pads.second) * 3, 0xAB);
    const PixelView32 source(5, 3, reinterpret_cast<Pixel32*>(from.data()), 20 + pads.first);
    const PixelView32 target(5, 3, reinterpret_cast<Pixel32*>(to.data()), 20 + pads.second);
    fillNumbered(source);
    ASSERT_TRUE(kestrum::copyPixels<Pixel32>(source, target));
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) EXPECT_EQ(target.at(x, y), numbered(y * 5 + x));
      for (int b = 20; b < 20 + pads.second; ++b) EXPECT_EQ(to[y * (20 + pads.second) + b], 0xAB);
    }
  }
  PixelBuffer32 small(4, 3, 0);
  EXPECT_FALSE(kestrum::copyPixels<Pixel32>(PixelBuffer32(5, 3, 0), small));
}

TEST(PixelBuffer, CopyAssignmentKeepsOrReplacesStorage) {
  PixelBuffer32 source(4, 3, 16);
  fillNumbered(source);
  PixelBuffer32 sameSize(4, 3, 0);
  Pixel32* const storage = sameSize.data();
  sameSize = source;
  EXPECT_EQ(sameSize.data(), storage);
  EXPECT_EQ(sameSize.at(3, 2), numbered(11));
  PixelBuffer32 otherSize(7, 1, 0);
  otherSize = source;
  EXPECT_EQ(otherSize.height(), 3);
  EXPECT_EQ(otherSize.stride(), 16u) << "the stride follows the source's alignment";
  EXPECT_EQ(otherSize.at(3, 2), numbered(11));
  otherSize = PixelBuffer32(0, 0, 0);
  EXPECT_EQ(otherSize.data(), nullptr);
}

TEST(PixelBuffer, SixteenBitSamplesConvertByEitherRule) {
  using kestrum::SampleRange;
  struct Row {
    SampleRange range;
    uint16_t in;
    uint8_t out;
  } const rows[] = {{SampleRange::Max32768, 32768, 255}, {SampleRange::Max32768, 128, 0},
                    {SampleRange::Max32768, 129, 1},     {SampleRange::Max32768, 32769, 255},
                    {SampleRange::Max32768, 65535, 255}, {SampleRange::Max65535, 65535, 255},
                    {SampleRange::Max65535, 129, 1},     {SampleRange::Max65535, 128, 0}};
  for (const Row& row : rows) {
    kestrum::PixelBuffer64 wide(3, 2, 32);  // padded on one side only
    PixelBuffer32 narrow(3, 2, 0);
    for (auto it = wide.begin(); it != wide.end(); ++it) *it = Pixel64{{row.in, 0, row.in, 0}};
    ASSERT_TRUE(kestrum::convertPixels(wide, narrow, row.range));
    for (auto it = narrow.begin(); it != narrow.end(); ++it)
      EXPECT_EQ(*it, (Pixel32{{row.out, 0, row.out, 0}})) << row.in;
  }
  EXPECT_FALSE(kestrum::convertPixels(kestrum::PixelBuffer64(2, 2, 0), PixelBuffer32(2, 3, 0),
                                      SampleRange::Max65535));
}

}  // namespace
