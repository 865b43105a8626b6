#pragma once

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

  QList<Shown> shown;
  QList<Answer> answers;
  QStringList modalTitles;
  QStringList colourTitles;
  QList<QColor> colourAnswers;  // cancelled (invalid) when none is queued

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
    return answers.isEmpty() ? Answer() : answers.takeFirst();
  }
  QString openFileName(QWidget*, const QString&, const QString&, const QString&,
                       QString*) override {
    return QString();
  }
  QString saveFileName(QWidget*, const QString&, const QString&, const QString&,
                       QString*) override {
    return QString();
  }
  int execModal(QDialog& box) override {
    modalTitles << box.windowTitle();
    return QDialog::Rejected;
  }
  QColor chooseColour(QWidget*, const QColor&, const QString& title) override {
    colourTitles << title;
    return colourAnswers.isEmpty() ? QColor() : colourAnswers.takeFirst();
  }

 private:
  AppDialogs* previous_;
};
