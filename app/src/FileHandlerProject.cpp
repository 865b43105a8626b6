// FileHandler: the project file of a cut-out's saved state.

#include <memory>

#include <QDataStream>

#include "WaitCursor.h"
#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/FileHandler.h"
#include "app/FileHandlerHost.h"
#include "app/Flogger.h"
#include "app/ProjectFile.h"
#include "app/TsApp.h"
#include "document/GmModel.h"
#include "document/ParsedDocument.h"
#include "document/TsSourceImage.h"

namespace {

// The project type's display name, quoted in the messages; this system names none.
const QString kProjectTypeName;

quint16 documentCheckValue() {
  const GmModel* model = GmModel::existingInstance();
  const TsSourceImage* image = model ? model->segImage() : nullptr;
  return image ? image->checksum() : 0;
}

}  // namespace

bool FileHandler::saveProject(QFile& file) {
  WaitCursor wait;
  GmModel* model = GmModel::instance();
  bool written = projectfile::write(file, documentCheckValue(), model->toVariant());
  written = file.flush() && written && file.error() == QFileDevice::NoError;
  if (!written) {
    flog() << "The project could not be written to " << file.fileName() << ": "
           << file.errorString();
    flogEndl();
    return false;
  }
  projectFileName_ = file.fileName();
  return true;
}

void FileHandler::projectWarning(const QString& text) {
  appDialogs().warn(host_->dialogParent(), productName(), text);
}

bool FileHandler::loadProject(QFile& file) {
  const QString name = file.fileName();
  const auto notAProject = [&](const QString& reason) {
    flog() << "Project " << name << " refused: " << reason;
    flogEndl();
    projectWarning(tr("File is not of the correct format \n%1", "[ts3,qor]").arg(name));
    return false;
  };
  QDataStream in(&file);
  in.setVersion(projectfile::kStreamVersion);
  projectfile::Header header;
  switch (projectfile::readHeader(in, validProjectVersions_, header)) {
    case projectfile::HeaderRead::NotAProject:
      return notAProject(QStringLiteral("no project header"));
    case projectfile::HeaderRead::UnsupportedVersion:
      projectWarning(tr("Cannot load unsupported version %1 of %2 file \n%3", "[ts3,qor]")
                         .arg(header.version)
                         .arg(kProjectTypeName, name));
      return false;
    case projectfile::HeaderRead::Ok:
      break;
  }
  // A hosted run edits the host's image: a project of another image cannot be its state. A
  // normal run's project brings its own image.
  const TsApp* app = TsApp::instance();
  if (app && app->isHosted()) {
    const GmModel* model = GmModel::existingInstance();
    const TsSourceImage* image = model ? model->segImage() : nullptr;
    if (!image || !image->isValid() || image->checksum() != header.checkValue) {
      projectWarning(
          tr("Cannot load %1 file\n\n%2\n\nbecause it was not created from the current image",
             "[ts3]")
              .arg(kProjectTypeName, name));
      return false;
    }
  }
  // The whole file is read and parsed before the open document is touched.
  QString refusal;
  std::unique_ptr<ParsedDocument> document = projectfile::readDocument(in, &refusal);
  if (!document) return notAProject(refusal);
  GmModel* model = GmModel::instance();
  if (!model->finish()) return false;
  if (!model->restore(std::move(document))) return false;
  projectFileName_ = name;
  return true;
}

void FileHandler::projectRevertSlot() {
  if (projectFileName_.isEmpty()) return;
  host_->askUnsavedChanges(tr("Reverting project...", "[ts3]"));
}

void FileHandler::projectSaveSlot() {}

void FileHandler::projectSaveAsSlot() {}

void FileHandler::projectLoadSlot() {}

void FileHandler::loadProject(const QString&) {}

void FileHandler::loadProject() {}
