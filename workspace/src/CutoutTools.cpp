#include "workspace/CutoutTools.h"

#include "workspace/ImageView.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ZoomTool.h"

template <class Tool>
Tool* CutoutTools::keep(Tool* tool) {
  tools_ << tool;
  return tool;
}

CutoutTools::CutoutTools(const Places& places) {
  noTool_ = keep(new NoTool(places.options));
  noTool_->installSlot();
  panTool_ = keep(new PanTool(places.group, places.viewMenu, places.options));
  zoomTool_ = keep(new ZoomTool(places.group, places.viewMenu, places.options));
}

CutoutTools::~CutoutTools() {
  while (!tools_.isEmpty()) delete tools_.takeLast();
}

void CutoutTools::connectView(ImageView* view) const {
  QObject::connect(panTool_, &PanTool::tellPan, view, &ImageView::panImageViewportSlot);
  QObject::connect(zoomTool_, &ZoomTool::zoomToRectSignal, view,
                   &ImageView::minCheckedMoveImageViewportToSlot);
  QObject::connect(zoomTool_, &ZoomTool::actualPixelsSignal, view,
                   &ImageView::zoomTo100PercentSlot);
  QObject::connect(zoomTool_, &ZoomTool::fitScreenSignal, view, &ImageView::fitImageOnScreenSlot);
}
