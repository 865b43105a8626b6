#include "app/AppDialogs.h"

#include <algorithm>

#include <QColorDialog>
#include <QDebug>
#include <QDialog>
#include <QFileDialog>
#include <QPointer>
#include <QPushButton>

namespace {

class DefaultAppDialogs final : public AppDialogs {
 public:
  Answer message(const Message& message) override {
    qInfo().noquote() << "Message not shown (no dialogs):" << message.title << "|" << message.text;
    return Answer();
  }
  QString openFileName(QWidget*, const QString& caption, const QString&, const QString&,
                       QString*) override {
    qInfo().noquote() << "File dialog cancelled (no dialogs):" << caption;
    return QString();
  }
  QString saveFileName(QWidget*, const QString& caption, const QString&, const QString&,
                       QString*) override {
    qInfo().noquote() << "File dialog cancelled (no dialogs):" << caption;
    return QString();
  }
  int execModal(QDialog& box) override {
    qInfo().noquote() << "Modal box not shown (no dialogs):" << box.windowTitle();
    return QDialog::Rejected;
  }
  QColor chooseColour(QWidget*, const QColor&, const QString& title) override {
    qInfo().noquote() << "Colour dialog cancelled (no dialogs):" << title;
    return QColor();
  }
};

DefaultAppDialogs& defaultDialogs() {
  static DefaultAppDialogs dialogs;
  return dialogs;
}

AppDialogs* installed = nullptr;

AppDialogs& inForce() {
  return installed ? *installed : defaultDialogs();
}

// Boxes opened through appDialogs() that have not answered yet.
int openBoxes = 0;

// Modeless boxes that count while they show; an entry turns null when its box is destroyed.
QList<QPointer<QWidget>>& modelessBoxes() {
  static QList<QPointer<QWidget>> boxes;
  return boxes;
}

class OpenBox {
 public:
  OpenBox() { ++openBoxes; }
  ~OpenBox() { --openBoxes; }
  OpenBox(const OpenBox&) = delete;
  OpenBox& operator=(const OpenBox&) = delete;
};

// What appDialogs() hands out: the dialogs in force, each box counted while it is open. The
// dialogs in force are looked up per box, so an installation takes effect at once.
class CountedAppDialogs final : public AppDialogs {
 public:
  Answer message(const Message& message) override {
    const OpenBox open;
    return inForce().message(message);
  }
  QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override {
    const OpenBox open;
    return inForce().openFileName(parent, caption, folder, filter, selectedFilter);
  }
  QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override {
    const OpenBox open;
    return inForce().saveFileName(parent, caption, folder, filter, selectedFilter);
  }
  int execModal(QDialog& box) override {
    const OpenBox open;
    return inForce().execModal(box);
  }
  QColor chooseColour(QWidget* parent, const QColor& initial, const QString& title) override {
    const OpenBox open;
    return inForce().chooseColour(parent, initial, title);
  }
};

bool accepts(QMessageBox::ButtonRole role) {
  return role == QMessageBox::AcceptRole || role == QMessageBox::YesRole;
}

// Standard buttons in the order a box lays them out for the default search.
constexpr QMessageBox::StandardButton kAccepting[] = {
    QMessageBox::Ok,  QMessageBox::Save,     QMessageBox::SaveAll, QMessageBox::Open,
    QMessageBox::Yes, QMessageBox::YesToAll, QMessageBox::Retry,   QMessageBox::Ignore};

}  // namespace

AppDialogs& appDialogs() {
  static CountedAppDialogs counted;
  return counted;
}

bool appDialogOpen() {
  if (openBoxes > 0) return true;
  const QList<QPointer<QWidget>>& boxes = modelessBoxes();
  return std::any_of(boxes.cbegin(), boxes.cend(),
                     [](const QPointer<QWidget>& box) { return box && box->isVisible(); });
}

void countWhileVisible(QWidget* box) {
  QList<QPointer<QWidget>>& boxes = modelessBoxes();
  boxes.removeAll(QPointer<QWidget>());
  if (box && !boxes.contains(box)) boxes.append(box);
}

AppDialogs* setAppDialogs(AppDialogs* dialogs) {
  AppDialogs* previous = installed;
  installed = dialogs;
  return previous;
}

AppDialogs::Message AppDialogs::simple(QWidget* parent, QMessageBox::Icon icon,
                                       const QString& title, const QString& text) {
  Message box;
  box.parent = parent;
  box.icon = icon;
  box.title = title;
  box.text = text;
  return box;
}

void AppDialogs::inform(QWidget* parent, const QString& title, const QString& text) {
  message(simple(parent, QMessageBox::Information, title, text));
}

void AppDialogs::warn(QWidget* parent, const QString& title, const QString& text) {
  message(simple(parent, QMessageBox::Warning, title, text));
}

AppDialogs::Answer AppDialogs::defaultAnswer(const Message& message) {
  Answer answer;
  if (message.defaultButton != QMessageBox::NoButton &&
      message.buttons.testFlag(message.defaultButton)) {
    answer.standard = message.defaultButton;
    return answer;
  }
  for (int i = 0; i < message.extraButtons.size(); ++i) {
    if (accepts(message.extraButtons.at(i).role)) {
      answer.extra = i;
      return answer;
    }
  }
  for (QMessageBox::StandardButton button : kAccepting) {
    if (message.buttons.testFlag(button)) {
      answer.standard = button;
      return answer;
    }
  }
  return answer;
}

AppDialogs::Answer WidgetAppDialogs::message(const Message& message) {
  QMessageBox box(message.icon, message.title, message.text, message.buttons, message.parent);
  QList<QPushButton*> extras;
  for (const Button& button : message.extraButtons)
    extras << box.addButton(button.text, button.role);
  if (message.defaultButton != QMessageBox::NoButton) box.setDefaultButton(message.defaultButton);
  box.exec();
  Answer answer;
  QAbstractButton* clicked = box.clickedButton();
  const int extra = extras.indexOf(qobject_cast<QPushButton*>(clicked));
  if (extra >= 0) {
    answer.extra = extra;
  } else if (clicked) {
    answer.standard = box.standardButton(clicked);
  }
  return answer;
}

QString WidgetAppDialogs::openFileName(QWidget* parent, const QString& caption,
                                       const QString& folder, const QString& filter,
                                       QString* selectedFilter) {
  return QFileDialog::getOpenFileName(parent, caption, folder, filter, selectedFilter);
}

QString WidgetAppDialogs::saveFileName(QWidget* parent, const QString& caption,
                                       const QString& folder, const QString& filter,
                                       QString* selectedFilter) {
  return QFileDialog::getSaveFileName(parent, caption, folder, filter, selectedFilter);
}

int WidgetAppDialogs::execModal(QDialog& box) {
  return box.exec();
}

QColor WidgetAppDialogs::chooseColour(QWidget* parent, const QColor& initial,
                                      const QString& title) {
  return QColorDialog::getColor(initial, parent, title);
}
