#include "composition/CompositionTools.h"

#include "composition/BackgroundTool.h"
#include "composition/CompressTool.h"
#include "composition/FinalOptionsTool.h"
#include "composition/HighlightBrushTool.h"
#include "composition/ImageSizeTool.h"
#include "composition/ImportLogoTool.h"
#include "composition/ShadowTool.h"
#include "composition/SharpenImageTool.h"
#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "composition/ZarvoZoomTool.h"

CompositionTools::CompositionTools(ZarvoWidget* view, FinalImageWidget* finalPage,
                                   const Places& places) {
  QActionGroup* group = places.group;
  ToolOptions* options = places.options;
  selectTool_ = keep(new ZarvoSelectTool(view, group, nullptr, options));
  backgroundTool_ = keep(new BackgroundTool(view, group, nullptr, options));
  imageSizeTool_ = keep(new ImageSizeTool(group, nullptr, options));
  sharpenTool_ = keep(new SharpenImageTool(group, nullptr, options));
  shadowTool_ = keep(new ShadowTool(view, group, nullptr, options));
  highlightBrushTool_ = keep(new HighlightBrushTool(view, group, nullptr, options));
  logoTool_ = keep(new ImportLogoTool(view, group, nullptr, options));
  finalOptionsTool_ = keep(new FinalOptionsTool(finalPage, group, nullptr, options));
  compressTool_ = keep(new CompressTool(finalPage, group, nullptr, options));
  panTool_ = keep(new ZarvoPanTool(view, group, places.viewMenu, options));
  zoomTool_ = keep(new ZarvoZoomTool(view, group, places.viewMenu, options));
  QObject::connect(sharpenTool_, &SharpenImageTool::imageSharpened, highlightBrushTool_,
                   &HighlightBrushTool::imageSharpened);
}
