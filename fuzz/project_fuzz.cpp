// A project file from hostile bytes: the header and the whole keyed state through the checks a
// file passes before it may replace the document (projectfile::readHeader, readDocument), with
// no document touched.

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "FuzzGuiApplication.h"
#include "app/ProjectFile.h"
#include "document/ParsedDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ensureFuzzGuiApplication();
  QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
  QBuffer file(&bytes);
  file.open(QIODevice::ReadOnly);
  QDataStream in(&file);
  in.setVersion(projectfile::kStreamVersion);
  projectfile::Header header;
  if (projectfile::readHeader(in, {8, 9, 10, 11}, header) != projectfile::HeaderRead::Ok) return 0;
  QString refusal;
  const std::unique_ptr<ParsedDocument> document = projectfile::readDocument(in, &refusal);
  if (document) document->segImage->toVariant();
  return 0;
}
