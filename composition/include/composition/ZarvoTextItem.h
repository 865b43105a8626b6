#pragma once

#include <QObject>

// Text fields have no behaviour in this system: the class exists for its meta-object, whose
// two slots do nothing. GUI thread only.
class ZarvoTextItem : public QObject {
  Q_OBJECT

 public:
  using QObject::QObject;

 public slots:
  void updateMyHandles() {}
  void intrinsicAppearanceChanged() {}
};
