#pragma once

#include <memory>

#include <QByteArray>
#include <QIODevice>

namespace kestrum {

// An uncompressed true-colour TGA as Qt's reader takes it, over one as most tools write it. Qt's
// reader opens only a TGA that ends in the footer of version 2, which most tools leave out, and
// it skips an image ID or a colour map twice. This device shows the header without either, the
// pixel data (read from the source where it lies, never copied) and the footer.
// Read only. The source is borrowed: random access, and it must outlive the device.
class FootedTga : public QIODevice {
 public:
  struct View {
    std::unique_ptr<FootedTga> device;  // null unless the bytes hold a whole such TGA
    bool cutShort = false;  // an uncompressed true-colour header, but the pixel data ends early
  };

  // The TGA that starts at `start` of `source`, whatever its end holds.
  static View over(QIODevice* source, qint64 start);

  bool isSequential() const override { return false; }
  qint64 size() const override;
  bool seek(qint64 position) override;

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  FootedTga(QIODevice* source, qint64 pixelsAt, QByteArray header, qint64 pixelBytes);

  QIODevice* source_;
  qint64 pixelsAt_;  // where the pixel data starts in the source
  QByteArray header_;
  qint64 pixelBytes_;
  qint64 at_ = 0;  // where the next readData starts: QIODevice reads ahead into its buffer
};

}  // namespace kestrum
