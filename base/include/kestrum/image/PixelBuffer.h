#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "kestrum/utility/Colour.h"

namespace kestrum {

// Row-major walk over a two-dimensional pixel array whose rows may be padded. Moving past
// the end of a row goes to the start of the next; `end()` of a buffer sits at (0, height).
template <class P>
class PixelBufferIterator {
 public:
  PixelBufferIterator() = default;
  PixelBufferIterator(P* first, int32_t width, uint32_t stride)
      : pixel_(first), width_(width), stride_(stride) {}

  P& operator*() const { return *pixel_; }
  P* operator->() const { return pixel_; }
  int32_t x() const { return x_; }
  int32_t y() const { return y_; }
  int32_t width() const { return width_; }
  uint32_t stride() const { return stride_; }
  // No padding: consecutive rows follow each other without a gap.
  bool packed() const { return stride_ == uint64_t{sizeof(P)} * uint64_t(width_); }
  // Pixels left in the current row, this one included.
  int32_t leftInRow() const { return width_ - x_; }

  PixelBufferIterator operator++(int) {
    PixelBufferIterator before = *this;
    ++*this;
    return before;
  }
  PixelBufferIterator& operator++() {
    if (width_ <= 0) return *this;  // an empty row has nowhere to go
    ++pixel_;
    if (++x_ == width_) {
      x_ = 0;
      ++y_;
      pixel_ = byteStep(pixel_, std::ptrdiff_t(stride_) - std::ptrdiff_t(sizeof(P)) * width_);
    }
    return *this;
  }
  // Moves by n pixels in row-major order; a negative n moves back across rows.
  PixelBufferIterator& operator+=(std::ptrdiff_t n) {
    if (width_ <= 0 || n == 0) return *this;
    const std::ptrdiff_t along = std::ptrdiff_t(x_) + n;
    std::ptrdiff_t rows = along / width_;
    std::ptrdiff_t column = along % width_;
    if (column < 0) {  // floor division
      column += width_;
      --rows;
    }
    pixel_ = byteStep(pixel_,
                      rows * std::ptrdiff_t(stride_) + (column - x_) * std::ptrdiff_t(sizeof(P)));
    x_ = int32_t(column);
    y_ = int32_t(y_ + rows);
    return *this;
  }
  PixelBufferIterator operator+(std::ptrdiff_t n) const {
    PixelBufferIterator moved = *this;
    return moved += n;
  }

  friend bool operator==(const PixelBufferIterator& a, const PixelBufferIterator& b) {
    return a.x_ == b.x_ && a.y_ == b.y_ && a.pixel_ == b.pixel_;
  }
  friend bool operator!=(const PixelBufferIterator& a, const PixelBufferIterator& b) {
    return !(a == b);
  }

 private:
  static P* byteStep(P* p, std::ptrdiff_t bytes) {
    return reinterpret_cast<P*>(reinterpret_cast<unsigned char*>(p) + bytes);
  }

  int32_t x_ = 0;
  int32_t y_ = 0;
  P* pixel_ = nullptr;
  int32_t width_ = 0;
  uint32_t stride_ = sizeof(P);
};

// A window onto pixels that somebody else owns: a QImage's bits, another buffer, a host's
// shared memory. Never allocates or frees; copying a view copies its four fields. The
// viewed memory must outlive the view.
template <class P>
class PixelView {
 public:
  using Pixel = P;
  using iterator = PixelBufferIterator<P>;

  PixelView() = default;
  // `stride` in bytes from one row to the next, at least width × sizeof(P).
  PixelView(int32_t width, int32_t height, P* data, uint32_t stride)
      : width_(width), height_(height), data_(data), stride_(stride) {}

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  P* data() const { return data_; }
  uint32_t stride() const { return stride_; }
  bool isEmpty() const { return width_ <= 0 || height_ <= 0; }
  bool packed() const { return stride_ == uint64_t{sizeof(P)} * uint64_t(width_); }
  template <class Q>
  bool sameSize(const PixelView<Q>& other) const {
    return width_ == other.width() && height_ == other.height();
  }

  P* row(int32_t y) const {
    return reinterpret_cast<P*>(reinterpret_cast<unsigned char*>(data_) +
                                std::ptrdiff_t(y) * std::ptrdiff_t(stride_));
  }
  P& at(int32_t x, int32_t y) const { return row(y)[x]; }

  iterator begin() const { return iterator(data_, width_, stride_); }
  iterator end() const {
    return begin() + std::ptrdiff_t(std::max(width_, 0)) * std::max(height_, 0);
  }

 protected:
  int32_t width_ = 0;
  int32_t height_ = 0;
  P* data_ = nullptr;
  uint32_t stride_ = sizeof(P);  // an empty buffer carries the pixel size
};

// Copies the pixels of [first, last) to `destination` in row-major order. Padding on either
// side is left untouched: the copy runs in segments that end where either row ends, or as
// one run when neither side has padding. The destination must hold as many pixels.
template <class P>
void copyPixels(PixelBufferIterator<P> first, PixelBufferIterator<P> last,
                PixelBufferIterator<P> destination) {
  std::ptrdiff_t left = 0;
  if (first.width() > 0)
    left = (std::ptrdiff_t(last.y()) - first.y()) * first.width() + (last.x() - first.x());
  if (left <= 0) return;
  if (first.packed() && destination.packed()) {
    std::memcpy(&*destination, &*first, size_t(left) * sizeof(P));
    return;
  }
  while (left > 0) {
    const std::ptrdiff_t run =
        std::min<std::ptrdiff_t>({left, first.leftInRow(), destination.leftInRow()});
    std::memcpy(&*destination, &*first, size_t(run) * sizeof(P));
    first += run;
    destination += run;
    left -= run;
  }
}

// Copies every pixel of `source` into `destination`; false, copying nothing, when their sizes
// differ.
template <class P>
bool copyPixels(const PixelView<P>& source, const PixelView<P>& destination) {
  if (!source.sameSize(destination)) return false;
  copyPixels(source.begin(), source.end(), destination.begin());
  return true;
}

// An owning pixel array: rows padded to `alignment` bytes (0 for none), the first pixel at an
// address that is a multiple of it. Frees its block when destroyed; copies by value. Deriving
// from the view lets it be handed wherever a view is taken.
template <class P>
class PixelBuffer : public PixelView<P> {
  using View = PixelView<P>;

 public:
  PixelBuffer() = default;
  // Throws std::bad_alloc when the block cannot be had, also for negative sizes and for sizes
  // whose rows or block do not fit the fields; nothing is held then.
  PixelBuffer(int32_t width, int32_t height, uint32_t alignment) {
    allocate(width, height, alignment);
  }
  PixelBuffer(const PixelBuffer& other) : View() {
    allocate(other.width_, other.height_, other.alignment_);
    copyPixels<P>(other, *this);
  }
  PixelBuffer(PixelBuffer&& other) noexcept : View() { swap(other); }
  ~PixelBuffer() = default;

  // Same size: the pixels are copied into this storage. Another size: a new block with the
  // source's size and alignment replaces this one; on allocation failure nothing changes.
  PixelBuffer& operator=(const PixelBuffer& other) {
    if (this == &other) return *this;
    if (this->sameSize(other)) {
      copyPixels<P>(other, *this);
    } else {
      PixelBuffer fresh(other);
      swap(fresh);
    }
    return *this;
  }
  PixelBuffer& operator=(PixelBuffer&& other) noexcept {
    PixelBuffer emptied(std::move(other));
    swap(emptied);
    return *this;
  }

  uint32_t alignment() const { return alignment_; }
  // Bytes allocated, alignment slack included; 0 without a block.
  size_t blockSize() const { return blockSize_; }

  void swap(PixelBuffer& other) noexcept {
    std::swap(this->width_, other.width_);
    std::swap(this->height_, other.height_);
    std::swap(this->data_, other.data_);
    std::swap(this->stride_, other.stride_);
    std::swap(block_, other.block_);
    std::swap(blockSize_, other.blockSize_);
    std::swap(alignment_, other.alignment_);
  }

 private:
  void allocate(int32_t width, int32_t height, uint32_t alignment) {
    if (width < 0 || height < 0) throw std::bad_alloc();
    // In 64 bits: a row of 2^31 64-bit pixels alone overflows 32.
    uint64_t rowBytes = uint64_t(width) * sizeof(P);
    if (alignment != 0) rowBytes = (rowBytes + alignment - 1) / alignment * alignment;
    if (rowBytes > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
    const uint64_t pixelBytes = uint64_t(height) * rowBytes;
    const uint64_t slack = alignment != 0 ? alignment - 1 : 0;
    if (pixelBytes > uint64_t(std::numeric_limits<std::ptrdiff_t>::max()) - slack)
      throw std::bad_alloc();
    const uint64_t size = height == 0 || width == 0 ? 0 : pixelBytes + slack;
    if (size != 0) {
      block_.reset(new unsigned char[size_t(size)]);
      uintptr_t address = reinterpret_cast<uintptr_t>(block_.get());
      if (alignment != 0) address = (address + alignment - 1) / alignment * alignment;
      this->data_ = reinterpret_cast<P*>(address);
    }
    this->width_ = width;
    this->height_ = height;
    this->stride_ = rowBytes != 0 ? uint32_t(rowBytes) : uint32_t(sizeof(P));
    blockSize_ = size_t(size);
    alignment_ = alignment;
  }

  std::unique_ptr<unsigned char[]> block_;
  size_t blockSize_ = 0;
  uint32_t alignment_ = 0;
};

using Pixel32 = utility::Colour<uint8_t>;
using Pixel64 = utility::Colour<uint16_t>;
using PixelView32 = PixelView<Pixel32>;
using PixelView64 = PixelView<Pixel64>;
using PixelBuffer32 = PixelBuffer<Pixel32>;
using PixelBuffer64 = PixelBuffer<Pixel64>;

// How 16-bit samples map onto 8 bits: the host's 0..32768 range, or the full 0..65535.
enum class SampleRange { Max32768, Max65535 };

inline uint8_t sampleTo8(uint16_t c, SampleRange range) {
  if (range == SampleRange::Max65535) return uint8_t((uint32_t(c) + 128u) / 257u);
  // Values above 32768 lie outside the range; they saturate instead of wrapping.
  return uint8_t(std::min<uint32_t>((uint32_t(c) * 255u) >> 15, 255u));
}

namespace detail {
template <SampleRange R>
inline void convertRun(const Pixel64* from, Pixel32* to, std::ptrdiff_t count) {
  for (std::ptrdiff_t i = 0; i < count; ++i)
    for (int k = 0; k < 4; ++k) to[i].channel[k] = sampleTo8(from[i].channel[k], R);
}

template <SampleRange R>
inline void convertPixels(const PixelView64& source, const PixelView32& destination) {
  PixelBufferIterator<Pixel64> from = source.begin();
  PixelBufferIterator<Pixel32> to = destination.begin();
  std::ptrdiff_t left = std::ptrdiff_t(source.width()) * source.height();
  if (from.packed() && to.packed()) {
    convertRun<R>(&*from, &*to, left);
    return;
  }
  while (left > 0) {
    const std::ptrdiff_t run = std::min<std::ptrdiff_t>({left, from.leftInRow(), to.leftInRow()});
    convertRun<R>(&*from, &*to, run);
    from += run;
    to += run;
    left -= run;
  }
}
}  // namespace detail

// Converts a 64-bit buffer into a 32-bit one of the same size, channel positions kept; false,
// writing nothing, when the sizes differ.
inline bool convertPixels(const PixelView64& source, const PixelView32& destination,
                          SampleRange range) {
  if (!source.sameSize(destination)) return false;
  if (source.isEmpty()) return true;
  if (range == SampleRange::Max65535)
    detail::convertPixels<SampleRange::Max65535>(source, destination);
  else
    detail::convertPixels<SampleRange::Max32768>(source, destination);
  return true;
}

}  // namespace kestrum
