#include "app/TsAppStandAlone.h"

#include <unistd.h>

#include <new>

#include "app/AppDialogs.h"
#include "app/AppIdentity.h"
#include "app/Flogger.h"
#include "document/TsSourceImage.h"

namespace {
// Buffer rows are padded to this many bytes.
constexpr uint32_t kBufferAlignment = 16;
}  // namespace

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
  const bool wide = arguments.bitsPerChannel == 16;
  // The buffers first: running out of memory here leaves the host's memory untouched.
  try {
    if (wide) {
      buffer16First_ = kestrum::PixelBuffer64(arguments.width, arguments.height, kBufferAlignment);
      buffer16Second_ = kestrum::PixelBuffer64(arguments.width, arguments.height, kBufferAlignment);
    } else {
      buffer8First_ = kestrum::PixelBuffer32(arguments.width, arguments.height, kBufferAlignment);
      buffer8Second_ = kestrum::PixelBuffer32(arguments.width, arguments.height, kBufferAlignment);
    }
  } catch (const std::bad_alloc&) {
    refuseSharedMemoryInput(
        QStringLiteral("no memory for %1 x %2 pixels").arg(arguments.width).arg(arguments.height));
    return false;
  }
  HostMapping first, second;
  const uint64_t needed = arguments.neededBytes();
  if (!first.map(arguments.firstFd, needed, &reason) ||
      !second.map(arguments.secondFd, needed, &reason)) {
    refuseSharedMemoryInput(reason);
    return false;
  }
  if (wide) {
    const bool bigEndian = !arguments.littleEndian;
    // The host reads its first memory back as little-endian: swapped in place, then copied.
    if (bigEndian) swapSampleBytes(first.data(), needed / 2);
    copyHostToBuffer16(first.data(), buffer16First_, false);
    // The second memory is converted while it is copied, so its samples read as the host's.
    copyHostToBuffer16(second.data(), buffer16Second_, bigEndian);
    sourceImage_ = std::make_unique<TsSourceImage>(buffer16First_, arguments.name);
    secondImage_ = std::make_unique<TsSourceImage>(buffer16Second_, arguments.name);
  } else {
    copyHostToBuffer8(first.data(), buffer8First_);
    copyHostToBuffer8(second.data(), buffer8Second_);
    sourceImage_ = std::make_unique<TsSourceImage>(buffer8First_, arguments.name);
    secondImage_ = std::make_unique<TsSourceImage>(buffer8Second_, arguments.name);
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
  HostMapping second;
  QString reason;
  if (!second.map(host_.secondFd, host_.neededBytes(), &reason)) {
    flog() << "Result not handed back to the host: " << reason;
    flogEndl();
    return false;
  }
  if (host_.bitsPerChannel == 16)
    copyBufferToHost16(buffer16Second_, second.data(), !host_.littleEndian);
  else
    copyBufferToHost8(buffer8Second_, second.data());
  return true;
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
