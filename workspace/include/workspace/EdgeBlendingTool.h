#pragma once

#include <memory>

#include "workspace/CommonBlendOptsWidget.h"
#include "workspace/GmTool.h"

// "Edge Blending Options": a tool that does nothing on the canvas; selecting it shows the
// blend width and the Feather–Smart ratio of the image in its page. Whoever holds the tool
// drives the panel through its two signals. GUI thread only.
class EdgeBlendingTool : public GmTool {
  Q_OBJECT

 public:
  explicit EdgeBlendingTool(QActionGroup* group = nullptr, ToolOptions* options = nullptr);
  // The panel goes before the page that holds its rows.
  ~EdgeBlendingTool() override;

  void activate(GmTool*) override {}
  void deactivate(GmTool*) override {}
  // A page holding the panel's width row, a separator line and its ratio row.
  virtual QWidget* createOptionsPage();

  CommonBlendOptsWidget* panel() const { return panel_.get(); }

 signals:
  void setAutoBlueWidthToChoiceSignal(CommonBlendOptsWidget::BlendWidths w);
  void setBinaryBlendRatioSignal(bool soften);

 private:
  std::unique_ptr<CommonBlendOptsWidget> panel_;
};
