#include "composition/ShadowTool.h"

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QGraphicsPixmapItem>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/Shadow.h"
#include "composition/SmallDial.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "workspace/WidgetFunctions.h"

ShadowTool::ShadowTool(ZarvoWidget* view, QActionGroup* group, QWidget* menu, ToolOptions* options)
    : GmTool(QStringLiteral("Apply Shadow"), tr("Apply Shadow"),
             compositionIcon(QStringLiteral(":images/tool_shadow.png")), tr("S"),
             tr("<p>Apply a shadow as if the object were laying flat or standing upright.</p>") +
                 learnMoreTip(QStringLiteral("adding_effects/adding_shadows.htm")),
             group, nullptr, menu, options),
      shadow_(new Shadow),
      helpPage_(QStringLiteral("adding_effects/adding_shadows.htm")),
      view_(view) {
  if (view) {
    preview_ = new QGraphicsPixmapItem;
    preview_->setZValue(3.0);
    preview_->setVisible(GmTool::currentViewTab() == ImageView::AddEffects);
    view->itemScene()->addItem(preview_);
    // A scene that goes first deletes the item.
    connect(view->itemScene(), &ItemScene::itemsClosing, this, [this] { preview_ = nullptr; });
    connect(view->cutoutController(), &CutoutController::generatedImageChanged, this,
            &ShadowTool::generatedImageChanged);
  }
  // The model emits in the GUI thread (its worker's masks come queued), so a finished shadow
  // reaches the hub within the call that finished it.
  connect(shadow_.get(), &Shadow::shadowReady, this, &ShadowTool::shadowImageReady);
  ZarvoObject* hub = ZarvoObject::instance();
  connect(hub, &ZarvoObject::zarvoReset, this, &ShadowTool::reset);
  connect(hub, &ZarvoObject::settling, this, &ShadowTool::settle, Qt::DirectConnection);
  connect(this, &ShadowTool::shadowUpdated, hub, &ZarvoObject::shadowUpdated);
  setOptionPage(createOptionsWidget());
}

ShadowTool::~ShadowTool() {
  delete preview_;
  shadow_.reset();  // joins the worker before the rest goes
}

ImageView::ViewTabs ShadowTool::viewTabs() const {
  return ImageView::AddEffects;
}

int ShadowTool::defaultViewTab() const {
  return ImageView::AddEffects;
}

void ShadowTool::activate(GmTool*) {}

void ShadowTool::deactivate(GmTool*) {}

QWidget* ShadowTool::createOptionsWidget() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  const QString learnMore = learnMoreTip(helpPage_);

  typeBox_ = new QComboBox;
  typeBox_->setMinimumContentsLength(15);
  typeBox_->addItems({tr("No shadow"), tr("Standing shadow"), tr("Flat shadow")});
  typeBox_->setToolTip(tr("Select shadow type"));
  typeBox_->setWhatsThis(tr("<p><b>Shadow Type</b></p><p>Select a shadow type - as if the object "
                            "were laying flat or standing upright.</p>") +
                         learnMore);
  connect(typeBox_, QOverload<int>::of(&QComboBox::currentIndexChanged), shadow_.get(),
          &Shadow::setShadowType);
  layout->addWidget(typeBox_);

  layout->addWidget(new QLabel(tr("Direction:")));
  dial_ = new SmallDial;
  dial_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  dial_->setWrapping(true);
  dial_->setToolTip(tr("Choose shadow direction"));
  dial_->setWhatsThis(tr("<p><b>Shadow Direction</b></p><p>Determine the shadow "
                         "direction.</p><p>Click and drag arrow around the circle to determine "
                         "the shadow direction.</p>") +
                      learnMore);
  connect(dial_, &QDial::valueChanged, this, &ShadowTool::directionChanged);
  layout->addWidget(dial_);

  layout->addWidget(new QLabel(tr("Length:")));
  length_ = new QSlider(Qt::Horizontal);
  length_->setToolTip(tr("Choose shadow length"));
  length_->setWhatsThis(tr("<p><b>Shadow Length</b></p><p>Increase the length of the shadow by "
                           "dragging slider to the right and vice versa.</p>") +
                        learnMore);
  connect(length_, &QSlider::valueChanged, this, &ShadowTool::lengthChanged);
  layout->addWidget(length_);

  layout->addWidget(new QLabel(tr("Intensity:")));
  intensity_ = new QSlider(Qt::Horizontal);
  intensity_->setToolTip(tr("Choose shadow intensity"));
  intensity_->setWhatsThis(tr("<p><b>Shadow Intensity</b></p><p>Increase the intensity of the "
                              "shadow by dragging slider to the right and vice versa.</p>") +
                           learnMore);
  connect(intensity_, &QSlider::valueChanged, this, &ShadowTool::intensityChanged);
  layout->addWidget(intensity_);

  layout->addWidget(new QLabel(tr("Fuzziness:")));
  fuzziness_ = new QSlider(Qt::Horizontal);
  fuzziness_->setRange(ShadowKernel::kMinRadius, ShadowKernel::kMaxRadius);
  fuzziness_->setToolTip(tr("Choose shadow fuzziness"));
  fuzziness_->setWhatsThis(tr("<p><b>Shadow Fuzziness</b></p><p>Increase the fuzziness of the "
                              "shadow by dragging slider to the right and vice versa.</p>") +
                           learnMore);
  connect(fuzziness_, &QSlider::valueChanged, shadow_.get(), &Shadow::setFuzziness);
  layout->addWidget(fuzziness_);

  // Built hidden and hidden again by every shadow that arrives; the computations are short
  // enough that it never needs to show.
  calculating_ = new QLabel(tr("Calculating..."));
  calculating_->hide();
  layout->addWidget(calculating_);
  layout->addStretch(1);

  // A control moves for the user but in reset(), within the hub's reset, which clears what it
  // tells.
  ZarvoObject* hub = ZarvoObject::instance();
  connect(typeBox_, QOverload<int>::of(&QComboBox::currentIndexChanged), hub,
          &ZarvoObject::noteUserChange);
  for (QAbstractSlider* control :
       std::initializer_list<QAbstractSlider*>{dial_, length_, intensity_, fuzziness_})
    connect(control, &QAbstractSlider::valueChanged, hub, &ZarvoObject::noteUserChange);
  reset();
  return page;
}

void ShadowTool::viewTabChangedSlot(ImageView::ViewTab view) {
  if (preview_) preview_->setVisible(view == ImageView::AddEffects);
}

void ShadowTool::reset() {
  shadow_->reset();
  // Each control that moves feeds its quantised value back into the model.
  if (typeBox_) typeBox_->setCurrentIndex(shadow_->shadowType());
  if (dial_) dial_->setValue(int(shadow_->direction() * 100.0 / (2.0 * kShadowPi)));
  if (length_) length_->setValue(std::clamp(int(shadow_->length() * 99.9), 0, 99));
  if (intensity_) intensity_->setValue(std::clamp(int(shadow_->intensity() * 99.9), 0, 99));
  if (fuzziness_) fuzziness_->setValue(shadow_->fuzziness());
  // The hub's layer empties with the type.
  shadow_->emitShadow();
}

void ShadowTool::directionChanged(int value) {
  shadow_->setDirection(value * 2.0 * kShadowPi * 0.01);
}

void ShadowTool::lengthChanged(int value) {
  shadow_->setLength(value * 0.01);
}

void ShadowTool::intensityChanged(int value) {
  shadow_->setIntensity(value * 0.01);
}

void ShadowTool::shadowImageReady(const QImage& image, const QPoint& offset) {
  const QPixmap pixmap = QPixmap::fromImage(image);
  if (preview_) {
    preview_->setPixmap(pixmap);
    if (!pixmap.isNull()) preview_->setOffset(base_ + offset);
  }
  if (calculating_) calculating_->hide();
  emit shadowUpdated(pixmap, base_ + offset);
}

void ShadowTool::settle(bool* finished) {
  if (shadow_->finishRun()) *finished = true;
}

void ShadowTool::generatedImageChanged(const QImage& image, const QPoint& topLeft) {
  base_ = topLeft;
  shadow_->setImage(image);
}
