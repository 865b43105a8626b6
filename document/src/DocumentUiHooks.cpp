#include "document/DocumentUiHooks.h"

#include <QDebug>

#include "document/TsSourceImage.h"

namespace {

// Answers every call at once: nothing blocks before the shell is up, and nothing is lost
// silently either, since every question and warning reaches the log.
class DefaultDocumentUiHooks final : public DocumentUiHooks {
 public:
  bool askYesNo(const QString& title, const QString& html) override {
    qInfo().noquote() << "Question answered No (no window):" << title;
    Q_UNUSED(html);
    return false;
  }
  void warn(const QString& text) override { qWarning().noquote() << text; }
  void showTip(const QString& html) override { qInfo().noquote() << "Tip:" << html; }
  void setBusy(bool) override {}
  void ensureViewTab(int, int) override {}
  QColor chooseColour(const QColor&, const QString&) override { return QColor(); }
  int brushSize() const override { return brushSize_; }
  void setBrushSize(int size) override { brushSize_ = size; }
  int brushStrength() const override { return 0; }
  double maskOpacity() const override { return 0.5; }
  bool keepsSettings() const override { return false; }
  int launchMode() const override { return 0; }
  const TsSourceImage* hostImage(int) const override { return nullptr; }
  bool installImage(TsSourceImage* image) override;
  bool loadProject(QFile&) override { return false; }

 private:
  int brushSize_ = 10;
};

DefaultDocumentUiHooks& defaultHooks() {
  static DefaultDocumentUiHooks hooks;
  return hooks;
}

DocumentUiHooks* installed = nullptr;

bool DefaultDocumentUiHooks::installImage(TsSourceImage* image) {
  qWarning().noquote() << "An image to install was refused: no window to show it"
                       << (image ? image->fileName() : QString());
  return false;
}

}  // namespace

DocumentUiHooks& documentUiHooks() {
  return installed ? *installed : defaultHooks();
}

DocumentUiHooks* setDocumentUiHooks(DocumentUiHooks* hooks) {
  DocumentUiHooks* previous = installed;
  installed = hooks;
  return previous;
}
