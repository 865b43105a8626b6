#pragma once

#include <QWidget>

class GmSubWindow;
class QVBoxLayout;

// The container of the docked sub-windows beside the image view: a column of them above a
// stretch. It shows while one of its windows is shown and hides while none is; placed in a
// QSplitter as its second pane, it comes back as wide as it was, and widens itself to the widest
// window's minimum, taking the pixels from the first pane as far as that pane's minimum allows.
// GUI thread.
class FakeDock : public QWidget {
  Q_OBJECT

 public:
  explicit FakeDock(QWidget* parent = nullptr);

  // Inserts `window` above the stretch (stretch 10000 when resizable, else 0), once.
  void addSubWindow(GmSubWindow* window);
  void removeSubWindow(GmSubWindow* window);

 public slots:
  void childVisibilityChanged();

 protected:
  // A window's own show and hide requests, also while the dock itself is hidden: the dock
  // shows with the first window shown and hides with the last one hidden.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Whether a docked window is shown (or would be, were the dock shown).
  bool anyShown() const;

  QVBoxLayout* layout_;
  bool showing_ = false;
};
