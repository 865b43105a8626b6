#pragma once

#include <QList>
#include <QObject>
#include <QVariantMap>

#include "document/GmValue.h"

// The edge-detection option values of the image or of one patch: how finely the image is
// divided (sensitivity), the minimum edge width in working pixels, the texture filter (0 Fine,
// 1 Medium, 2 Coarse) and the contrast (0 Low, 1 Medium, 2 High), each with its states, and
// the width in image pixels as the user last set it. GUI thread.
class EDOs : public QObject {
  Q_OBJECT

 public:
  explicit EDOs(QObject* parent = nullptr);
  // From the stored map; a missing key keeps the default of that value.
  explicit EDOs(const QVariantMap& map, QObject* parent = nullptr);

  QVariantMap toVariant() const;

  // Over every value, in the order sensitivity, width, texture, contrast.
  void applyCurrent();
  void storeApplied();
  void restoreStored();
  void revertCurrent();
  void resetToDefaults();
  bool anyChanged() const;
  bool anyNonDefault() const;
  // Copies every state of every value and the width in image coordinates.
  void copyValues(const EDOs& other);

  GmValue<int> sensitivity{50};
  GmValue<int> width{3};
  GmValue<int> texture{1};
  GmValue<int> contrast{1};
  // The four values above, in that order.
  const QList<GmValueB*> values{&sensitivity, &width, &texture, &contrast};
  // The width times the resolution when the user last set it; -1 when unknown.
  int widthInImageCoords = -1;
};
