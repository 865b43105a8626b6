#pragma once

#include <QFile>
#include <QImage>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include "kestrum/qt/NamedImage.h"

class FileHandlerHost;
class TsSourceImage;

// The one road by which images enter the cut-out document (files, received pictures, a host's
// images), the recent-file list and the last folder, the project file of a cut-out's saved
// state, and the export of the final picture, a cut-out and the trimap. One per main window,
// which creates it; reached process-wide through instance(). Every dialog goes through
// AppDialogs over the host's dialog parent. GUI thread only.
class FileHandler : public QObject {
  Q_OBJECT

 public:
  // `loadImage(NamedImage, ...)`: 1 skips the unsaved-changes question.
  using LoseWorkCheck = int;
  // Whether installImage remembers the image's folder as the last one opened.
  enum FolderUse { RememberFolder, KeepFolder };
  // Whether installing an image starts a new composition (ZarvoObject::reset).
  enum CompositionUse { KeepComposition, ResetComposition };

  static constexpr qint32 kProjectMagic = 0x08E11602;
  static constexpr qint32 kProjectVersion = 11;
  // Entries the recent lists keep.
  static constexpr int kRecentCount = 5;

  // `host` is borrowed and must outlive the handler.
  explicit FileHandler(FileHandlerHost* host, QObject* parent = nullptr);
  ~FileHandler() override;

  // The handler of the main window, or null while none exists.
  static FileHandler* instance();

  QStringList recentFiles() const { return recentFiles_; }
  QStringList recentProjects() const { return recentProjects_; }
  const QString& exportFileName() const { return exportFileName_; }
  const QString& projectFileName() const { return projectFileName_; }
  int exportedCommandCount() const { return exportedCommandCount_; }
  int projectCommandCount() const { return projectCommandCount_; }

  // The "FileHandling/LastImageDir" setting, the home folder by default; stores the folder of
  // `fileName`.
  QString lastImageDir() const;
  void setLastImageDir(const QString& fileName);

  // Puts `fileName` (an existing file, as its canonical path in native separators) at the front
  // of `list`, keeping kRecentCount distinct entries, and stores it under "FileHandling/" + key.
  // False, nothing changed, when the file does not exist or already leads the list.
  bool addRecent(const QString& fileName, QStringList& list, const QString& key);

  // A newly opened photo: the recent list, then installImage; the composition then counts the
  // photo's first picture as its saved state. Ownership as installImage.
  bool installImages(TsSourceImage* image, TsSourceImage* blend,
                     CompositionUse composition = KeepComposition);
  // Closes the current document (and, asked to, resets the composition) and opens `image` (and
  // `blend`, a copy of it when null) as a new one. Refused, nothing changed, while the engine
  // thread runs or holds a CvCmdInit or CvCmdBeginSession. True when the document took the
  // images (it then owns them, or borrows a host's); on false the caller keeps and deletes them.
  bool installImage(TsSourceImage* image, TsSourceImage* blend, FolderUse folder = RememberFolder,
                    CompositionUse composition = KeepComposition);
  // An image file into the document; its failures are reported by the image or the document.
  bool loadImage(const QString& fileName);
  // A received picture into the document, after the unsaved-changes question unless `check` is 1.
  bool loadImage(const NamedImage& image, LoseWorkCheck check = 0);
  // loadImage with a new composition, reset only once the image is read and taken: a failure
  // leaves the composition as it was. Nothing for an empty name.
  void openCutout(const QString& fileName);
  // The open-image dialog over `parent`; remembers the chosen file's folder. Empty when cancelled.
  QString askImageFilename(QWidget* parent = nullptr);

  // ---- Project file: magic, version, the image check value, the document's keyed state.
  // Writes the document to an open, writable file. False, logged, when a write failed (the file
  // is flushed first, so a full disk shows here).
  bool saveProject(QFile& file);
  // Reads an open file as a project and, only when the whole of it holds up, replaces the
  // document with it. A foreign, damaged or truncated file, an unsupported version, or (in the
  // hosted modes) a file made from another image: a warning, false, the document untouched.
  bool loadProject(QFile& file);

  // ---- Export
  // The filter of the export dialog: "PNG image (*.png)" and "JPEG image (*.jpg)", the current
  // output type's entry first.
  QString exportFileFilter() const;
  // The default export name's suffix ("Webshot").
  QString defaultExportSuffix() const;
  // The export dialog from `defaultName` (the last export target when there is one); the typed
  // suffix chooses the output type; a name of another image format (".tif") is refused and asked
  // again; the source image is never overwritten. False when cancelled or when the write failed.
  bool exportFinalImageAs(const QString& defaultName);
  // Writes the final picture to the last export target.
  bool saveExport();
  // `fileName` becomes the export target without a dialog; its suffix chooses the output type
  // as a typed name does.
  void setExportTarget(const QString& fileName);
  // A cut-out as a PNG flattened over the checkerboard, after a dialog; the default name is
  // `sourceName`'s base name followed by "Cutout".
  void exportCutout(const QImage& cutout, const QString& sourceName = QString());

 public slots:
  void fileOpenSlot();
  void screenGrabSlot();
  void fileCloseSlot();
  bool fileSaveSlot();
  bool fileSaveAsSlot();
  void saveTrimapSlot();
  void projectSaveSlot();
  void projectSaveAsSlot();
  void projectLoadSlot();
  void projectRevertSlot();
  void cutoutNewSlot();
  void cutoutRecentSlot(const QString& fileName);
  void cutoutDiscardSlot();
  void compositionNewSlot();
  void imageChangedSlot(const TsSourceImage* image);
  // After the unsaved-changes question, and in the normal run only: loadImage.
  void loadFile(const QString& fileName);
  void loadProject(const QString& fileName);
  void loadProject();

 signals:
  void recentFilesChanged(QStringList files);
  void recentProjectsChanged(QStringList files);
  void exportFileTypeChanged(int type);

 private slots:
  void grabbedPixmapSlot(const QPixmap& pixmap);

 private:
  bool askUnsavedChanges();
  bool openImageFile(const QString& fileName, CompositionUse composition);
  // The output type of `fileName`'s suffix: jpg, jpeg, jpe or jfif, png, pdf; others leave it
  // as it is.
  void chooseOutputType(const QString& fileName);
  // Tells the user that a name of an image format the export does not write is refused.
  void warnForeignImageFormat(const QString& fileName);
  QString openImageDialog(QWidget* parent, const QString& filterTag);
  void projectWarning(const QString& text);
  // The source image's file: the local file it was read from (also a dropped one's full path),
  // else its name; empty without an image.
  static QString sourceFileName();
  // Says that nothing was exported, as there is no photo; false.
  bool noPhotoToExport();

  FileHandlerHost* host_;
  QList<int> validProjectVersions_;
  QString exportFileName_;
  QString projectFileName_;
  int exportedCommandCount_ = 0;
  int projectCommandCount_ = 0;
  QStringList recentFiles_;
  QStringList recentProjects_;
};
