#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "kestrum/image/PixelBuffer.h"

namespace {

using kestrum::Pixel32;
using kestrum::Pixel64;
using kestrum::PixelBuffer32;
using kestrum::PixelBuffer64;
using kestrum::PixelView32;
using kestrum::PixelView64;
using kestrum::SampleRange;

Pixel32 numbered(int i) {
  return Pixel32{{uint8_t(i), uint8_t(i >> 8), uint8_t(i * 7), uint8_t(255 - i)}};
}

void fillNumbered(const PixelView32& view) {
  int i = 0;
  for (auto it = view.begin(); it != view.end(); ++it) *it = numbered(i++);
}

// A view over caller memory whose rows carry `padBytes` of sentinel 0xAB after the pixels.
struct PaddedImage {
  std::vector<unsigned char> bytes;
  PixelView32 view;
  PaddedImage(int w, int h, int padBytes) : bytes(size_t((w * 4 + padBytes) * h), 0xAB) {
    view = PixelView32(w, h, reinterpret_cast<Pixel32*>(bytes.data()), uint32_t(w * 4 + padBytes));
  }
  bool paddingIntact() const {
    const size_t rowBytes = view.stride();
    for (int y = 0; y < view.height(); ++y)
      for (size_t b = size_t(view.width()) * 4; b < rowBytes; ++b)
        if (bytes[y * rowBytes + b] != 0xAB) return false;
    return true;
  }
};

TEST(PixelBuffer, OwningLayoutFollowsWidthAndAlignment) {
  struct Row {
    const char* name;
    int w, h;
    uint32_t alignment;
    uint32_t stride;
    size_t block;
  };
  const Row rows[] = {
      {"width 3, alignment 16", 3, 5, 16, 16, 16 * 5 + 15},
      {"width 4, alignment 16 already a multiple", 4, 2, 16, 16, 32 + 15},
      {"no alignment", 3, 5, 0, 12, 60},
      {"alignment 4 of 32-bit pixels adds only slack", 7, 3, 4, 28, 84 + 3},
      {"0 x 0", 0, 0, 16, 4, 0},
      {"rows of nothing", 0, 9, 0, 4, 0},
      {"no rows", 5, 0, 0, 20, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PixelBuffer32 buffer(row.w, row.h, row.alignment);
    EXPECT_EQ(buffer.stride(), row.stride);
    EXPECT_EQ(buffer.blockSize(), row.block);
    if (row.block == 0) {
      EXPECT_EQ(buffer.data(), nullptr);
    } else if (row.alignment != 0) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.data()) % row.alignment, 0u);
    }
    EXPECT_TRUE(buffer.begin() == buffer.begin() + 0);
  }
  PixelBuffer64 wide(3, 2, 16);
  EXPECT_EQ(wide.stride(), 32u);
}

TEST(PixelBuffer, EmptyBuffersHaveNoPixelsToWalk) {
  for (auto size : {std::pair<int, int>{0, 0}, {0, 4}, {4, 0}}) {
    PixelBuffer32 buffer(size.first, size.second, 16);
    EXPECT_TRUE(buffer.begin() == buffer.end());
    auto it = buffer.begin();
    it++;
    it += 5;
    it += -3;
    if (size.first == 0) {
      EXPECT_TRUE(it == buffer.begin());
    }
    PixelBuffer32 other(2, 2, 0);
    EXPECT_FALSE(kestrum::copyPixels<Pixel32>(buffer, other));
    EXPECT_TRUE(kestrum::convertPixels(PixelView64(size.first, size.second, nullptr, 8), buffer,
                                       SampleRange::Max32768));
  }
}

TEST(PixelBuffer, RefusesSizesItCannotHoldAsAllocationFailure) {
  const int32_t big = std::numeric_limits<int32_t>::max();
  struct Row {
    const char* name;
    int32_t w, h;
    uint32_t alignment;
  };
  const Row rows[] = {
      {"negative width", -1, 4, 0},
      {"negative height", 4, -1, 0},
      {"row wider than the 32-bit stride", big, 1, 0},
      {"alignment pushes the row past 32 bits", (1 << 30) - 1, 1, 16},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_THROW(PixelBuffer32(row.w, row.h, row.alignment), std::bad_alloc);
  }
  EXPECT_THROW(PixelBuffer64(big / 2, 1, 0), std::bad_alloc);
}

TEST(PixelBuffer, IteratorWalksRowsAndSkipsPadding) {
  PixelBuffer32 buffer(3, 4, 16);
  fillNumbered(buffer);
  EXPECT_EQ(buffer.at(0, 1), numbered(3));
  EXPECT_EQ(buffer.at(2, 3), numbered(11));

  auto it = buffer.begin() + 3;  // (0, 1)
  EXPECT_EQ(it.x(), 0);
  EXPECT_EQ(it.y(), 1);
  it += -1;
  EXPECT_EQ(it.x(), 2);
  EXPECT_EQ(it.y(), 0);
  EXPECT_EQ(*it, numbered(2));
  it += 7;  // across two row ends
  EXPECT_EQ(it.x(), 0);
  EXPECT_EQ(it.y(), 3);
  EXPECT_EQ(*it, numbered(9));
  it += -9;
  EXPECT_TRUE(it == buffer.begin());
  auto end = buffer.end();
  EXPECT_EQ(end.x(), 0);
  EXPECT_EQ(end.y(), 4);
  auto walked = buffer.begin();
  for (int i = 0; i < 12; ++i) walked++;
  EXPECT_TRUE(walked == end);
}

TEST(PixelBuffer, CopiesRespectPaddingOnEitherSide) {
  struct Row {
    const char* name;
    int sourcePad, destinationPad;
  };
  const Row rows[] = {{"both packed", 0, 0},
                      {"padded source", 8, 0},
                      {"padded destination", 0, 12},
                      {"both padded differently", 4, 20}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PaddedImage source(5, 3, row.sourcePad);
    PaddedImage destination(5, 3, row.destinationPad);
    fillNumbered(source.view);
    ASSERT_TRUE(kestrum::copyPixels<Pixel32>(source.view, destination.view));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(destination.view.at(x, y), numbered(y * 5 + x));
    EXPECT_TRUE(destination.paddingIntact());
    EXPECT_TRUE(source.paddingIntact());
  }
  PaddedImage small(4, 3, 0);
  PaddedImage other(5, 3, 0);
  EXPECT_FALSE(kestrum::copyPixels<Pixel32>(other.view, small.view));
  EXPECT_TRUE(small.paddingIntact());
}

TEST(PixelBuffer, CopyAssignmentKeepsOrReplacesStorage) {
  PixelBuffer32 source(4, 3, 16);
  fillNumbered(source);

  PixelBuffer32 sameSize(4, 3, 0);
  Pixel32* const storage = sameSize.data();
  sameSize = source;
  EXPECT_EQ(sameSize.data(), storage) << "same size copies into the existing block";
  EXPECT_EQ(sameSize.stride(), 16u);
  EXPECT_EQ(sameSize.at(3, 2), numbered(11));

  PixelBuffer32 otherSize(7, 1, 0);
  otherSize = source;
  EXPECT_EQ(otherSize.width(), 4);
  EXPECT_EQ(otherSize.height(), 3);
  EXPECT_EQ(otherSize.stride(), 16u) << "the stride follows the source's alignment";
  EXPECT_EQ(otherSize.alignment(), 16u);
  EXPECT_EQ(otherSize.at(3, 2), numbered(11));

  PixelBuffer32 copied(source);
  EXPECT_NE(copied.data(), source.data());
  EXPECT_EQ(copied.at(0, 1), numbered(4));

  PixelBuffer32 emptied(0, 0, 0);
  otherSize = emptied;
  EXPECT_EQ(otherSize.data(), nullptr);
  EXPECT_EQ(otherSize.stride(), 4u);
}

TEST(PixelBuffer, SixteenBitSamplesConvertByEitherRule) {
  struct Row {
    const char* name;
    SampleRange range;
    uint16_t in;
    uint8_t out;
  };
  const Row rows[] = {
      {"32768 rule: maximum", SampleRange::Max32768, 32768, 255},
      {"32768 rule: zero", SampleRange::Max32768, 0, 0},
      {"32768 rule: 128 truncates to 0", SampleRange::Max32768, 128, 0},
      {"32768 rule: 129 gives 1", SampleRange::Max32768, 129, 1},
      {"32768 rule: just above the range saturates", SampleRange::Max32768, 32769, 255},
      {"32768 rule: far above the range saturates", SampleRange::Max32768, 65535, 255},
      {"65535 rule: maximum", SampleRange::Max65535, 65535, 255},
      {"65535 rule: zero", SampleRange::Max65535, 0, 0},
      {"65535 rule: 128", SampleRange::Max65535, 128, 0},
      {"65535 rule: 129", SampleRange::Max65535, 129, 1},
      {"65535 rule: middle", SampleRange::Max65535, 32896, 128},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // Padded on one side only, so the segment path runs too.
    PixelBuffer64 wide(3, 2, 32);
    PixelBuffer32 narrow(3, 2, 0);
    for (auto it = wide.begin(); it != wide.end(); ++it)
      *it = Pixel64{{row.in, uint16_t(row.in / 2), 0, row.in}};
    ASSERT_TRUE(kestrum::convertPixels(wide, narrow, row.range));
    for (auto it = narrow.begin(); it != narrow.end(); ++it) {
      EXPECT_EQ((*it)[0], row.out);
      EXPECT_EQ((*it)[1], kestrum::sampleTo8(uint16_t(row.in / 2), row.range));
      EXPECT_EQ((*it)[2], 0);
      EXPECT_EQ((*it)[3], row.out);
    }
  }
  PixelBuffer64 wide(2, 2, 0);
  PixelBuffer32 narrow(2, 3, 0);
  EXPECT_FALSE(kestrum::convertPixels(wide, narrow, SampleRange::Max65535));
}

}  // namespace
