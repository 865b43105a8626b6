#include "app/TsAppStandAlone.h"

#include "app/Flogger.h"
#include "document/TsSourceImage.h"

TsAppStandAlone::TsAppStandAlone(int mode) : TsApp(mode) {}

TsAppStandAlone::~TsAppStandAlone() {
  releaseDocumentSide();
  releaseImages();
}

void TsAppStandAlone::init(int& argc, char** argv) {
  TsApp::init(argc, argv);
  if (mode() == Aperture && argc > 2) loadApertureImages(QString::fromLocal8Bit(argv[2]));
  showMainWindow();
}

bool TsAppStandAlone::loadApertureImages(const QString& path) {
  releaseImages();
  // The image reports its own failure to the user.
  auto source = std::make_unique<TsSourceImage>(path);
  if (!source->isValid()) {
    flog() << "No image for the host: " << path << " could not be read";
    flogEndl();
    return false;
  }
  auto copy = std::make_unique<TsSourceImage>(source.get());
  if (!copy->isValid()) return false;
  auto second = std::make_unique<TsSourceImage>(copy.get(), TsSourceImage::SharePixels());
  if (!second->isValid()) return false;
  sourceImage_ = std::move(source);
  apertureCopy_ = std::move(copy);
  secondImage_ = std::move(second);
  return true;
}

void TsAppStandAlone::releaseImages() {
  secondImage_.reset();
  apertureCopy_.reset();
  sourceImage_.reset();
}
