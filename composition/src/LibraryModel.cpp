#include "composition/LibraryModel.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImageReader>
#include <QTimerEvent>
#include <QtGlobal>

#include "kestrum/qt/AppPaths.h"
#include "kestrum/qt/GuardedImageReader.h"

namespace {

LibraryModel* theModel = nullptr;

}  // namespace

LibraryModel* LibraryModel::instance() {
  if (!theModel) {
    theModel = new LibraryModel;
    // Its pixmaps go while the application still exists.
    static const bool registered = (qAddPostRoutine(&LibraryModel::destroyInstance), true);
    Q_UNUSED(registered);
  }
  return theModel;
}

LibraryModel* LibraryModel::existingInstance() {
  return theModel;
}

void LibraryModel::destroyInstance() {
  delete theModel;
  theModel = nullptr;
}

LibraryModel::LibraryModel()
    : files_(scan(libraryFolder())), placeholder_(kThumbnailSide, kThumbnailSide) {
  placeholder_.fill(Qt::white);
  timerId_ = startTimer(0, Qt::CoarseTimer);
}

LibraryModel::~LibraryModel() = default;

QString LibraryModel::libraryFolder() {
  return kestrum::appDirPath(QStringLiteral("backgrounds"));
}

QStringList LibraryModel::scan(const QString& folder) {
  QStringList files;
  // Without FollowSymlinks the iterator does not descend through links to folders, and without
  // QDir::Hidden it leaves hidden files and folders out.
  QDirIterator entries(folder, QDir::Files, QDirIterator::Subdirectories);
  while (entries.hasNext()) files << QFileInfo(entries.next()).absoluteFilePath();
  std::sort(files.begin(), files.end());
  return files;
}

QPixmap LibraryModel::thumbnail(const QString& path) {
  QImageReader reader(path);
  const QSize size = reader.size();
  if (!size.isValid() || size.isEmpty() ||
      qint64(size.width()) * size.height() > kestrum::GuardedImageReader::kMaxPixels)
    return QPixmap();
  // Stretched to the square, as the grid shows every thumbnail; JPEG decodes at a fraction of
  // its size.
  reader.setScaledSize(QSize(kThumbnailSide, kThumbnailSide));
  QImage image;
  if (!reader.read(&image)) return QPixmap();
  if (image.size() != QSize(kThumbnailSide, kThumbnailSide))
    image = image.scaled(kThumbnailSide, kThumbnailSide, Qt::IgnoreAspectRatio);
  return QPixmap::fromImage(image);
}

int LibraryModel::rowCount(const QModelIndex&) const {
  return files_.size();
}

QVariant LibraryModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.model() != this || index.row() >= files_.size()) return QVariant();
  const QString& path = files_.at(index.row());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return QFileInfo(path).baseName();
    case Qt::DecorationRole:
      return index.row() < thumbnails_.size() ? thumbnails_.at(index.row()) : placeholder_;
    case Qt::UserRole:
      return path;
    default:
      return QVariant();
  }
}

void LibraryModel::timerEvent(QTimerEvent* event) {
  if (event->timerId() != timerId_) {
    QAbstractListModel::timerEvent(event);
    return;
  }
  const int n = thumbnails_.size();
  if (n >= files_.size()) {
    killTimer(timerId_);
    timerId_ = 0;
    return;
  }
  thumbnails_.append(thumbnail(files_.at(n)));
  const QModelIndex row = index(n);
  emit dataChanged(row, row, {Qt::DecorationRole});
}
