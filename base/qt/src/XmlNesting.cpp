#include "kestrum/qt/XmlNesting.h"

#include <QXmlStreamReader>

namespace kestrum {

bool xmlNestingWithin(const QByteArray& xml, int maxDepth, qint64* line, qint64* column) {
  QXmlStreamReader reader(xml);
  int depth = 0;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement:
        if (++depth > maxDepth) {
          if (line) *line = reader.lineNumber();
          if (column) *column = reader.columnNumber();
          return false;
        }
        break;
      case QXmlStreamReader::EndElement:
        --depth;
        break;
      default:
        break;
    }
  }
  return true;
}

}  // namespace kestrum
