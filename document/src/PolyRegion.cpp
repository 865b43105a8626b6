#include "document/PolyRegion.h"

#include "document/DocumentKeys.h"

PolyRegion::PolyRegion(const QPolygonF& points) : polygon_(points, 1) {}

PolyRegion::PolyRegion(const QVariantMap& map)
    : GmRegion(map.value(documentKeys::gmRegion).toMap()),
      polygon_(map.value(documentKeys::poly).toMap()) {}

QVariantMap PolyRegion::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::type, 1);
  map.insert(documentKeys::gmRegion, baseVariant());
  map.insert(documentKeys::poly, polygon_.toVariant());
  return map;
}
