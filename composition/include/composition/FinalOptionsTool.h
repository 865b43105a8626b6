#pragma once

#include <QPointer>
#include <QPushButton>
#include <QString>

#include "workspace/GmTool.h"

class FinalImageWidget;

// "Specify Final Options": "Actual Size" and "Fit Screen" for the final image view. Offered in
// no view tab for web output (the only output of this system); its construction and every
// hub reset still put the viewer into fit mode. GUI thread only.
class FinalOptionsTool : public GmTool {
  Q_OBJECT

 public:
  // `widget` is the final image page it controls (borrowed, may be null).
  explicit FinalOptionsTool(FinalImageWidget* widget, QActionGroup* group = nullptr,
                            QWidget* menu = nullptr, ToolOptions* options = nullptr);

  // 0 for web output; the "4. Final Image" tab otherwise.
  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  QPushButton* actualSizeButton() const { return actualSize_; }
  QPushButton* fitScreenButton() const { return fitScreen_; }

 private slots:
  // Back to fit mode.
  void reset();
  void fitScreenClicked();
  void actualSizeClicked();

 private:
  QPointer<FinalImageWidget> widget_;
  QString helpPage_;
  QPointer<QPushButton> actualSize_;
  QPointer<QPushButton> fitScreen_;
};
