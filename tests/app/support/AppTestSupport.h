#pragma once

#include <functional>

#include <QByteArray>
#include <QString>
#include <QStringList>

// Serves events until `done` holds or `timeoutMs` passes; the final value of `done`.
bool spinUntil(const std::function<bool()>& done, int timeoutMs = 60000);

// The whole text of a file, or empty.
QByteArray readFile(const QString& path);
// Writes `bytes` to `path`, making its folder; true on success.
bool writeFile(const QString& path, const QByteArray& bytes);

// The lines of the current log that contain `marker`.
QStringList logLinesWith(const QString& marker);
