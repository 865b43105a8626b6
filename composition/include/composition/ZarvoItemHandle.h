#pragma once

#include <QPointF>
#include <QTransform>

// An object that follows a composition item that keeps a list of them (the generic handles of
// items without their own drag callbacks). GUI thread only.
class ZarvoItemHandle {
 public:
  virtual ~ZarvoItemHandle() = default;
  // The item's new position and transform.
  virtual void follow(const QPointF& position, const QTransform& matrix) = 0;
};
