#include "workspace/CutoutTools.h"

#include "workspace/ComplexExactTool.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EdgeBlendingTool.h"
#include "workspace/EdgeFindingTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/ImageView.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ZoomTool.h"

CutoutTools::CutoutTools(const Places& places) {
  noTool_ = keep(new NoTool(places.options));
  noTool_->installSlot();
  deleteExactTool_ = keep(new DeleteExactTool(places.group, places.brushMenu, places.options));
  complexExactTool_ = keep(new ComplexExactTool(places.group, places.brushMenu, places.options));
  eraseExactTool_ = keep(new EraseExactTool(places.group, places.brushMenu, places.options));
  deleteLocalTool_ = keep(new DeleteLocalTool(places.group, places.brushMenu, places.options));
  panTool_ = keep(new PanTool(places.group, places.viewMenu, places.options));
  zoomTool_ = keep(new ZoomTool(places.group, places.viewMenu, places.options));
  if (places.afterViewTools) places.afterViewTools();
  edgeFindingTool_ = keep(new EdgeFindingTool(places.group, places.options));
  edgeBlendingTool_ = keep(new EdgeBlendingTool(places.group, places.options));
}

void CutoutTools::connectView(ImageView* view) const {
  QObject::connect(panTool_, &PanTool::tellPan, view, &ImageView::panImageViewportSlot);
  QObject::connect(zoomTool_, &ZoomTool::zoomToRectSignal, view,
                   &ImageView::minCheckedMoveImageViewportToSlot);
  QObject::connect(zoomTool_, &ZoomTool::actualPixelsSignal, view,
                   &ImageView::zoomTo100PercentSlot);
  QObject::connect(zoomTool_, &ZoomTool::fitScreenSignal, view, &ImageView::fitImageOnScreenSlot);
}
