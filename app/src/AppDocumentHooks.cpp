#include "app/AppDocumentHooks.h"

#include <QFile>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/FileHandler.h"
#include "app/Flogger.h"
#include "app/TsApp.h"
#include "app/TsMainWindow.h"
#include "document/TsSourceImage.h"
#include "workspace/BrushingTool.h"
#include "workspace/TipWindow.h"
#include "workspace/ViewOptions.h"

namespace {
QWidget* dialogParent() {
  TsApp* app = TsApp::instance();
  return app ? app->mainWindow() : nullptr;
}
}  // namespace

bool AppDocumentHooks::askYesNo(const QString& title, const QString& html) {
  AppDialogs::Message question;
  question.parent = dialogParent();
  question.icon = QMessageBox::Question;
  question.title = title;
  question.text = html;
  question.buttons = QMessageBox::Yes | QMessageBox::No;
  question.defaultButton = QMessageBox::Yes;
  return appDialogs().message(question).standard == QMessageBox::Yes;
}

void AppDocumentHooks::warn(const QString& text) {
  flog() << "Warning: " << text;
  flogEndl();
  appDialogs().warn(dialogParent(), productName(), text);
}

void AppDocumentHooks::showTip(const QString& html) {
  if (TipWindow::instance()) {
    TipWindow::setTipText(html);
    return;
  }
  flog() << "Tip: " << html;
  flogEndl();
}

void AppDocumentHooks::setBusy(bool busy) {
  if (TsMainWindow* window = TsMainWindow::instance()) window->setBusy(busy);
}

void AppDocumentHooks::ensureViewTab(int tabMask, int tab) {
  if (TsMainWindow* window = TsMainWindow::instance()) window->ensureViewTab(tabMask, tab);
}

int AppDocumentHooks::brushSize() const {
  return BrushingTool::brushSize();
}

void AppDocumentHooks::setBrushSize(int size) {
  BrushingTool::setBrushSize(size);
}

int AppDocumentHooks::brushStrength() const {
  return BrushingTool::brushStrength();
}

double AppDocumentHooks::maskOpacity() const {
  return ViewOptions::maskOpacity();
}

QColor AppDocumentHooks::chooseColour(const QColor& initial, const QString& title) {
  return appDialogs().chooseColour(dialogParent(), initial, title);
}

int AppDocumentHooks::launchMode() const {
  TsApp* app = TsApp::instance();
  return app ? app->mode() : TsApp::Normal;
}

const TsSourceImage* AppDocumentHooks::hostImage(int slot) const {
  TsApp* app = TsApp::instance();
  if (!app) return nullptr;
  return slot == 0 ? app->sourceImage() : slot == 1 ? app->secondImage() : nullptr;
}

bool AppDocumentHooks::installImage(TsSourceImage* image) {
  // A saved cut-out coming back: the folder the user last opened stays.
  if (FileHandler* handler = FileHandler::instance())
    return handler->installImage(image, nullptr, FileHandler::KeepFolder);
  flog() << "An image to install was refused: no file handler "
         << (image ? image->fileName() : QString());
  flogEndl();
  return false;
}

bool AppDocumentHooks::loadProject(QFile& file) {
  if (FileHandler* handler = FileHandler::instance()) return handler->loadProject(file);
  flog() << "A project was not loaded: no file handler " << file.fileName();
  flogEndl();
  return false;
}
