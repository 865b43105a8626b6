#pragma once

#include <memory>

#include <QTemporaryFile>

class TsSourceImage;

// What a cut-out placed in a composition was made from, to bring it back into the document:
// a saved project as this temporary file's content, or, when none was saved, the source image
// alone. GUI thread.
class SavedCutoutState : public QTemporaryFile {
  Q_OBJECT

 public:
  // `image`, owned, is what restore falls back on while the file is empty; may be null.
  explicit SavedCutoutState(TsSourceImage* image = nullptr, QObject* parent = nullptr);
  ~SavedCutoutState() override;

  const TsSourceImage* image() const { return image_.get(); }

  // Brings the document back: an empty file installs a copy of the held image through the
  // shell (the copy is deleted when refused), false without one; otherwise the file is opened
  // and loaded as a project, and closed again. True when the document was restored.
  bool restore();

 private:
  std::unique_ptr<TsSourceImage> image_;
};
