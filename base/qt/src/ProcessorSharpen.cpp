#include "kestrum/qt/ProcessorSharpen.h"

#include <algorithm>
#include <cstdint>

#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/RowBands.h"

namespace kestrum {

ProcessorSharpen::ProcessorSharpen(const QImage* input, QImage* output, float s, QObject* parent)
    : ProcessorThread(input, output, parent), s_(s) {}

ProcessorSharpen::~ProcessorSharpen() {
  stopAndWait();
}

void ProcessorSharpen::process() {
  const QImage in = argb32Input();
  if (in.isNull()) {
    *output() = QImage();
    return;
  }
  QImage& out = prepareOutput(in.size());
  if (isAborted()) return;
  // The blur writes straight into the output; the combination below then reads each byte of it
  // once and overwrites it with the sharpened value.
  ProcessorGauss<1, 1, 1, 1> blur(&in, &out, s_);
  blur.start(QThread::InheritPriority);
  waitForChild(blur);
  if (isAborted() || blur.isAborted()) return;
  const int bytes = in.width() * 4;
  std::uint8_t* const pixels = out.bits();
  forEachRow(
      in.height(), [this] { return isAborted(); },
      [&](int y) {
        const std::uint8_t* source = in.constScanLine(y);
        std::uint8_t* target = pixels + std::size_t(y) * out.bytesPerLine();
        for (int i = 0; i < bytes; ++i)
          target[i] = std::uint8_t(std::clamp(2 * int(source[i]) - int(target[i]), 0, 255));
      });
}

}  // namespace kestrum
