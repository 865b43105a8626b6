#pragma once

#include <QImage>
#include <QRect>

// The masked pixel walk: the pixels of a rectangle in row-major order, skipping every pixel whose
// mask index is 0 when a mask is given. The mask is an 8-bit image placed at its offset; pixels
// it does not cover count as 0. The walk ends at (left, bottom + 1). The walk reads the mask
// only: it and the rectangle must outlive it. Any thread.
class MaskedPixelIterator {
 public:
  // `mask` may be null (or a null image): every pixel of the rectangle is visited.
  MaskedPixelIterator(const QRect& rect, const QImage* mask)
      : rect_(rect), x_(rect.left()), y_(rect.top()) {
    if (mask && !mask->isNull() && mask->depth() == 8) {
      mask_ = mask;
      maskOrigin_ = mask->offset();
    }
    if (rect_.isEmpty()) y_ = rect_.bottom() + 1;
    loadMaskRow();
    skipOutside();
  }

  bool atEnd() const { return y_ > rect_.bottom(); }
  int x() const { return x_; }
  int y() const { return y_; }
  void next() {
    advance();
    skipOutside();
  }

 private:
  void advance() {
    if (++x_ > rect_.right()) {
      x_ = rect_.left();
      ++y_;
      loadMaskRow();
    }
  }
  bool inside() const {
    if (!mask_) return true;
    if (!maskRow_) return false;
    const unsigned column = unsigned(x_ - maskOrigin_.x());
    return column < unsigned(mask_->width()) && maskRow_[column] != 0;
  }
  void skipOutside() {
    while (!atEnd() && !inside()) advance();
  }
  void loadMaskRow() {
    if (!mask_) return;
    const int row = y_ - maskOrigin_.y();
    maskRow_ = !atEnd() && row >= 0 && row < mask_->height() ? mask_->constScanLine(row) : nullptr;
  }

  QRect rect_;
  const QImage* mask_ = nullptr;
  QPoint maskOrigin_;
  const uchar* maskRow_ = nullptr;
  int x_;
  int y_;
};
