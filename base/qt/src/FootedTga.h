#pragma once

#include <memory>
#include <vector>

#include <QByteArray>
#include <QIODevice>

namespace kestrum {

// An uncompressed true-colour TGA as Qt's reader reads it right, over one as it is stored. Qt's
// reader opens only a TGA that ends in the footer of version 2, which most tools leave out; it
// skips an image ID or a colour map twice; and it reads the colours of 16-bit pixels wrong and
// their top bit as alpha whatever the header says. This device shows the header without ID or
// colour map, the pixel data (read from the source where it lies, never copied whole; 16-bit
// pixels widened to 24 bits, or to 32 where their top bit is alpha) and the footer.
// Read only. The source is borrowed: random access, and it must outlive the device.
class FootedTga : public QIODevice {
 public:
  struct View {
    std::unique_ptr<FootedTga> device;  // null unless the bytes hold a whole such TGA
    bool cutShort = false;  // an uncompressed true-colour header, but the pixel data ends early
  };

  // The TGA that starts at `start` of `source`, with or without the footer at the source's end.
  static View over(QIODevice* source, qint64 start);

  bool isSequential() const override { return false; }
  qint64 size() const override;
  bool seek(qint64 position) override;

 protected:
  qint64 readData(char* data, qint64 maxSize) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  FootedTga(QIODevice* source, qint64 pixelsAt, QByteArray header, qint64 pixels, int storedBytes,
            int shownBytes);

  // `count` bytes of the pixel data as shown, from `offset` into it; fewer at the source's end.
  qint64 readPixels(char* data, qint64 offset, qint64 count);
  qint64 readSource(char* data, qint64 at, qint64 count);

  QIODevice* source_;
  qint64 pixelsAt_;  // where the pixel data starts in the source
  QByteArray header_;
  qint64 pixels_;
  int storedBytes_;  // a pixel's bytes in the source: 2, 3 or 4
  int shownBytes_;   // and as shown: 3 or 4
  qint64 at_ = 0;    // where the next readData starts: QIODevice reads ahead into its buffer
  std::vector<uchar> stored_, shown_;  // a chunk of 16-bit pixels and their widening
};

}  // namespace kestrum
