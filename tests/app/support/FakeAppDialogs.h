#pragma once

#include <functional>

#include <QDialog>
#include <QList>
#include <QStringList>

#include "app/AppDialogs.h"

// Dialogs that record what they were asked and give queued answers (escaped when none is
// queued); installed for the life of the object.
class FakeAppDialogs : public AppDialogs {
 public:
  struct Shown {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    QWidget* parent;
    QStringList extraButtons;
  };

  FakeAppDialogs() : previous_(setAppDialogs(this)) {}
  ~FakeAppDialogs() override { setAppDialogs(previous_); }

  // A file dialog as it was asked.
  struct FileAsk {
    QString caption;
    QString folder;
    QString filter;
    QWidget* parent;
  };

  QList<Shown> shown;
  QList<Answer> answers;
  QStringList modalTitles;
  QList<FileAsk> fileAsks;
  // Answers of the file dialogs in turn (cancelled when none is left), and the filter each
  // answer chose (the first of the filter when none is queued).
  QStringList fileAnswers;
  QStringList filterAnswers;
  QStringList colourTitles;
  QList<QColor> colourAnswers;  // cancelled (invalid) when none is queued
  // Runs while a box or dialog is open, before it answers (what the user does, or what arrives,
  // meanwhile).
  std::function<void()> whileShown;

  // Queues the extra button `index` as the next answer.
  void answerExtra(int index) {
    Answer answer;
    answer.extra = index;
    answers << answer;
  }

  Answer message(const Message& message) override {
    QStringList extras;
    for (const Button& button : message.extraButtons) extras << button.text;
    shown << Shown{message.icon, message.title, message.text, message.parent, extras};
    if (whileShown) whileShown();
    return answers.isEmpty() ? Answer() : answers.takeFirst();
  }
  QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override {
    return fileAnswer(parent, caption, folder, filter, selectedFilter);
  }
  QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override {
    return fileAnswer(parent, caption, folder, filter, selectedFilter);
  }
  int execModal(QDialog& box) override {
    modalTitles << box.windowTitle();
    if (whileShown) whileShown();
    return QDialog::Rejected;
  }
  QColor chooseColour(QWidget*, const QColor&, const QString& title) override {
    colourTitles << title;
    if (whileShown) whileShown();
    return colourAnswers.isEmpty() ? QColor() : colourAnswers.takeFirst();
  }

 private:
  QString fileAnswer(QWidget* parent, const QString& caption, const QString& folder,
                     const QString& filter, QString* selectedFilter) {
    fileAsks << FileAsk{caption, folder, filter, parent};
    if (whileShown) whileShown();
    if (selectedFilter)
      *selectedFilter =
          filterAnswers.isEmpty() ? filter.section(";;", 0, 0) : filterAnswers.takeFirst();
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
  }

  AppDialogs* previous_;
};
