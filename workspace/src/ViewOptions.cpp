#include "workspace/ViewOptions.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "workspace/WidgetFunctions.h"

namespace {

QPointer<ViewOptions>& registered() {
  static QPointer<ViewOptions> options;
  return options;
}

const QString group = QStringLiteral("ViewOptions");

}  // namespace

ViewOptions::ViewOptions(QWidget* parent)
    : QWidget(parent),
      layout_(new QHBoxLayout(this)),
      opacitySlider_(
          new PersistentWidget<QSlider, int>(group, QStringLiteral("Opacity"), 153, false)),
      showEdgesBox_(new PersistentWidget<QCheckBox, bool>(
          group, QStringLiteral("Show Delete Edges"), true, false)),
      opacityLabel_(new QLabel(this)) {
  layout_->setSpacing(10);
  layout_->setContentsMargins(0, 0, 0, 0);

  const QString boxText = tr("Show Delete Edges", "[zarvo]");
  showEdgesBox_->setText(boxText);
  showEdgesBox_->setToolTip(tr("Show edges found with current Edge Finding settings", "[ts3]"));
  showEdgesBox_->setWhatsThis(
      tr("<p><b>%1</b> (F2)</p><p>Shows the natural edges in the image.</p><p>They are the "
         "edges the current <b>Edge Finding</b> settings find; the brushes and the cut-out "
         "follow them.</p>",
         "[tip, zarvo]")
          .arg(boxText));

  opacitySlider_->setOrientation(Qt::Horizontal);
  opacitySlider_->setRange(26, 255);
  opacitySlider_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  const QString tip = tr("Adjust opacity of mask(s)", "[ts3, zarvo]");
  const QString help =
      tr("<p><b>%1</b></p><p>Lower the opacity to allow more of the underlying image to show "
         "through the mask.</p><p>Raise it to see the masks more clearly.</p>",
         "[tip, zarvo]")
          .arg(tr("Opacity", "[zarvo]")) +
      learnMoreTip(QStringLiteral("deleting_backgrounds/deleting_backgrounds.htm"));
  for (QWidget* widget :
       {static_cast<QWidget*>(opacitySlider_), static_cast<QWidget*>(opacityLabel_)}) {
    widget->setToolTip(tip);
    widget->setWhatsThis(help);
  }
  // The widest text the label can show fixes its width.
  updateMaskLabel(opacitySlider_->maximum());
  opacityLabel_->setMinimumSize(opacityLabel_->sizeHint());
  updateMaskLabel(opacitySlider_->value());

  auto* line = new QFrame(this);
  line->setFrameStyle(QFrame::VLine | QFrame::Sunken);
  layout_->addWidget(showEdgesBox_);
  layout_->addWidget(line);
  layout_->addWidget(opacityLabel_);
  layout_->addWidget(opacitySlider_);

  connect(showEdgesBox_, &QCheckBox::clicked, this, &ViewOptions::modified);
  connect(showEdgesBox_, &QCheckBox::clicked, this, &ViewOptions::showVectorEdgesSlot);
  connect(opacitySlider_, &QSlider::valueChanged, this, &ViewOptions::updateMaskLabel);
  connect(opacitySlider_, &QSlider::valueChanged, this, &ViewOptions::opacityChanged);
  // The statuses of whichever document is current take the new opacity.
  connect(opacitySlider_, &QSlider::valueChanged, this, [](int value) {
    if (GmModel* model = GmModel::existingInstance()) model->statusArray()->opacityChanged(value);
  });
  registered() = this;
}

ViewOptions::~ViewOptions() {
  if (registered() == this) registered() = nullptr;
  delete showEdgesBox_.data();
}

ViewOptions* ViewOptions::instance() {
  return registered();
}

double ViewOptions::maskOpacity() {
  const ViewOptions* options = registered();
  if (!options) return 0.5;
  const QSlider* slider = options->opacitySlider_;
  const int span = slider->maximum() - slider->minimum();
  return span > 0 ? double(slider->value() - slider->minimum()) / span : 0.5;
}

bool ViewOptions::showsVectorEdges() const {
  return showEdgesBox_ && showEdgesBox_->isChecked();
}

void ViewOptions::setShowVectorEdges(bool show) {
  if (showEdgesBox_) showEdgesBox_->setChecked(show);
}

void ViewOptions::setShowVectorEdgesEnabled(bool enabled) {
  if (!showEdgesBox_ || showEdgesBox_->isEnabled() == enabled) return;
  if (!rememberedTaken_) {
    rememberedTaken_ = true;
    rememberedCheck_ = showEdgesBox_->isChecked();
  }
  if (enabled) {
    showEdgesBox_->setChecked(rememberedCheck_);
  } else {
    rememberedCheck_ = showEdgesBox_->isChecked();
    showEdgesBox_->setChecked(false);
  }
  showEdgesBox_->setEnabled(enabled);
}

void ViewOptions::showVectorEdgesSlot(bool show) {
  emit showVectorEdges(show);
}

void ViewOptions::updateMaskLabel(int value) {
  const int percent = value * 100 / opacitySlider_->maximum();
  opacityLabel_->setText(QStringLiteral("%1: %2%").arg(tr("Opacity", "[zarvo]")).arg(percent));
}
