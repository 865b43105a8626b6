// An ".otsx" control file from hostile bytes: parsed and indexed by a pipe of its own, its three
// values read, then lookups of ids taken from the input's tail.

#include <cstddef>
#include <cstdint>

#include <QByteArray>
#include <QString>

#include "app/GasPipe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
  GasPipe* pipe = GasPipe::create(QStringLiteral("/fuzz/job.otsx"));
  if (pipe->read(bytes, QStringLiteral("/fuzz"))) {
    const QString id = QString::fromUtf8(bytes.right(8));
    pipe->elementById(id);
    pipe->attributeOf(id, QStringLiteral("src"));
  }
  GasPipe::release();
  return 0;
}
