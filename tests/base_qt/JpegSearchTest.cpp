#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "kestrum/qt/JpegDecoder.h"
#include "kestrum/qt/ProcessorJPEG.h"
#include "support/ImageTestSupport.h"

using namespace kestrum;
using namespace kestrum_test;

namespace {

// An encoder whose output length is a function of the quality; records the qualities asked for.
struct SizeModel {
  std::function<int(int)> size;
  std::vector<int> qualities;

  ProcessorJPEG::Encoder encoder() {
    return [this](const QImage&, int quality, QIODevice& device) {
      qualities.push_back(quality);
      return device.write(QByteArray(size(quality), 'x')) == size(quality);
    };
  }
};

// The search run on the test's own thread: the property test below makes thousands of searches,
// and a thread start for each would take most of its time.
class InlineJpeg : public ProcessorJPEG {
 public:
  using ProcessorJPEG::process;
  using ProcessorJPEG::ProcessorJPEG;
};

struct SearchResult {
  std::vector<int> qualities;
  int bytes;
};

SearchResult search(std::function<int(int)> size, std::uint32_t target) {
  const QImage input = uniformImage(8, 8, qRgb(1, 2, 3));
  QImage out(input.size(), QImage::Format_ARGB32);
  SizeModel model{std::move(size), {}};
  InlineJpeg jpeg(&input, &out, target);
  jpeg.setEncoder(model.encoder());
  jpeg.process();
  return {model.qualities, int(jpeg.bytes().size())};
}

void requireJpegWriter() {
  ASSERT_TRUE(QImageWriter::supportedImageFormats().contains("jpeg"))
      << "Qt's \"jpeg\" image plug-in is missing: install the Qt 5 image format plug-ins";
}

}  // namespace

TEST(JpegSearch, FollowsTheHalvingStepsExactly) {
  struct Row {
    const char* name;
    std::function<int(int)> size;
    std::uint32_t target;
    std::vector<int> qualities;
    int bytes;
  };
  const std::vector<Row> rows = {
      {"lands on the budget",
       [](int q) { return 1000 * q; },
       30000,
       {50, 25, 37, 31, 28, 29, 30},
       30000},
      {"stops on +1 after -1",
       [](int q) { return 1000 * q * q; },
       880000,
       {50, 25, 37, 31, 28, 29, 30, 29},
       841000},
      {"within 2 % under", [](int q) { return 1000 * q; }, 25400, {50, 25}, 25000},
      {"quality 0 over budget",
       [](int q) { return 1000 + 10 * q; },
       500,
       {50, 25, 13, 7, 4, 3, 2, 1, 0},
       1000},
      {"quality 100 under budget",
       [](int q) { return 10 * q; },
       100000,
       {50, 75, 87, 93, 96, 97, 98, 99, 100},
       1000},
      {"budget 0 encodes nothing", [](int q) { return 10 * q; }, 0, {}, 0},
  };
  for (const Row& row : rows) {
    const SearchResult result = search(row.size, row.target);
    EXPECT_EQ(result.qualities, row.qualities) << row.name;
    EXPECT_EQ(result.bytes, row.bytes) << row.name;
  }
}

// Over many increasing size models and every budget: at most 10 encodes, never the same quality
// twice in a row, and never over the budget when some quality fits.
TEST(JpegSearch, BoundedAndWithinBudgetWhenSomethingFits) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> growth(1, 400);
  for (int model = 0; model < 30; ++model) {
    std::vector<int> sizes(101);
    int total = 0;
    for (int& size : sizes) size = total += growth(random);
    for (std::uint32_t target = 1; target < std::uint32_t(sizes[100] + 500); target += 97) {
      const SearchResult result = search([&](int q) { return sizes[std::size_t(q)]; }, target);
      ASSERT_LE(result.qualities.size(), 10u) << model << " " << target;
      for (std::size_t i = 1; i < result.qualities.size(); ++i)
        ASSERT_NE(result.qualities[i], result.qualities[i - 1]);
      if (std::uint32_t(sizes[0]) <= target) {
        ASSERT_LE(std::uint32_t(result.bytes), target);
      }
    }
  }
}

TEST(JpegSearch, AbortedBeforeOrDuringEncodingDeliversNothing) {
  const QImage input = randomImage(64, 64, 2);
  QImage out(input.size(), QImage::Format_ARGB32);
  {
    ProcessorJPEG jpeg(&input, &out, 10000u);
    jpeg.abortAtPoll(1);
    runToEnd(jpeg);
    EXPECT_TRUE(jpeg.bytes().isEmpty());
    EXPECT_EQ(jpeg.encodings(), 0);
  }
  {
    // The encoder's device fails once the flag is set: the encoding in progress gives up.
    ProcessorJPEG jpeg(&input, &out, 10000u);
    jpeg.setEncoder([&jpeg](const QImage&, int, QIODevice& device) {
      jpeg.abort();
      return device.write("abc", 3) == 3;
    });
    runToEnd(jpeg);
    EXPECT_TRUE(jpeg.bytes().isEmpty());
    EXPECT_EQ(jpeg.encodings(), 1);
  }
}

TEST(JpegSearch, RealEncoderStaysWithinEightyKilobytesAndDecodesToTheOutput) {
  requireJpegWriter();
  const QImage input = randomImage(640, 480, 77);
  QImage out(input.size(), QImage::Format_ARGB32);
  ProcessorJPEG jpeg(&input, &out, 80u * 1024u);
  runToEnd(jpeg);
  const QByteArray bytes = jpeg.bytes();
  ASSERT_GE(bytes.size(), 2);
  EXPECT_EQ(uchar(bytes[0]), 0xFF);
  EXPECT_EQ(uchar(bytes[1]), 0xD8);
  EXPECT_LE(bytes.size(), 81920);
  EXPECT_LE(jpeg.encodings(), 10);
  // The row-by-row decoder gives Qt's pixels, and nothing once stopped part-way.
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(bytes, "JPEG"));
  EXPECT_TRUE(sameBytes(out, decoded.convertToFormat(QImage::Format_ARGB32)));
  int rows = 0;
  EXPECT_TRUE(decodeJpeg(bytes, [&rows] { return ++rows > 100; }).isNull());
}
