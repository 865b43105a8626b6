#pragma once

#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QString>

class CutoutInstanceItem;

// One cut-out from the masking side and the instances placed from it. Owned by the cut-out
// controller, which also deletes the instances. GUI thread only.
struct CutoutRecord {
  QPixmap pixmap;  // the cut-out cropped to its non-transparent pixels
  QPoint origin;   // that crop's top-left in the source image
  QString name;    // the source image's file name
  QList<CutoutInstanceItem*> instances;
};
