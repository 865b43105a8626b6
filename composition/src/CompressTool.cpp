#include "composition/CompressTool.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTimerEvent>

#include "composition/CompositionResources.h"
#include "composition/FinalImageViewer.h"
#include "composition/FinalImageWidget.h"
#include "composition/ZarvoObject.h"
#include "workspace/WidgetFunctions.h"

namespace {

// A spin box that takes a number outside its range while it is typed and, once confirmed,
// corrects it to the nearer bound (QSpinBox itself refuses the keystroke that leaves the range,
// and corrects everything else to the lower bound).
class NearestBoundSpinBox : public QSpinBox {
 protected:
  QValidator::State validate(QString& text, int& pos) const override {
    const QValidator::State state = QSpinBox::validate(text, pos);
    bool number = false;
    numberIn(text, &number);
    return state == QValidator::Invalid && number ? QValidator::Intermediate : state;
  }
  void fixup(QString& text) const override {
    bool number = false;
    const int value = numberIn(text, &number);
    if (number)
      text = prefix() + textFromValue(std::clamp(value, minimum(), maximum())) + suffix();
    else
      QSpinBox::fixup(text);
  }

 private:
  int numberIn(QString text, bool* ok) const {
    if (text.startsWith(prefix())) text.remove(0, prefix().size());
    if (text.endsWith(suffix())) text.chop(suffix().size());
    return locale().toInt(text.trimmed(), ok);
  }
};

}  // namespace

CompressTool::CompressTool(FinalImageWidget* widget, QActionGroup* group, QWidget* menu,
                           ToolOptions* options)
    : GmTool(QStringLiteral("Improve Foreground Quality"), tr("Improve Foreground Quality"),
             compositionIcon(QStringLiteral(":images/tool_compress.png")), tr("I"),
             tr("<p>When encountering poor object quality due to high levels of compression, "
                "improve the quality of the foreground by compressing the background "
                "further.</p>") +
                 learnMoreTip(QStringLiteral("final_image/improving_foreground_quality.htm")),
             group, nullptr, menu, options),
      widget_(widget),
      helpPage_(QStringLiteral("final_image/improving_foreground_quality.htm")) {
  setOptionPage(createOptionsWidget());
  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::zarvoReset, this, &CompressTool::reset);
  connect(hub, &ZarvoObject::updateImage, this, &CompressTool::finalImageChanged);
  connect(hub, &ZarvoObject::startedImageProcessing, this, &CompressTool::imageProcessingStarted);
  connect(hub, &ZarvoObject::maxFileSizeChanged, this, &CompressTool::hubMaxFileSizeChanged);
  compression_->setValue(0);
  fitScreen_->click();
}

ImageView::ViewTabs CompressTool::viewTabs() const {
  return ZarvoObject::instance()->outputType() == 0 ? ImageView::ViewTabs(ImageView::FinalImage)
                                                    : ImageView::ViewTabs();
}

int CompressTool::defaultViewTab() const {
  return ImageView::FinalImage;
}

void CompressTool::activate(GmTool*) {
  const bool fit = !widget_ || widget_->viewer()->fitScreen();
  if (fitScreen_) fitScreen_->setChecked(fit);
  if (actualPixels_) actualPixels_->setChecked(!fit);
}

void CompressTool::deactivate(GmTool*) {}

QWidget* CompressTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  const QString qualityHelp = learnMoreTip(helpPage_);

  actualPixels_ = new QPushButton(tr("Actual Pixels"));
  fitScreen_ = new QPushButton(tr("Fit Screen"));
  const QString viewHelp =
      tr("<p><b>View Options</b></p><p>Choose Actual Pixels or Fit Screen.</p><p>Actual Pixels "
         "will add scroll bars if necessary.</p><p>Fit Screen will let you to see entire image "
         "in the window.</p>") +
      learnMoreTip(QStringLiteral("final_image/final_options.htm"));
  for (QPushButton* button : {actualPixels_.data(), fitScreen_.data()}) {
    button->setCheckable(true);
    button->setAutoExclusive(true);
    button->setWhatsThis(viewHelp);
    layout->addWidget(button);
  }
  connect(actualPixels_, &QPushButton::clicked, this, &CompressTool::actualPixelsClicked);
  connect(fitScreen_, &QPushButton::clicked, this, &CompressTool::fitScreenClicked);
  layout->addWidget(createSeparatorLine());

  layout->addWidget(new QLabel(tr("Background Compression:")));
  layout->addSpacing(5);
  layout->addWidget(new QLabel(tr("None")));
  compression_ = new QSlider(Qt::Horizontal);
  compression_->setRange(0, 5);
  // The level goes to the hub when the user lets go of the slider.
  compression_->setTracking(false);
  compression_->setToolTip(tr("Set the compression level of the background image"));
  compression_->setWhatsThis(
      tr("<p><b>Background Compression</b></p><p>Increase background compression to improve "
         "foreground quality.</p><p>Note: this only works when object quality is compromised "
         "by high levels of compression.</p>") +
      qualityHelp);
  connect(compression_, &QSlider::valueChanged, ZarvoObject::instance(),
          &ZarvoObject::setCompressBackground);
  connect(compression_, &QSlider::valueChanged, ZarvoObject::instance(),
          &ZarvoObject::noteUserChange);
  layout->addWidget(compression_);
  layout->addWidget(new QLabel(tr("Maximum")));

  jpegGroup_ = new QWidget;
  auto* jpeg = new QHBoxLayout(jpegGroup_);
  jpeg->setContentsMargins(0, 0, 0, 0);
  jpeg->addWidget(createSeparatorLine());
  jpeg->addWidget(new QLabel(tr("Max File Size:")));
  maxFileSize_ = new NearestBoundSpinBox;
  maxFileSize_->setRange(10, 4000);
  maxFileSize_->setSuffix(tr("KB"));
  maxFileSize_->setKeyboardTracking(false);
  maxFileSize_->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
  maxFileSize_->setToolTip(tr("Set the maximum file size of the resulting image"));
  maxFileSize_->setWhatsThis(
      tr("<p><b>Set Image Size - Maximum File Size</b></p><p>Set the "
         "maximum desired image file size in kilobytes.</p>") +
      learnMoreTip(QStringLiteral("composing_pictures/setting_image_size.htm")));
  // The box shows what the hub uses, from the start.
  maxFileSize_->setValue(ZarvoObject::instance()->maxFileSizeKB());
  connect(maxFileSize_, QOverload<int>::of(&QSpinBox::valueChanged), this,
          &CompressTool::maxFileSizeEdited);
  jpeg->addWidget(maxFileSize_);
  jpeg->addWidget(new QLabel(tr("Size of final image:")));
  size_ = new QLabel;
  size_->setToolTip(tr("Actual file size of the generated image"));
  size_->setWhatsThis(tr("<p><b>Final Image Size</b></p><p>Improve the appearance of the image "
                         "by increasing the file size.</p>") +
                      qualityHelp);
  jpeg->addWidget(size_);
  layout->addWidget(jpegGroup_);

  layout->addSpacing(40);
  building_ = new QLabel;
  building_->hide();
  layout->addWidget(building_);
  layout->addStretch(1);
  finalImageChanged();
  return page;
}

QString CompressTool::sizeText(qint64 bytes) {
  const qint64 kilobytes = (std::max<qint64>(bytes, 0) + 1023) / 1024;
  return tr("%L1 KB").arg(kilobytes);
}

void CompressTool::reset() {
  if (compression_) compression_->setValue(0);
  if (fitScreen_) fitScreen_->click();
}

void CompressTool::fitScreenClicked() {
  if (widget_) widget_->setFitScreen(true);
}

void CompressTool::actualPixelsClicked() {
  if (widget_) widget_->setFitScreen(false);
}

void CompressTool::maxFileSizeEdited(int kilobytes) {
  if (updating_) return;
  ZarvoObject* hub = ZarvoObject::instance();
  hub->noteUserChange();
  hub->setMaxFileSize(kilobytes);
}

void CompressTool::hubMaxFileSizeChanged(int kilobytes) {
  if (!maxFileSize_) return;
  updating_ = true;
  maxFileSize_->setValue(kilobytes);
  updating_ = false;
}

void CompressTool::finalImageChanged() {
  if (timerId_ != -1) {
    killTimer(timerId_);
    timerId_ = -1;
    if (building_) building_->hide();
  }
  if (size_) size_->setText(sizeText(ZarvoObject::instance()->finalImageBytes().size()));
}

void CompressTool::imageProcessingStarted() {
  if (timerId_ == -1) {
    timerId_ = startTimer(kAnimationMs, Qt::CoarseTimer);
    dots_ = 0;
    animate();
  }
  if (building_) building_->show();
  if (size_) size_->setText(tr("?"));
  dots_ = 0;
}

void CompressTool::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timerId_) {
    GmTool::timerEvent(event);
    return;
  }
  animate();
}

void CompressTool::animate() {
  if (building_)
    building_->setText(
        tr("<big>Building output image%1</big>").arg(QString(dots_, QLatin1Char('.'))));
  if (++dots_ > 3) dots_ = 0;
}
