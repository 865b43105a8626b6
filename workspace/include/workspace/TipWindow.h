#pragma once

#include <QPointer>
#include <QString>

#include "workspace/GmSubWindow.h"

class Browser;
class GmTool;
class QAction;
class QKeySequence;

// The sub-window that shows, as rich text, the What's This help of whatever the user points at
// or asks about: a widget, a tool button's action, a tab of a tab bar, an entry of an open menu
// (fed by ShowMenuActionWhatsThis) and the tool just selected, with the shortcut of the related
// action. It watches the whole application through an event filter. One instance is
// registered while it lives; every static operation does nothing without it. GUI thread.
class TipWindow : public GmSubWindow {
  Q_OBJECT

 public:
  // The toggle action joins `menu` when given, with `shortcut` when not empty.
  explicit TipWindow(QWidget* parent = nullptr, QWidget* menu = nullptr,
                     const QString& shortcut = QString());
  ~TipWindow() override;

  bool visibleByDefault() const override { return true; }
  // The spacer under the text shows only while floating.
  void setFloating(bool floating, bool quiet = false) override;

  // The registered tip window, or null.
  static TipWindow* instance();
  // Shows `text` with its list markup turned into bullets and line breaks.
  static void setTipText(const QString& text);
  // The help of `widget` or of its nearest ancestor within its window that has one, with the
  // shortcut of the related action.
  static void showWidgetTip(QWidget* widget);
  // The action's help with its shortcut; nothing for an action without help.
  static void showActionTip(QAction* action);
  // Inserts " (shortcut)" in the platform's native text before the first "</p>" of `text`;
  // false, `text` untouched, without a shortcut or a "</p>".
  static bool addShortcut(QString& text, const QKeySequence& shortcut);
  // What setTipText makes of `text`.
  static QString tipHtml(const QString& text);

  Browser* browser() const { return browser_; }
  QWidget* spacer() const { return spacer_; }
  // The HTML last given to the browser.
  const QString& shownHtml() const { return shownHtml_; }

 protected:
  // What's This requests (consumed) and tool-tip requests for another object than the last
  // one (passed on) show that object's help.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void toolChangedSlot(const GmTool* tool);

 private:
  Browser* browser_;
  // Compared only: the widget or action whose help showed last; null after a tab's or a text's.
  QPointer<QObject> lastSource_;
  QWidget* spacer_;
  QString shownHtml_;
};
