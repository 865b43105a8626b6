// The final-image thread on its own: composition, flattening, encodings, degenerate canvases and
// an abort at every poll point.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include "support/CompositionFixture.h"

using namespace composition_test;

namespace {

struct Delivery {
  bool delivered = false;
  QImage image;
  QByteArray bytes;
};

Delivery runPipeline(ProcessorFinalImage& processor, const LayerSet& layers, quint64 run = 1) {
  Delivery result;
  QObject::connect(
      &processor, &ProcessorFinalImage::finalImageDone, &processor,
      [&](const QImage& image, const QByteArray& bytes, quint64) {
        result = {true, image, bytes};
      },
      Qt::DirectConnection);
  processor.startRun(layers, run);
  processor.wait();
  return result;
}

Delivery runPipeline(const LayerSet& layers) {
  ProcessorFinalImage processor;
  return runPipeline(processor, layers);
}

LayerSet discOnNothing(ZarvoOutputHandler::FileType fileType) {
  LayerSet layers;
  layers.canvasRect = QRect(0, 0, 64, 48);
  layers.cutout = cutoutImage(30, qRgb(40, 220, 90));
  layers.cutoutPos = QPoint(10, 5);
  layers.fileType = fileType;
  layers.maxFileSizeKB = 500;
  return layers;
}

void requireJpegWriter() {
  ASSERT_TRUE(QImageWriter::supportedImageFormats().contains("jpeg"))
      << "Qt's \"jpeg\" image plug-in is missing: install the Qt 5 image format plug-ins";
}

}  // namespace

TEST(Pipeline, JpegOutputTurnsTransparencyOpaqueBlack) {
  requireJpegWriter();
  const Delivery d = runPipeline(discOnNothing(ZarvoOutputHandler::Jpg));
  ASSERT_TRUE(d.delivered);
  EXPECT_EQ(uchar(d.bytes[0]), 0xFF);
  EXPECT_EQ(uchar(d.bytes[1]), 0xD8);
  EXPECT_FALSE(hasTransparency(d.image));
  const QRgb corner = d.image.pixel(0, 0);
  EXPECT_LE(qRed(corner) + qGreen(corner) + qBlue(corner), 12);
  const QRgb disc = d.image.pixel(25, 20);
  EXPECT_NEAR(qGreen(disc), 220, 12);
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(d.bytes, "JPEG"));
  EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32), d.image);
}

TEST(Pipeline, PngOutputKeepsTransparencyAndTheExactComposition) {
  LayerSet layers = discOnNothing(ZarvoOutputHandler::Png);
  layers.background = seededImage(40, 30, 7, false);
  layers.logo = seededImage(8, 8, 8, false);
  layers.logoPos = QPoint(50, 36);
  const Delivery d = runPipeline(layers);
  ASSERT_TRUE(d.delivered);
  ASSERT_TRUE(d.bytes.startsWith("\x89PNG\r\n\x1a\n"));

  // Sharpen 0 and compress 0: the layers are drawn as they came.
  QImage expected(64, 48, QImage::Format_ARGB32);
  expected.fill(Qt::transparent);
  {
    QPainter painter(&expected);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.drawImage(0, 0, layers.background);
    painter.drawImage(layers.cutoutPos, layers.cutout);
    painter.drawImage(layers.logoPos, layers.logo);
  }
  EXPECT_EQ(d.image, expected);
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(d.bytes, "PNG"));
  EXPECT_EQ(decoded.convertToFormat(QImage::Format_ARGB32), expected);
  EXPECT_EQ(qAlpha(decoded.pixel(63, 0)), 0);
  EXPECT_TRUE(hasTransparency(d.image));
}

TEST(Pipeline, EightyKilobytesGiveAJpegOfAtMost81920Bytes) {
  requireJpegWriter();
  LayerSet layers;
  layers.canvasRect = QRect(0, 0, 900, 700);
  layers.background = seededImage(900, 700, 9);
  layers.maxFileSizeKB = 80;
  const Delivery d = runPipeline(layers);
  ASSERT_TRUE(d.delivered);
  EXPECT_LE(d.bytes.size(), 81920);
  EXPECT_GT(d.bytes.size(), 0);
}

TEST(Pipeline, DegenerateCanvasesAndBudgets) {
  requireJpegWriter();
  LayerSet one = discOnNothing(ZarvoOutputHandler::Jpg);
  one.canvasRect = QRect(5, 5, 1, 1);
  const Delivery single = runPipeline(one);
  ASSERT_TRUE(single.delivered);
  EXPECT_EQ(single.image.size(), QSize(1, 1));

  for (const QRect& rect : {QRect(0, 0, 0, 10), QRect(0, 0, 10, 0), QRect()}) {
    LayerSet none = discOnNothing(ZarvoOutputHandler::Jpg);
    none.canvasRect = rect;
    ProcessorFinalImage processor;
    EXPECT_FALSE(runPipeline(processor, none).delivered);
    EXPECT_TRUE(processor.isAborted());
  }

  // A canvas beyond 100 megapixels is refused before any allocation: nothing is delivered.
  LayerSet huge = discOnNothing(ZarvoOutputHandler::Jpg);
  huge.canvasRect = QRect(0, 0, 100000, 100000);
  EXPECT_FALSE(runPipeline(huge).delivered);

  LayerSet zeroBudget = discOnNothing(ZarvoOutputHandler::Jpg);
  zeroBudget.maxFileSizeKB = 0;
  const Delivery empty = runPipeline(zeroBudget);
  ASSERT_TRUE(empty.delivered);
  EXPECT_TRUE(empty.bytes.isEmpty());

  // Budgets that would overflow a 32-bit byte count stay budgets.
  LayerSet vast = discOnNothing(ZarvoOutputHandler::Jpg);
  vast.maxFileSizeKB = 4000000;
  EXPECT_FALSE(runPipeline(vast).bytes.isEmpty());
}

TEST(Pipeline, AHighlitCopyWithoutItsCutoutLeavesTheBackgroundAlone) {
  // As the hub holds the layers after "Discard Cut-out": no cut-out, the last one's highlit
  // copy and dabs.
  LayerSet layers = discOnNothing(ZarvoOutputHandler::Png);
  QImage background(layers.canvasRect.size(), QImage::Format_ARGB32);
  background.fill(qRgb(30, 60, 200));
  layers.background = background;
  layers.fullyHighlitCutout = layers.cutout;
  layers.highlightPoints = {HighlightPoint{QPointF(15, 15), 10, 80}};
  layers.cutout = QImage();
  LogCapture log;
  const Delivery delivery = runPipeline(layers);
  ASSERT_TRUE(delivery.delivered);
  EXPECT_EQ(delivery.image.convertToFormat(QImage::Format_ARGB32), background);
  EXPECT_EQ(LogCapture::lines(), QStringList());
}

// Stops the pipeline at each of its poll points in turn (the children stop through
// waitForChild): a stopped run delivers nothing; the run that goes through delivers the same
// picture as an undisturbed one.
TEST(Pipeline, AbortAtEveryStageDeliversNothing) {
  requireJpegWriter();
  for (auto fileType : {ZarvoOutputHandler::Jpg, ZarvoOutputHandler::Png}) {
    LayerSet layers = discOnNothing(fileType);
    layers.background = seededImage(64, 48, 11);
    layers.compressBackground = 2;
    layers.sharpenValue = 1;
    layers.fullyHighlitCutout = cutoutImage(30, qRgb(255, 255, 255));
    layers.highlightPoints = {HighlightPoint{QPointF(15, 15), 6, 60},
                              HighlightPoint{QPointF(5, 9), 3, 30}};
    layers.logo = seededImage(6, 6, 12);
    const Delivery expected = runPipeline(layers);
    ASSERT_TRUE(expected.delivered);
    int stops = 0;
    for (std::uint64_t k = 1;; ++k) {
      ASSERT_LT(k, 10000u);
      ProcessorFinalImage processor;
      processor.abortAtPoll(k);
      const Delivery d = runPipeline(processor, layers, k);
      if (processor.abortFlag().load()) {  // isAborted() would count as one more poll
        EXPECT_FALSE(d.delivered) << k;
        EXPECT_EQ(processor.resultRun(), 0u) << k;
        ++stops;
        continue;
      }
      ASSERT_TRUE(d.delivered) << k;
      EXPECT_EQ(d.image, expected.image);
      EXPECT_EQ(d.bytes, expected.bytes);
      break;
    }
    EXPECT_GE(stops, 6) << fileType;
  }
}

TEST(Pipeline, HasTransparencyThresholds) {
  struct Row {
    const char* name;
    QSize size;
    QPoint at;
    int alpha;
    bool transparent;
  };
  const std::vector<Row> rows = {
      {"opaque", QSize(5, 5), QPoint(2, 2), 255, false},
      {"border 254 passes", QSize(5, 5), QPoint(0, 2), 254, false},
      {"border 253", QSize(5, 5), QPoint(4, 2), 253, true},
      {"bottom border 253", QSize(5, 5), QPoint(2, 4), 253, true},
      {"inner 254", QSize(5, 5), QPoint(2, 2), 254, true},
      {"1x1 at 254", QSize(1, 1), QPoint(0, 0), 254, false},
      {"1x1 at 200", QSize(1, 1), QPoint(0, 0), 200, true},
  };
  for (const Row& row : rows) {
    QImage image(row.size, QImage::Format_ARGB32);
    image.fill(qRgba(9, 9, 9, 255));
    image.setPixel(row.at, qRgba(9, 9, 9, row.alpha));
    EXPECT_EQ(hasTransparency(image), row.transparent) << row.name;
  }
  EXPECT_FALSE(hasTransparency(QImage()));
  EXPECT_FALSE(hasTransparency(QImage(4, 4, QImage::Format_RGB32)));
}
