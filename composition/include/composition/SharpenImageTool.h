#pragma once

#include <QImage>
#include <QPointer>
#include <QLabel>
#include <QSlider>
#include <QString>

#include "workspace/GmTool.h"

class Sharpener;

// "Sharpen Image" on the "3. Add Effects" tab: six levels (0 none .. 5) for the cut-out. The
// level goes to the hub as its sharpen value, so every rebuild of the picture sharpens the
// cut-out, and a Sharpener sharpens the current cut-out at once for the preview, which leaves
// as imageSharpened (the main window connects it to the highlight brush). GUI thread only.
//
// Surface: built after the composition view, whose cut-out controller (CutoutController::
// instance()) feeds it; the hub's setSharpenValue follows the slider (connected here).
class SharpenImageTool : public GmTool {
  Q_OBJECT

 public:
  // Without a cut-out controller no cut-out arrives.
  explicit SharpenImageTool(QActionGroup* group = nullptr, QWidget* menu = nullptr,
                            ToolOptions* options = nullptr);
  ~SharpenImageTool() override;

  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  QSlider* levelSlider() const { return slider_; }
  QLabel* progressLabel() const { return progress_; }
  // The sharpening in flight: null once its image has gone out.
  Sharpener* sharpener() const { return sharpener_; }
  const QImage& image() const { return image_; }

 signals:
  // The cut-out at the current level: at once for level 0, when the sharpening ends otherwise.
  void imageSharpened(const QImage& image);

 private slots:
  void reset();
  // Replaces the running sharpening by one at the current level.
  void performSharpen();
  // A new cut-out: the running sharpening is dropped at once, the new one starts once the
  // current event has been handled.
  void setImage(const QImage& image);
  // The hub's settling: a sharpening still to start or running is finished and sent now.
  void settle(bool* finished);

 private:
  QPointer<QSlider> slider_;
  QPointer<QLabel> progress_;
  QString helpPage_;
  Sharpener* sharpener_ = nullptr;  // owned
  QImage image_;
  bool sharpenPending_ = false;  // setImage's zero-delay start is still to come
};
