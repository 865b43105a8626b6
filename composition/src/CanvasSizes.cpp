#include "composition/CanvasSizes.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QtGlobal>

#include "kestrum/qt/XmlNesting.h"

namespace {

// Zero (the field is left alone) for values of 0 or less, otherwise within the spin boxes'
// range: a hostile file never reaches the hub with a size or budget no control could set.
int bounded(const QString& text, int low, int high) {
  bool ok = false;
  const int value = text.toInt(&ok, 10);
  if (!ok || value <= 0) return 0;
  return qBound(low, value, high);
}

bool isFixedShape(const QString& shape) {
  return shape == QLatin1String("Portrait") || shape == QLatin1String("Landscape") ||
         shape == QLatin1String("Square");
}

CanvasSizesReading refused(const QString& reason) {
  return {QList<CanvasSizePreset>(), reason};
}

}  // namespace

CanvasSizesReading readCanvasSizes(const QByteArray& bytes) {
  if (bytes.size() > kMaxCanvasSizesBytes)
    return refused(
        QStringLiteral("the file is larger than %1 KB").arg(kMaxCanvasSizesBytes / 1024));
  qint64 line = 0;
  qint64 column = 0;
  if (!kestrum::xmlNestingWithin(bytes, kestrum::kMaxXmlDepth, &line, &column)) {
    return refused(QStringLiteral("line %1, column %2: elements nested deeper than %3")
                       .arg(line)
                       .arg(column)
                       .arg(kestrum::kMaxXmlDepth));
  }
  QDomDocument document(QStringLiteral("CanvasSizes"));
  QString message;
  int errorLine = 0;
  int errorColumn = 0;
  if (!document.setContent(bytes, &message, &errorLine, &errorColumn))
    return refused(
        QStringLiteral("line %1, column %2: %3").arg(errorLine).arg(errorColumn).arg(message));

  CanvasSizesReading reading;
  const QDomElement root = document.documentElement();
  for (QDomElement e = root.firstChildElement(QStringLiteral("CanvasSize")); !e.isNull();
       e = e.nextSiblingElement()) {
    const QString shape = e.attribute(QStringLiteral("shape"));
    if (!e.hasAttribute(QStringLiteral("name")) || !e.hasAttribute(QStringLiteral("maxEdge")) ||
        !e.hasAttribute(QStringLiteral("maxFS")) || !isFixedShape(shape))
      continue;
    reading.presets.append({e.attribute(QStringLiteral("name")), shape,
                            bounded(e.attribute(QStringLiteral("maxEdge")), 50, 1600),
                            bounded(e.attribute(QStringLiteral("maxFS")), 10, 4000)});
  }
  if (reading.presets.isEmpty())
    reading.reason = QStringLiteral(
        "no element gives a name, maxEdge, maxFS and a shape of "
        "Portrait, Landscape or Square");
  return reading;
}

QList<CanvasSizePreset> builtInCanvasSizes() {
  const QString portrait = QStringLiteral("Portrait");
  return {{QStringLiteral("eBay"), portrait, 1600, 2000},
          {QStringLiteral("uBid"), portrait, 1000, 1500},
          {QStringLiteral("CQOUT"), portrait, 1000, 1500}};
}

QList<CanvasSizePreset> loadCanvasSizes(const QString& path) {
  QFile file(path);
  if (!file.exists()) return builtInCanvasSizes();
  CanvasSizesReading reading;
  if (!file.open(QIODevice::ReadOnly))
    reading = refused(QStringLiteral("it cannot be opened: %1").arg(file.errorString()));
  else  // one byte more than allowed is enough to refuse a larger file
    reading = readCanvasSizes(file.read(kMaxCanvasSizesBytes + 1));
  if (!reading.presets.isEmpty()) return reading.presets;
  qWarning().noquote()
      << QStringLiteral("The canvas sizes of %1 were not used: %2").arg(path, reading.reason);
  return builtInCanvasSizes();
}
