#include "document/BlendingStuff.h"

#include "document/DocumentKeys.h"

BlendingStuff::BlendingStuff(const QVariantMap& map, GmRegion* owner)
    : owner_(owner), options_(map.value(documentKeys::bos).toMap()) {}

QVariantMap BlendingStuff::toVariant() const {
  return {{documentKeys::bos, options_.toVariant()}};
}
