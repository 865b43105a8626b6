#pragma once

#include <QTextBrowser>
#include <QUrl>

// The text of the tip window. It never navigates itself: a link opens with the desktop's URL
// handler, a relative one under the host's help root. GUI thread.
class Browser : public QTextBrowser {
  Q_OBJECT

 public:
  explicit Browser(QWidget* parent = nullptr);

  using QTextBrowser::setSource;
  // Nothing for an empty URL.
  void setSource(const QUrl& url) override;

  // The tip window's text (TipWindow::setTipText).
  static void setTipText(const QString& text);
  // `url`, made absolute under the help root when relative.
  static QUrl helpUrl(const QUrl& url);
};
