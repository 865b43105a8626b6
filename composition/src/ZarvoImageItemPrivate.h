#pragma once

#include <QImage>
#include <QMetaObject>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QTimer>

#include "composition/ZarvoImageItem.h"

// The image item's record; as a timer it is the 20 ms single shot that tells the owner.
class ZarvoImageItemPrivate : public QTimer {
 public:
  ZarvoImageItemPrivate() {
    setSingleShot(true);
    setInterval(20);
  }

  // Connects the timer to `owner` (replacing any earlier one; empty: none).
  void setOwner(ZarvoImageItem::Owner newOwner) {
    stop();
    QObject::disconnect(ownerConnection);
    owner = std::move(newOwner);
    if (owner) ownerConnection = QObject::connect(this, &QTimer::timeout, [this] { owner(); });
  }

  ZarvoImageItem::Owner owner;
  QMetaObject::Connection ownerConnection;
  QRectF limitRect{0, 0, 0, 0};
  double maxWidth = -1.0;
  double maxHeight = -1.0;
  QRect boundsRect;  // invalid: no rule
  ZarvoImageItem::Handle* rotateHandle = nullptr;
  double angle = 0.0;
  ZarvoImageItem::Handle* scaleHandle = nullptr;
  double scaleX = 1.0;
  double scaleY = 1.0;
  ZarvoImageItem::Handle* dragHandle = nullptr;
  bool editable = true;
  bool userTransformed = false;
  QPoint anchor;
  bool cacheDirty = true;
  QImage displayCache;  // the pixmap pre-scaled for display below 1:1
};
