// Runs the engine's main job from the command line: start an engine, reduce a picture to the
// working size, make its status image, finish. One line per step with sizes and timings.
//
//   corvane-driver [--image PATH] [--factor 1|2|4|8]
//
// Without --image it works on a generated 24-megapixel photo; without --factor it reduces
// by 1, 2, 4 and 8 in turn.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Corvane.h"

#ifdef ZARVO_DRIVER_READS_IMAGES
#include <QImage>
#include <QString>
#endif

namespace {

struct Picture {
  uint32_t width = 0, height = 0, stride = 0;
  std::vector<uint8_t> bytes;
  CvImage image() { return CvImage{width, height, stride, CvKindRgba8, bytes.data()}; }
};

// 6000 × 4000: smooth colour gradients with noise, an opaque subject on a partly transparent
// border so that the status image has both statuses.
Picture syntheticPhoto() {
  Picture p;
  p.width = 6000;
  p.height = 4000;
  p.stride = p.width * 4;
  p.bytes.resize(size_t{p.stride} * p.height);
  std::mt19937 rng(2024);
  for (uint32_t y = 0; y < p.height; ++y) {
    uint8_t* row = p.bytes.data() + size_t{y} * p.stride;
    for (uint32_t x = 0; x < p.width; ++x) {
      const uint32_t noise = rng();
      uint8_t* q = row + size_t{x} * 4;
      q[0] = static_cast<uint8_t>(x / 24 + (noise & 15));
      q[1] = static_cast<uint8_t>(y / 16 + ((noise >> 4) & 15));
      q[2] = static_cast<uint8_t>((x + y) / 40 + ((noise >> 8) & 15));
      q[3] = (x < 100 || y < 100 || x >= p.width - 100 || y >= p.height - 100) ? 0 : 255;
    }
  }
  return p;
}

bool readPicture(const std::string& path, Picture& p, std::string& error) {
#ifdef ZARVO_DRIVER_READS_IMAGES
  QImage read(QString::fromLocal8Bit(path.c_str()));
  if (read.isNull()) {
    error = "cannot read image: " + path;
    return false;
  }
  const QImage rgba = read.convertToFormat(QImage::Format_RGBA8888);
  p.width = static_cast<uint32_t>(rgba.width());
  p.height = static_cast<uint32_t>(rgba.height());
  p.stride = p.width * 4;
  p.bytes.resize(size_t{p.stride} * p.height);
  for (uint32_t y = 0; y < p.height; ++y)
    std::memcpy(p.bytes.data() + size_t{y} * p.stride, rgba.constScanLine(static_cast<int>(y)),
                p.stride);
  return true;
#else
  (void)p;
  error = "cannot read image: built without Qt image readers: " + path;
  return false;
#endif
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

int fail(const std::string& message) {
  std::fprintf(stderr, "corvane-driver: %s\n", message.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string imagePath;
  std::vector<uint32_t> factors = {1, 2, 4, 8};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--image" && i + 1 < argc) {
      imagePath = argv[++i];
    } else if (arg == "--factor" && i + 1 < argc) {
      const std::string value = argv[++i];
      if (value != "1" && value != "2" && value != "4" && value != "8")
        return fail("--factor takes 1, 2, 4 or 8, not '" + value + "'");
      factors = {static_cast<uint32_t>(std::stoul(value))};
    } else if (arg == "--help" || arg == "-h") {
      std::printf("usage: corvane-driver [--image PATH] [--factor 1|2|4|8]\n");
      return 0;
    } else {
      return fail("unknown or incomplete argument '" + arg + "' (try --help)");
    }
  }

  Picture source;
  auto start = std::chrono::steady_clock::now();
  if (imagePath.empty()) {
    source = syntheticPhoto();
    std::printf("picture: generated %ux%u in %.1f ms\n", source.width, source.height,
                millisecondsSince(start));
  } else {
    std::string error;
    if (!readPicture(imagePath, source, error)) return fail(error);
    std::printf("picture: %s %ux%u read in %.1f ms\n", imagePath.c_str(), source.width,
                source.height, millisecondsSince(start));
  }

  start = std::chrono::steady_clock::now();
  CvEngine* engine = CvInit();
  if (!engine) return fail("CvInit answered null");
  std::printf("CvInit: engine ready in %.3f ms\n", millisecondsSince(start));

  for (uint32_t factor : factors) {
    Picture reduced;
    reduced.width = source.width / factor;
    reduced.height = source.height / factor;
    if (reduced.width == 0 || reduced.height == 0) {
      CvFinish(engine);
      return fail("picture " + std::to_string(source.width) + "x" + std::to_string(source.height) +
                  " is too small for factor " + std::to_string(factor));
    }
    reduced.stride = reduced.width * 4;
    reduced.bytes.resize(size_t{reduced.stride} * reduced.height);
    start = std::chrono::steady_clock::now();
    const CvResult scaled = CvScaleImage(source.image(), reduced.image());
    const double scaleMs = millisecondsSince(start);
    std::printf("CvScaleImage: factor %u, %ux%u -> %ux%u, result %u, %.1f ms\n", factor,
                source.width, source.height, reduced.width, reduced.height, scaled, scaleMs);
    if (scaled != CvOk) {
      CvFinish(engine);
      return fail("CvScaleImage answered " + std::to_string(scaled));
    }

    start = std::chrono::steady_clock::now();
    CvImage* status = CvNewStatusImage(engine, reduced.image());
    const double statusMs = millisecondsSince(start);
    if (!status) {
      CvFinish(engine);
      return fail("CvNewStatusImage answered null");
    }
    uint64_t inPicture = 0;
    for (uint32_t y = 0; y < status->height; ++y) {
      const auto* row = static_cast<const uint8_t*>(status->data) + size_t{y} * status->stride;
      for (uint32_t x = 0; x < status->width; ++x) inPicture += row[x] == CvStatusInPicture;
    }
    std::printf(
        "CvNewStatusImage: %ux%u stride %u, %llu of %llu pixels in the picture, %.1f ms\n",
        status->width, status->height, status->stride, static_cast<unsigned long long>(inPicture),
        static_cast<unsigned long long>(uint64_t{status->width} * status->height), statusMs);
  }

  start = std::chrono::steady_clock::now();
  const CvResult finished = CvFinish(engine);
  std::printf("CvFinish: result %u, %.3f ms\n", finished, millisecondsSince(start));
  return finished == CvOk ? 0 : fail("CvFinish answered " + std::to_string(finished));
}
