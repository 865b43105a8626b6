#include "app/AppCompositionHost.h"

#include <QPrintDialog>
#include <QPrinter>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/TsApp.h"
#include "composition/ImageLibraryChooserDialog.h"

namespace {
QWidget* mainWindow() {
  const TsApp* app = TsApp::instance();
  return app ? app->mainWindow() : nullptr;
}
}  // namespace

void AppCompositionHost::message(QMessageBox::Icon icon, const QString& title,
                                 const QString& text) {
  appDialogs().message(AppDialogs::simple(mainWindow(), icon, title, text));
}

bool AppCompositionHost::confirm(const QString& text, const QString& acceptText) {
  AppDialogs::Message question =
      AppDialogs::simple(mainWindow(), QMessageBox::Question, productName(), text);
  question.buttons = QMessageBox::Cancel;
  question.extraButtons << AppDialogs::Button{acceptText, QMessageBox::AcceptRole};
  return appDialogs().message(question).extra == 0;
}

QString AppCompositionHost::openImageFile(QWidget* parent, const QString& caption,
                                          const QString& folder, const QString& filter) {
  QString selectedFilter;
  return appDialogs().openFileName(parent ? parent : mainWindow(), caption, folder, filter,
                                   &selectedFilter);
}

QString AppCompositionHost::libraryImage(const QString& initialPath) {
  // The chooser of getLibraryImage, run through the application's dialogs so that the test host
  // can answer it.
  ImageLibraryChooserDialog dialog(initialPath);
  return appDialogs().execModal(dialog) == QDialog::Accepted ? dialog.chosenPath() : QString();
}

bool AppCompositionHost::preparePrinter(QPrinter& printer) {
  QPrintDialog dialog(&printer, mainWindow());
  return appDialogs().execModal(dialog) == QDialog::Accepted;
}
