#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;

// The engine's tuning variables, one row each (name, value to type, marker, the engine's text
// of the value), from the document's copy of them: the window never reads engine memory.
// "Analyse" sends every row whose text is a proportion 0..1 and then analyses the image again,
// all through commands. A row marked "!" holds text that is no such proportion and is not
// sent; "*" marks a row edited since the engine last answered it. GUI thread only.
class VariablesWindow : public QWidget {
  Q_OBJECT

 public:
  explicit VariablesWindow(QWidget* parent = nullptr);

  int rowCount() const { return rows_.size(); }
  QString rowName(int row) const;
  QLineEdit* rowEdit(int row) const;
  QLabel* rowMarker(int row) const;
  QLabel* rowValue(int row) const;
  QPushButton* analyseButton() const { return analyse_; }

 public slots:
  // "!" for text that is not (yet) a proportion; else "*" and "Analyse" is enabled.
  void variableEditedSlot(int row);
  // The engine's answer for `name`: the edit shows it, the marker clears, the text follows.
  void variableChangedSlot(QString name);
  void analyseSlot();

 private slots:
  // A new set of variables (another session) rebuilds the rows; the same set refreshes the
  // rows the user has not edited.
  void tableChangedSlot();

 private:
  struct Row {
    QString name;
    QPointer<QLineEdit> edit;
    QPointer<QLabel> marker;
    QPointer<QLabel> value;
  };

  void rebuildRows();
  void showRow(const Row& row);

  QGridLayout* grid_;
  QList<Row> rows_;
  QPushButton* analyse_;
};
