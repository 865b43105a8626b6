// "CanvasSizes.xml" from hostile bytes: the reader gives presets that keep the ranges the panel's
// controls allow, or none and a reason.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "composition/CanvasSizes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CanvasSizesReading reading =
      readCanvasSizes(QByteArray(reinterpret_cast<const char*>(data), int(size)));
  if (reading.presets.isEmpty() == reading.reason.isEmpty()) std::abort();
  for (const CanvasSizePreset& preset : reading.presets) {
    const bool shape = preset.shape == QLatin1String("Portrait") ||
                       preset.shape == QLatin1String("Landscape") ||
                       preset.shape == QLatin1String("Square");
    const bool edge = preset.maxEdge == 0 || (preset.maxEdge >= 50 && preset.maxEdge <= 1600);
    const bool budget = preset.maxFS == 0 || (preset.maxFS >= 10 && preset.maxFS <= 4000);
    if (!shape || !edge || !budget) std::abort();
  }
  return 0;
}
