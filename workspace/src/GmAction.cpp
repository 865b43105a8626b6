#include "workspace/GmAction.h"

#include <QKeySequence>

GmAction::GmAction(const QString& text, QObject* parent, const QString& shortcut)
    : QAction(text, parent) {
  takeShortcut(shortcut);
}

GmAction::GmAction(const QIcon& icon, const QString& text, QObject* parent, const QString& shortcut)
    : QAction(icon, text, parent) {
  takeShortcut(shortcut);
}

void GmAction::takeShortcut(const QString& shortcut) {
  // A tool without a shortcut keeps its plain tool-tip, not one ending in " ()".
  if (shortcut.isEmpty()) return;
  const QKeySequence sequence(shortcut);
  setShortcut(sequence);
  setToolTip(toolTip() + QStringLiteral(" (") + sequence.toString(QKeySequence::PortableText) +
             QStringLiteral(")"));
}
