#pragma once

#include <QPolygonF>
#include <QVariantMap>

#include "document/GmRegion.h"
#include "document/Polygon.h"

// A polygon patch.
class PolyRegion : public GmRegion {
  Q_OBJECT

 public:
  explicit PolyRegion(const QPolygonF& points);
  // From a stored entry: "GmRegion" first, then "poly_".
  explicit PolyRegion(const QVariantMap& map);

  bool isConcretePatch() const override { return true; }
  ts::Polygon& shape() override { return polygon_; }
  const ts::Polygon& shape() const override { return polygon_; }
  QVariantMap toVariant() const override;

 private:
  ts::Polygon polygon_;
};
