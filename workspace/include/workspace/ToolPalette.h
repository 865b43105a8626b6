#pragma once

#include <QByteArray>
#include <QDockWidget>
#include <QPoint>
#include <QString>

// The dock window that holds the tool palette. It opens its header link, takes a fixed size
// while floating, hides while the main window's Tab toggle is on, and serialises its own
// state. GUI thread.
class ToolPalette : public QDockWidget {
  Q_OBJECT

 public:
  explicit ToolPalette(const QString& title, QWidget* parent = nullptr);

  void setHeaderLink(const QString& url) { headerLink_ = url; }
  const QString& headerLink() const { return headerLink_; }
  bool hiddenByTab() const { return hiddenByTab_ != 0; }

  // The position when floating, whether the window was visible (before a Tab hide) and a
  // further flag written as 0, in a data stream of version 7.
  QByteArray saveState();
  // Reverses saveState; truncated or foreign bytes change nothing and answer false.
  bool restoreState(const QByteArray& state);

 public slots:
  void invokeHeaderLink();
  void slotTopLevelChanged(bool topLevel);
  // The main window's Tab toggle: hides a visible window, or shows again one it hid.
  void tabToggle(bool hide);

 private:
  QString headerLink_;
  quint8 hiddenByTab_ = 0;
  quint8 wasVisible_ = 0;
  quint8 further_ = 0;
  QPoint floatingPosition_;
};
