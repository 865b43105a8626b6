#include "document/JpegMetadata.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <QFile>
#include <QLoggingCategory>
#include <QString>

namespace {

Q_LOGGING_CATEGORY(lcExif, "zarvo.exif", QtInfoMsg)

// Where a read takes its bytes from. get() answers -1 at the end.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual int get() = 0;
  // False when fewer than `count` bytes were left.
  virtual bool read(unsigned char* into, size_t count) = 0;
  // Reads on to the end: whether the bytes 0xFF 0xD9 (end of image) come. Entropy-coded data
  // never holds them, since it stuffs a zero after every 0xFF.
  virtual bool findEndOfImage() = 0;
};

// Whether `data` holds 0xFF 0xD9, given whether the byte before it was 0xFF; updates that.
bool holdsEndOfImage(const unsigned char* data, size_t size, bool& afterFF) {
  for (size_t i = 0; i < size; ++i) {
    if (afterFF && data[i] == 0xD9) return true;
    afterFF = data[i] == 0xFF;
  }
  return false;
}

class MemorySource final : public ByteSource {
 public:
  MemorySource(const unsigned char* data, size_t size) : data_(data), left_(data ? size : 0) {}
  int get() override {
    if (left_ == 0) return -1;
    --left_;
    return *data_++;
  }
  bool read(unsigned char* into, size_t count) override {
    if (count > left_) return false;
    if (count != 0) std::memcpy(into, data_, count);
    data_ += count;
    left_ -= count;
    return true;
  }
  bool findEndOfImage() override {
    bool afterFF = false;
    const bool found = holdsEndOfImage(data_, left_, afterFF);
    data_ += left_;
    left_ = 0;
    return found;
  }

 private:
  const unsigned char* data_;
  size_t left_;
};

class FileSource final : public ByteSource {
 public:
  explicit FileSource(std::FILE* file) : file_(file) {}
  int get() override {
    const int c = std::fgetc(file_);
    return c == EOF ? -1 : c;
  }
  bool read(unsigned char* into, size_t count) override {
    return std::fread(into, 1, count, file_) == count;
  }
  bool findEndOfImage() override {
    std::vector<unsigned char> chunk(size_t(1) << 16);
    bool afterFF = false;
    for (;;) {
      const size_t got = std::fread(chunk.data(), 1, chunk.size(), file_);
      if (got == 0) return false;
      if (holdsEndOfImage(chunk.data(), got, afterFF)) return true;
    }
  }

 private:
  std::FILE* file_;
};

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Bytes per component of the Exif value formats 1..12.
constexpr unsigned kFormatBytes[13] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
constexpr int kMaxNesting = 4;
// A real Exif segment holds a handful of directories; a hostile one may link the same bytes
// as thousands. Each directory is walked once, and only so many per segment.
constexpr int kMaxDirectories = 64;

enum : unsigned {
  kTagOrientation = 0x0112,
  kTagExifDirectory = 0x8769,
  kTagInteropDirectory = 0xA005,
  kTagGpsDirectory = 0x8825,
};

// One read: the marker scan and the Exif segments it meets.
class JpegReader {
 public:
  JpegReader(ByteSource& source, const QString& name, JpegScan scan)
      : in_(source), name_(name), scanToEnd_(scan == JpegScan::ToEnd) {}

  bool scan(JpegMetadata& metadata);

 private:
  void fatal(const char* message) const {
    qCWarning(lcExif).noquote() << "Error :" << message;
    if (!name_.isEmpty()) qCWarning(lcExif).noquote() << QStringLiteral("in file '%1'").arg(name_);
  }
  void nonfatal(const QString& message) const {
    qCWarning(lcExif).noquote() << "Nonfatal Error :" << message;
  }

  void parseFrame(const std::vector<unsigned char>& body, int marker, JpegMetadata& metadata);
  void parseExif(const std::vector<unsigned char>& body, JpegMetadata& metadata);
  void walkDirectory(uint64_t start, int nesting, JpegMetadata& metadata);
  bool inside(uint64_t offset, uint64_t bytes) const {
    return offset <= length_ && bytes <= length_ - offset;
  }
  unsigned get16(uint64_t offset) const {
    const unsigned char* p = tiff_ + offset;
    return intel_ ? unsigned(p[0]) | unsigned(p[1]) << 8 : unsigned(p[0]) << 8 | unsigned(p[1]);
  }
  uint32_t get32(uint64_t offset) const {
    const unsigned char* p = tiff_ + offset;
    return intel_
               ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24
               : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
  }
  // The first component of a value at `offset` of which `available` bytes may be read.
  double valueAsDouble(uint64_t offset, unsigned format, uint64_t available) const;

  ByteSource& in_;
  const QString& name_;
  bool scanToEnd_;
  // The Exif segment being parsed: the TIFF header and the bytes from it to the segment's end.
  const unsigned char* tiff_ = nullptr;
  uint64_t length_ = 0;
  bool intel_ = false;
  int orientationCount_ = 0;
  std::vector<uint64_t> walked_;
};

bool JpegReader::scan(JpegMetadata& metadata) {
  if (in_.get() != 0xFF || in_.get() != 0xD8) {
    qCDebug(lcExif).noquote() << QStringLiteral("Not JPEG: %1").arg(name_);
    return false;
  }
  std::vector<unsigned char> body;
  for (;;) {
    int marker = -1;
    for (int padding = 0;; ++padding) {
      marker = in_.get();
      if (marker != 0xFF) break;
      if (padding >= 6) {
        qCWarning(lcExif) << "too many padding bytes";
        return false;
      }
    }
    const int high = in_.get();
    const int low = in_.get();
    if (marker < 0 || low < 0) {
      fatal("Premature end of file?");
      return false;
    }
    const int length = high << 8 | low;  // counts its own two bytes
    if (length < 2) {
      fatal("invalid marker");
      return false;
    }
    body.resize(size_t(length - 2));
    if (!in_.read(body.data(), body.size())) {
      fatal("Premature end of file?");
      return false;
    }
    switch (marker) {
      case 0xDA:  // start of scan: the image data follows
        if (scanToEnd_) {
          metadata.complete = in_.findEndOfImage();
          if (!metadata.complete)
            nonfatal(QStringLiteral("the image data ends without an end marker"));
        }
        return true;
      case 0xD9:
        qCWarning(lcExif) << "No image in jpeg!";
        return false;
      case 0xC0:
      case 0xC1:
      case 0xC2:
      case 0xC3:
      case 0xC5:
      case 0xC6:
      case 0xC7:
      case 0xC9:
      case 0xCA:
      case 0xCB:
      case 0xCD:
      case 0xCE:
      case 0xCF:
        parseFrame(body, marker, metadata);
        break;
      case 0xE1:
        if (body.size() >= 4 && std::memcmp(body.data(), "Exif", 4) == 0) parseExif(body, metadata);
        break;
      default:
        break;
    }
  }
}

void JpegReader::parseFrame(const std::vector<unsigned char>& body, int marker,
                            JpegMetadata& metadata) {
  if (body.size() < 6) return;  // too short to hold the frame's size
  metadata.height = body[1] << 8 | body[2];
  metadata.width = body[3] << 8 | body[4];
  metadata.isColour = body[5] == 3;
  metadata.frameMarker = marker;
}

void JpegReader::parseExif(const std::vector<unsigned char>& body, JpegMetadata& metadata) {
  orientationCount_ = 0;
  walked_.clear();
  // "Exif\0\0" and the 8 bytes of the TIFF header.
  if (body.size() < 14 || body[4] != 0 || body[5] != 0) {
    nonfatal(QStringLiteral("Incorrect Exif header"));
    return;
  }
  tiff_ = body.data() + 6;
  length_ = body.size() - 6;
  if (tiff_[0] == 'I' && tiff_[1] == 'I') {
    intel_ = true;
  } else if (tiff_[0] == 'M' && tiff_[1] == 'M') {
    intel_ = false;
  } else {
    nonfatal(QStringLiteral("Invalid Exif alignment marker."));
    return;
  }
  if (get16(2) != 42) {
    nonfatal(QStringLiteral("Invalid Exif start (1)"));
    return;
  }
  const uint32_t first = get32(4);
  if (first < 8 || first > 16) nonfatal(QStringLiteral("Suspicious offset of first IFD value"));
  walkDirectory(first, 0, metadata);
}

void JpegReader::walkDirectory(uint64_t start, int nesting, JpegMetadata& metadata) {
  if (nesting > kMaxNesting) {
    nonfatal(QStringLiteral("Maximum directory nesting exceeded (corrupt exif header)"));
    return;
  }
  if (!inside(start, 2)) {
    nonfatal(QStringLiteral("Illegally sized directory"));
    return;
  }
  for (uint64_t seen : walked_)
    if (seen == start) return;
  if (int(walked_.size()) >= kMaxDirectories) {
    nonfatal(QStringLiteral("Too many directories"));
    return;
  }
  walked_.push_back(start);

  const unsigned entries = get16(start);
  const uint64_t end = start + 2 + 12 * uint64_t(entries);
  if (end + 4 > length_ && end + 2 != length_ && end != length_) {
    nonfatal(QStringLiteral("Illegally sized directory"));
    return;
  }
  for (unsigned i = 0; i < entries; ++i) {
    const uint64_t entry = start + 2 + 12 * uint64_t(i);
    const unsigned tag = get16(entry);
    const unsigned format = get16(entry + 2);
    const uint32_t components = get32(entry + 4);
    if (format < 1 || format > 12) {
      nonfatal(QStringLiteral("Illegal number format %1 for tag %2")
                   .arg(format)
                   .arg(tag, 4, 16, QLatin1Char('0')));
      continue;
    }
    if (components > 0x10000) {
      nonfatal(QStringLiteral("Illegal number of components %1 for tag %2")
                   .arg(components)
                   .arg(tag, 4, 16, QLatin1Char('0')));
      continue;
    }
    const uint64_t bytes = uint64_t(components) * kFormatBytes[format];
    uint64_t value = entry + 8;
    uint64_t available = 4;
    if (bytes > 4) {
      available = bytes;
      value = get32(entry + 8);
      if (!inside(value, bytes)) {
        nonfatal(
            QStringLiteral("Illegal value pointer for tag %1").arg(tag, 4, 16, QLatin1Char('0')));
        continue;
      }
    }
    switch (tag) {
      case kTagOrientation: {
        if (orientationCount_ >= 2) {
          nonfatal(QStringLiteral("More than two orientation tags!"));
          break;
        }
        // The second one, normally the thumbnail's, is only counted.
        if (orientationCount_ == 0) {
          const double read = valueAsDouble(value, format, available);
          // Checked before the conversion: NaN or a huge value has no int.
          if (read > -1.0 && read < 9.0) {
            metadata.orientation = int(read);
          } else {
            nonfatal(QStringLiteral("Undefined rotation value %1").arg(read));
            metadata.orientation = 0;
          }
        }
        ++orientationCount_;
        break;
      }
      case kTagExifDirectory:
      case kTagInteropDirectory: {
        const uint32_t link = get32(value);
        if (link > length_)
          nonfatal(QStringLiteral("Illegal exif or interop ofset directory link"));
        else
          walkDirectory(link, nesting + 1, metadata);
        break;
      }
      case kTagGpsDirectory:
        // Nothing reads the position; only a bad link is reported.
        if (get32(value) > length_) nonfatal(QStringLiteral("Illegal GPS directory link"));
        break;
      default:
        break;
    }
  }
  // The link to a further directory, normally the thumbnail's.
  if (end + 4 <= length_) {
    const uint32_t link = get32(end);
    if (link == 0) return;
    if (link <= length_)
      walkDirectory(link, nesting + 1, metadata);
    else if (uint64_t(link) >= length_ + 20)
      nonfatal(QStringLiteral("Illegal subdirectory link"));
    // A link just past the end is what an old tool left after cutting the thumbnail away.
  }
}

double JpegReader::valueAsDouble(uint64_t offset, unsigned format, uint64_t available) const {
  // A value of no components sits inline, where 8-byte formats do not fit.
  if (kFormatBytes[format] > available) return 0.0;
  const unsigned char* p = tiff_ + offset;
  switch (format) {
    case 1:
      return p[0];
    case 6:
      return int8_t(p[0]);
    case 3:
      return get16(offset);
    case 8:
      return int16_t(get16(offset));
    case 4:
      return get32(offset);
    case 9:
      return int32_t(get32(offset));
    case 5:
    case 10: {
      const int32_t numerator = int32_t(get32(offset));
      const int32_t denominator = int32_t(get32(offset + 4));
      return denominator == 0 ? 0.0 : double(numerator) / double(denominator);
    }
    case 11: {
      const uint32_t bits = get32(offset);
      float f;
      std::memcpy(&f, &bits, sizeof f);
      return f;
    }
    case 12: {
      const uint64_t first = get32(offset);
      const uint64_t second = get32(offset + 4);
      const uint64_t bits = intel_ ? second << 32 | first : first << 32 | second;
      double d;
      std::memcpy(&d, &bits, sizeof d);
      return d;
    }
    default:
      nonfatal(QStringLiteral("Illegal format code %1").arg(format));
      return 0.0;
  }
}

bool finishRead(bool scanned, JpegMetadata& metadata) {
  if (!scanned) metadata = JpegMetadata();
  return scanned;
}

}  // namespace

bool readJpegMetadata(const unsigned char* data, size_t size, JpegMetadata& metadata,
                      JpegScan scan) {
  metadata = JpegMetadata();
  MemorySource source(data, size);
  const QString name;
  JpegReader reader(source, name, scan);
  return finishRead(reader.scan(metadata), metadata);
}

bool loadJpegMetadata(const QString& path, JpegMetadata& metadata, JpegScan scan) {
  metadata = JpegMetadata();
  std::unique_ptr<std::FILE, FileCloser> file(
      std::fopen(QFile::encodeName(path).constData(), "rb"));
  if (!file) {
    qCWarning(lcExif).noquote() << QStringLiteral("can't open '%1'").arg(path);
    return false;
  }
  FileSource source(file.get());
  JpegReader reader(source, path, scan);
  return finishRead(reader.scan(metadata), metadata);
}
