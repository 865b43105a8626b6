// The Exif orientation reader on arbitrary bytes: the marker scan and every directory walk
// must stay inside the input and answer an orientation of 0..8.

#include <QLoggingCategory>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "document/JpegMetadata.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Hostile input is reported line by line; the fuzzer needs none of it.
  static const bool quiet = [] {
    QLoggingCategory::setFilterRules(QStringLiteral("zarvo.exif=false"));
    return true;
  }();
  (void)quiet;
  JpegMetadata metadata;
  const bool scanned = readJpegMetadata(data, size, metadata);
  if (metadata.orientation < 0 || metadata.orientation > 8) std::abort();
  if (!scanned && (metadata.frameMarker != 0 || metadata.orientation != 0)) std::abort();
  return 0;
}
