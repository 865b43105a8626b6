#pragma once

#include <QColor>
#include <QList>
#include <QMessageBox>
#include <QString>

class QDialog;
class QWidget;

// Every message box, file dialog, colour dialog and modal About box of the shell goes through the
// one installed AppDialogs. The program installs the widget dialogs; tests and the test host
// install fakes that answer at once. Until one is installed the default answers without
// blocking: every message is logged and answered as if escaped, file and colour dialogs are
// cancelled, a modal box is not shown.
// GUI thread only.
class AppDialogs {
 public:
  // A button beyond the standard ones.
  struct Button {
    QString text;
    QMessageBox::ButtonRole role;
  };
  struct Message {
    QWidget* parent = nullptr;  // borrowed
    QMessageBox::Icon icon = QMessageBox::Information;
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QList<Button> extraButtons;  // added after the standard ones
  };
  // The button that closed the box: a standard button, or the index of an extra button. A box
  // escaped or closed without a button gives NoButton and -1.
  struct Answer {
    QMessageBox::StandardButton standard = QMessageBox::NoButton;
    int extra = -1;
  };

  virtual ~AppDialogs() = default;

  // A modal message box.
  virtual Answer message(const Message& message) = 0;
  // The chosen file, or empty when cancelled; `selectedFilter` (may be null) in and out.
  virtual QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter, QString* selectedFilter) = 0;
  virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filter, QString* selectedFilter) = 0;
  // Runs `box` modally; returns its result.
  virtual int execModal(QDialog& box) = 0;
  // The colour dialog, titled `title`, starting at `initial`: the chosen colour, or an invalid
  // one when cancelled.
  virtual QColor chooseColour(QWidget* parent, const QColor& initial, const QString& title) = 0;

  // A box with one OK button.
  static Message simple(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                        const QString& text);
  // Shortcuts: one OK button.
  void inform(QWidget* parent, const QString& title, const QString& text);
  void warn(QWidget* parent, const QString& title, const QString& text);

  // The answer a box gives when the user just presses Enter: its explicit default; else the
  // first extra, then standard, button with an accepting role; else none.
  static Answer defaultAnswer(const Message& message);
};

// The dialogs in force: the installed ones, or the non-blocking default. Each box opened through
// them counts as open until it answers.
AppDialogs& appDialogs();
// Whether a box or dialog opened through appDialogs() has not answered yet (its event loop runs
// what arrives meanwhile), or a box counted by countWhileVisible() shows.
bool appDialogOpen();
// Counts the modeless `box` as an open box whenever it is visible, for as long as it lives
// (borrowed; forgotten when destroyed). Counting it again changes nothing.
void countWhileVisible(QWidget* box);
// Installs `dialogs` (borrowed; null restores the default) and returns the previous ones.
AppDialogs* setAppDialogs(AppDialogs* dialogs);

// The real dialogs: QMessageBox, QFileDialog, QColorDialog and QDialog::exec.
class WidgetAppDialogs : public AppDialogs {
 public:
  Answer message(const Message& message) override;
  QString openFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override;
  QString saveFileName(QWidget* parent, const QString& caption, const QString& folder,
                       const QString& filter, QString* selectedFilter) override;
  int execModal(QDialog& box) override;
  QColor chooseColour(QWidget* parent, const QColor& initial, const QString& title) override;
};
