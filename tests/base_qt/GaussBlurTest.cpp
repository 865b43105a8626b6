#include <gtest/gtest.h>

#include <QImage>

#include "kestrum/qt/GaussBlur.h"
#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/RowBands.h"
#include "support/ImageTestSupport.h"

using namespace kestrum;
using namespace kestrum_test;

namespace {

QImage blurWith(const QImage& input, float s, unsigned channels) {
  QImage out(input.size(), QImage::Format_ARGB32);
  EXPECT_TRUE(gaussBlur(input, out, s, channels, [] { return false; }));
  return out;
}

struct InstructionSetRestorer {
  ~InstructionSetRestorer() {
    setGaussInstructionSet(GaussInstructionSet::Best);
    setRowBandThreadsOverride(0);
  }
};

}  // namespace

// Every line length from 1 to 2R + 2 in both directions, on every instruction set the machine
// has: lines shorter than R + 1 leave the image unblurred, all others match the plain rule.
TEST(GaussBlur, MatchesThePlainRuleForEveryShortLineAndInstructionSet) {
  InstructionSetRestorer restore;
  for (GaussInstructionSet set :
       {GaussInstructionSet::Scalar, GaussInstructionSet::Avx2, GaussInstructionSet::Avx512}) {
    setGaussInstructionSet(set);
    for (int s = 1; s <= 5; ++s) {
      const int r = gaussRadius(float(s));
      for (int n = 1; n <= 2 * r + 2; ++n) {
        const int other = 2 * r + 7;
        for (const QSize size : {QSize(n, other), QSize(other, n)}) {
          const QImage input = randomImage(size.width(), size.height(), std::uint32_t(s * 100 + n));
          const QImage out = blurWith(input, float(s), BlurAll);
          const QImage expected = n < r + 1 ? input : referenceBlur(input, float(s), BlurAll);
          ASSERT_TRUE(sameBytes(out, expected)) << "set " << int(set) << " s " << s << " size "
                                                << size.width() << "x" << size.height();
        }
      }
    }
  }
}

TEST(GaussBlur, MatchesThePlainRuleOnLargerImagesAcrossTiles) {
  // Wide enough for several column tiles at s = 5 and rows not a multiple of four.
  const QImage input = randomImage(1400, 67, 7);
  for (float s : {1.0f, 2.5f, 5.0f})
    EXPECT_TRUE(sameBytes(blurWith(input, s, BlurAll), referenceBlur(input, s, BlurAll))) << s;
}

TEST(GaussBlur, UniformImagesStayExactlyUniform) {
  for (int s = 1; s <= 5; ++s)
    for (QRgb value : {qRgba(255, 255, 255, 255), qRgba(1, 128, 254, 7), qRgba(0, 0, 0, 0)}) {
      const int r = gaussRadius(float(s));
      const QImage input = uniformImage(2 * r + 1, 3 * r + 5, value);
      const QImage out = blurWith(input, float(s), BlurAll);
      EXPECT_TRUE(sameBytes(out, input)) << s << " " << std::hex << value;
    }
}

TEST(GaussBlur, AlphaOffKeepsTheInputAlpha) {
  const QImage input = randomImage(40, 30, 3);
  QImage out(input.size(), QImage::Format_ARGB32);
  ProcessorGauss<1, 1, 1, 0> blur(&input, &out, 2.0f);
  runToEnd(blur);
  const QImage expected = referenceBlur(input, 2.0f, BlurRed | BlurGreen | BlurBlue);
  EXPECT_TRUE(sameBytes(out, expected));
  for (int y = 0; y < input.height(); ++y)
    for (int x = 0; x < input.width(); ++x)
      ASSERT_EQ(qAlpha(out.pixel(x, y)), qAlpha(input.pixel(x, y)));
}

TEST(GaussBlur, ThreePixelsWideIsCopiedAtSOne) {
  const QImage input = randomImage(3, 50, 11);
  QImage out(input.size(), QImage::Format_ARGB32);
  ProcessorGauss<1, 1, 1, 1> blur(&input, &out, 1.0f);
  runToEnd(blur);
  EXPECT_TRUE(sameBytes(out, input));
}

TEST(GaussBlur, SameBytesForOneAndEightThreads) {
  InstructionSetRestorer restore;
  const QImage input = randomImage(333, 517, 5);
  setRowBandThreadsOverride(1);
  const QImage one = blurWith(input, 3.0f, BlurAll);
  setRowBandThreadsOverride(8);
  const QImage eight = blurWith(input, 3.0f, BlurAll);
  EXPECT_TRUE(sameBytes(one, eight));
}

TEST(GaussBlur, DegenerateParametersCopy) {
  const QImage input = randomImage(20, 20, 9);
  for (float s : {0.0f, -1.0f, std::nanf(""), 1e30f})
    EXPECT_TRUE(sameBytes(blurWith(input, s, BlurAll), input)) << s;
}
