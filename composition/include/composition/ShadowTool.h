#pragma once

#include <memory>

#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QString>

#include "composition/SmallDial.h"
#include "workspace/GmTool.h"

class QGraphicsPixmapItem;
class Shadow;
class ZarvoWidget;

// "Apply Shadow" on the "3. Add Effects" tab: the shadow's type, direction, length, intensity
// and fuzziness, a preview of the shadow under the cut-out (shown only on that tab), and every
// finished shadow handed to the hub as its shadow layer at its canvas position. It takes the
// cut-out from the view's cut-out controller. GUI thread only.
//
// Surface: constructed with the composition view; shadowUpdated goes to the hub (connected
// here); the main window connects ImageView::viewTabChanged to viewTabChangedSlot.
class ShadowTool : public GmTool {
  Q_OBJECT

 public:
  // `view` is the composition view (borrowed, may be null: no preview and no cut-out).
  explicit ShadowTool(ZarvoWidget* view, QActionGroup* group = nullptr, QWidget* menu = nullptr,
                      ToolOptions* options = nullptr);
  ~ShadowTool() override;

  ImageView::ViewTabs viewTabs() const override;
  int defaultViewTab() const override;
  void activate(GmTool* previous) override;
  void deactivate(GmTool* next) override;
  virtual QWidget* createOptionsWidget();

  Shadow* shadow() const { return shadow_.get(); }
  QGraphicsPixmapItem* previewItem() const { return preview_; }
  QPoint basePosition() const { return base_; }
  QComboBox* typeBox() const { return typeBox_; }
  SmallDial* directionDial() const { return dial_; }
  QSlider* lengthSlider() const { return length_; }
  QSlider* intensitySlider() const { return intensity_; }
  QSlider* fuzzinessSlider() const { return fuzziness_; }
  QLabel* calculatingLabel() const { return calculating_; }

 signals:
  // The shadow as a pixmap at its canvas position; a null pixmap at the cut-out's position when
  // there is none.
  void shadowUpdated(const QPixmap& shadow, const QPoint& topLeft);

 public slots:
  void viewTabChangedSlot(ImageView::ViewTab view);
  // The model's defaults, with the controls set from them (a control that moves feeds its
  // quantised value back), and the empty shadow layer.
  void reset();
  void directionChanged(int value);
  void lengthChanged(int value);
  void intensityChanged(int value);
  void shadowImageReady(const QImage& image, const QPoint& offset);
  void generatedImageChanged(const QImage& image, const QPoint& topLeft);
  // The hub's settling: a shadow still being computed is finished and sent now.
  void settle(bool* finished);

 private:
  std::unique_ptr<Shadow> shadow_;
  QPointer<QComboBox> typeBox_;
  QPointer<SmallDial> dial_;
  QPointer<QSlider> length_;
  QPointer<QSlider> intensity_;
  QPointer<QSlider> fuzziness_;
  QPointer<QLabel> calculating_;
  QString helpPage_;
  QGraphicsPixmapItem* preview_ = nullptr;  // owned by the view's scene
  QPoint base_;
  QPointer<ZarvoWidget> view_;
};
