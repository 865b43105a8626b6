// A web reply's content type and body into the image fetch's format choice and its capped,
// guarded read as a photo (the content type's format asked when the content does not decide):
// one byte gives the length of the content type, the rest is the body. It must answer a picture
// or a reason, never crash, never hold more bytes or pixels than its limits, and never a picture
// over 1280 pixels a side.
// Lower limits than the product's keep each run short.

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

#include "FuzzGuiApplication.h"
#include "app/NetworkImageGetter.h"

namespace {
constexpr qint64 kFuzzMaxBytes = 1 << 20;
constexpr qint64 kFuzzMaxPixels = 4'000'000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensureFuzzGuiApplication();
  if (size < 1) return 0;
  const size_t typeLength = std::min<size_t>(data[0], size - 1);
  const QString contentType =
      QString::fromUtf8(reinterpret_cast<const char*>(data + 1), int(typeLength));
  const QByteArray format = NetworkImageGetter::formatFor(contentType);
  if (!format.isEmpty() && !contentType.contains(QString::fromLatin1(format))) std::abort();
  const QByteArray body = QByteArray::fromRawData(
      reinterpret_cast<const char*>(data + 1 + typeLength), int(size - 1 - typeLength));
  const PhotoReader::Photo result =
      NetworkImageGetter::decode(body, format, kFuzzMaxBytes, kFuzzMaxPixels);
  if (result.ok() == result.image.isNull()) std::abort();
  if (body.size() > kFuzzMaxBytes && result.ok()) std::abort();
  if (qint64(result.fullSize.width()) * result.fullSize.height() > kFuzzMaxPixels) std::abort();
  if (result.image.width() > PhotoReader::kSideLimit ||
      result.image.height() > PhotoReader::kSideLimit)
    std::abort();
  return 0;
}
