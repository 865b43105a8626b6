#include "AppTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/Flogger.h"

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QStringList logLinesWith(const QString& marker) {
  QStringList found;
  const QString text = QString::fromUtf8(readFile(logFilePath()));
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (line.contains(marker)) found << line;
  }
  return found;
}

QWidget* visibleWindowTitled(const QString& title) {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->windowTitle() == title) return widget;
  return nullptr;
}
