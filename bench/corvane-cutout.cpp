// The engine's main job from the command line: cut the subject out of a photo with a trimap,
// using the engine only through Corvane.h.
//
//   corvane-cutout --image PHOTO --trimap TRIMAP --out CUTOUT.png [--factor 1|2|4|8]
//                  [--unknown blend|open] [--threads N] [--repeat N]
//
// Prints one JSON object of timings on standard output; a progress bar on standard error
// when that is a terminal.

#include <QImage>
#include <QString>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Corvane.h"

namespace {

struct Options {
  std::string image, trimap, out;
  uint32_t factor = 1;
  bool unknownOpen = false;
  unsigned threads = 0;
  int repeat = 1;
};

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& what) {
  throw Failure(what);
}

void check(CvResult result, const char* step) {
  if (result != CvOk)
    fail(std::string(step) + " failed with result code " + std::to_string(result));
}

unsigned parseCount(const char* text, const char* flag, unsigned low, unsigned high) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text, &end, 10);
  if (!*text || *end || v < low || v > high)
    fail(std::string("bad value for ") + flag + ": " + text);
  return static_cast<unsigned>(v);
}

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) fail("missing value after " + a);
      return argv[++i];
    };
    if (a == "--image")
      o.image = value();
    else if (a == "--trimap")
      o.trimap = value();
    else if (a == "--out")
      o.out = value();
    else if (a == "--factor") {
      o.factor = parseCount(value(), "--factor", 1, 8);
      if (o.factor != 1 && o.factor != 2 && o.factor != 4 && o.factor != 8)
        fail("bad value for --factor: " + std::to_string(o.factor) + " (1, 2, 4 or 8)");
    } else if (a == "--unknown") {
      const std::string v = value();
      if (v == "open")
        o.unknownOpen = true;
      else if (v != "blend")
        fail("bad value for --unknown: " + v + " (blend or open)");
    } else if (a == "--threads")
      o.threads = parseCount(value(), "--threads", 1, 1024);
    else if (a == "--repeat")
      o.repeat = static_cast<int>(parseCount(value(), "--repeat", 1, 1000));
    else
      fail("unknown argument " + a);
  }
  if (o.image.empty() || o.trimap.empty() || o.out.empty())
    fail(
        "usage: corvane-cutout --image PHOTO --trimap TRIMAP --out CUTOUT.png [--factor 1|2|4|8] "
        "[--unknown blend|open] [--threads N] [--repeat N]");
  return o;
}

// Four 8-bit channels, blue, green, red, alpha in memory: the engine's pixel type 1.
QImage readPhoto(const std::string& path) {
  QImage image(QString::fromLocal8Bit(path.c_str()));
  if (image.isNull()) fail("cannot read image " + path);
  return image.convertToFormat(QImage::Format_ARGB32);
}

CvImage describe(QImage& image) {
  return CvImage{static_cast<uint32_t>(image.width()), static_cast<uint32_t>(image.height()),
                 static_cast<uint32_t>(image.bytesPerLine()), CvKindRgba8, image.bits()};
}

bool progressBar = false;
int32_t showProgress(uint8_t percent, void* context) {
  if (progressBar) {
    const char* label = static_cast<const char*>(context);
    const int filled = percent / 5;
    std::fprintf(stderr, "\r%-16s [%.*s%*s] %3u%%", label ? label : "Generate mask", filled,
                 "####################", 20 - filled, "", percent);
    if (percent >= 100) std::fputc('\n', stderr);
    std::fflush(stderr);
  }
  return 0;
}

double msSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

struct Timings {
  double scale = 0, analyse = 0, setStatus = 0, generate = 0, total = 0;
};

// One whole job; the cut-out is left in `cutout`.
Timings runOnce(const Options& o, QImage& photo, const QImage& trimap, QImage& cutout) {
  Timings t;
  const auto start = std::chrono::steady_clock::now();
  CvEngine* engine = CvInit();
  if (!engine) fail("CvInit failed");
  struct Finisher {
    CvEngine* engine;
    ~Finisher() { CvFinish(engine); }
  } finisher{engine};

  // The working picture, reduced by the factor.
  const uint32_t w = (static_cast<uint32_t>(photo.width()) + o.factor - 1) / o.factor;
  const uint32_t h = (static_cast<uint32_t>(photo.height()) + o.factor - 1) / o.factor;
  QImage working(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32);
  auto phase = std::chrono::steady_clock::now();
  check(CvScaleImage(describe(photo), describe(working)), "CvScaleImage");
  t.scale = msSince(phase);

  CvImage* status = CvNewStatusImage(engine, describe(working));
  if (!status) fail("CvNewStatusImage failed");
  CvSession* session =
      CvBeginSession(engine, describe(working), showProgress, const_cast<char*>("Begin Session"));
  if (!session) fail("CvBeginSession failed");

  phase = std::chrono::steady_clock::now();
  check(CvAnalyseImage(session, showProgress, const_cast<char*>("Analyse Image")),
        "CvAnalyseImage");
  t.analyse = msSince(phase);

  // The trimap at the working size: the value at each block's centre.
  std::vector<uint8_t> labels(size_t{w} * h);
  for (uint32_t y = 0; y < h; ++y) {
    const uchar* row = trimap.constScanLine(
        static_cast<int>(std::min<uint32_t>(y * o.factor + o.factor / 2, trimap.height() - 1)));
    for (uint32_t x = 0; x < w; ++x) {
      const uchar v = row[std::min<uint32_t>(x * o.factor + o.factor / 2, trimap.width() - 1)];
      labels[size_t{y} * w + x] = v == 255        ? CvStatusKeep
                                  : v == 0        ? CvStatusDelete
                                  : o.unknownOpen ? CvStatusInPicture
                                                  : CvStatusBlend;
    }
  }
  CvSelection selection{0, 0, CvImage{w, h, w, CvKindStatus, labels.data()}};
  phase = std::chrono::steady_clock::now();
  check(CvSetStatus(session, status, &selection, showProgress, const_cast<char*>("Set status")),
        "CvSetStatus");
  t.setStatus = msSince(phase);

  // The caller pre-fills the output with the source picture.
  cutout = photo.copy();
  phase = std::chrono::steady_clock::now();
  check(CvGenerateMask(session, nullptr, describe(cutout), describe(photo), status, nullptr, 0,
                       0.75f, 0.2f, nullptr, 0, nullptr, nullptr),
        "CvGenerateMask");
  t.generate = msSince(phase);

  check(CvEndSession(session, nullptr, nullptr), "CvEndSession");
  t.total = msSince(start);
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options o = parse(argc, argv);
    progressBar = isatty(fileno(stderr));
    if (o.threads) corvaneSetWorkerLimit(o.threads);
    corvaneSetProgressFunction(showProgress);

    QImage photo = readPhoto(o.image);
    QImage trimap(QString::fromLocal8Bit(o.trimap.c_str()));
    if (trimap.isNull()) fail("cannot read trimap " + o.trimap);
    if (trimap.size() != photo.size())
      fail("trimap is " + std::to_string(trimap.width()) + "x" + std::to_string(trimap.height()) +
           " but the photo is " + std::to_string(photo.width()) + "x" +
           std::to_string(photo.height()));
    trimap = trimap.convertToFormat(QImage::Format_Grayscale8);

    QImage cutout;
    Timings best;
    for (int i = 0; i < o.repeat; ++i) {
      const Timings t = runOnce(o, photo, trimap, cutout);
      if (i == 0 || t.total < best.total) best = t;
    }
    if (!cutout.save(QString::fromLocal8Bit(o.out.c_str()), "PNG")) fail("cannot write " + o.out);

    const unsigned threads =
        o.threads ? o.threads : std::max(1u, std::thread::hardware_concurrency());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "{\"width\": %d, \"height\": %d, \"factor\": %u, \"threads\": %u, \"scale_ms\": %.1f, "
        "\"analyse_ms\": %.1f, \"set_status_ms\": %.1f, \"generate_ms\": %.1f, \"total_ms\": "
        "%.1f, \"peak_rss_mb\": %.1f}\n",
        photo.width(), photo.height(), o.factor, threads, best.scale, best.analyse, best.setStatus,
        best.generate, best.total, usage.ru_maxrss / 1024.0);
    return 0;
  } catch (const Failure& f) {
    std::fprintf(stderr, "corvane-cutout: %s\n", f.what());
    return 1;
  }
}
