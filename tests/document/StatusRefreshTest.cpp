// The finishing step of a stroke reads again only the area the engine reports changed: what it
// leaves (statuses present, display copy) is what reading everything gives.

#include <QCryptographicHash>
#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "document/CvCmdRedo.h"
#include "document/CvCmdUndo.h"
#include "document/RectRegion.h"

namespace {

// The statuses present as a full read defines them: the OR of the rows in order, up to the
// first row by which every class has been seen.
int presentOf(const uint8_t* bytes, int width, int height, int stride) {
  int present = 0;
  for (int y = 0; y < height && (present & 15) != 15; ++y)
    for (int x = 0; x < width; ++x) present |= bytes[size_t(y) * size_t(stride) + size_t(x)];
  return present;
}

// The display copy's pixels without the padding of its rows.
QByteArray displayBytes(const QImage& display) {
  QByteArray bytes;
  for (int y = 0; y < display.height(); ++y)
    bytes.append(reinterpret_cast<const char*>(display.constScanLine(y)), display.width());
  return bytes;
}

// A fixed sequence of strokes, clean-ups, undos and redos, and a stroke in a patch, through the
// document on a real engine, with 1 and 8 workers: after each step the statuses present and
// the display copy are what a full read of the engine's statuses gives, and the digest of every
// step is the one recorded while every refresh read the whole image.
class StrokeReplay : public EngineSessionTest, public ::testing::WithParamInterface<int> {
 protected:
  void TearDown() override {
    corvaneSetWorkerLimit(0);
    EngineSessionTest::TearDown();
  }
};

TEST_P(StrokeReplay, EveryStepMatchesAFullRead) {
  corvaneSetWorkerLimit(uint32_t(GetParam()));
  openSession(1, 320, 240);
  analyse();
  QCryptographicHash digest(QCryptographicHash::Md5);
  auto check = [&](const char* step) {
    SCOPED_TRACE(step);
    const CvImage* engine = statusImage();
    const auto* bytes = static_cast<const uint8_t*>(engine->data);
    const int present = int(model->statusArray()->statusesPresent());
    const QByteArray display = displayBytes(model->statusArray()->displayImage());
    EXPECT_EQ(present,
              presentOf(bytes, int(engine->width), int(engine->height), int(engine->stride)));
    EXPECT_EQ(display, sessionState().statuses);
    digest.addData(display);
    digest.addData(QByteArray(1, char(present)));
  };
  const int keepAndDelete = CvStatusKeep | CvStatusDelete;
  QSignalSpy dirty(model, &GmModel::rectDirty);
  brush({{20, 30}, {80, 70}, {140, 110}}, CvStatusDelete);
  check("a pixel stroke of delete into the kept disc, cleaned up");
  // The views repaint what the stroke changed (the statuses along it), not the whole image.
  QRectF repainted;
  for (const QList<QVariant>& signal : dirty) repainted |= signal.at(0).value<ImageRectF>();
  EXPECT_TRUE(repainted.contains(QRectF(20, 30, 120, 80)));
  EXPECT_LT(repainted.width() * repainted.height(), 0.75 * 320 * 240);
  brush({{280, 30}, {300, 200}}, CvStatusDelete, CvStatusClassMask, true);
  check("a region stroke of delete");
  brush({{150, 120}, {180, 130}}, CvStatusKeep, keepAndDelete);
  check("a pixel stroke of keep over delete, cleaned up");
  run(new CvCmdUndo(model));
  check("undo");
  run(new CvCmdUndo(model));
  check("undo again");
  run(new CvCmdRedo(model));
  check("redo");
  auto* patch = new RectRegion(QRectF(200, 150, 60, 50));
  model->addPatch(patch);
  patch->submitToEngine();
  waitIdle();
  brush({{210, 160}, {250, 190}}, CvStatusDelete);
  check("a stroke in a patch");
  run(new CvCmdUndo(model));
  check("undo in the patch");
  EXPECT_EQ(digest.result().toHex(), QByteArray("330e5d025bdd0dde7703c85880adc385"));
}

INSTANTIATE_TEST_SUITE_P(Workers, StrokeReplay, ::testing::Values(1, 8));

}  // namespace
