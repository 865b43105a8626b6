#include "engine/CvInImage.h"

#include <cstdint>
#include <limits>
#include <new>

#include "engine/CvEngine.h"
#include "engine/LiveHandles.h"

namespace {

void clearDescription(CvImage& image) {
  image.width = image.height = image.stride = image.kind = 0;
  image.data = nullptr;
}

}  // namespace

CvInImage::CvInImage() {
  clearDescription(*this);
  corvane::enterLive(static_cast<CvImage*>(this), corvane::LiveKind::Image, this);
}

CvInImage::CvInImage(CvEngine* engine, uint32_t width, uint32_t height, uint32_t alignment)
    : alignment_(alignment) {
  clearDescription(*this);
  // Sizes in 64 bits: a width near 2^32 must not wrap the rounded stride or the buffer size.
  uint64_t stride = (uint64_t{width} + 3) / 4 * 4;
  if (alignment != 0) stride = (stride + alignment - 1) / alignment * alignment;
  const uint64_t slack = alignment != 0 ? alignment - 1 : 0;
  if (stride > std::numeric_limits<uint32_t>::max()) throw std::bad_alloc();
  if (height != 0 && stride > (uint64_t{PTRDIFF_MAX} - slack) / height) throw std::bad_alloc();
  const uint64_t bytes = stride * height + slack;

  buffer_ = new uint8_t[bytes == 0 ? 1 : bytes]();
  ownsBuffer_ = true;
  uint8_t* first = buffer_;
  if (alignment != 0) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(buffer_);
    first = buffer_ + (alignment - address % alignment) % alignment;
  }
  this->width = width;
  this->height = height;
  this->stride = static_cast<uint32_t>(stride);
  this->kind = CvKindStatus;
  data = first;
  try {
    corvane::enterLive(static_cast<CvImage*>(this), corvane::LiveKind::Image, this);
    enterEngine(engine);
  } catch (...) {
    corvane::leaveLive(static_cast<CvImage*>(this));
    delete[] buffer_;
    throw;
  }
}

CvInImage::CvInImage(const CvInImage& source)
    : CvImage(source), CvSigned(), alignment_(source.alignment_) {
  corvane::enterLive(static_cast<CvImage*>(this), corvane::LiveKind::Image, this);
  try {
    if (source.engine_) enterEngine(source.engine_);
  } catch (...) {
    corvane::leaveLive(static_cast<CvImage*>(this));
    throw;
  }
}

CvInImage::CvInImage(const blitz::Array<uint8_t, 2>& array, int32_t row, int32_t column,
                     uint32_t width, uint32_t height) {
  this->width = width;
  this->height = height;
  this->stride = static_cast<uint32_t>(array.stride(0) * sizeof(uint8_t));
  this->kind = CvKindStatus;
  data = const_cast<uint8_t*>(array.data()) + static_cast<ptrdiff_t>(column) * sizeof(uint8_t) +
         static_cast<ptrdiff_t>(row) * array.stride(0);
  corvane::enterLive(static_cast<CvImage*>(this), corvane::LiveKind::Image, this);
}

CvInImage::~CvInImage() {
  corvane::leaveLive(static_cast<CvImage*>(this));
  if (engine_) engine_->images.erase(this);
  if (ownsBuffer_) delete[] buffer_;
  signature = 0;
}

void CvInImage::enterEngine(CvEngine* engine) {
  if (!engine) return;
  engine->images.insert(this);
  engine_ = engine;
}

CvSelectionArray CvInImage::makeArray(const CvSelection& selection) {
  CvSelectionArray result{corvane::Box{1, 1, 0, 0}, blitz::Array<uint8_t, 2>(), false};
  const CvImage& image = selection.image;
  if (image.width == 0 || image.height == 0) {
    result.readable = true;
    return result;
  }
  if (image.width > INT32_MAX || image.height > INT32_MAX) return result;
  // The array library computes one past the last index, and a mask re-based at the lowest
  // index negates it: both must stay inside 32 bits.
  const int64_t lastRow = int64_t{selection.y} + image.height - 1;
  const int64_t lastColumn = int64_t{selection.x} + image.width - 1;
  if (lastRow >= INT32_MAX || lastColumn >= INT32_MAX) return result;
  const corvane::Box box{selection.y, selection.x, int32_t(lastRow), int32_t(lastColumn)};
  if (image.data) {
    if (selection.y == INT32_MIN || selection.x == INT32_MIN) return result;
    if (image.kind != CvKindStatus || image.stride < image.width) return result;
    blitz::Array<uint8_t, 2> array(
        static_cast<uint8_t*>(image.data), blitz::shape(int(image.height), int(image.width)),
        blitz::shape(ptrdiff_t(image.stride), 1), blitz::neverDeleteData);
    array.reindexSelf(blitz::TinyVector<int, 2>(box.lowerRow, box.lowerColumn));
    result.array.reference(array);
  }
  result.box = box;
  result.readable = true;
  return result;
}
