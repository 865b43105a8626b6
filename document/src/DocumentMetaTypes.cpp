#include "document/DocumentMetaTypes.h"

#include <cstdint>
#include <vector>

#include <QImage>
#include <QString>

#include "document/CorvaneCommand.h"
#include "document/DirtyHint.h"
#include "document/GmRegion.h"
#include "document/GmStatusArray.h"
#include "document/ImagePointF.h"
#include "document/ImageRectF.h"
#include "document/SegmentationStuff.h"
#include "kestrum/qt/ColourSpace.h"

void registerDocumentMetaTypes() {
  static const bool registered = [] {
    qRegisterMetaTypeStreamOperators<QPainterPath>("QPainterPath");
    qRegisterMetaType<ImagePointF>("ImagePointF");
    qRegisterMetaType<ImageRectF>("ImageRectF");
    qRegisterMetaType<DirtyHint>("DirtyHint");
    qRegisterMetaType<PatchPreviewWanted>("PatchPreviewWanted");
    qRegisterMetaType<uint32_t>("uint32_t");
    qRegisterMetaType<SegmentationStuff*>("SegmentationStuff*");
    qRegisterMetaType<GmRegion*>("GmRegion*");
    qRegisterMetaType<CorvaneCommand*>("CorvaneCommand*");
    qRegisterMetaType<CvPixelStatus>("CvPixelStatus");
    // The colour workspace's selections reach the status array's highlight slots by these.
    qRegisterMetaType<std::vector<bool>>("std::vector<bool>");
    qRegisterMetaType<kestrum::colour::channel>("kestrum::colour::channel");
    return true;
  }();
  Q_UNUSED(registered);
}
