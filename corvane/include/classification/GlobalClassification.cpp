#include "classification/GlobalClassification.h"

namespace classification {

namespace {

using Classification = GlobalClassification<unsigned char, 6, int>;

constexpr const char* kPath = "corvane/include/classification/GlobalClassification";
// No six-byte key has bits above 48, so this never matches a real key.
constexpr uint64_t kNoKey = ~uint64_t(0);

template <class A, class B>
bool sameDomain(const blitz::Array<A, 2>& a, const blitz::Array<B, 2>& b) {
  return a.lbound(0) == b.lbound(0) && a.lbound(1) == b.lbound(1) && a.extent(0) == b.extent(0) &&
         a.extent(1) == b.extent(1);
}

inline uint64_t pixelKey(const Classification::Pixel& pixel) {
  return packColourKey(reinterpret_cast<const uint8_t*>(&pixel));
}

// Neighbouring pixels of a photograph often share their colour: one remembered bin saves most
// table probes there.
class CountingCursor {
 public:
  explicit CountingCursor(ColourHistogram& level) : level_(level) {}
  void count(uint64_t key) {
    if (key != lastKey_) {
      lastBin_ = level_.findOrInsert(key);
      lastKey_ = key;
    }
    ++level_[lastBin_].count;
  }

 private:
  ColourHistogram& level_;
  uint64_t lastKey_ = kNoKey;
  uint32_t lastBin_ = 0;
};

}  // namespace

void histogramStage(Classification& classification, ColourHistogram& level0,
                    ProgressRange progress) {
  using Pixel = Classification::Pixel;
  const Classification::Image& image = classification.image();
  const Classification::Mask& mask = classification.mask();
  const bool masked = mask.numElements() > 0;
  if (masked && !sameDomain(image, mask)) throw "Mask does not match image";

  const int firstRow = image.lbound(0);
  const int rows = image.extent(0);
  const int firstColumn = image.lbound(1);
  const int columns = image.extent(1);
  if (rows <= 0 || columns <= 0) return;
  const ptrdiff_t step = image.stride(1);
  CountingCursor cursor(level0);

  if (!masked) {
    for (int i = firstRow; i < firstRow + rows; ++i) {
      if ((i & 2047) == 0) {
        progress.checkpoint(kPath, 208, "histogram", float(i - firstRow) / float(rows));
      }
      const Pixel* pixel = &image(i, firstColumn);
      for (int j = 0; j < columns; ++j, pixel += step) cursor.count(pixelKey(*pixel));
    }
    return;
  }

  const uint32_t bits = classification.maskBits();
  const ptrdiff_t maskStep = mask.stride(1);
  for (int i = firstRow; i < firstRow + rows; ++i) {
    if ((i & 2047) == 0) {
      progress.checkpoint(kPath, 219, "histogram", float(i - firstRow) / float(rows));
    }
    const Pixel* pixel = &image(i, firstColumn);
    const unsigned char* maskByte = &mask(i, firstColumn);
    for (int j = 0; j < columns; ++j, pixel += step, maskByte += maskStep) {
      if (*maskByte & bits) cursor.count(pixelKey(*pixel));
    }
  }
}

void Classification::setImage(const Image& image) {
  image_.reference(image);
  invalidate();
}

void Classification::invalidate() {
  for (ColourHistogram& level : levels_) level.clear();
  results_.fill(kNotComputed);
  slots_.fill(watershed::WatershedResult());
}

bool Classification::computed() const {
  for (uint32_t result : results_) {
    if (result == kNotComputed) return false;
  }
  return true;
}

void Classification::run(ProgressRange progress) {
  if (computed()) return;
  // A cancelled or failed run leaves partly filled levels and label counters behind: start
  // from nothing so that the counts and labels match a first run.
  invalidate();
  buildHistograms(*this, levels_, progress.subRange(0.2f));
  runWatershedders(results_, levels_, slots_, progress.subRange(1.0f));
}

void Classification::buildHistograms(Classification& classification, ColourLevels& levels,
                                     ProgressRange progress) {
  for (ColourHistogram& level : levels) level.clear();
  histogramStage(classification, levels[0], progress.subRange(0.5f));
  histogramSubsample(levels[0], levels[1], progress.subRange(0.75f));
  histogramSubsample(levels[1], levels[2], progress.subRange(0.875f));
  histogramSubsample(levels[2], levels[3], progress.subRange(0.9375f));
  histogramSubsampleSplit(levels, progress.subRange(1.0f));
}

void Classification::histogramSubsampleSplit(ColourLevels& levels, ProgressRange progress) {
  histogramSubsample(levels[3], levels[4], progress.subRange(0.5f));
  histogramSubsample(levels[4], levels[5], progress.subRange(0.75f));
  histogramSubsample(levels[5], levels[6], progress.subRange(0.875f));
}

void Classification::histogramSubsample(const ColourHistogram& source, ColourHistogram& target,
                                        ProgressRange progress) {
  const size_t binCount = source.size();
  for (size_t i = 0; i < binCount; ++i) {
    if (i % 65535 == 0) {
      progress.checkpoint(kPath, 232, "histogram subsample internal",
                          float(double(i) / double(binCount)));
    }
    const ColourBin& bin = source[i];
    target[target.findOrInsert(reduceColourBits(packColourKey(bin.key), 1))].count += bin.count;
  }
  progress.checkpoint(kPath, 234, "histogram subsample", 1.0f);
}

void Classification::runWatershedders(Results& results, ColourLevels& levels,
                                      watershed::WatershedResults& slots, ProgressRange) {
  runLevelJobs(jobs_, Watershedder<kColourLevelCount>(jobs_, results, levels, slots));
}

uint32_t Classification::partition(int colourLevel, Labels& labels, ProgressRange progress) {
  if (colourLevel < 0 || colourLevel >= kColourLevelCount) throw "Colour level out of range";
  if (labels.extent(0) != image_.extent(0) || labels.extent(1) != image_.extent(1)) {
    throw "Label array does not match image";
  }
  ColourHistogram& level = levels_[colourLevel];
  const int firstRow = image_.lbound(0);
  const int rows = image_.extent(0);
  const int firstColumn = image_.lbound(1);
  const int columns = image_.extent(1);
  const ptrdiff_t step = image_.stride(1);
  const ptrdiff_t labelStep = labels.stride(1);
  const int rowOffset = labels.lbound(0) - firstRow;
  uint64_t lastKey = kNoKey;
  int lastLabel = -1;

  for (int i = firstRow; i < firstRow + rows && columns > 0; ++i) {
    if ((i & 1023) == 0) {
      progress.checkpoint(kPath, 168, "partition", float(i - firstRow) / float(rows));
    }
    const Pixel* pixel = &image_(i, firstColumn);
    int* label = &labels(i + rowOffset, labels.lbound(1));
    for (int j = 0; j < columns; ++j, pixel += step, label += labelStep) {
      const uint64_t key = reduceColourBits(pixelKey(*pixel), colourLevel);
      if (key != lastKey) {
        lastLabel = level[level.findOrInsert(key)].label;
        lastKey = key;
      }
      *label = lastLabel;
    }
  }
  return results_[colourLevel];
}

}  // namespace classification
