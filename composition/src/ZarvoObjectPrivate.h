#pragma once

#include <QByteArray>
#include <QMetaObject>
#include <QPixmap>
#include <QSize>

#include "composition/LayerSet.h"

class ProcessorFinalImage;
class QGraphicsScene;

// The hub's record. GUI thread only.
struct ZarvoObjectPrivate {
  QGraphicsScene* scene = nullptr;  // borrowed: set by the composition view; printing renders it
  QSize backgroundImageSize{-1, -1};
  int outputType = 0;       // 0: web output, sized in pixels (the only type built)
  int rebuildTimerId = -1;  // -1: no rebuild pending
  int rebuildDelayMs = 500;
  ProcessorFinalImage* processor = nullptr;  // owned
  LayerSet layers;
  QPixmap finalPixmap;  // the last delivered picture
  QByteArray savedFingerprint;
  bool takeFingerprintOnDone = false;
  // A newly opened photo's first settled picture is still to come (the engine's queue drains).
  bool awaitingPhoto = false;
  // The user changed the composition while the photo opened (noteUserChange).
  bool userChangedWhileOpening = false;
  QMetaObject::Connection photoOpening;
  QByteArray finalImageBytes;  // encoded as delivered with finalPixmap
  int finalImageType = -1;     // file type finalImageBytes were made for; -1 none yet
  // Rebuilds are numbered; only the delivery of `expectedRun` is taken (0: none is).
  quint64 runCounter = 0;
  quint64 expectedRun = 0;
};
