#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QWidget;

// The whole text of a file, or empty.
QByteArray readFile(const QString& path);
// Writes `bytes` to `path`, making its folder; true on success.
bool writeFile(const QString& path, const QByteArray& bytes);

// The lines of the current log that contain `marker`.
QStringList logLinesWith(const QString& marker);

// The visible top-level window titled `title`, or null.
QWidget* visibleWindowTitled(const QString& title);
