#include "document/SavedCutoutState.h"

#include <QDebug>

#include "document/DocumentUiHooks.h"
#include "document/TsSourceImage.h"

SavedCutoutState::SavedCutoutState(TsSourceImage* image, QObject* parent)
    : QTemporaryFile(parent), image_(image) {}

SavedCutoutState::~SavedCutoutState() = default;

bool SavedCutoutState::restore() {
  if (size() == 0) {
    if (!image_) return false;
    auto* copy = new TsSourceImage(image_.get());
    const bool installed = documentUiHooks().installImage(copy);
    if (!installed) delete copy;
    return installed;
  }
  if (!open()) {
    qWarning().noquote() << QStringLiteral("The saved cut-out %1 could not be opened: %2")
                                .arg(fileName(), errorString());
    return false;
  }
  seek(0);
  const bool loaded = documentUiHooks().loadProject(*this);
  close();
  return loaded;
}
