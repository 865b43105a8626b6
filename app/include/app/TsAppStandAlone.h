#pragma once

#include <memory>

#include <QString>

#include "app/TsApp.h"

class TsSourceImage;

// The application object of the stand-alone program: TsApp plus the images a hosted mode hands
// over. It owns those images for the whole run (the document only borrows them) and deletes
// them after the document. GUI thread.
class TsAppStandAlone : public TsApp {
  Q_OBJECT

 public:
  explicit TsAppStandAlone(int mode);
  ~TsAppStandAlone() override;

  // TsApp::init, then the mode's input ("--aperture": the named image), then the main window.
  void init(int& argc, char** argv) override;
  TsSourceImage* sourceImage() const override { return sourceImage_.get(); }
  TsSourceImage* secondImage() const override { return secondImage_.get(); }

  // Mode Aperture's input: the image file at `path`, a deep copy of it, and a second image over
  // the copy's pixels. An image that cannot be read leaves none of the three. True when the
  // images were made.
  bool loadApertureImages(const QString& path);

 private:
  void releaseImages();

  // Declared so that they die in reverse: the second image works on the copy's pixels.
  std::unique_ptr<TsSourceImage> sourceImage_;
  std::unique_ptr<TsSourceImage> apertureCopy_;
  std::unique_ptr<TsSourceImage> secondImage_;
};
