#include "AnsweringDialogs.h"

#include <QDialog>
#include <QTimer>

#include "app/Flogger.h"

namespace {
void logDialog(const QString& title, const QString& text) {
  flog() << "Dialog: " << title << " | " << text;
  flogEndl();
}
}  // namespace

AppDialogs::Answer AnsweringDialogs::message(const Message& message) {
  logDialog(message.title, message.text);
  return defaultAnswer(message);
}

QString AnsweringDialogs::openFileName(QWidget*, const QString& caption, const QString&,
                                       const QString&, QString*) {
  logDialog(caption, QStringLiteral("cancelled"));
  return QString();
}

QString AnsweringDialogs::saveFileName(QWidget*, const QString& caption, const QString&,
                                       const QString&, QString*) {
  logDialog(caption, QStringLiteral("cancelled"));
  return QString();
}

int AnsweringDialogs::execModal(QDialog& box) {
  logDialog(box.windowTitle(), QStringLiteral("shown"));
  QTimer::singleShot(0, &box, &QDialog::reject);
  return box.exec();
}

QColor AnsweringDialogs::chooseColour(QWidget*, const QColor&, const QString& title) {
  logDialog(title, QStringLiteral("cancelled"));
  return QColor();
}
