#include "document/SegmentationStuff.h"

#include "document/DocumentKeys.h"
#include "document/GmModel.h"

SegmentationStuff::SegmentationStuff(GmRegion* owner, QObject* parent)
    : QObject(parent), owner_(owner) {
  if (owner_) {
    values_.copyValues(GmModel::instance()->segmentation()->values());
    values_.revertCurrent();
  }
}

SegmentationStuff::SegmentationStuff(const QVariantMap& map, GmRegion* owner, QObject* parent)
    : QObject(parent),
      owner_(owner),
      values_(map.value(documentKeys::edos).toMap()),
      ownSettings_(map.value(documentKeys::isChecked).toBool()) {}

QVariantMap SegmentationStuff::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::isChecked, ownSettings_);
  map.insert(documentKeys::edos, values_.toVariant());
  return map;
}
