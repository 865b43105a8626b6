#include "document/EDOs.h"

#include <algorithm>

#include "document/DocumentKeys.h"

EDOs::EDOs(QObject* parent) : QObject(parent) {}

EDOs::EDOs(const QVariantMap& map, QObject* parent) : QObject(parent) {
  sensitivity.readVariant(map.value(documentKeys::sensitivity));
  width.readVariant(map.value(documentKeys::edoWidth));
  texture.readVariant(map.value(documentKeys::texture));
  contrast.readVariant(map.value(documentKeys::contrast));
  if (map.contains(documentKeys::widthInImageCoords))
    widthInImageCoords = map.value(documentKeys::widthInImageCoords).toInt();
}

QVariantMap EDOs::toVariant() const {
  QVariantMap map;
  map.insert(documentKeys::sensitivity, sensitivity.toVariant());
  map.insert(documentKeys::edoWidth, width.toVariant());
  map.insert(documentKeys::texture, texture.toVariant());
  map.insert(documentKeys::contrast, contrast.toVariant());
  map.insert(documentKeys::widthInImageCoords, widthInImageCoords);
  return map;
}

void EDOs::applyCurrent() {
  for (GmValueB* value : values) value->apply();
}

void EDOs::storeApplied() {
  for (GmValueB* value : values) value->store();
}

void EDOs::restoreStored() {
  for (GmValueB* value : values) value->restore();
}

void EDOs::revertCurrent() {
  for (GmValueB* value : values) value->revert();
}

void EDOs::resetToDefaults() {
  for (GmValueB* value : values) value->setDefault();
}

bool EDOs::anyChanged() const {
  return std::any_of(values.begin(), values.end(), [](GmValueB* v) { return v->isChanged(); });
}

bool EDOs::anyNonDefault() const {
  return std::any_of(values.begin(), values.end(), [](GmValueB* v) { return v->isNonDefault(); });
}

void EDOs::copyValues(const EDOs& other) {
  sensitivity = other.sensitivity;
  width = other.width;
  texture = other.texture;
  contrast = other.contrast;
  widthInImageCoords = other.widthInImageCoords;
}
