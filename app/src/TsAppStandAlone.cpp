#include "app/TsAppStandAlone.h"

#include <unistd.h>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/Flogger.h"
#include "document/TsSourceImage.h"

TsAppStandAlone::TsAppStandAlone(int mode) : TsApp(mode) {}

TsAppStandAlone::~TsAppStandAlone() {
  releaseDocumentSide();
  if (loopEndedNormally()) writeBackPluginImage();
  releaseImages();
  closeHostDescriptors();
}

void TsAppStandAlone::init(int& argc, char** argv) {
  TsApp::init(argc, argv);
  if (mode() == SharedMemory) readSharedMemoryInput(argc, argv);
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

bool TsAppStandAlone::readSharedMemoryInput(int argc, const char* const* argv) {
  releaseImages();
  closeHostDescriptors();
  inputRead_ = false;
  inputRefused_ = false;
  QString reason;
  GpArguments arguments;
  if (!parseGpArguments(argc, argv, arguments, &reason)) {
    refuseSharedMemoryInput(reason);
    return false;
  }
  host_ = arguments;
  if (!readHostMemory(arguments, buffers_, &reason)) {
    refuseSharedMemoryInput(reason);
    return false;
  }
  if (arguments.bitsPerChannel == 16) {
    sourceImage_ = std::make_unique<TsSourceImage>(buffers_.first16, arguments.name);
    secondImage_ = std::make_unique<TsSourceImage>(buffers_.second16, arguments.name);
  } else {
    sourceImage_ = std::make_unique<TsSourceImage>(buffers_.first8, arguments.name);
    secondImage_ = std::make_unique<TsSourceImage>(buffers_.second8, arguments.name);
  }
  inputRead_ = true;
  return true;
}

void TsAppStandAlone::refuseSharedMemoryInput(const QString& reason) {
  inputRefused_ = true;
  releaseImages();
  flog() << "Shared memory input refused: " << reason;
  flogEndl();
  appDialogs().warn(
      nullptr, productName(),
      tr("The image handed over by the host application cannot be read:\n%1").arg(reason));
}

bool TsAppStandAlone::writeBackPluginImage() {
  if (mode() != SharedMemory || hostExitCode() != 0 || !inputRead_) return false;
  QString reason;
  if (writeHostMemory(host_, buffers_, &reason)) return true;
  flog() << "Result not handed back to the host: " << reason;
  flogEndl();
  return false;
}

void TsAppStandAlone::releaseImages() {
  secondImage_.reset();
  apertureCopy_.reset();
  sourceImage_.reset();
}

void TsAppStandAlone::closeHostDescriptors() {
  // Only descriptors that were accepted as the host's are ours to close.
  if (host_.firstFd >= 0) ::close(host_.firstFd);
  if (host_.secondFd >= 0) ::close(host_.secondFd);
  host_ = GpArguments();
}
