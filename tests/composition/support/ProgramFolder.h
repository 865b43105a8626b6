#pragma once

// A program folder of the test's own: while the object lives, the application-folder paths
// resolve inside a temporary folder, where a test lays out presets and a background library;
// the shared library model is made afresh on either side of it.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "ImageFiles.h"
#include "composition/LibraryModel.h"
#include "kestrum/qt/AppPaths.h"

namespace composition_test {

using zarvo_test::encodedImage;
using zarvo_test::jpegClaiming;

// An image whose four quadrants have four colours (top-left red, top-right green, bottom-left
// blue, bottom-right white), so a crop and a turn show where they came from.
inline QImage quadrants(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool right = x >= width / 2, bottom = y >= height / 2;
      image.setPixel(x, y,
                     bottom ? (right ? qRgb(255, 255, 255) : qRgb(0, 0, 255))
                            : (right ? qRgb(0, 255, 0) : qRgb(255, 0, 0)));
    }
  return image;
}

class ProgramFolder {
 public:
  ProgramFolder() {
    LibraryModel::destroyInstance();
    kestrum::setAppDirOverride(folder_.path());
  }
  ~ProgramFolder() {
    LibraryModel::destroyInstance();
    kestrum::setAppDirOverride(QString());
  }
  ProgramFolder(const ProgramFolder&) = delete;
  ProgramFolder& operator=(const ProgramFolder&) = delete;

  bool ok() const { return folder_.isValid(); }
  QString path(const QString& relative) const { return folder_.filePath(relative); }
  // The library folder as the model names it (no trailing "/").
  QString library() const {
    return QDir::cleanPath(folder_.filePath(QStringLiteral("backgrounds")));
  }
  QString libraryFile(const QString& relative) const { return library() + '/' + relative; }

  // Writes `bytes` at `relative`, making its folders.
  bool write(const QString& relative, const QByteArray& bytes) const {
    const QString target = path(relative);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QFile file(target);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
  }

 private:
  QTemporaryDir folder_;
};

}  // namespace composition_test
