#pragma once

#include <QByteArray>
#include <QColor>
#include <QFile>
#include <QList>
#include <QPair>
#include <QStringList>

#include "document/DocumentUiHooks.h"
#include "document/TsSourceImage.h"

// The windows above the document, scripted: installed for the life of the object (the previous
// hooks come back after), recording every call and answering from its public fields. A colour
// choice takes the next queued answer, or cancels (an invalid colour) when none is queued.
// Images installImage accepts (installAnswer) are kept and deleted with the hooks; a project to
// load is read whole into loadedProjects.
class FakeDocumentUiHooks : public DocumentUiHooks {
 public:
  FakeDocumentUiHooks() : previous_(setDocumentUiHooks(this)) {}
  ~FakeDocumentUiHooks() override {
    setDocumentUiHooks(previous_);
    qDeleteAll(installed);
  }
  FakeDocumentUiHooks(const FakeDocumentUiHooks&) = delete;
  FakeDocumentUiHooks& operator=(const FakeDocumentUiHooks&) = delete;

  bool askYesNo(const QString& title, const QString& html) override {
    questions << title + "\n" + html;
    return answerYes;
  }
  void warn(const QString& text) override { warnings << text; }
  void showTip(const QString& html) override { tips << html; }
  void setBusy(bool busy) override { busyStates << busy; }
  void ensureViewTab(int tabMask, int tab) override { viewTabs << qMakePair(tabMask, tab); }
  QColor chooseColour(const QColor& initial, const QString& title) override {
    colourRequests << qMakePair(initial, title);
    return colourAnswers.isEmpty() ? QColor() : colourAnswers.takeFirst();
  }
  int brushSize() const override { return brushSizeValue; }
  void setBrushSize(int size) override { brushSizeValue = size; }
  int brushStrength() const override { return brushStrengthValue; }
  double maskOpacity() const override { return maskOpacityValue; }
  bool keepsSettings() const override { return keepsSettingsValue; }
  int launchMode() const override { return launchModeValue; }
  const TsSourceImage* hostImage(int slot) const override {
    return slot == 0 ? hostSegmentation : slot == 1 ? hostBlend : nullptr;
  }
  bool installImage(TsSourceImage* image) override {
    installRequests << image;
    if (installAnswer) installed << image;
    return installAnswer;
  }
  bool loadProject(QFile& file) override {
    loadedProjects << file.readAll();
    return loadProjectAnswer;
  }

  bool answerYes = false;
  QList<QColor> colourAnswers;
  int brushSizeValue = 10;
  int brushStrengthValue = 0;
  double maskOpacityValue = 0.5;
  bool keepsSettingsValue = false;
  int launchModeValue = 0;
  const TsSourceImage* hostSegmentation = nullptr;
  const TsSourceImage* hostBlend = nullptr;
  bool installAnswer = true;
  bool loadProjectAnswer = false;

  QStringList questions, warnings, tips;
  QList<bool> busyStates;
  QList<QPair<int, int>> viewTabs;
  QList<QPair<QColor, QString>> colourRequests;
  QList<TsSourceImage*> installed;
  QList<const TsSourceImage*> installRequests;
  QList<QByteArray> loadedProjects;

 private:
  DocumentUiHooks* previous_;
};
