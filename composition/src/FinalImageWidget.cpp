#include "composition/FinalImageWidget.h"

#include <QScrollArea>
#include <QVBoxLayout>

#include "composition/FinalImageViewer.h"

FinalImageWidget::FinalImageWidget(QWidget* parent)
    : QWidget(parent), scrollArea_(new QScrollArea), viewer_(new FinalImageViewer) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  scrollArea_->setWidgetResizable(true);
  scrollArea_->setWidget(viewer_);
  layout->addWidget(scrollArea_);
}

void FinalImageWidget::setFitScreen(bool fit) {
  viewer_->setFitScreen(fit);
}
