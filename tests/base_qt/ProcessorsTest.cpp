// Sharpen, HLS and the shared processor contract: odd input formats, thread counts, and an
// abort at every poll point of every processor.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>

#include <QImage>

#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/ProcessorHLSAdjust.h"
#include "kestrum/qt/ProcessorJPEG.h"
#include "kestrum/qt/ProcessorSharpen.h"
#include "kestrum/qt/RowBands.h"
#include "support/ImageTestSupport.h"

using namespace kestrum;
using namespace kestrum_test;

namespace {

QImage sharpenReference(const QImage& input, float s) {
  const QImage blurred = referenceBlur(input, s, BlurAll);
  QImage out(input.size(), QImage::Format_ARGB32);
  for (int y = 0; y < input.height(); ++y)
    for (int i = 0; i < input.width() * 4; ++i)
      out.scanLine(y)[i] = uchar(std::clamp(
          2 * int(input.constScanLine(y)[i]) - int(blurred.constScanLine(y)[i]), 0, 255));
  return out;
}

// The text's HLS round trip written out independently, in doubles, for one pixel.
QRgb hlsReference(int r8, int g8, int b8, int dh, int dl, int ds) {
  const double r = r8 / 255.0, g = g8 / 255.0, b = b8 / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  double h = 0, s = 0;
  const double l = (mx + mn) / 2;
  if (mx - mn > 1.1920929e-7) {
    s = l < 0.5 ? (mx - mn) / (mx + mn) : (mx - mn) / (2 - mx - mn);
    const double rc = (mx - r) / (mx - mn), gc = (mx - g) / (mx - mn), bc = (mx - b) / (mx - mn);
    h = std::fabs(mx - r) < 0.001 ? bc - gc : std::fabs(mx - g) < 0.001 ? 2 + rc - bc : 4 + gc - rc;
    if (h < 0) h += 6;
    h /= 6;
  }
  int hi = std::clamp(int(h * 255) + dh, 0, 255);
  int li = std::clamp(int(l * 255) + dl, 0, 255);
  int si = std::clamp(int(s * 255) + ds, 0, 255);
  const double H = hi / 255.0, L = li / 255.0, S = si / 255.0;
  if (S == 0) return qRgba(int(L * 255), int(L * 255), int(L * 255), 255);
  const double m2 = L <= 0.5 ? L * (1 + S) : L + S - L * S, m1 = 2 * L - m2;
  auto value = [&](double x) {
    if (x > 6) x -= 6;
    if (x < 0) x += 6;
    return x < 1 ? m1 + (m2 - m1) * x : x < 3 ? m2 : x < 4 ? m1 + (m2 - m1) * (4 - x) : m1;
  };
  return qRgba(int(value(6 * H + 2) * 255), int(value(6 * H) * 255), int(value(6 * H - 2) * 255),
               255);
}

QImage run(std::function<std::unique_ptr<AbortableThread>(const QImage*, QImage*)> make,
           const QImage& input) {
  QImage out(input.size(), QImage::Format_ARGB32);
  auto processor = make(&input, &out);
  runToEnd(*processor);
  EXPECT_FALSE(processor->isAborted());
  return out;
}

struct NamedProcessor {
  const char* name;
  std::function<std::unique_ptr<AbortableThread>(const QImage*, QImage*)> make;
};

std::vector<NamedProcessor> allProcessors() {
  return {
      {"blur",
       [](const QImage* in, QImage* out) {
         return std::make_unique<ProcessorGauss<1, 1, 1, 1>>(in, out, 2.0f);
       }},
      {"sharpen", [](const QImage* in,
                     QImage* out) { return std::make_unique<ProcessorSharpen>(in, out, 2.0f); }},
      {"hls",
       [](const QImage* in, QImage* out) {
         return std::make_unique<ProcessorHLSAdjust>(in, out, 3, 20, -10);
       }},
      {"jpeg", [](const QImage* in,
                  QImage* out) { return std::make_unique<ProcessorJPEG>(in, out, 4000u); }},
  };
}

struct ThreadsRestorer {
  ~ThreadsRestorer() { setRowBandThreadsOverride(0); }
};

}  // namespace

TEST(ProcessorSharpen, MatchesUnsharpMaskOfThePlainBlur) {
  const QImage input = randomImage(37, 29, 21);
  for (float s : {1.0f, 3.0f}) {
    const QImage out = run(
        [s](const QImage* in, QImage* o) { return std::make_unique<ProcessorSharpen>(in, o, s); },
        input);
    EXPECT_TRUE(sameBytes(out, sharpenReference(input, s))) << s;
  }
}

TEST(ProcessorSharpen, UniformUnchangedAndStepOvershootClamped) {
  const QImage uniform = uniformImage(30, 30, qRgba(90, 180, 30, 200));
  const auto make = [](const QImage* in, QImage* o) {
    return std::make_unique<ProcessorSharpen>(in, o, 2.0f);
  };
  EXPECT_TRUE(sameBytes(run(make, uniform), uniform));

  // A vertical step from dark to light, alpha stepping too: both sides overshoot and clamp.
  QImage step(40, 20, QImage::Format_ARGB32);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 40; ++x)
      step.setPixel(x, y, x < 20 ? qRgba(20, 20, 20, 30) : qRgba(240, 240, 240, 250));
  const QImage out = run(make, step);
  EXPECT_TRUE(sameBytes(out, sharpenReference(step, 2.0f)));
  EXPECT_EQ(qRed(out.pixel(19, 10)), 0);    // undershoot clamped at 0
  EXPECT_EQ(qRed(out.pixel(20, 10)), 255);  // overshoot clamped at 255
  EXPECT_EQ(qAlpha(out.pixel(19, 10)), 0);  // alpha sharpened as a byte too
  EXPECT_EQ(qAlpha(out.pixel(20, 10)), 255);
  EXPECT_EQ(qRed(out.pixel(0, 10)), 20);  // far from the edge: unchanged
}

TEST(ProcessorHLSAdjust, GreyGetsTheDocumentedReddishTone) {
  EXPECT_EQ(ProcessorHLSAdjust::adjust(qRgb(128, 128, 128), 0, 48, 96), qRgba(205, 146, 146, 255));
  // Hue is clamped, not wrapped (wrapped, red would turn towards magenta); always opaque.
  EXPECT_EQ(ProcessorHLSAdjust::adjust(qRgba(255, 0, 0, 10), -10, 0, 0),
            ProcessorHLSAdjust::adjust(qRgba(255, 0, 0, 10), 0, 0, 0));
  EXPECT_EQ(qAlpha(ProcessorHLSAdjust::adjust(qRgba(255, 0, 0, 10), 0, 0, 0)), 255);
}

TEST(ProcessorHLSAdjust, ColourLatticeMatchesTheFormulas) {
  QImage lattice(16 * 16, 16, QImage::Format_ARGB32);
  for (int b = 0; b < 16; ++b)
    for (int g = 0; g < 16; ++g)
      for (int r = 0; r < 16; ++r)
        lattice.setPixel(g * 16 + r, b, qRgba(r * 17, g * 17, b * 17, 99));
  for (const auto& offsets :
       {std::array<int, 3>{0, 0, 0}, std::array<int, 3>{0, 48, 96},
        std::array<int, 3>{-40, -30, 60}, std::array<int, 3>{200, 100, -255}}) {
    const QImage out = run(
        [&](const QImage* in, QImage* o) {
          return std::make_unique<ProcessorHLSAdjust>(in, o, qint16(offsets[0]), qint16(offsets[1]),
                                                      qint16(offsets[2]));
        },
        lattice);
    for (int y = 0; y < lattice.height(); ++y)
      for (int x = 0; x < lattice.width(); ++x) {
        const QRgb p = lattice.pixel(x, y);
        ASSERT_EQ(out.pixel(x, y),
                  hlsReference(qRed(p), qGreen(p), qBlue(p), offsets[0], offsets[1], offsets[2]))
            << x << "," << y << " offsets " << offsets[0] << " " << offsets[1] << " " << offsets[2];
      }
  }
}

// RGB16, Indexed8, Grayscale8 and RGB888 inputs are read as their ARGB32 conversion, never as
// four bytes a pixel of their own storage.
TEST(Processors, OddInputFormatsAreReadAsArgb32) {
  const QImage source = randomImage(31, 23, 4);
  for (QImage::Format format : {QImage::Format_RGB16, QImage::Format_Indexed8,
                                QImage::Format_Grayscale8, QImage::Format_RGB888}) {
    const QImage odd = source.convertToFormat(format);
    const QImage asArgb = odd.convertToFormat(QImage::Format_ARGB32);
    for (const NamedProcessor& p : allProcessors()) {
      if (std::string(p.name) == "jpeg") continue;  // lossy: compared by size below
      EXPECT_TRUE(sameBytes(run(p.make, odd), run(p.make, asArgb))) << p.name << " " << format;
    }
  }
}

TEST(Processors, SameBytesForOneAndEightThreads) {
  ThreadsRestorer restore;
  const QImage input = randomImage(211, 157, 8);
  for (const NamedProcessor& p : allProcessors()) {
    setRowBandThreadsOverride(1);
    const QImage one = run(p.make, input);
    setRowBandThreadsOverride(8);
    const QImage eight = run(p.make, input);
    EXPECT_TRUE(sameBytes(one, eight)) << p.name;
  }
}

// Stops each processor at its first, second, third ... poll until a run goes through: every
// stop ends the run with the flag set, and the run that goes through gives the full result.
TEST(Processors, AbortAtEveryPollPoint) {
  ThreadsRestorer restore;
  setRowBandThreadsOverride(2);
  const QImage input = randomImage(64, 48, 12);
  for (const NamedProcessor& p : allProcessors()) {
    const QImage expected = run(p.make, input);
    int stops = 0;
    for (std::uint64_t k = 1;; ++k) {
      ASSERT_LT(k, 5000u) << p.name;
      QImage out(input.size(), QImage::Format_ARGB32);
      auto processor = p.make(&input, &out);
      processor->abortAtPoll(k);
      runToEnd(*processor);
      if (!processor->abortFlag().load()) {  // isAborted() would count as one more poll
        EXPECT_TRUE(sameBytes(out, expected)) << p.name << " " << k;
        break;
      }
      ++stops;
    }
    EXPECT_GE(stops, 2) << p.name;
  }
}
