#include "document/RectRegion.h"

#include "document/DocumentKeys.h"

RectRegion::RectRegion(const QRectF& rect) : rectangle_(rect, 1) {}

RectRegion::RectRegion(const QVariantMap& map)
    : GmRegion(map.value(documentKeys::gmRegion).toMap()),
      rectangle_(map.value(documentKeys::rectangle).toMap(), 1) {}

QVariantMap RectRegion::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::type, 0);
  map.insert(documentKeys::gmRegion, baseVariant());
  map.insert(documentKeys::rectangle, rectangle_.toVariant());
  return map;
}
