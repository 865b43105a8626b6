// The Exif orientation reader on arbitrary bytes: the marker scan, every directory walk and the
// search for the end of the image data must stay inside the input and answer an orientation of
// 0..8.

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
  // On to the end of the stream: the same headers, and completeness only after a scan.
  JpegMetadata whole;
  const bool wholeScanned = readJpegMetadata(data, size, whole, JpegScan::ToEnd);
  if (wholeScanned != scanned || whole.orientation != metadata.orientation) std::abort();
  if (whole.complete && !wholeScanned) std::abort();
  return 0;
}
