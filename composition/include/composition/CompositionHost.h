#pragma once

#include <QMessageBox>
#include <QString>

class QPrinter;
class QWidget;

// The composition's one road up to the windows: messages, confirmations, the file and library
// choosers and the printer set-up. The application installs its dialogs at start-up; until then
// the default answers at once (messages to the log, every question "cancelled"), so nothing
// ever blocks before the windows exist or in a test. GUI thread only.
class CompositionHost {
 public:
  virtual ~CompositionHost() = default;

  virtual void message(QMessageBox::Icon icon, const QString& title, const QString& text) = 0;
  // True when the user accepted (the accepting button reads `acceptText`).
  virtual bool confirm(const QString& text, const QString& acceptText) = 0;
  // The chosen file, or empty when cancelled.
  virtual QString openImageFile(QWidget* parent, const QString& caption, const QString& folder,
                                const QString& filter) = 0;
  // An image chosen from the background library, or empty when cancelled.
  virtual QString libraryImage(const QString& initialPath) = 0;
  // Sets the printer up (the application asks in its print dialog); false when cancelled.
  virtual bool preparePrinter(QPrinter& printer) = 0;
};

// The host in force: the installed one, or the non-blocking default.
CompositionHost& compositionHost();
// Installs `host` (borrowed; null restores the default) and returns the previous one.
CompositionHost* setCompositionHost(CompositionHost* host);
