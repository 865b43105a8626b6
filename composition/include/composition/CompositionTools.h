#pragma once

#include "workspace/ToolSet.h"

class BackgroundTool;
class CompressTool;
class FinalImageWidget;
class FinalOptionsTool;
class GmTool;
class HighlightBrushTool;
class ImageSizeTool;
class ImportLogoTool;
class QActionGroup;
class QWidget;
class ShadowTool;
class SharpenImageTool;
class ToolOptions;
class ZarvoPanTool;
class ZarvoSelectTool;
class ZarvoWidget;
class ZarvoZoomTool;

// The one place that creates the tools of the composition tabs, in the main window's order:
// select, background, image size, sharpening, shadow, highlight brush, logo, final options,
// compression, then the composition's pan and zoom tools, whose actions join the given (hidden)
// view menu. The sharpened image goes on to the highlight brush, which paints on it.
//
// Owns the tools and destroys them newest first (ToolSet); the views are borrowed and outlive the
// tools. Build it once the workspace host is installed. GUI thread only.
class CompositionTools : public ToolSet {
 public:
  // Where the tools' actions and option pages go; a null member: the shared tool action group,
  // no menu, the default options panel.
  struct Places {
    QActionGroup* group = nullptr;
    QWidget* viewMenu = nullptr;
    ToolOptions* options = nullptr;
  };

  CompositionTools(ZarvoWidget* view, FinalImageWidget* finalPage, const Places& places);

  ZarvoSelectTool* selectTool() const { return selectTool_; }
  BackgroundTool* backgroundTool() const { return backgroundTool_; }
  ImageSizeTool* imageSizeTool() const { return imageSizeTool_; }
  SharpenImageTool* sharpenTool() const { return sharpenTool_; }
  ShadowTool* shadowTool() const { return shadowTool_; }
  HighlightBrushTool* highlightBrushTool() const { return highlightBrushTool_; }
  ImportLogoTool* logoTool() const { return logoTool_; }
  FinalOptionsTool* finalOptionsTool() const { return finalOptionsTool_; }
  CompressTool* compressTool() const { return compressTool_; }
  ZarvoPanTool* panTool() const { return panTool_; }
  ZarvoZoomTool* zoomTool() const { return zoomTool_; }

 private:
  ZarvoSelectTool* selectTool_ = nullptr;
  BackgroundTool* backgroundTool_ = nullptr;
  ImageSizeTool* imageSizeTool_ = nullptr;
  SharpenImageTool* sharpenTool_ = nullptr;
  ShadowTool* shadowTool_ = nullptr;
  HighlightBrushTool* highlightBrushTool_ = nullptr;
  ImportLogoTool* logoTool_ = nullptr;
  FinalOptionsTool* finalOptionsTool_ = nullptr;
  CompressTool* compressTool_ = nullptr;
  ZarvoPanTool* panTool_ = nullptr;
  ZarvoZoomTool* zoomTool_ = nullptr;
};
