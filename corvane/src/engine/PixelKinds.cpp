#include "Corvane.h"

uint32_t CvBytesPerPixel(uint32_t kind) {
  static const uint32_t table[] = {1, 4, 8, 8};
  return kind < 4 ? table[kind] : 0;
}
