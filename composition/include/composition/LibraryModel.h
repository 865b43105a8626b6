#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>

class QTimerEvent;

// The background library: every file under "backgrounds/" beside the program, sub-folders
// included, in case-sensitive order of absolute path, whatever its type. Thumbnails (85 x 85,
// stretched) are decoded one per turn of the event loop, so start-up is not held up; rows not
// loaded yet show a white placeholder. The file list is read once, when the model is made.
//
// One per process: made without parent by the first of the background tool and the chooser
// dialog, then kept until destroyInstance(), which the application object's end runs (tests
// run it between cases). GUI thread only.
class LibraryModel : public QAbstractListModel {
  Q_OBJECT

 public:
  static constexpr int kThumbnailSide = 85;

  static LibraryModel* instance();
  static LibraryModel* existingInstance();
  static void destroyInstance();

  // "backgrounds" resolved against the program's folder, cleaned: no trailing "/".
  static QString libraryFolder();
  // The absolute path of every file under `folder`: hidden entries are left out and symbolic
  // links to folders are not followed (a link to a parent would never end).
  static QStringList scan(const QString& folder);
  // The thumbnail of one file: null for a file that is no image, or that claims more pixels
  // than the guarded reader allows.
  static QPixmap thumbnail(const QString& path);

  const QStringList& files() const { return files_; }
  int loadedThumbnails() const { return thumbnails_.size(); }

  // The parent is not examined.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  // Display and tool tip: the base name (up to the first "."); decoration: the thumbnail or
  // the placeholder; Qt::UserRole: the absolute path.
  QVariant data(const QModelIndex& index, int role) const override;

 protected:
  void timerEvent(QTimerEvent* event) override;

 private:
  LibraryModel();
  ~LibraryModel() override;

  QStringList files_;
  QList<QPixmap> thumbnails_;
  QPixmap placeholder_;
  int timerId_ = 0;
};
