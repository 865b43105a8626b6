#pragma once

#include <QAction>
#include <QIcon>
#include <QString>

// A tool's action: its shortcut is set and named in its tool-tip, " (" + the shortcut in
// portable text + ")"; an empty shortcut leaves both alone. GUI thread.
class GmAction : public QAction {
  Q_OBJECT

 public:
  GmAction(const QString& text, QObject* parent, const QString& shortcut);
  GmAction(const QIcon& icon, const QString& text, QObject* parent, const QString& shortcut);

 private:
  void takeShortcut(const QString& shortcut);
};
