#pragma once

#include <functional>

#include "workspace/ToolSet.h"

class ComplexExactTool;
class DeleteExactTool;
class DeleteLocalTool;
class EdgeBlendingTool;
class EdgeFindingTool;
class EraseExactTool;
class GmTool;
class ImageView;
class NoTool;
class PanTool;
class QActionGroup;
class QWidget;
class ToolOptions;
class ZoomTool;

// The one place that creates the tools of the cut-out side, in the order the main window builds
// them: the default NoTool first, made current at once (through the host's fallback when it
// cannot be), then the brush tools, whose actions join the Brush menu, then the pan and zoom
// tools, whose actions join the View menu, then (the caller's) the other tabs' tools, then the
// edge tools. The main window, the demonstration window and the benchmarks all build their
// tools here, and every new tool of the cut-out side takes its place here.
//
// Owns the tools and destroys them newest first (ToolSet). Build it once the workspace host is
// installed (the tools follow its view's tab). GUI thread only.
class CutoutTools : public ToolSet {
 public:
  // Where the tools' actions and option pages go; a null member: the shared tool action group,
  // no menu, the default options panel.
  struct Places {
    QActionGroup* group = nullptr;
    QWidget* brushMenu = nullptr;
    QWidget* viewMenu = nullptr;
    ToolOptions* options = nullptr;
    // Called once the pan and zoom tools exist and before the edge tools are made: the place
    // of the tools of the other tabs in the one tool order.
    std::function<void()> afterViewTools;
  };

  explicit CutoutTools(const Places& places);

  NoTool* noTool() const { return noTool_; }
  // The main window's "[" and "]" go to this brush's size slots.
  DeleteExactTool* deleteExactTool() const { return deleteExactTool_; }
  ComplexExactTool* complexExactTool() const { return complexExactTool_; }
  EraseExactTool* eraseExactTool() const { return eraseExactTool_; }
  DeleteLocalTool* deleteLocalTool() const { return deleteLocalTool_; }
  PanTool* panTool() const { return panTool_; }
  ZoomTool* zoomTool() const { return zoomTool_; }
  EdgeFindingTool* edgeFindingTool() const { return edgeFindingTool_; }
  EdgeBlendingTool* edgeBlendingTool() const { return edgeBlendingTool_; }

  // Lets the pan and zoom tools move `view` (borrowed): the pan, the zoom to a dragged
  // rectangle, actual pixels and fit on screen. The zoom-in and zoom-out steps are the
  // navigator's to take, or the view's where there is no navigator: the caller connects them.
  void connectView(ImageView* view) const;

 private:
  NoTool* noTool_ = nullptr;
  DeleteExactTool* deleteExactTool_ = nullptr;
  ComplexExactTool* complexExactTool_ = nullptr;
  EraseExactTool* eraseExactTool_ = nullptr;
  DeleteLocalTool* deleteLocalTool_ = nullptr;
  PanTool* panTool_ = nullptr;
  ZoomTool* zoomTool_ = nullptr;
  EdgeFindingTool* edgeFindingTool_ = nullptr;
  EdgeBlendingTool* edgeBlendingTool_ = nullptr;
};
