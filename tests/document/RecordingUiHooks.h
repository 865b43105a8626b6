#pragma once

#include <QColor>
#include <QStringList>

#include "document/DocumentUiHooks.h"
#include "document/TsSourceImage.h"

// Hooks that answer like the default and record every warning; installed for the life of the
// object.
class RecordingUiHooks : public DocumentUiHooks {
 public:
  RecordingUiHooks() : previous_(setDocumentUiHooks(this)) {}
  ~RecordingUiHooks() override { setDocumentUiHooks(previous_); }

  QStringList warnings;

  bool askYesNo(const QString&, const QString&) override { return false; }
  void warn(const QString& text) override { warnings << text; }
  void showTip(const QString&) override {}
  void setBusy(bool) override {}
  void ensureViewTab(int, int) override {}
  QColor chooseColour(const QColor&, const QString&) override { return QColor(); }
  int brushSize() const override { return 10; }
  void setBrushSize(int) override {}
  int brushStrength() const override { return 0; }
  double maskOpacity() const override { return 0.5; }
  bool keepsSettings() const override { return false; }
  int launchMode() const override { return 0; }
  const TsSourceImage* hostImage(int) const override { return nullptr; }
  void installImage(TsSourceImage* image) override { delete image; }
  bool loadProject(QFile&) override { return false; }

 private:
  DocumentUiHooks* previous_;
};
