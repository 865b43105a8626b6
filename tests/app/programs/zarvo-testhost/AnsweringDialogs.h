#pragma once

#include "app/AppDialogs.h"

// Dialogs that answer at once and log what they were asked.
class AnsweringDialogs : public AppDialogs {
 public:
  Answer message(const Message& message) override;
  QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override;
  QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override;
  int execModal(QDialog& box) override;
  QColor chooseColour(QWidget* parent, const QColor& initial, const QString& title) override;
};
