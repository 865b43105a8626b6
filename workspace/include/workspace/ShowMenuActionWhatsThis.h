#pragma once

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTimer>

// Shows in the tip window the help of the menu entry the pointer has rested on for 700 ms. The
// application style makes one process-wide instance on its first polish and connects every
// menu's aboutToShow and aboutToHide to it. GUI thread.
class ShowMenuActionWhatsThis : public QTimer {
  Q_OBJECT

 public:
  explicit ShowMenuActionWhatsThis(QObject* parent = nullptr);

  // The process-wide instance, or null before the style first polished a widget.
  static ShowMenuActionWhatsThis* instance();
  // The process-wide instance, made when missing; it is deleted as the application ends.
  static ShowMenuActionWhatsThis* ensureInstance();

  // The menu and entry of the wait in progress; null when none (or when they were deleted).
  QMenu* menu() const { return menu_; }
  QAction* action() const { return action_; }

 public slots:
  // The sending menu's entry `action` was hovered: (re)starts the wait.
  void menuHovered(QAction* action);
  // The sending menu opens: its hovers are watched.
  void menuShown();
  void menuHidden();
  void timeoutSlot();

 private:
  QPointer<QMenu> menu_;
  QPointer<QAction> action_;
};
