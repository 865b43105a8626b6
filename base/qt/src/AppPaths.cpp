#include "kestrum/qt/AppPaths.h"

#include <QCoreApplication>
#include <QDir>

namespace kestrum {

namespace {

QString& overrideFolder() {
  static QString folder;
  return folder;
}

QString programFolder() {
  const QString& folder = overrideFolder();
  return folder.isEmpty() ? QCoreApplication::applicationDirPath() : folder;
}

}  // namespace

QString appDirPath(const QString& relativePath) {
  return QDir::cleanPath(QDir(programFolder()).absoluteFilePath(relativePath));
}

QString appFilePath(const QString& fileName) {
  return appDirPath(fileName);
}

void setAppDirOverride(const QString& folder) {
  overrideFolder() = folder;
}

}  // namespace kestrum
