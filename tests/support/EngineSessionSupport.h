#pragma once

// A document with a real engine session on a small synthetic photo, installed as a new image:
// the document queues CvCmdInit, then the barrier CvCmdNewStatusImage and CvCmdBeginSession.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include <QImage>
#include <QTemporaryDir>

#include "DocumentTestSupport.h"
#include "document/Brushing.h"
#include "document/CorvaneEntryPoints.h"
#include "document/CvCmdFinish.h"
#include "document/CvCmdSelect.h"
#include "document/GmStatusArray.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"

// An orange disc lit from the upper left, with a soft rim, on a blue-green graded ground with a
// coarse weave and a little noise: the disc's centre is at (width / 2, height * 0.52), its
// radius a third of the smaller side.
inline QImage syntheticPhoto(int width, int height) {
  QImage photo(width, height, QImage::Format_RGB32);
  const double cx = width * 0.5, cy = height * 0.52, radius = std::min(width, height) * 0.33;
  const double rim = std::max(3.0, radius * 0.03);
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> noise(-6, 6);
  for (int y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(photo.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const double d = std::hypot(x - cx, y - cy);
      const double weave = 12.0 * std::sin(x * 0.05) * std::sin(y * 0.045);
      const double br = 40 + 30.0 * y / height + weave, bg = 90 + 60.0 * x / width + weave,
                   bb = 150 + 50.0 * (1.0 - double(y) / height);
      const double shade = 0.65 + 0.35 * std::max(0.0, ((cx - x) + (cy - y)) / (2.0 * radius));
      const double fr = 235 * shade, fg = 120 * shade, fb = 40 * shade;
      const double a = std::clamp((radius - d) / rim + 0.5, 0.0, 1.0);
      auto mix = [&](double f, double b) {
        return std::clamp(int(std::lround(a * f + (1.0 - a) * b)) + noise(rng), 0, 255);
      };
      line[x] = qRgb(mix(fr, br), mix(fg, bg), mix(fb, bb));
    }
  }
  return photo;
}

// The statuses and the undo history of the session, to compare before and after.
struct SessionState {
  QByteArray statuses;
  uint32_t undos = 0;
  uint32_t redos = 0;
  bool operator==(const SessionState& o) const {
    return statuses == o.statuses && undos == o.undos && redos == o.redos;
  }
};

class EngineSessionTest : public DocumentTest {
 protected:
  static constexpr int kWidth = 160;
  static constexpr int kHeight = 120;

  void SetUp() override {
    DocumentTest::SetUp();
    thread = std::make_unique<CorvaneThread>();
  }
  void TearDown() override {
    corvaneEntryPoints() = CorvaneEntryPoints{};
    finishEngine();
    thread.reset();
    DocumentTest::TearDown();
  }

  // The photo (the synthetic one of width × height unless `photo` is set), written as a PNG and
  // read back through Qt's codecs, installed as a new image
  // (which opens its session through the barrier) and worked on at `resolution`. Without
  // `autoCut` the document makes no cut-out by itself.
  void openSession(int resolution = 1, int width = kWidth, int height = kHeight,
                   GmSession::SettingsPreservation preservation = GmSession::TakeDefaults,
                   bool autoCut = false) {
    const QString path = folder.filePath(QStringLiteral("photo.png"));
    ASSERT_TRUE((photo.isNull() ? syntheticPhoto(width, height) : photo).save(path));
    model = GmModel::instance();
    ASSERT_TRUE(model->setSourceImage(new TsSourceImage(path), nullptr, preservation));
    waitIdle();
    if (model->resolution() != resolution) {
      model->setResolution(resolution);
      waitIdle();
    }
    if (!autoCut) stopAutoCut(model);
    ASSERT_NE(model->segmentation()->session(), nullptr);
    ASSERT_NE(model->statusArray()->engineImage(), nullptr);
  }

  void waitIdle() { ASSERT_TRUE(waitUntilIdle(thread.get())) << "the queue never ran empty"; }
  void run(CorvaneCommand* command,
           CorvaneThread::SubmitAsUncancellable how = CorvaneThread::Cancellable) {
    thread->submit(command, how);
    waitIdle();
  }
  void analyse() {
    model->segmentation()->findEdges();
    waitIdle();
    ASSERT_TRUE(model->segmentation()->hasAnalysis());
  }

  // A stroke along `points` (image coordinates) with the hooks' brush size.
  static Brushing* stroke(const QVector<QPointF>& points) {
    auto* brushing = new Brushing(Qt::red);
    brushing->beginStroke(points.first());
    for (int i = 1; i < points.size(); ++i) brushing->continueStroke(points.at(i));
    return brushing;
  }
  // Brushes `mode` over `targets` along `points`.
  void brush(const QVector<QPointF>& points, int mode, int targets = CvStatusClassMask,
             bool local = false) {
    run(new CvCmdSelect(model, stroke(points), targets, mode, local, false));
  }

  CvImage* statusImage() const { return model->statusArray()->engineImage(); }
  uint8_t statusAt(int x, int y) const {
    const CvImage* image = statusImage();
    return static_cast<const uint8_t*>(image->data)[size_t(y) * image->stride + size_t(x)];
  }
  int countStatus(uint8_t mask, uint8_t value) const {
    int n = 0;
    for (int y = 0; y < int(statusImage()->height); ++y)
      for (int x = 0; x < int(statusImage()->width); ++x) n += (statusAt(x, y) & mask) == value;
    return n;
  }
  // Read straight from the engine, not through the document.
  SessionState sessionState() const {
    SessionState state;
    const CvImage* image = statusImage();
    for (uint32_t y = 0; y < image->height; ++y)
      state.statuses.append(static_cast<const char*>(image->data) + size_t(y) * image->stride,
                            int(image->width));
    CvSession* session = model->segmentation()->session();
    EXPECT_EQ(CvNumAvailableUndo(session, &state.undos), CvOk);
    EXPECT_EQ(CvNumAvailableRedo(session, &state.redos), CvOk);
    return state;
  }

  // Ends the engine the test opened: the document is finished through the queue while it
  // works, else the engine is finished directly.
  void finishEngine() {
    if (!model || !thread || GmModel::existingInstance() != model) return;
    if (!thread->isLibraryDead()) {
      GmModel::destroyInstance();
      model = nullptr;
      waitIdle();
      return;
    }
    if (model->engine()) {
      CvFinish(model->engine());
      model->forgetEngineHandles();
      model->setEngine(nullptr);
    }
  }

  // Installed by openSession in place of the synthetic photo when not null.
  QImage photo;
  QTemporaryDir folder;
  std::unique_ptr<CorvaneThread> thread;
  GmModel* model = nullptr;
};
