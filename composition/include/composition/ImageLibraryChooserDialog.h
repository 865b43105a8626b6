#pragma once

#include <QDialog>
#include <QString>

class QListView;
class QPushButton;

// "Choose Background...": the background library as a grid of thumbnails; "Ok" is enabled
// while an image is selected, and a double click accepts. The chosen path is empty unless the
// dialog was accepted with a selection. Made for one modal run. GUI thread only.
class ImageLibraryChooserDialog : public QDialog {
  Q_OBJECT

 public:
  // `initialPath` is preselected when the library holds it.
  explicit ImageLibraryChooserDialog(const QString& initialPath, QWidget* parent = nullptr,
                                     Qt::WindowFlags flags = Qt::WindowFlags());

  const QString& chosenPath() const { return chosenPath_; }
  QListView* listView() const { return listView_; }
  QPushButton* okButton() const { return okButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }

 signals:
  void canAccept(bool accept);

 public slots:
  void reject() override;
  void selectionChanged();

 private:
  QListView* listView_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  QString chosenPath_;
};

// Runs the chooser modally on `initialPath`; the chosen absolute path, or empty when cancelled.
QString getLibraryImage(const QString& initialPath);
