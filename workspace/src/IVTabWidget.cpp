#include "workspace/IVTabWidget.h"

#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

IVTabWidget::IVTabWidget(QWidget* parent) : QWidget(parent), stack_(new QStackedWidget(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(stack_, 1);
}

void IVTabWidget::setTabBar(QTabBar* bar) {
  if (bar == bar_) return;
  auto* box = static_cast<QVBoxLayout*>(layout());
  if (bar_) {
    box->removeWidget(bar_);
    bar_->hide();
  }
  bar_ = bar;
  if (bar_) {
    bar_->setParent(this);
    box->insertWidget(0, bar_);
    bar_->show();
  }
}

int IVTabWidget::indexOf(QWidget* page) const {
  return page ? stack_->indexOf(page) : -1;
}

int IVTabWidget::addPage(QWidget* page) {
  return stack_->addWidget(page);
}

int IVTabWidget::pageCount() const {
  return stack_->count();
}

int IVTabWidget::currentPage() const {
  return stack_->currentIndex();
}

QWidget* IVTabWidget::page(int index) const {
  return stack_->widget(index);
}

void IVTabWidget::setCurrentPage(int index) {
  if (index >= 0 && index < stack_->count()) stack_->setCurrentIndex(index);
}
