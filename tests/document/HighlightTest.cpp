// Highlight threads over random pictures against a plain per-pixel reference, cancelled before
// every row, and the status array's highlight slots.

#include <memory>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include "document/GmRegion.h"
#include "document/MaskedPixelIterator.h"
#include "document/RectRegion.h"
#include "document/Set1DThread.h"
#include "document/Set2DThread.h"
#include "kestrum/qt/RowBands.h"

namespace {

using namespace kestrum::colour;

const channel kChannels[] = {Hue, Lightness, Saturation, Red, Green, Blue};
const uint8_t kStatuses[] = {0, 1, 2, 4, 8, 2 | 16, 4 | 32, 8 | 64};

bool isHls(channel c) {
  return c <= Saturation;
}

// A random picture with random statuses and random highlight bits to start from.
struct Scene {
  Scene(int width, int height, unsigned seed)
      : source(width, height, QImage::Format_ARGB32),
        status(width, height, QImage::Format_Indexed8),
        highlight(width, height, QImage::Format_Mono) {
    std::mt19937 rng(seed);
    QVector<QRgb> greys;
    for (int i = 0; i < 256; ++i) greys << qRgb(i, i, i);
    status.setColorTable(greys);
    highlight.setColorTable({qRgba(255, 255, 255, 0), qRgb(255, 255, 0)});
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        // Every fourth pixel grey, so hue and saturation 0 come up.
        const int grey = int(rng() % 256);
        source.setPixel(x, y,
                        rng() % 4 == 0
                            ? qRgb(grey, grey, grey)
                            : qRgb(int(rng() % 256), int(rng() % 256), int(rng() % 256)));
        status.setPixel(x, y, kStatuses[rng() % 8]);
        highlight.setPixel(x, y, rng() % 2);
      }
  }
  QImage source, status, highlight;
};

std::vector<bool> randomSelection(unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<bool> selection(256);
  for (size_t i = 0; i < 256; ++i) selection[i] = rng() % 2;
  return selection;
}

QImage randomPlane(unsigned seed) {
  std::mt19937 rng(seed);
  QImage plane(256, 256, QImage::Format_Mono);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x) plane.setPixel(x, y, rng() % 2);
  return plane;
}

// An 8-bit mask with holes, placed at `offset`.
QImage holedMask(const QSize& size, const QPoint& offset) {
  QImage mask(size, QImage::Format_Indexed8);
  QVector<QRgb> table(9, qRgb(0, 0, 0));
  table[1] = qRgb(255, 255, 255);
  mask.setColorTable(table);
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x) mask.setPixel(x, y, (x * 7 + y * 3) % 5 != 0 ? 1 : 0);
  mask.setOffset(offset);
  return mask;
}

// The reference: the expected highlight after a run over `rect` and `mask`, pixel by pixel,
// whose selection answers `selected`.
template <class Selected>
QImage expected(const Scene& scene, const QRect& rect, const QImage* mask, uint8_t statusMask,
                Selected selected) {
  QImage result = scene.highlight.copy();
  for (MaskedPixelIterator p(rect & scene.source.rect(), mask); !p.atEnd(); p.next()) {
    const bool on = (scene.status.pixelIndex(p.x(), p.y()) & statusMask) &&
                    selected(scene.source.pixel(p.x(), p.y()));
    result.setPixel(p.x(), p.y(), on ? 1 : 0);
  }
  return result;
}

void run(HighlightThread& thread, Scene& scene, const QRect& rect, const QImage* mask,
         uint8_t statusMask) {
  thread.startRun(&scene.highlight, &scene.source, &scene.status, mask, rect, statusMask);
  thread.wait();
}

TEST(HighlightThreads, OneChannelRunsMatchTheReference) {
  const QImage mask = holedMask({9, 7}, {4, 3});
  const struct {
    const char* name;
    QRect rect;
    const QImage* mask;
  } areas[] = {{"whole picture", QRect(0, 0, 23, 17), nullptr},
               {"patch mask", QRect(mask.offset(), mask.size()), &mask},
               {"rectangle over the edge", QRect(15, 10, 30, 30), nullptr}};
  unsigned seed = 1;
  for (const auto& area : areas)
    for (channel c : kChannels) {
      SCOPED_TRACE(testing::Message() << area.name << ", channel " << c);
      Scene scene(23, 17, ++seed);
      const std::vector<bool> selection = randomSelection(++seed);
      const QImage want = expected(scene, area.rect, area.mask, 2 | 4, [&](QRgb colour) {
        return bool(selection[size_t(channelValue(colour, c))]);
      });
      Set1DThread thread;
      thread.setSelection(selection);
      thread.setChannel(c);
      run(thread, scene, area.rect, area.mask, 2 | 4);
      EXPECT_EQ(scene.highlight, want);
    }
}

TEST(HighlightThreads, TwoChannelRunsMatchTheReferenceAndMixedPairsWriteNothing) {
  const QImage mask = holedMask({9, 7}, {4, 3});
  unsigned seed = 100;
  const QImage plane = randomPlane(seed);
  for (channel horizontal : kChannels)
    for (channel vertical : kChannels)
      for (const QImage* area : {static_cast<const QImage*>(nullptr), &mask}) {
        SCOPED_TRACE(testing::Message()
                     << horizontal << " by " << vertical << (area ? " in the patch" : ""));
        Scene scene(19, 13, ++seed);
        const QImage before = scene.highlight.copy();
        const QRect rect = area ? QRect(area->offset(), area->size()) : scene.source.rect();
        Set2DThread thread;
        thread.setSelection(plane);
        thread.setChannels(horizontal, vertical);
        run(thread, scene, rect, area, 1 | 2 | 8);
        const bool runs = horizontal != vertical && isHls(horizontal) == isHls(vertical);
        if (!runs) {
          EXPECT_EQ(scene.highlight, before) << "no loop for this pair";
          continue;
        }
        scene.highlight = before;
        EXPECT_EQ(before, expected(scene, QRect(), nullptr, 0, [](QRgb) { return false; }));
        const QImage want = expected(scene, rect, area, 1 | 2 | 8, [&](QRgb colour) {
          return plane.pixelIndex(channelValue(colour, horizontal),
                                  channelValue(colour, vertical)) == 1;
        });
        run(thread, scene, rect, area, 1 | 2 | 8);
        EXPECT_EQ(scene.highlight, want);
      }
}

TEST(HighlightThreads, TheResultIsTheSameForAnyNumberOfWorkers) {
  const QImage mask = holedMask({40, 120}, {3, 20});
  const std::vector<bool> selection = randomSelection(31);
  for (const QImage* area : {static_cast<const QImage*>(nullptr), &mask}) {
    const Scene start(47, 160, 30);
    const QRect rect = area ? QRect(area->offset(), area->size()) : start.source.rect();
    const QImage want = expected(start, rect, area, 2 | 8, [&](QRgb colour) {
      return bool(selection[size_t(rgbToSaturation(colour))]);
    });
    for (unsigned workers : {1u, 2u, 4u, 8u}) {
      SCOPED_TRACE(workers);
      kestrum::setRowBandThreadsOverride(workers);
      Scene scene = start;
      scene.highlight = start.highlight.copy();
      Set1DThread thread;
      thread.setSelection(selection);
      thread.setChannel(Saturation);
      run(thread, scene, rect, area, 2 | 8);
      EXPECT_EQ(scene.highlight, want);
    }
  }
  kestrum::setRowBandThreadsOverride(0);
}

TEST(HighlightThreads, NullOrOutsideRectanglesWriteNothing) {
  for (const QRect& rect : {QRect(), QRect(50, 50, 10, 10)}) {
    Scene scene(12, 9, 7);
    const QImage before = scene.highlight.copy();
    Set1DThread thread;
    thread.setSelection(std::vector<bool>(256, true));
    run(thread, scene, rect, nullptr, 0xFF);
    EXPECT_EQ(scene.highlight, before);
  }
  // Images of two sizes start nothing.
  Scene scene(12, 9, 8);
  QImage small = scene.status.copy(0, 0, 5, 5);
  Set1DThread thread;
  thread.setSelection(std::vector<bool>(256, true));
  const QImage before = scene.highlight.copy();
  thread.startRun(&scene.highlight, &scene.source, &small, nullptr, scene.source.rect(), 0xFF);
  EXPECT_FALSE(thread.isRunning());
  thread.wait();
  EXPECT_EQ(scene.highlight, before);
}

// An aborted run leaves every row it had not begun as it was: aborted at each poll in turn (one
// before each row, on one worker so the rows go in order), the rows before it are done and the
// rest untouched, and a run that is not aborted is whole.
TEST(HighlightThreads, AnAbortBeforeEveryRowLeavesTheRowsNotBegunAsTheyWere) {
  const QImage mask = holedMask({6, 21}, {2, 1});
  const QRect rect(mask.offset(), mask.size());
  const Scene start(10, 24, 21);
  const std::vector<bool> selection = randomSelection(22);
  auto selected = [&](QRgb colour) { return bool(selection[size_t(rgbToHue(colour))]); };
  const QImage done = expected(start, rect, &mask, 0xFF, selected);
  ASSERT_NE(done, start.highlight);
  Set1DThread thread;
  thread.setSelection(selection);
  thread.setChannel(Hue);
  kestrum::setRowBandThreadsOverride(1);
  for (int poll = 1; poll <= rect.height() + 1; ++poll) {
    Scene scene = start;
    scene.highlight = start.highlight.copy();
    thread.abortAtPoll(std::uint64_t(poll));
    run(thread, scene, rect, &mask, 0xFF);
    const int rowsDone = poll - 1;
    EXPECT_EQ(thread.abortFlag().load(), rowsDone < rect.height()) << poll;
    QImage want = start.highlight.copy();
    for (int y = rect.top(); y < rect.top() + rowsDone && y <= rect.bottom(); ++y)
      for (int x = 0; x < want.width(); ++x) want.setPixel(x, y, done.pixelIndex(x, y));
    EXPECT_EQ(scene.highlight, want) << "aborted at poll " << poll;
  }
  kestrum::setRowBandThreadsOverride(0);
  thread.abortAtPoll(0);
}

// ---- The status array's highlight

class HighlightSlots : public DocumentTest {
 protected:
  // A grey picture of `size` with every status kept.
  GmStatusArray* open(const QSize& size) {
    model = useImage(size, 1);
    statuses = std::make_unique<StatusBytes>(size.width(), size.height(), CvStatusKeep);
    model->statusArray()->setStatusImage(&statuses->image);
    return model->statusArray();
  }
  void waitForRuns() {
    model->statusArray()->oneChannelThread().wait();
    model->statusArray()->twoChannelThread().wait();
  }
  int countLit() const {
    const QImage& highlight = model->statusArray()->highlightImage();
    int lit = 0;
    for (int y = 0; y < highlight.height(); ++y)
      for (int x = 0; x < highlight.width(); ++x) lit += highlight.pixelIndex(x, y);
    return lit;
  }

  GmModel* model = nullptr;
  std::unique_ptr<StatusBytes> statuses;
};

std::vector<bool> only(int value) {
  std::vector<bool> selection(256);
  selection[size_t(value)] = true;
  return selection;
}

TEST_F(HighlightSlots, AStatusImageBringsAnEmptyHighlightOfItsSize) {
  GmStatusArray* array = open({40, 30});
  const QImage& highlight = array->highlightImage();
  ASSERT_EQ(highlight.size(), QSize(40, 30));
  EXPECT_EQ(highlight.format(), QImage::Format_Mono);
  EXPECT_EQ(countLit(), 0);
  EXPECT_EQ(highlight.color(0), qRgba(255, 255, 255, 0));
  // The faded highlight colour at the default mask opacity 0.5: alpha (1 - 0.85) × 0.5 + 0.85.
  EXPECT_EQ(qAlpha(highlight.color(1)), 236);
  array->highlightColourChanged(Qt::red);
  EXPECT_EQ(QColor(highlight.color(1)).hue(), 0);
  EXPECT_EQ(qAlpha(highlight.color(1)), 236);
  array->setStatusImage(nullptr);
  EXPECT_TRUE(array->highlightImage().isNull());
}

TEST_F(HighlightSlots, GreyHasHueZeroAndOnlyTheStatusesViewedAreLit) {
  GmStatusArray* array = open({40, 30});
  statuses->at(3, 4) = CvStatusDelete;
  array->highlightChanged(only(0), Hue, CvStatusKeep);
  waitForRuns();
  EXPECT_EQ(countLit(), 40 * 30 - 1);
  EXPECT_EQ(array->highlightImage().pixelIndex(3, 4), 0) << "its status is not viewed";
  array->highlightChanged(only(1), Saturation, CvPixelStatus(CvStatusKeep | CvStatusDelete));
  waitForRuns();
  EXPECT_EQ(countLit(), 0);
  QImage plane(256, 256, QImage::Format_Mono);
  plane.fill(0);
  plane.setPixel(0, 0, 1);
  array->highlightChanged(plane, Hue, Saturation, CvPixelStatus(CvStatusKeep | CvStatusDelete));
  waitForRuns();
  EXPECT_EQ(countLit(), 40 * 30);
  array->unHighlight();
  EXPECT_EQ(countLit(), 0);
}

// The colour workspace's selections may arrive queued: each argument travels by the type name
// moc gives the slot, which must be registered.
TEST_F(HighlightSlots, QueuedSelectionsReachBothSlots) {
  GmStatusArray* array = open({40, 30});
  ASSERT_TRUE(QMetaObject::invokeMethod(
      array, "highlightChanged", Qt::QueuedConnection, Q_ARG(std::vector<bool>, only(0)),
      Q_ARG(kestrum::colour::channel, Saturation), Q_ARG(CvPixelStatus, CvStatusKeep)));
  QCoreApplication::processEvents();
  waitForRuns();
  EXPECT_EQ(countLit(), 40 * 30);
  QImage plane(256, 256, QImage::Format_Mono);
  plane.fill(0);
  ASSERT_TRUE(QMetaObject::invokeMethod(array, "highlightChanged", Qt::QueuedConnection,
                                        Q_ARG(QImage, plane), Q_ARG(kestrum::colour::channel, Red),
                                        Q_ARG(kestrum::colour::channel, Green),
                                        Q_ARG(CvPixelStatus, CvStatusKeep)));
  QCoreApplication::processEvents();
  waitForRuns();
  EXPECT_EQ(countLit(), 0);
}

TEST_F(HighlightSlots, WithAnActivePatchOnlyItsPixelsChangeAndItsAreaIsRepainted) {
  GmStatusArray* array = open({40, 30});
  array->highlightChanged(only(0), Hue, CvStatusKeep);
  waitForRuns();
  auto* patch = new RectRegion(QRectF(10, 5, 8, 6));
  model->addPatch(patch);
  patch->activate();
  QSignalSpy dirty(model, &GmModel::rectDirty);
  array->highlightChanged(only(200), Hue, CvStatusKeep);
  waitForRuns();
  const QImage mask = patch->snapshotMask();
  auto inPatch = [&](int x, int y) {
    const QPoint at = QPoint(x, y) - mask.offset();
    return mask.rect().contains(at) && mask.pixelIndex(at) != 0;
  };
  int inside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) {
      inside += inPatch(x, y);
      EXPECT_EQ(array->highlightImage().pixelIndex(x, y), inPatch(x, y) ? 0 : 1) << x << "," << y;
    }
  EXPECT_GT(inside, 0);
  EXPECT_EQ(countLit(), 40 * 30 - inside);
  QCoreApplication::processEvents();  // the run's end arrives queued
  ASSERT_FALSE(dirty.isEmpty());
  EXPECT_EQ(dirty.last()[0].value<ImageRectF>(), QRectF(10, 5, 8, 6));
}

TEST_F(HighlightSlots, ANewRunOrAStatusImageChangeStopsTheRunningOne) {
  GmStatusArray* array = open({1600, 1200});
  array->highlightChanged(std::vector<bool>(256, false), Hue, CvStatusKeep);
  QImage plane(256, 256, QImage::Format_Mono);
  plane.fill(1);
  array->highlightChanged(plane, Lightness, Hue, CvStatusKeep);
  EXPECT_FALSE(array->oneChannelThread().isRunning()) << "stopped before the new run began";
  waitForRuns();
  EXPECT_EQ(countLit(), 1600 * 1200) << "nothing of the old run came after";

  // A colour change in the middle of a run starts it again: the highlight is whole.
  array->highlightChanged(std::vector<bool>(256, false), Red, CvStatusKeep);
  array->highlightColourChanged(Qt::green);
  waitForRuns();
  EXPECT_EQ(countLit(), 0);

  array->highlightChanged(plane, Lightness, Hue, CvStatusKeep);
  array->setStatusImage(nullptr);
  EXPECT_FALSE(array->isHighlighting());
  EXPECT_TRUE(array->highlightImage().isNull());
  // Without a highlight image or an image nothing starts.
  array->highlightChanged(plane, Lightness, Hue, CvStatusKeep);
  EXPECT_FALSE(array->isHighlighting());
}

}  // namespace
