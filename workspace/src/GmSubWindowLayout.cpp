#include "workspace/GmSubWindowLayout.h"

#include <algorithm>

void GmSubWindowLayout::setMinimumWidth(int width) {
  minimumWidth_ = width;
  invalidate();
}

QSize GmSubWindowLayout::sizeHint() const {
  QSize hint = QVBoxLayout::sizeHint();
  hint.setWidth(std::max(hint.width(), minimumWidth_));
  return hint;
}
