#pragma once

#include <memory>

#include <QString>

#include "app/HostBridge.h"
#include "app/TsApp.h"

class TsSourceImage;

// The application object of the stand-alone program: TsApp plus the images a hosted mode hands
// over. It owns those images and their pixel buffers for the whole run (the document only
// borrows them) and deletes them after the document. GUI thread.
class TsAppStandAlone : public TsApp {
  Q_OBJECT

 public:
  explicit TsAppStandAlone(int mode);
  // The document goes first; then, in mode SharedMemory, the result goes back to the host (see
  // writeBackPluginImage), then the images, the buffers and the host's descriptors.
  ~TsAppStandAlone() override;

  // TsApp::init, then the mode's input ("--gp": the host's shared memory, "--aperture": the
  // named image), then the main window.
  void init(int& argc, char** argv) override;
  TsSourceImage* sourceImage() const override { return sourceImage_.get(); }
  TsSourceImage* secondImage() const override { return secondImage_.get(); }

  // Mode Aperture's input: the image file at `path`, a deep copy of it, and a second image over
  // the copy's pixels. An image that cannot be read leaves none of the three. True when the
  // images were made.
  bool loadApertureImages(const QString& path);

  // Mode SharedMemory's input from the nine-argument command line: both of the host's memories
  // copied into buffers of our own (a big-endian host's first memory is left byte-swapped, as
  // hosts expect), the two images built over them. Arguments that do not hold up (see
  // parseGpArguments) map and write nothing: "Shared memory input refused: " and the reason go
  // to the log, a warning to the user, and the run goes on without images, ending with 2.
  bool readSharedMemoryInput(int argc, const char* const* argv);
  // Copies the second buffer back into the host's second memory, in the host's channel and byte
  // order. Acts only in mode SharedMemory with hostExitCode() 0, when the input was read and
  // the host's memory still has the size the image needs; the destructor calls it only after
  // the event loop ended normally. True when written.
  bool writeBackPluginImage();
  // What the host is told: 2 when its input was refused, else hostExitCode().
  int hostResult() const { return inputRefused_ ? 2 : hostExitCode(); }

 private:
  void releaseImages();
  void refuseSharedMemoryInput(const QString& reason);
  void closeHostDescriptors();

  // Declared so that they die in reverse: images over a buffer or a copy go before it.
  HostBuffers buffers_;
  std::unique_ptr<TsSourceImage> sourceImage_;
  std::unique_ptr<TsSourceImage> apertureCopy_;
  std::unique_ptr<TsSourceImage> secondImage_;

  // Mode SharedMemory: the accepted arguments; the descriptors are closed on destruction.
  GpArguments host_;
  bool inputRead_ = false;
  bool inputRefused_ = false;
};
