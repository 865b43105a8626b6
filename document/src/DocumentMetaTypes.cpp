#include "document/DocumentMetaTypes.h"

#include <cstdint>

#include <QImage>
#include <QString>

#include "document/CorvaneCommand.h"
#include "document/DirtyHint.h"
#include "document/GmStatusArray.h"
#include "document/ImagePointF.h"
#include "document/ImageRectF.h"
#include "document/SegmentationStuff.h"

void registerDocumentMetaTypes() {
  static const bool registered = [] {
    qRegisterMetaTypeStreamOperators<QPainterPath>("QPainterPath");
    qRegisterMetaType<ImagePointF>("ImagePointF");
    qRegisterMetaType<ImageRectF>("ImageRectF");
    qRegisterMetaType<DirtyHint>("DirtyHint");
    qRegisterMetaType<PatchPreviewWanted>("PatchPreviewWanted");
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<SegmentationStuff*>("SegmentationStuff*");
    qRegisterMetaType<CorvaneCommand*>("CorvaneCommand*");
    qRegisterMetaType<CvPixelStatus>("CvPixelStatus");
    return true;
  }();
  Q_UNUSED(registered);
}
