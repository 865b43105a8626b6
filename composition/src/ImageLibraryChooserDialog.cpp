#include "composition/ImageLibraryChooserDialog.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

#include "composition/LibraryModel.h"

ImageLibraryChooserDialog::ImageLibraryChooserDialog(const QString& initialPath, QWidget* parent,
                                                     Qt::WindowFlags flags)
    : QDialog(parent, flags),
      listView_(new QListView),
      okButton_(new QPushButton(tr("Ok"))),
      cancelButton_(new QPushButton(tr("Cancel"))) {
  setWindowTitle(tr("Choose Background..."));
  resize(430, 480);

  listView_->setLayoutMode(QListView::Batched);
  listView_->setUniformItemSizes(true);
  listView_->setViewMode(QListView::IconMode);
  listView_->setResizeMode(QListView::Adjust);
  listView_->setIconSize(QSize(120, 120));
  listView_->setSelectionMode(QAbstractItemView::SingleSelection);
  listView_->setTextElideMode(Qt::ElideNone);
  QFont small = font();
  if (small.pointSizeF() > 0) small.setPointSizeF(small.pointSizeF() * 0.8);
  listView_->setFont(small);

  okButton_->setEnabled(false);
  connect(okButton_, &QPushButton::clicked, this, &ImageLibraryChooserDialog::accept);
  connect(this, &ImageLibraryChooserDialog::canAccept, okButton_, &QPushButton::setEnabled);
  connect(cancelButton_, &QPushButton::clicked, this, &ImageLibraryChooserDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(listView_, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton_);
  buttons->addWidget(cancelButton_);
  buttons->addStretch(1);
  layout->addLayout(buttons);

  LibraryModel* model = LibraryModel::instance();
  listView_->setModel(model);
  connect(listView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &ImageLibraryChooserDialog::selectionChanged);
  connect(listView_, &QListView::doubleClicked, this, &ImageLibraryChooserDialog::accept);

  const int row = model->files().indexOf(initialPath);
  if (row >= 0) {
    listView_->selectionModel()->select(model->index(row), QItemSelectionModel::ClearAndSelect);
    listView_->scrollTo(model->index(row));
    selectionChanged();
  }
}

void ImageLibraryChooserDialog::selectionChanged() {
  const QModelIndexList selected = listView_->selectionModel()->selectedIndexes();
  chosenPath_ = selected.isEmpty() ? QString() : selected.first().data(Qt::UserRole).toString();
  emit canAccept(!chosenPath_.isEmpty());
}

void ImageLibraryChooserDialog::reject() {
  chosenPath_.clear();
  QDialog::reject();
}

QString getLibraryImage(const QString& initialPath) {
  ImageLibraryChooserDialog dialog(initialPath);
  return dialog.exec() == QDialog::Accepted ? dialog.chosenPath() : QString();
}
