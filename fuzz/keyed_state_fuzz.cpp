// The document's keyed state from hostile bytes: the stream reader, the parse of a whole stored
// document and every leaf reader of the keyed state behind it (readKeyedStateLeaves).

#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "FuzzGuiApplication.h"
#include "document/KeyedStateLeaves.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensureFuzzGuiApplication();
  readKeyedStateLeaves(QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size)));
  return 0;
}
