#include "document/KeyedStateLeaves.h"

#include <memory>

#include <QImage>
#include <QPen>
#include <QVariantList>
#include <QVariantMap>

#include "document/ArrowTarget.h"
#include "document/ArrowTargets.h"
#include "document/BlendingOptions.h"
#include "document/BlendingStuff.h"
#include "document/Brushing.h"
#include "document/EDOs.h"
#include "document/GmColor.h"
#include "document/GmModel.h"
#include "document/GmValue.h"
#include "document/KeyedStateReader.h"
#include "document/ParsedDocument.h"
#include "document/Polygon.h"
#include "document/Rectangle.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"

namespace {

constexpr int maxValuesVisited = 4096;

// Uses a shape the way the views and commands do, at a few points of its own bounds.
void exercise(Shape& shape) {
  const QRectF bounds = shape.boundingRect();
  for (const QPointF& p : {bounds.topLeft(), bounds.center(), bounds.bottomRight()}) {
    shape.contains(p);
    ShapeHit hit = shape.hitTest(p);
    Q_UNUSED(hit);
  }
  shape.renderMask(QPen(Qt::color1), QBrush(Qt::color1));
}

int readMap(const QVariantMap& map) {
  ts::Rectangle rectangle(map, 1);
  rectangle.toVariant();
  exercise(rectangle);
  ts::Polygon polygon(map);
  polygon.toVariant();
  exercise(polygon);
  Brushing brushing(map);
  brushing.toVariant();
  exercise(brushing);
  SegmentationStuff segmentation(map, nullptr);
  segmentation.toVariant();
  EDOs values(map);
  values.toVariant();
  values.anyNonDefault();
  BlendingStuff blending(map, nullptr);
  blending.toVariant();
  BlendingOptions options(map);
  options.toVariant();
  GmColor colour(map);
  colour.toVariant();
  TsSourceImage image{QVariant(map)};
  image.toVariant();
  int built = 10;
  if (ArrowTarget* target = readArrowTarget(map)) {
    target->toVariant();
    exercise(target->shape());
    delete target;
    ++built;
  }
  return built;
}

// The whole state as a stored document, parsed as a project is before it is opened; the parsed
// objects are used and written back, then dropped.
int readDocument(const QVariant& state) {
  const std::unique_ptr<ParsedDocument> document = GmModel::parseDocumentMap(state);
  if (!document) return 0;
  document->segImage->toVariant();
  document->blendImage->toVariant();
  document->segmentation->toVariant();
  document->blending->toVariant();
  for (const std::unique_ptr<ArrowTarget>& target : document->targets) {
    target->toVariant();
    exercise(target->shape());
  }
  return 5 + int(document->targets.size());
}

}  // namespace

int readKeyedStateLeaves(const QByteArray& bytes) {
  const QVariant state = keyedStateFromBytes(bytes);
  if (!state.isValid()) return 0;
  int built = readDocument(state), visited = 0;
  QVariantList pending{state};
  while (!pending.isEmpty() && visited < maxValuesVisited) {
    const QVariant value = pending.takeLast();
    ++visited;
    if (value.type() == QVariant::Map) {
      const QVariantMap map = value.toMap();
      built += readMap(map);
      for (const QVariant& item : map) pending.append(item);
    } else if (value.type() == QVariant::List) {
      GmValue<int> option;
      option.readVariant(value);
      option.toVariant();
      ++built;
      for (const QVariant& item : value.toList()) pending.append(item);
    }
  }
  return built;
}
