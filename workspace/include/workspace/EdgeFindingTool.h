#pragma once

#include <memory>

#include "workspace/EdgeDetectionOptions.h"
#include "workspace/GmTool.h"

// "Edge Finding Options": a tool that does nothing on the canvas; selecting it shows the
// image's edge sensitivity and minimum edge width, which apply at once, and the "Defaults"
// button in its page. GUI thread only.
class EdgeFindingTool : public GmTool {
  Q_OBJECT

 public:
  explicit EdgeFindingTool(QActionGroup* group = nullptr, ToolOptions* options = nullptr);
  // The panel goes before the page that holds its rows.
  ~EdgeFindingTool() override;

  void activate(GmTool*) override {}
  void deactivate(GmTool*) override {}
  // A page holding the panel's sensitivity row, its width row and its "Defaults" button,
  // separated by lines.
  virtual QWidget* createOptionsPage();

  EdgeDetectionOptions* panel() const { return panel_.get(); }

 private:
  std::unique_ptr<EdgeDetectionOptions> panel_;
};
