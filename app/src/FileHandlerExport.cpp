// FileHandler: export of the final picture, a cut-out and the trimap.

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include "app/AppDialogs.h"
#include "app/FileHandler.h"
#include "app/FileHandlerHost.h"
#include "app/Flogger.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoOutputHandler.h"
#include "document/CorvaneThread.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/Checkerboard.h"

namespace {

// The extension a filter entry ends with: ".png" from "PNG image (*.png)"; empty without one.
QString filterExtension(const QString& filter) {
  const int dot = filter.lastIndexOf(QLatin1Char('.'));
  if (dot < 0 || filter.size() - dot < 2) return QString();
  return filter.mid(dot, filter.size() - dot - 1);
}

QString withFilterExtension(const QString& name, const QString& filter) {
  return QFileInfo(name).suffix().isEmpty() ? name + filterExtension(filter) : name;
}

// The output type a name's suffix asks for, any case: JPEG for "jpg", "jpeg", "jpe" and "jfif",
// PNG, PDF; -1 for any other suffix.
int outputTypeOf(const QString& fileName) {
  const QString suffix = QFileInfo(fileName).suffix().toLower();
  if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg") ||
      suffix == QLatin1String("jpe") || suffix == QLatin1String("jfif"))
    return ZarvoOutputHandler::Jpg;
  if (suffix == QLatin1String("png")) return ZarvoOutputHandler::Png;
  if (suffix == QLatin1String("pdf")) return ZarvoOutputHandler::Pdf;
  return -1;
}

// Whether `fileName`'s suffix names an image format Qt knows that the export does not write
// (".tif", ".webp", ".bmp"): the file would hold bytes of another format than its name says.
bool namesForeignImageFormat(const QString& fileName) {
  if (outputTypeOf(fileName) >= 0) return false;
  const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
  return !suffix.isEmpty() && (QImageReader::supportedImageFormats().contains(suffix) ||
                               QImageWriter::supportedImageFormats().contains(suffix));
}

// Whether writing `target` would overwrite `source`: the same absolute path, or, when the
// target exists, the same file behind links.
bool isSameFile(const QString& target, const QString& source) {
  if (source.isEmpty()) return false;
  const QFileInfo targetInfo(target), sourceInfo(source);
  if (targetInfo.absoluteFilePath() == sourceInfo.absoluteFilePath()) return true;
  return targetInfo.exists() && sourceInfo.exists() &&
         targetInfo.canonicalFilePath() == sourceInfo.canonicalFilePath();
}

// "%1/%2%3": the folder and base name of `fileName` with `suffix`.
QString besideWithSuffix(const QString& fileName, const QString& suffix) {
  const QFileInfo info(fileName);
  return QStringLiteral("%1/%2%3").arg(info.absolutePath(), info.completeBaseName(), suffix);
}

}  // namespace

QString FileHandler::exportFileFilter() const {
  const char* tag = "[qor, zarvo]description appearing in File/SaveAs dialogue";
  const QString png = tr("PNG image", tag) + QStringLiteral(" (*.png)");
  const QString jpeg = tr("JPEG image", tag) + QStringLiteral(" (*.jpg)");
  return ZarvoOutputHandler::instance()->fileType() == ZarvoOutputHandler::Jpg
             ? jpeg + QStringLiteral(";;") + png
             : png + QStringLiteral(";;") + jpeg;
}

QString FileHandler::defaultExportSuffix() const {
  return tr("Webshot",
            "[zarvo]String added to the original filename to construct the default name of the "
            "output file");
}

bool FileHandler::fileSaveSlot() {
  if (!GmModel::instance()->segImage()) return noPhotoToExport();
  if (!exportFileName_.isEmpty()) return saveExport();
  return fileSaveAsSlot();
}

bool FileHandler::fileSaveAsSlot() {
  if (!GmModel::instance()->segImage()) return noPhotoToExport();
  return exportFinalImageAs(besideWithSuffix(sourceFileName(), defaultExportSuffix()));
}

bool FileHandler::exportFinalImageAs(const QString& defaultName) {
  const QString start = exportFileName_.isEmpty() ? defaultName : exportFileName_;
  const QString source = sourceFileName();
  QString asked = start;
  QString name;
  for (;;) {
    QString selectedFilter;
    name = appDialogs().saveFileName(host_->dialogParent(),
                                     tr("Export Final Image As", "[zarvo, qor]"), asked,
                                     exportFileFilter(), &selectedFilter);
    if (name.isEmpty()) return false;
    name = withFilterExtension(name, selectedFilter);
    if (namesForeignImageFormat(name)) {
      warnForeignImageFormat(name);
      asked = name;
      continue;
    }
    chooseOutputType(name);
    if (!isSameFile(name, source)) break;
    appDialogs().warn(
        host_->dialogParent(), tr("Save As", "[zarvo,qor]"),
        tr("You can not save the generated file over the original file", "[zarvo,qor]"));
    asked = start;
  }
  setLastImageDir(name);
  // Set before the write: "save" retries the same name after a failure.
  exportFileName_ = name;
  return saveExport();
}

void FileHandler::chooseOutputType(const QString& fileName) {
  const int type = outputTypeOf(fileName);
  if (type >= 0) emit exportFileTypeChanged(type);
}

void FileHandler::warnForeignImageFormat(const QString& fileName) {
  flog() << "Export refused: " << fileName << " names an image format that is not written";
  flogEndl();
  appDialogs().warn(host_->dialogParent(), tr("Save As", "[zarvo,qor]"),
                    tr("The picture is exported as JPEG, PNG or PDF, not as .%1. Please choose a "
                       "name ending in .jpg, .png or .pdf.",
                       "[zarvo,qor]%1 is the suffix of the typed file name")
                        .arg(QFileInfo(fileName).suffix()));
}

void FileHandler::setExportTarget(const QString& fileName) {
  chooseOutputType(fileName);
  exportFileName_ = fileName;
}

bool FileHandler::saveExport() {
  if (!ZarvoObject::instance()->save(exportFileName_)) return false;
  const CorvaneThread* thread = CorvaneThread::instance();
  exportedCommandCount_ = thread ? thread->commandCount() : 0;
  return true;
}

void FileHandler::saveTrimapSlot() {
  GmModel* model = GmModel::instance();
  if (!model->segImage()) return;
  const QFileInfo source(model->segImage()->fileName());
  const QString path =
      QStringLiteral("%1/%2_trimap.png").arg(source.absolutePath(), source.completeBaseName());
  const bool saved = model->statusArray()->trimap().save(path);
  appDialogs().inform(host_->dialogParent(), QStringLiteral("Save Trimap"),
                      QStringLiteral("Save trimap to\n%1\n\n%2")
                          .arg(path, saved ? QStringLiteral("OK") : QStringLiteral("Failed")));
}

void FileHandler::exportCutout(const QImage& cutout, const QString& sourceName) {
  if (cutout.isNull()) return;
  const QString defaultName = besideWithSuffix(
      sourceName, tr("Cutout",
                     "[ts3]String added to the original filename to construct the default name "
                     "of the output file"));
  QString selectedFilter;
  QString name = appDialogs().saveFileName(
      host_->dialogParent(), tr("Save cutout", "[zarvopro]Caption for export cutout"), defaultName,
      tr("Cutouts (*.png)", "[zarvopro]filename filter for export cutout"), &selectedFilter);
  if (name.isEmpty()) return;
  name = withFilterExtension(name, selectedFilter);
  // No alpha in the file: the cut-out is shown over the checkerboard it is seen on.
  QImage flattened(cutout.size(), QImage::Format_RGB32);
  {
    QPainter painter(&flattened);
    painter.drawTiledPixmap(flattened.rect(), kestrum::checkerboardPixmap());
    painter.drawImage(0, 0, cutout);
  }
  if (flattened.save(name, "PNG")) return;
  flog() << "The cut-out could not be written to " << name;
  flogEndl();
  appDialogs().warn(host_->dialogParent(), tr("Save cutout", "[zarvopro]Caption for export cutout"),
                    tr("The cut-out could not be written to\n%1").arg(name));
}

bool FileHandler::noPhotoToExport() {
  // Reached through the unsaved-changes question's Save as well, whose caller would otherwise
  // only see the window stay open.
  appDialogs().warn(host_->dialogParent(), tr("Export Final Image", "[zarvo]"),
                    tr("Nothing was exported: no photo is open.", "[zarvo]"));
  return false;
}
