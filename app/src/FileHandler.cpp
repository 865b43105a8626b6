// FileHandler: images into the document, the recent lists, the last folder, closing.

#include "app/FileHandler.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include "WaitCursor.h"
#include "app/AppDialogs.h"
#include "app/FileHandlerHost.h"
#include "app/Flogger.h"
#include "app/TsApp.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoOutputHandler.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdBeginSession.h"
#include "document/CvCmdInit.h"
#include "document/GmModel.h"
#include "document/PhotoReader.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/GuardedImageReader.h"

namespace {

FileHandler* theHandler = nullptr;

const QString kGroup = QStringLiteral("FileHandling");
const QString kRecentFilesKey = QStringLiteral("RecentFiles");
const QString kRecentProjectsKey = QStringLiteral("RecentProjects");
const QString kLastImageDirKey = QStringLiteral("LastImageDir");

QString settingKey(const QString& key) {
  return kGroup + QLatin1Char('/') + key;
}

bool isEngineStarting(const CorvaneCommand* command) {
  return qobject_cast<const CvCmdInit*>(command) || qobject_cast<const CvCmdBeginSession*>(command);
}

// While the engine is being made or a session opened, a new image would meet it half built.
bool engineIsStarting() {
  const CorvaneThread* thread = CorvaneThread::instance();
  if (!thread) return false;
  if (isEngineStarting(thread->currentCommand())) return true;
  for (const CorvaneCommand* command : thread->queuedCommands())
    if (isEngineStarting(command)) return true;
  return false;
}

bool isNormalRun() {
  const TsApp* app = TsApp::instance();
  return !app || !app->isHosted();
}

}  // namespace

FileHandler::FileHandler(FileHandlerHost* host, QObject* parent) : QObject(parent), host_(host) {
  Q_ASSERT(host_);
  theHandler = this;
  connect(GmModel::instance(), &GmModel::tellImageChanged, this, &FileHandler::imageChangedSlot);
  validProjectVersions_ = {8, 9, 10, 11};
  const QSettings settings;
  recentFiles_ = settings.value(settingKey(kRecentFilesKey)).toStringList();
  recentProjects_ = settings.value(settingKey(kRecentProjectsKey)).toStringList();
  connect(this, &FileHandler::exportFileTypeChanged, ZarvoOutputHandler::instance(),
          &ZarvoOutputHandler::fileTypeChoosen);
}

FileHandler::~FileHandler() {
  if (theHandler == this) theHandler = nullptr;
}

FileHandler* FileHandler::instance() {
  return theHandler;
}

bool FileHandler::askUnsavedChanges() {
  return host_->askUnsavedChanges(tr("Unsaved changes", "[all]"));
}

QString FileHandler::sourceFileName() {
  const GmModel* model = GmModel::existingInstance();
  const TsSourceImage* image = model ? model->segImage() : nullptr;
  if (!image) return QString();
  return image->filePath().isEmpty() ? image->fileName() : image->filePath();
}

// ---- Folders and recent files

QString FileHandler::lastImageDir() const {
  return QSettings().value(settingKey(kLastImageDirKey), QDir::homePath()).toString();
}

void FileHandler::setLastImageDir(const QString& fileName) {
  QSettings().setValue(settingKey(kLastImageDirKey), QFileInfo(fileName).path());
}

bool FileHandler::addRecent(const QString& fileName, QStringList& list, const QString& key) {
  const QFileInfo info(fileName);
  if (!info.exists()) return false;
  const QString entry = QDir::toNativeSeparators(info.canonicalFilePath());
  if (!list.isEmpty() && list.first() == entry) return false;
  list.removeAll(entry);
  list.prepend(entry);
  while (list.size() > kRecentCount) list.removeLast();
  QSettings().setValue(settingKey(key), list);
  return true;
}

// ---- Opening images

QString FileHandler::openImageDialog(QWidget* parent, const QString& filterTag) {
  const QString filter = tr("Images (%1)", filterTag.toUtf8().constData())
                             .arg(kestrum::GuardedImageReader::filePatterns()) +
                         tr(";;All files (*)", "[all]");
  QString selectedFilter;
  return appDialogs().openFileName(parent, tr("Open", "[all]"), lastImageDir(), filter,
                                   &selectedFilter);
}

QString FileHandler::askImageFilename(QWidget* parent) {
  const QString name =
      openImageDialog(parent, QStringLiteral("[all]A description of the type of file we can load"));
  if (!name.isEmpty()) setLastImageDir(name);
  return name;
}

void FileHandler::fileOpenSlot() {
  if (!askUnsavedChanges()) return;
  const QString name = openImageDialog(host_->dialogParent(), QStringLiteral("[all]"));
  if (!name.isEmpty()) loadImage(name);
}

bool FileHandler::loadImage(const QString& fileName) {
  return openImageFile(fileName, KeepComposition);
}

bool FileHandler::openImageFile(const QString& fileName, CompositionUse composition) {
  WaitCursor wait;
  // The image reports its own failures (unreadable file, memory).
  auto* image = new TsSourceImage(fileName);
  if (image->isValid() && installImages(image, nullptr, composition)) return true;
  delete image;
  return false;
}

bool FileHandler::loadImage(const NamedImage& picture, LoseWorkCheck check) {
  if (check != 1 && !askUnsavedChanges()) return false;
  // A received picture is held as an opened one is, at most 1280 pixels a side (the receiver
  // has reduced it already); should memory run out, the image reports it itself.
  const PhotoReader::Photo limited = PhotoReader::fromImage(picture);
  auto* image =
      new TsSourceImage(limited.ok() ? NamedImage(limited.image, picture.url()) : picture);
  if (image->isValid() && installImages(image, nullptr)) return true;
  delete image;
  return false;
}

void FileHandler::openCutout(const QString& fileName) {
  if (fileName.isEmpty()) return;
  openImageFile(fileName, ResetComposition);
}

bool FileHandler::installImages(TsSourceImage* image, TsSourceImage* blend,
                                CompositionUse composition) {
  if (!image) return false;
  if (addRecent(image->fileName(), recentFiles_, kRecentFilesKey))
    emit recentFilesChanged(recentFiles_);
  if (!installImage(image, blend, RememberFolder, composition)) return false;
  ZarvoObject::instance()->awaitNewPhoto();
  return true;
}

bool FileHandler::installImage(TsSourceImage* image, TsSourceImage* blend, FolderUse folder,
                               CompositionUse composition) {
  if (!image) return false;
  if (engineIsStarting()) {
    flog() << "An image was not opened while the engine starts: " << image->fileName();
    flogEndl();
    return false;
  }
  if (composition == ResetComposition) ZarvoObject::instance()->reset();
  // The folder of the file the photo was read from, opened or dropped; a picture from the web or
  // from image data has none.
  if (folder == RememberFolder && !image->filePath().isEmpty()) setLastImageDir(image->filePath());
  host_->showStatusMessage(image->fileName(), 2000);
  projectFileName_.clear();
  GmModel* model = GmModel::instance();
  model->finish();
  host_->raiseAndActivate();
  if (!model->setSourceImage(image, blend, GmSession::TakeDefaults, 1)) return false;
  host_->ensureViewTab(2, 2);
  return true;
}

// ---- Slots of the menus

void FileHandler::screenGrabSlot() {}

void FileHandler::grabbedPixmapSlot(const QPixmap&) {}

void FileHandler::fileCloseSlot() {
  if (!askUnsavedChanges()) return;
  projectFileName_.clear();
  GmModel::instance()->finish();
}

void FileHandler::cutoutNewSlot() {
  if (!askUnsavedChanges()) return;
  openCutout(openImageDialog(host_->dialogParent(), QStringLiteral("[all]")));
}

void FileHandler::cutoutRecentSlot(const QString& fileName) {
  if (!askUnsavedChanges()) return;
  openCutout(fileName);
}

void FileHandler::cutoutDiscardSlot() {
  if (!askUnsavedChanges()) return;
  ZarvoObject::instance()->reset();
  projectFileName_.clear();
  exportFileName_.clear();
  GmModel::instance()->finish();
}

void FileHandler::compositionNewSlot() {}

void FileHandler::imageChangedSlot(const TsSourceImage*) {
  exportFileName_.clear();
}

void FileHandler::loadFile(const QString& fileName) {
  if (!askUnsavedChanges()) return;
  // A hosted run edits the host's image only.
  if (isNormalRun()) loadImage(fileName);
}
