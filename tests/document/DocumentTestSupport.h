#pragma once

// What the document's tests share: a scriptable stand-in for the windows above the document,
// and a fixture that installs it and gives every test a fresh document, fresh user colours and
// an empty settings store.

#include <gtest/gtest.h>

#include <QColor>
#include <QList>
#include <QtGlobal>
#include <QSettings>
#include <QSize>
#include <QStringList>

#include "document/DocumentKeys.h"
#include "document/DocumentUiHooks.h"
#include "document/GmModel.h"
#include "document/UserColours.h"

// Records every call; answers from its public fields. A colour choice takes the next queued
// answer, or cancels (an invalid colour) when none is queued.
class FakeDocumentUiHooks : public DocumentUiHooks {
 public:
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
  void installImage(TsSourceImage* image) override { installed << image; }
  bool loadProject(QFile&) override { return loadProjectAnswer; }

  bool answerYes = false;
  QList<QColor> colourAnswers;
  int brushSizeValue = 10;
  int brushStrengthValue = 0;
  double maskOpacityValue = 0.5;
  bool keepsSettingsValue = false;
  int launchModeValue = 0;
  const TsSourceImage* hostSegmentation = nullptr;
  const TsSourceImage* hostBlend = nullptr;
  bool loadProjectAnswer = false;

  QStringList questions, warnings, tips;
  QList<bool> busyStates;
  QList<QPair<int, int>> viewTabs;
  QList<QPair<QColor, QString>> colourRequests;
  QList<TsSourceImage*> installed;
};


// Collects the log lines written while it lives (the previous handler is restored after).
class LogCapture {
 public:
  LogCapture() : previous_(qInstallMessageHandler(&LogCapture::record)) { lines().clear(); }
  ~LogCapture() { qInstallMessageHandler(previous_); }
  static QStringList& lines() {
    static QStringList collected;
    return collected;
  }

 private:
  static void record(QtMsgType, const QMessageLogContext&, const QString& text) { lines() << text; }
  QtMessageHandler previous_;
};

class DocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousHooks_ = setDocumentUiHooks(&hooks);
    resetShared();
  }
  void TearDown() override {
    resetShared();
    setDocumentUiHooks(previousHooks_);
  }

  // The document holds an image of `displaySize` and works at `resolution`.
  static GmModel* useImage(const QSize& displaySize, int resolution) {
    GmModel* model = GmModel::instance();
    model->setResolution(resolution);
    model->setImageSize(displaySize);
    return model;
  }

  FakeDocumentUiHooks hooks;

 private:
  static void resetShared() {
    GmModel::destroyInstance();
    UserColours::destroyInstance();
    QSettings(settingsKeys::organisation, settingsKeys::application).clear();
  }

  DocumentUiHooks* previousHooks_ = nullptr;
};
