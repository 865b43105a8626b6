#pragma once

#include <QPointer>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QString>

#include "workspace/GmTool.h"

class FinalImageWidget;
class QTimerEvent;

// "Improve Foreground Quality" on the "4. Final Image" tab: the background's compression level
// (0 .. 5, a blur before encoding, so the JPEG size search can spend the bytes on the
// foreground), the maximum file size, which follows the hub's in both directions, the size of
// the last encoded picture, a "Building output image" animation while the hub rebuilds, and
// actual pixels or fit to screen for the final image view. GUI thread only.
//
// Surface: constructed with the final image page; the hub's signals and slots are connected
// here.
class CompressTool : public GmTool {
  Q_OBJECT

 public:
  static constexpr int kAnimationMs = 400;

  // `widget` is the final image page (borrowed, may be null).
  explicit CompressTool(FinalImageWidget* widget, QActionGroup* group = nullptr,
                        QWidget* menu = nullptr, ToolOptions* options = nullptr);

  // "4. Final Image" for web output (the only output of this system); none otherwise.
  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  // The view buttons show the viewer's mode.
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  // "%L1 KB" for ceil(bytes / 1024) kilobytes.
  static QString sizeText(qint64 bytes);

  QPushButton* actualPixelsButton() const { return actualPixels_; }
  QPushButton* fitScreenButton() const { return fitScreen_; }
  QSlider* compressionSlider() const { return compression_; }
  QSpinBox* maxFileSizeBox() const { return maxFileSize_; }
  QLabel* sizeLabel() const { return size_; }
  QLabel* buildingLabel() const { return building_; }

 public slots:
  // Compression 0 and the view fitted to the screen.
  void reset();
  void fitScreenClicked();
  void actualPixelsClicked();
  // The hub delivered a picture: its size, and the animation stops.
  void finalImageChanged();
  // The hub started a rebuild: "?" for the size, and the animation runs.
  void imageProcessingStarted();

 protected:
  void timerEvent(QTimerEvent* event) override;

 private slots:
  void maxFileSizeEdited(int kilobytes);
  void hubMaxFileSizeChanged(int kilobytes);

 private:
  void animate();

  QPointer<FinalImageWidget> widget_;
  QPointer<QPushButton> actualPixels_;
  QPointer<QPushButton> fitScreen_;
  QPointer<QSlider> compression_;
  QPointer<QWidget> jpegGroup_;
  QPointer<QSpinBox> maxFileSize_;
  QPointer<QLabel> size_;
  QPointer<QLabel> building_;
  QString helpPage_;
  int dots_ = 0;
  int timerId_ = -1;
  bool updating_ = false;  // the tool sets its own controls: their slots stay still
};
