// The shadow: its kernel and masks against the plain formulas, the model's worker (snapshots,
// stale results, aborts at every poll, changes and destruction while it runs), and the tool
// with the real view, controller and hub.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include <QComboBox>
#include <QGraphicsPixmapItem>
#include <QSignalSpy>
#include <QSlider>

#include "composition/Shadow.h"
#include "composition/ShadowTool.h"
#include "kestrum/qt/ProcessorGauss.h"
#include "kestrum/qt/RowBands.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

const ShadowStop kNeverStop = [] { return false; };

// The flat mask as the text writes it: every tap of the pyramid, summed in single precision.
QImage bruteForceFlatMask(const QImage& source, int r) {
  const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
  float kernelSum = 0;
  for (int i = 0; i <= 2 * r; ++i)
    for (int j = 0; j <= 2 * r; ++j)
      kernelSum += float(std::min(r - std::abs(r - i), r - std::abs(r - j)) + 1);
  const int pad = r + 1;
  QImage mask(argb.width() + 2 * pad, argb.height() + 2 * pad, QImage::Format_RGB32);
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) {
      float sum = 0;
      for (int i = 0; i <= 2 * r; ++i)
        for (int j = 0; j <= 2 * r; ++j) {
          const int sx = x + i - 2 * r, sy = y + j - 2 * r;
          if (!argb.rect().contains(sx, sy)) continue;
          const int weight = std::min(r - std::abs(r - i), r - std::abs(r - j)) + 1;
          sum += float(weight * qAlpha(argb.pixel(sx, sy)));
        }
      const int g = int(std::floor(double(sum / kernelSum) + 0.5));
      mask.setPixel(x, y, qRgb(g, g, g));
    }
  return mask;
}

QImage transparent(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

QImage blurOf(const QImage& image, float s = 3.0f) {
  QImage out;
  kestrum::ProcessorGauss<1, 1, 1, 0> blur(&image, &out, s);
  blur.start();
  blur.wait();
  return out;
}

// An opaque box inside a transparent image.
QImage boxImage(QSize size, QRect box) {
  return cutoutPhoto(size, box, qRgb(30, 90, 160));
}

TEST(ShadowKernelTest, PyramidSumsAndClamping) {
  const float sums[] = {10, 35, 84, 165, 286};
  for (int r = 1; r <= 5; ++r) {
    const ShadowKernel kernel = ShadowKernel::pyramid(r);
    EXPECT_EQ(kernel.sum, sums[r - 1]) << r;
    EXPECT_EQ(kernel.weights[r][r], r + 1);
    EXPECT_EQ(kernel.weights[0][r], 1);
    EXPECT_EQ(kernel.weights[2 * r][2 * r], 1);
  }
  EXPECT_EQ(ShadowKernel::pyramid(0).radius, 1);
  EXPECT_EQ(ShadowKernel::pyramid(9).radius, 5);
}

struct Silhouette {
  const char* name;
  std::function<QImage()> make;
};

class FlatMask : public ::testing::TestWithParam<Silhouette> {
 protected:
  void TearDown() override { kestrum::setRowBandThreadsOverride(0); }
};

TEST_P(FlatMask, EqualsTheTextsFormulaForEveryRadiusAndThreadCount) {
  const QImage source = GetParam().make();
  for (int r = 1; r <= 5; ++r) {
    const QImage expected = bruteForceFlatMask(source, r);
    for (unsigned threads : {1u, 2u, 4u, 8u}) {
      kestrum::setRowBandThreadsOverride(threads);
      QImage mask;
      ASSERT_TRUE(flatShadowMask(source, ShadowKernel::pyramid(r), kNeverStop, &mask));
      ASSERT_EQ(mask.format(), QImage::Format_RGB32);
      ASSERT_EQ(mask, expected) << "r = " << r << ", threads " << threads;
    }
    // The blur's reach ends two columns and rows before the mask does.
    for (int i = 0; i < expected.width(); ++i)
      ASSERT_EQ(expected.pixel(i, expected.height() - 1), qRgb(0, 0, 0));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Seeded, FlatMask,
    ::testing::Values(Silhouette{"noise", [] { return seededImage(37, 23, 7, false); }},
                      Silhouette{"disc", [] { return cutoutImage(30, qRgb(9, 9, 9)); }},
                      Silhouette{"box_at_the_edge",
                                 [] { return boxImage(QSize(25, 19), QRect(0, 10, 25, 9)); }},
                      Silhouette{"one_pixel", [] { return seededImage(1, 1, 3, true); }},
                      Silhouette{"transparent", [] { return transparent(6, 4); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(StandingProjection, AnchorsOneRowAboveTheLowestOpaqueRowAndFlipsTowardsTheViewer) {
  struct Row {
    QRect box;     // opaque part of a 40 x 30 source
    double theta;  // direction
    bool flip;
  };
  const double pi = kShadowPi;
  for (const Row& row : {Row{QRect(10, 5, 20, 25), pi, false}, Row{QRect(10, 2, 20, 20), pi, false},
                         Row{QRect(10, 2, 20, 20), 0.0, true}, Row{QRect(0, 0, 40, 30), 4.0, false},
                         Row{QRect(3, 3, 5, 5), 0.5, true}}) {
    const QImage source = boxImage(QSize(40, 30), row.box);
    const double length = 0.5;
    QImage mask;
    bool flip = false;
    ASSERT_TRUE(standingShadowProjection(source, row.theta, length, kNeverStop, &mask, &flip));
    ASSERT_FALSE(mask.isNull());
    EXPECT_EQ(flip, row.flip);
    const int anchor = row.box.bottom() - 1;
    const int dy = int(30 * std::cos(row.theta) * length);
    // The mask spans from the tip's row to the source's bottom row.
    EXPECT_EQ(mask.offset().y(), std::min(anchor + dy, 29));
    EXPECT_EQ(mask.offset().y() + mask.height() - 1, std::max(anchor + dy, 29));
    EXPECT_EQ(mask.format(), QImage::Format_ARGB32);
  }
}

// The tip row shows the source's top, the row at the foot its bottom: a shadow falling away
// has its tip first, one falling towards the viewer last.
TEST(StandingProjection, TheTipIsFirstUnlessTheShadowFallsTowardsTheViewer) {
  const QImage source = boxImage(QSize(40, 30), QRect(10, 10, 20, 20));  // top rows clear
  auto rowShows = [](const QImage& mask, int y) {
    for (int x = 0; x < mask.width(); ++x)
      if (qBlue(mask.pixel(x, y)) != 0) return true;
    return false;
  };
  for (double theta : {kShadowPi, 0.0}) {
    QImage mask;
    bool flipped = false;
    ASSERT_TRUE(standingShadowProjection(source, theta, 0.6, kNeverStop, &mask, &flipped));
    const int tipRow = flipped ? mask.height() - 1 : 0;
    const int footRow = flipped ? 0 : mask.height() - 1;
    EXPECT_FALSE(rowShows(mask, tipRow)) << theta;
    EXPECT_TRUE(rowShows(mask, footRow)) << theta;
  }
}

TEST(StandingProjection, NothingOpaqueCastsNoShadow) {
  for (const QImage& source : {QImage(), transparent(12, 9)}) {
    QImage mask(2, 2, QImage::Format_RGB32);
    bool flip = true;
    EXPECT_TRUE(standingShadowProjection(source, 1.0, 0.5, kNeverStop, &mask, &flip));
    EXPECT_TRUE(mask.isNull());
    EXPECT_FALSE(flip);
  }
}

// ---- The model

class ShadowModel : public ::testing::Test {
 protected:
  void SetUp() override {
    shadow = std::make_unique<Shadow>();
    QObject::connect(shadow.get(), &Shadow::shadowReady, shadow.get(),
                     [this](const QImage& image, const QPoint& offset) {
                       ++emitted;
                       last = image;
                       lastOffset = offset;
                     });
  }
  // Lets the worker end and its result arrive.
  void settle() {
    ASSERT_TRUE(zarvo_test::waitFor([this] { return !shadow->worker().isRunning(); }));
    QCoreApplication::processEvents();
  }

  std::unique_ptr<Shadow> shadow;
  int emitted = 0;
  QImage last;
  QPoint lastOffset;
};

TEST_F(ShadowModel, FlatOffsetsFollowDirectionAndLengthWithoutRecomputing) {
  const QImage source = boxImage(QSize(200, 100), QRect(20, 10, 160, 80));
  shadow->setShadowType(Shadow::Flat);
  shadow->setImage(source);
  settle();
  const QImage mask = shadow->flatMask();
  ASSERT_EQ(mask.size(), QSize(208, 108));
  EXPECT_EQ(lastOffset, QPoint(int(200 * std::sin(4.0) * 0.4 * -0.1) - 3,
                               int(100 * std::cos(4.0) * 0.4 * 0.1) - 3));
  shadow->setLength(1.0);
  shadow->setDirection(0.0);  // straight down
  EXPECT_FALSE(shadow->worker().isRunning());
  EXPECT_EQ(lastOffset, QPoint(-3, 10 - 3));
  shadow->setDirection(kShadowPi / 2);  // to the left
  EXPECT_EQ(lastOffset, QPoint(-20 - 3, -3));
  EXPECT_EQ(shadow->flatMask(), mask);  // only moved
}

TEST_F(ShadowModel, IntensityBoundsTheAlphaAndOnlyRecolours) {
  shadow->setShadowType(Shadow::Flat);
  shadow->setImage(boxImage(QSize(60, 60), QRect(5, 5, 50, 50)));
  settle();
  for (double intensity : {0.0, 1.0, 0.37}) {
    shadow->setIntensity(intensity);
    EXPECT_FALSE(shadow->worker().isRunning());
    const QImage image = last.convertToFormat(QImage::Format_ARGB32);
    int most = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) most = std::max(most, qAlpha(image.pixel(x, y)));
    EXPECT_EQ(most, Shadow::shadowAlpha(intensity)) << intensity;  // under opaque middle
  }
  EXPECT_EQ(Shadow::shadowAlpha(0.0), 40);
  EXPECT_EQ(Shadow::shadowAlpha(1.0), 240);
}

TEST(ShadowColour, EqualsTheFillWithTheMasksAlphaChannel) {
  QImage mask(256, 3, QImage::Format_RGB32);
  for (int x = 0; x < 256; ++x)
    for (int y = 0; y < 3; ++y) mask.setPixel(x, y, qRgb(x, x, x));
  for (int alpha : {40, 41, 139, 240}) {
    QImage reference(mask.size(), QImage::Format_ARGB32);
    reference.fill(QColor(0, 0, 0, alpha));
    reference.setAlphaChannel(mask);
    EXPECT_EQ(Shadow::colourShadow(mask, alpha),
              reference.convertToFormat(QImage::Format_ARGB32_Premultiplied))
        << alpha;
  }
}

TEST_F(ShadowModel, TypeNoneAndEmptySourcesGiveTheNullShadow) {
  struct Row {
    int type;
    QImage source;
    bool shadowExpected;
  };
  for (const Row& row : {Row{Shadow::None, cutoutImage(20, qRgb(1, 1, 1)), false},
                         Row{Shadow::Standing, QImage(), false}, Row{Shadow::Flat, QImage(), false},
                         Row{Shadow::Standing, transparent(10, 8), false},
                         Row{Shadow::Standing, seededImage(1, 1, 2), true},
                         Row{Shadow::Flat, seededImage(1, 1, 2), true}}) {
    shadow->setShadowType(row.type);
    shadow->setImage(row.source);
    settle();
    EXPECT_EQ(!last.isNull(), row.shadowExpected) << row.type;
    if (last.isNull()) {
      EXPECT_EQ(lastOffset, QPoint(0, 0));
    }
  }
}

TEST_F(ShadowModel, TheStandingMaskIsTheBlurredProjection) {
  const QImage source = boxImage(QSize(60, 50), QRect(20, 5, 20, 40));
  shadow->setImage(source);
  shadow->setShadowType(Shadow::Standing);
  for (double theta : {0.0, kShadowPi, 4.0}) {
    shadow->setDirection(theta);
    settle();
    QImage projected;
    bool flipped = false;
    ASSERT_TRUE(standingShadowProjection(source, theta, shadow->length(), kNeverStop, &projected,
                                         &flipped));
    EXPECT_EQ(flipped, std::cos(theta) > 0);
    // Blurred with the blur's reach and a pixel more of room on every side.
    const int room = kestrum::gaussRadius(float(shadow->fuzziness())) + 1;
    const QImage spacious = withBlurRoom(projected, room);
    const QImage blurred = blurOf(spacious, float(shadow->fuzziness()));
    EXPECT_EQ(shadow->standingMask(), blurred) << theta;
    // Turned in place: the blur of the turned mask is the turned blur.
    EXPECT_EQ(blurred.mirrored(false, true), blurOf(spacious.mirrored(false, true)));
    const QPoint offset = projected.offset() - QPoint(room, room);
    EXPECT_EQ(shadow->standingOffset(), offset);
    EXPECT_EQ(lastOffset, offset);
    EXPECT_FALSE(shadow->needsCompute());
  }
}

TEST_F(ShadowModel, TheStandingShadowFadesOutInsideItsLayer) {
  // Opaque down to the bottom row: the projection's base row is the silhouette's full width,
  // at its bounding box's edge.
  const QImage source = boxImage(QSize(120, 100), QRect(20, 5, 80, 95));
  shadow->setImage(source);
  shadow->setShadowType(Shadow::Standing);
  shadow->setDirection(kShadowPi);  // straight up: the base is the layer's bottom
  shadow->setLength(1.0);
  for (int fuzziness : {1, 3, 5}) {
    shadow->setFuzziness(fuzziness);
    settle();
    const QImage mask = shadow->standingMask();
    ASSERT_FALSE(mask.isNull()) << fuzziness;
    const int room = kestrum::gaussRadius(float(fuzziness)) + 1;
    // The layer's edge is all black: nothing is cut.
    for (int x = 0; x < mask.width(); ++x) {
      EXPECT_EQ(qBlue(mask.pixel(x, 0)), 0) << fuzziness << ": top " << x;
      EXPECT_EQ(qBlue(mask.pixel(x, mask.height() - 1)), 0) << fuzziness << ": bottom " << x;
    }
    for (int y = 0; y < mask.height(); ++y) {
      EXPECT_EQ(qBlue(mask.pixel(0, y)), 0) << fuzziness << ": left " << y;
      EXPECT_EQ(qBlue(mask.pixel(mask.width() - 1, y)), 0) << fuzziness << ": right " << y;
    }
    // Down the middle, across the base: a soft fall, already well below full strength at the
    // projection's last row, never rising again (but for a level of rounding).
    const int x = mask.width() / 2, base = mask.height() - 1 - room;
    int strongest = 0;
    for (int y = 0; y < base - room; ++y) strongest = std::max(strongest, qBlue(mask.pixel(x, y)));
    ASSERT_GT(strongest, 200) << fuzziness;
    EXPECT_LT(qBlue(mask.pixel(x, base)), strongest * 3 / 4) << fuzziness;
    for (int y = base - room; y < mask.height() - 1; ++y)
      EXPECT_GE(qBlue(mask.pixel(x, y)) + 1, qBlue(mask.pixel(x, y + 1))) << fuzziness << ": " << y;
    // The silhouette keeps its place: its projection starts `room` pixels into the layer.
    QImage projected;
    bool flipped = false;
    ASSERT_TRUE(standingShadowProjection(source, kShadowPi, 1.0, kNeverStop, &projected, &flipped));
    EXPECT_EQ(shadow->standingOffset() + QPoint(room, room), projected.offset());
    EXPECT_EQ(mask.size(), projected.size() + QSize(2 * room, 2 * room));
  }
}

// An abort at each poll of the worker in turn keeps the masks of the computation before and
// leaves the recomputation due; a run that reaches its end replaces them.
TEST_F(ShadowModel, AnAbortAtAnyPollKeepsTheOldMask) {
  for (int type : {Shadow::Flat, Shadow::Standing}) {
    shadow->setShadowType(type);
    shadow->setImage(boxImage(QSize(14, 10), QRect(3, 2, 9, 7)));
    settle();
    const QImage before = type == Shadow::Flat ? shadow->flatMask() : shadow->standingMask();
    ASSERT_FALSE(before.isNull());
    const QImage next = boxImage(QSize(12, 11), QRect(2, 1, 8, 9));
    bool completed = false;
    for (std::uint64_t n = 1; !completed; ++n) {
      ASSERT_LT(n, 500u);
      const int emittedBefore = emitted;
      shadow->worker().abortAtPoll(n);
      shadow->setImage(next);
      settle();
      const std::uint64_t polls = shadow->worker().pollCount();
      shadow->worker().abortAtPoll(0);
      const QImage now = type == Shadow::Flat ? shadow->flatMask() : shadow->standingMask();
      completed = polls < n;
      if (completed) {
        EXPECT_NE(now, before);
        EXPECT_FALSE(shadow->needsCompute());
        EXPECT_EQ(emitted, emittedBefore + 1);
      } else {
        ASSERT_EQ(now, before) << "poll " << n;
        EXPECT_TRUE(shadow->needsCompute());
        EXPECT_EQ(emitted, emittedBefore) << "an aborted computation emits nothing";
        shadow->setImage(boxImage(QSize(14, 10), QRect(3, 2, 9, 7)));  // back to `before`
        settle();
      }
    }
  }
}

// Changes while a computation runs: the recolouring and moving happen in the GUI thread on the
// masks there, a restart drops the older run's result, and the object can go at any moment.
TEST_F(ShadowModel, ChangesAndDestructionWhileComputing) {
  const QImage large = boxImage(QSize(900, 700), QRect(50, 50, 800, 600));
  const QImage small = boxImage(QSize(40, 30), QRect(5, 5, 30, 20));
  QSignalSpy computed(shadow.get(), &Shadow::maskComputed);
  shadow->setShadowType(Shadow::Flat);
  shadow->setImage(large);
  for (int i = 0; i < 20; ++i) {
    shadow->setIntensity(i * 0.05);
    shadow->setDirection(i * 0.3);
    shadow->setLength(i * 0.05);
  }
  shadow->setImage(small);
  settle();
  EXPECT_EQ(shadow->flatMask().size(), QSize(48, 38));  // the large run's mask never landed
  ASSERT_FALSE(last.isNull());
  EXPECT_EQ(last.size(), QSize(48, 38));

  shadow->setShadowType(Shadow::Standing);
  shadow->setImage(large);
  shadow.reset();  // aborts and joins mid-run
  QCoreApplication::processEvents();
}

TEST_F(ShadowModel, ResetRestoresTheDefaultsAndKeepsTheSource) {
  const QImage source = cutoutImage(30, qRgb(1, 1, 1));
  shadow->setImage(source);
  shadow->setShadowType(Shadow::Flat);
  shadow->setFuzziness(5);
  shadow->setDirection(1.0);
  shadow->setLength(0.9);
  shadow->setIntensity(0.9);
  settle();
  ASSERT_FALSE(shadow->flatMask().isNull());
  shadow->reset();
  EXPECT_EQ(shadow->direction(), 4.0);
  EXPECT_EQ(shadow->length(), 0.4);
  EXPECT_EQ(shadow->intensity(), 0.5);
  EXPECT_EQ(shadow->shadowType(), Shadow::None);
  EXPECT_EQ(shadow->fuzziness(), 3);
  EXPECT_TRUE(shadow->flatMask().isNull());
  EXPECT_TRUE(shadow->needsCompute());
  EXPECT_EQ(shadow->source(), source);
  EXPECT_EQ(shadow->property("shadowType").toInt(), Shadow::None);
  // Clamped, and the same radius again changes nothing.
  shadow->setFuzziness(12);
  EXPECT_EQ(shadow->fuzziness(), 5);
  const int before = emitted;
  shadow->setFuzziness(5);
  EXPECT_EQ(emitted, before);
}

// ---- The tool

class ShadowToolTest : public CanvasFixture {
 protected:
  void SetUp() override {
    CanvasFixture::SetUp();
    tool = keep(new ShadowTool(view.get()));
  }
  void waitForShadow() {
    ASSERT_TRUE(zarvo_test::waitFor([this] { return !tool->shadow()->worker().isRunning(); }));
    QCoreApplication::processEvents();  // the mask, then the queued shadowReady
    QCoreApplication::processEvents();
  }
  ShadowTool* tool = nullptr;
};

TEST_F(ShadowToolTest, ResetQuantisesOnceThenLeavesTheDefaults) {
  Shadow* model = tool->shadow();
  // The panel's reset moved every control once: the model holds their quantised values.
  EXPECT_EQ(tool->directionDial()->value(), 63);
  EXPECT_EQ(tool->lengthSlider()->value(), 39);
  EXPECT_EQ(tool->intensitySlider()->value(), 49);
  EXPECT_EQ(tool->fuzzinessSlider()->value(), 3);
  EXPECT_EQ(tool->typeBox()->currentIndex(), 0);
  EXPECT_DOUBLE_EQ(model->direction(), 63 * 2 * kShadowPi / 100);
  EXPECT_DOUBLE_EQ(model->length(), 0.39);
  EXPECT_DOUBLE_EQ(model->intensity(), 0.49);
  hub()->reset();
  EXPECT_EQ(model->direction(), 4.0);
  EXPECT_EQ(model->length(), 0.4);
  EXPECT_EQ(model->intensity(), 0.5);
  // A control the user moved is set back and feeds its value in again.
  tool->lengthSlider()->setValue(80);
  tool->typeBox()->setCurrentIndex(2);
  tool->reset();
  EXPECT_EQ(tool->typeBox()->currentIndex(), 0);
  EXPECT_EQ(model->shadowType(), Shadow::None);
  EXPECT_DOUBLE_EQ(model->length(), 0.39);
  EXPECT_EQ(model->direction(), 4.0);
}

TEST_F(ShadowToolTest, EachTypeReachesTheHubAtTheCutoutsPlace) {
  QPixmap ground(400, 300);
  ground.fill(Qt::white);  // a shadow on nothing would be black on black
  hub()->backgroundChanged(ground);
  openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(200, 20, 20)));
  waitForShadow();
  const QPoint base = hub()->layers().cutoutPos;
  ASSERT_EQ(tool->basePosition(), base);
  EXPECT_TRUE(hub()->layers().shadow.isNull());
  EXPECT_EQ(hub()->layers().shadowPos, base);  // no shadow: a null pixmap at the base
  ASSERT_TRUE(settle());
  const QImage plain = hub()->finalPixmap().toImage();

  for (int type : {Shadow::Flat, Shadow::Standing}) {
    tool->typeBox()->setCurrentIndex(type);
    waitForShadow();
    const QImage layer = hub()->layers().shadow;
    ASSERT_FALSE(layer.isNull()) << type;
    const QPoint offset =
        type == Shadow::Flat ? tool->shadow()->flatOffset() : tool->shadow()->standingOffset();
    EXPECT_EQ(hub()->layers().shadowPos, base + offset);
    EXPECT_EQ(tool->previewItem()->offset(), QPointF(base + offset));
    EXPECT_TRUE(tool->calculatingLabel()->isHidden());
    ASSERT_TRUE(settle());
    EXPECT_NE(hub()->finalPixmap().toImage(), plain) << type;
  }
  tool->typeBox()->setCurrentIndex(0);
  waitForShadow();
  EXPECT_TRUE(hub()->layers().shadow.isNull());
  EXPECT_EQ(hub()->layers().shadowPos, base);
}

TEST_F(ShadowToolTest, ThePreviewShowsOnlyOnTheEffectsTab) {
  for (ImageView::ViewTab tab : {ImageView::AddEffects, ImageView::ComposePicture,
                                 ImageView::FinalImage, ImageView::AddEffects}) {
    tool->viewTabChangedSlot(tab);
    EXPECT_EQ(tool->previewItem()->isVisible(), tab == ImageView::AddEffects);
  }
}

TEST_F(ShadowToolTest, ADyingViewTakesThePreviewWithIt) {
  view.reset();
  EXPECT_EQ(tool->previewItem(), nullptr);
}

}  // namespace
