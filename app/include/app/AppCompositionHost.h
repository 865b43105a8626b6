#pragma once

#include "composition/CompositionHost.h"

// The shell's answers to the composition: messages, confirmations, the image chooser and the
// printer set-up, all through AppDialogs over the main window (the background library's chooser
// among them). GUI thread.
class AppCompositionHost : public CompositionHost {
 public:
  void message(QMessageBox::Icon icon, const QString& title, const QString& text) override;
  bool confirm(const QString& text, const QString& acceptText) override;
  QString openImageFile(QWidget* parent, const QString& caption, const QString& folder,
                        const QString& filter) override;
  QString libraryImage(const QString& initialPath) override;
  bool preparePrinter(QPrinter& printer) override;
};
