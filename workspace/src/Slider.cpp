#include "workspace/Slider.h"

#include <QBoxLayout>
#include <QIcon>
#include <QMetaMethod>
#include <QSlider>
#include <QToolButton>

Slider::Slider(QWidget* parent)
    : QWidget(parent),
      slider_(new QSlider(Qt::Horizontal)),
      layout_(new QBoxLayout(QBoxLayout::LeftToRight)) {
  layout_->setObjectName(QStringLiteral("Slider::layout_"));
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->addWidget(slider_, 1);
  setLayout(layout_);
}

void Slider::setNudgeButtons(const QPixmap& down, const QPixmap& up) {
  if (layout_->itemAt(2)) {
    for (int index : {2, 0}) {
      QLayoutItem* item = layout_->takeAt(index);
      delete item->widget();
      delete item;
    }
  }
  auto makeButton = [](const QPixmap& pixmap) {
    auto* button = new QToolButton;
    button->setIcon(QIcon(pixmap));
    button->setAutoRaise(true);
    button->setAutoRepeat(true);
    return button;
  };
  QToolButton* downButton = makeButton(down);
  QToolButton* upButton = makeButton(up);
  layout_->insertWidget(0, downButton);
  layout_->insertWidget(2, upButton);
  connect(downButton, &QToolButton::clicked, this, &Slider::nudgeDown);
  connect(upButton, &QToolButton::clicked, this, &Slider::nudgeUp);
}

void Slider::setToolTips(const QString& slider, const QString& down, const QString& up) {
  // By role, not by layout position: without buttons the slider is the layout's first item.
  slider_->setToolTip(slider);
  if (QToolButton* button = downButton()) button->setToolTip(down);
  if (QToolButton* button = upButton()) button->setToolTip(up);
}

QToolButton* Slider::buttonAt(int index) const {
  QLayoutItem* item = layout_->count() == 3 ? layout_->itemAt(index) : nullptr;
  return item ? qobject_cast<QToolButton*>(item->widget()) : nullptr;
}

QToolButton* Slider::downButton() const {
  return buttonAt(0);
}

QToolButton* Slider::upButton() const {
  return buttonAt(2);
}

void Slider::nudgeUp() {
  if (isSignalConnected(QMetaMethod::fromSignal(&Slider::requestNudgeUp)))
    emit requestNudgeUp();
  else
    slider_->setValue(slider_->value() + slider_->singleStep());
}

void Slider::nudgeDown() {
  if (isSignalConnected(QMetaMethod::fromSignal(&Slider::requestNudgeDown)))
    emit requestNudgeDown();
  else
    slider_->setValue(slider_->value() - slider_->singleStep());
}
