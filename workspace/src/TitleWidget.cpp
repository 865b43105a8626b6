#include "workspace/TitleWidget.h"

#include <QColor>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QStyle>

#include "workspace/TitleButton.h"

TitleWidget::TitleWidget(QWidget* parent)
    : QWidget(parent), label_(new QLabel(QStringLiteral("Title"))), closeButton_(new TitleButton) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(label_, 1);
  layout->addWidget(closeButton_, 0);
  closeButton_->setFocusPolicy(Qt::NoFocus);
  closeButton_->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton, nullptr, this));

  QPalette bar = palette();
  bar.setColor(QPalette::Window, QColor(0, 189, 242));
  setPalette(bar);
  QPalette text = label_->palette();
  text.setColor(QPalette::WindowText, Qt::white);
  label_->setPalette(text);
  setAutoFillBackground(true);
  hide();
}
