#pragma once

#include <QString>

namespace kestrum {

// Names resolved against the program's folder: the clean path of `relativePath` under the
// folder (an absolute argument stays absolute, only cleaned). The folder is the running
// program's (QCoreApplication::applicationDirPath, so an application object must exist),
// unless a test has set an override folder.
QString appDirPath(const QString& relativePath);
// The same, for a file that lies in the program's folder itself.
QString appFilePath(const QString& fileName);

// Tests only: resolve against `folder` instead of the program's folder; an empty folder ends
// the override. GUI thread, before the paths are used.
void setAppDirOverride(const QString& folder);

}  // namespace kestrum
