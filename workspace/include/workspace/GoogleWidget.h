#pragma once

#include <QUrl>
#include <QWidget>

class QLineEdit;

// A search box for photographs on the web: Return (or searchGoogleImagesSlot) opens the
// platform's browser on a web image search for the typed words, in the application's language.
// Images found there come in by drag and drop or paste. GUI thread.
class GoogleWidget : public QWidget {
  Q_OBJECT

 public:
  explicit GoogleWidget(QWidget* parent = nullptr);

  QLineEdit* lineEdit() const { return edit_; }
  // The address a search for `words` opens: "q" holds the words with every "%" and "+" sent
  // as themselves and every space as "+"; "hl" the host's language.
  static QUrl searchUrl(const QString& words);

 public slots:
  void searchGoogleImagesSlot();
  void setFocusSlot();

 private:
  QLineEdit* edit_;
};
