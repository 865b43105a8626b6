#pragma once

#include "workspace/GmTool.h"

// The default tool: always usable, in every tab, and does nothing. It registers itself as the
// default tool; the fallbacks of every other tool end here.
class NoTool : public GmTool {
  Q_OBJECT

 public:
  explicit NoTool(ToolOptions* options = nullptr);

  ImageView::ViewTabs viewTabs() const override;
  bool isUsable() const override { return true; }
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
};
