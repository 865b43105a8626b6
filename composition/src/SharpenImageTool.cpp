#include "composition/SharpenImageTool.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QTimer>

#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/Sharpener.h"
#include "composition/ZarvoObject.h"
#include "workspace/WidgetFunctions.h"

SharpenImageTool::SharpenImageTool(QActionGroup* group, QWidget* menu, ToolOptions* options)
    : GmTool(QStringLiteral("Sharpen Image"), tr("Sharpen Image"),
             compositionIcon(QStringLiteral(":images/tool_sharpen_image.png")), QString(),
             tr("<p>Sharpen the appearance of the image.</p>") +
                 learnMoreTip(QStringLiteral("adding_effects/sharpening_the_image.htm")),
             group, nullptr, menu, options),
      helpPage_(QStringLiteral("adding_effects/sharpening_the_image.htm")) {
  setOptionPage(createOptionsWidget());
  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::zarvoReset, this, &SharpenImageTool::reset);
  connect(hub, &ZarvoObject::settling, this, &SharpenImageTool::settle, Qt::DirectConnection);
  if (CutoutController* controller = CutoutController::instance())
    connect(controller, &CutoutController::generatedImageChanged, this,
            [this](const QImage& image, const QPoint&) { setImage(image); });
  connect(slider_, &QSlider::valueChanged, this, &SharpenImageTool::performSharpen);
  connect(slider_, &QSlider::valueChanged, hub, &ZarvoObject::setSharpenValue);
  connect(slider_, &QSlider::valueChanged, hub, &ZarvoObject::noteUserChange);
}

SharpenImageTool::~SharpenImageTool() {
  delete sharpener_;
}

ImageView::ViewTabs SharpenImageTool::viewTabs() const {
  return ImageView::AddEffects;
}

int SharpenImageTool::defaultViewTab() const {
  return ImageView::AddEffects;
}

void SharpenImageTool::activate(GmTool*) {}

void SharpenImageTool::deactivate(GmTool*) {}

QWidget* SharpenImageTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  slider_ = new QSlider(Qt::Horizontal);
  slider_->setRange(0, 5);
  slider_->setValue(0);
  // The level is taken when the user lets go of the slider.
  slider_->setTracking(false);
  slider_->setToolTip(tr("Select sharpness level"));
  slider_->setWhatsThis(tr("<p><b>Sharpen Level</b></p><p>Increase the sharpness of the "
                           "appearance of the object. Move the slider to the right to increase "
                           "the sharpness.</p><p>Note: It only works on the object and not the "
                           "background.</p>") +
                        learnMoreTip(helpPage_));
  progress_ = new QLabel(tr("Sharpening image..."));
  progress_->hide();
  layout->addWidget(new QLabel(tr("Original")));
  layout->addWidget(slider_);
  layout->addWidget(new QLabel(tr("Sharpened Image")));
  layout->addWidget(progress_);
  layout->addStretch(1);
  return page;
}

void SharpenImageTool::reset() {
  if (slider_) slider_->setValue(0);
}

void SharpenImageTool::setImage(const QImage& image) {
  // A sharpening of the cut-out before must not arrive after this one.
  delete sharpener_;
  sharpener_ = nullptr;
  image_ = image;
  sharpenPending_ = true;
  QTimer::singleShot(0, this, [this] {
    if (sharpenPending_) performSharpen();
  });
}

void SharpenImageTool::performSharpen() {
  sharpenPending_ = false;
  delete sharpener_;
  sharpener_ = nullptr;
  const int level = slider_ ? slider_->value() : 0;
  if (level != 0 && !image_.isNull()) {
    Sharpener* sharpener = new Sharpener(image_, this, float(level));
    sharpener_ = sharpener;
    connect(sharpener, &Sharpener::sharpenImageDone, this, [this, sharpener](const QImage& image) {
      // Its image is out: kept, it would be sent again by every settle, and with dabs each
      // time start a new highlight copy. Deleted later, as this runs inside its signal.
      sharpener->deleteLater();
      sharpener_ = nullptr;
      if (progress_) progress_->hide();
      emit imageSharpened(image);
    });
    if (progress_) progress_->show();
  } else {
    emit imageSharpened(image_);
    if (progress_) progress_->hide();
  }
}

void SharpenImageTool::settle(bool* finished) {
  if (sharpenPending_) {
    performSharpen();
    *finished = true;
  }
  QImage sharpened;
  if (!sharpener_ || !sharpener_->finishNow(&sharpened)) return;
  delete sharpener_;  // its queued delivery goes with it
  sharpener_ = nullptr;
  if (progress_) progress_->hide();
  emit imageSharpened(sharpened);
  *finished = true;
}
