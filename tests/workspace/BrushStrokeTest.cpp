// Strokes from the canvas to the engine and back: each brush's statuses on exactly the stroked
// working pixels, what a stroke leaves when it is dropped, straight lines, the local brush's
// flood, the active patch during a stroke, and tablet pressure.

#include <algorithm>
#include <cmath>
#include <functional>

#include <QTabletEvent>

#include "WorkspaceTestSupport.h"
#include "document/GmBrushing.h"
#include "document/GmRegion.h"
#include "document/RectRegion.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/ParameterStack.h"

namespace {

class BrushStrokeTest : public WorkspaceTest {
 public:
  void SetUp() override {
    WorkspaceTest::SetUp();
    view = showView(QSize(800, 600));
    openPhoto(QSize(160, 120), 1);
    canvas = view->workspace()->canvas();
    view->zoomToSlot(4.0);
    QObject::connect(thread.get(), &CorvaneThread::commandFinished, canvas,
                     [this](CorvaneCommand* command) { commands << command->description(); });
  }
  template <class Brush>
  Brush* select() {
    auto* brush = keep(new Brush);
    brush->selectToolSlot();
    BrushingTool::setBrushSize(6);
    commands.clear();
    return brush;
  }
  QPoint at(double x, double y) const { return widgetPoint(canvas, QPointF(x, y)); }
  // The working pixels a stroke along `points` covers (the release repeats the last point).
  static QImage strokePixels(const QVector<QPointF>& points) {
    Brushing reference(Qt::red);
    reference.beginStroke(points.first());
    for (int i = 1; i < points.size(); ++i) reference.continueStroke(points.at(i));
    reference.continueStroke(points.last());
    return reference.strokeImage();
  }
  void dragAlong(const QVector<QPointF>& points) {
    sendMouse(canvas, QEvent::MouseButtonPress, at(points[0].x(), points[0].y()), Qt::LeftButton,
              Qt::LeftButton);
    for (int i = 1; i < points.size(); ++i)
      sendMouse(canvas, QEvent::MouseMove, at(points[i].x(), points[i].y()), Qt::NoButton,
                Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseButtonRelease, at(points.last().x(), points.last().y()),
              Qt::LeftButton, Qt::NoButton);
  }

  ImageView* view = nullptr;
  GmZoomWidget* canvas = nullptr;
  QStringList commands;
};

struct BrushRow {
  const char* name;
  std::function<SelectTool*(BrushStrokeTest*)> make;
  uint8_t status;
  QList<uint8_t> presets;  // stripes across the stroke's path
  bool exact;              // no clean-up follows this stroke
};

class PaintTest : public BrushStrokeTest, public ::testing::WithParamInterface<BrushRow> {};

TEST_P(PaintTest, ADragBecomesOneCommandPaintingItsStatusOnTheStrokedPixels) {
  const BrushRow& row = GetParam();
  for (int i = 0; i < row.presets.size(); ++i)
    setStatuses(QRect(50 + 20 * i, 30, 20, 60), row.presets.at(i));
  SelectTool* brush = row.make(this);
  const QImage before = canvas->grab().toImage();
  QVector<QPointF> points;
  for (int x = 30; x <= 130; x += 10) points << QPointF(x, 60 + (x % 20 ? 3 : 0));
  const QImage covered = strokePixels(points);
  dragAlong(points);
  EXPECT_EQ(brush->stroke(), nullptr);
  waitIdle();
  QApplication::processEvents();
  EXPECT_EQ(commands, QStringList{"Brushing..."});

  int painted = 0, mismatched = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const bool stroked = covered.pixelIndex(x, y) == 1;
      const uint8_t status = statusAt(x, y) & CvStatusClassMask;
      painted += stroked;
      if (row.exact && stroked != (status == row.status)) ++mismatched;
      if (stroked && y == 60 && status != row.status) ++mismatched;  // the centre line
    }
  EXPECT_GT(painted, 500);
  EXPECT_EQ(mismatched, 0);

  // The status shows on screen where the stroke went, and nowhere else changed.
  const QImage after = canvas->grab().toImage();
  const QRgb tint = model->statusArray()->displayColour(row.status);
  const QRgb photo = model->segImage()->displayImage().pixel(40, 60);
  const QRgb shown = after.pixel(at(40.5, 60.5));
  const double a = qAlpha(tint) / 255.0;
  EXPECT_NEAR(qRed(shown), qRed(tint) * a + qRed(photo) * (1 - a), 3);
  EXPECT_NEAR(qBlue(shown), qBlue(tint) * a + qBlue(photo) * (1 - a), 3);
  EXPECT_EQ(after.pixel(at(40.5, 110.5)), before.pixel(at(40.5, 110.5)));
}

INSTANTIATE_TEST_SUITE_P(
    Brushes, PaintTest,
    ::testing::Values(BrushRow{"DeleteExact",
                               [](BrushStrokeTest* t) { return t->select<DeleteExactTool>(); },
                               4,
                               {8, 1},
                               true},
                      BrushRow{"BlendExact",
                               [](BrushStrokeTest* t) { return t->select<ComplexExactTool>(); },
                               8,
                               {2, 4},
                               true},
                      // Keep over Delete is cleaned up afterwards, which may take the stroke's rim.
                      BrushRow{"EraseExact",
                               [](BrushStrokeTest* t) { return t->select<EraseExactTool>(); },
                               2,
                               {4, 8},
                               false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrushStrokeTest, DroppedStrokesLeaveNothing) {
  DeleteExactTool* brush = select<DeleteExactTool>();
  const SessionState before = sessionState();
  // Escape in the middle.
  sendMouse(canvas, QEvent::MouseButtonPress, at(40, 60), Qt::LeftButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseMove, at(70, 60), Qt::NoButton, Qt::LeftButton);
  ASSERT_NE(brush->stroke(), nullptr);
  EXPECT_EQ(model->liveStrokes().size(), 1);
  brush->escapePressed();
  EXPECT_EQ(brush->stroke(), nullptr);
  EXPECT_TRUE(model->liveStrokes().isEmpty());
  sendMouse(canvas, QEvent::MouseButtonRelease, at(70, 60), Qt::LeftButton, Qt::NoButton);
  // Wholly beside the image.
  const QPoint left = canvas->imageRect().topLeft() + QPoint(-60, 100);
  ASSERT_GE(left.x(), 0);
  drag(canvas, left, left + QPoint(30, 80));
  waitIdle();
  EXPECT_TRUE(commands.isEmpty()) << commands.join(", ").toStdString();
  EXPECT_TRUE(sessionState() == before);
  EXPECT_EQ(GmTool::current(), brush);  // Escape only dropped the stroke
}

TEST_F(BrushStrokeTest, ShiftDrawsAStraightSegmentFromTheLastPoint) {
  DeleteExactTool* brush = select<DeleteExactTool>();
  const auto shift = Qt::ShiftModifier;
  sendMouse(canvas, QEvent::MouseButtonPress, at(30, 30), Qt::LeftButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseMove, at(60, 90), Qt::NoButton, Qt::LeftButton, shift);
  EXPECT_TRUE(brush->drawsStraightLine());
  sendMouse(canvas, QEvent::MouseMove, at(90, 30), Qt::NoButton, Qt::LeftButton, shift);
  sendMouse(canvas, QEvent::MouseButtonRelease, at(90, 30), Qt::LeftButton, Qt::NoButton, shift);
  waitIdle();
  for (int x = 30; x <= 90; x += 5) EXPECT_EQ(statusAt(x, 30) & 15, 4) << x;
  EXPECT_NE(statusAt(60, 90) & 15, 4);
  EXPECT_NE(statusAt(45, 60) & 15, 4);
}

TEST_F(BrushStrokeTest, TheLocalBrushWaitsForAnAnalysisThenFloods) {
  auto* local = keep(new DeleteLocalTool);
  EXPECT_FALSE(local->isUsable());
  EXPECT_FALSE(local->action()->isEnabled());
  EXPECT_FALSE(local->installSlot());
  analyse();
  EXPECT_TRUE(local->isUsable());
  EXPECT_TRUE(local->action()->isEnabled());
  local->selectToolSlot();
  BrushingTool::setBrushSize(2);
  commands.clear();
  const QVector<QPointF> points{QPointF(80, 60), QPointF(84, 60)};
  const QImage covered = strokePixels(points);
  dragAlong(points);
  waitIdle();
  EXPECT_EQ(commands, QStringList{"Brushing..."});
  int stroked = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) stroked += covered.pixelIndex(x, y) == 1;
  EXPECT_GT(countStatus(15, 4), 20 * stroked);
}

enum class Interruption { None, Escape, ToolChange, PatchDeleted };

struct PatchRow {
  const char* name;
  QPointF press;  // (110, 30) is inside the patch
  Interruption interruption;
  bool patchBack;
  int commands;
};

class ActivePatchTest : public BrushStrokeTest, public ::testing::WithParamInterface<PatchRow> {};

TEST_P(ActivePatchTest, APressOutsideTheActivePatchTakesItOutForTheStrokeOnly) {
  const PatchRow& row = GetParam();
  QPointer<GmRegion> patch = new RectRegion(QRectF(100, 20, 40, 30));
  model->addPatch(patch);
  patch->submitToEngine();
  model->setActiveRegion(patch);
  waitIdle();
  DeleteExactTool* brush = select<DeleteExactTool>();
  auto* other = keep(new RecordingTool("Other", nullptr));

  const bool inside = patch->shape().contains(row.press);
  sendMouse(canvas, QEvent::MouseButtonPress, at(row.press.x(), row.press.y()), Qt::LeftButton,
            Qt::LeftButton);
  EXPECT_EQ(model->activeRegion(), inside ? patch.data() : nullptr);
  EXPECT_EQ(brush->savedActivePatch(), inside ? nullptr : patch.data());
  EXPECT_EQ(brush->targetDisplayMode(patch), inside ? 4 : 3);
  sendMouse(canvas, QEvent::MouseMove, at(row.press.x() + 20, row.press.y()), Qt::NoButton,
            Qt::LeftButton);
  switch (row.interruption) {
    case Interruption::None:
      break;
    case Interruption::Escape:
      brush->escapePressed();
      break;
    case Interruption::ToolChange:
      other->selectToolSlot();
      break;
    case Interruption::PatchDeleted:
      model->deleteRegion(patch);
      break;
  }
  const QPoint end = at(row.press.x() + 30, row.press.y());
  sendMouse(canvas, QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseButtonRelease, end, Qt::LeftButton, Qt::NoButton);
  waitIdle();
  EXPECT_EQ(model->activeRegion(), row.patchBack ? patch.data() : nullptr);
  EXPECT_EQ(brush->savedActivePatch(), nullptr);
  EXPECT_EQ(brush->stroke(), nullptr);
  EXPECT_EQ(commands.count("Brushing..."), row.commands);
}

INSTANTIATE_TEST_SUITE_P(
    Interruptions, ActivePatchTest,
    ::testing::Values(PatchRow{"Submitted", {40, 60}, Interruption::None, true, 1},
                      PatchRow{"Escape", {40, 60}, Interruption::Escape, true, 0},
                      PatchRow{"ToolChange", {40, 60}, Interruption::ToolChange, true, 0},
                      PatchRow{"PatchDeleted", {40, 60}, Interruption::PatchDeleted, false, 1},
                      PatchRow{"PressInside", {105, 30}, Interruption::None, true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

struct PressureRow {
  const char* name;
  bool option;
  double pressure;
  int during;  // at size 9
};

class PressureTest : public BrushStrokeTest, public ::testing::WithParamInterface<PressureRow> {};

TEST_P(PressureTest, PenPressureScalesTheStrokeUntilTheRelease) {
  const PressureRow& row = GetParam();
  host.tabletPressure = row.option;
  select<DeleteExactTool>();
  BrushingTool::setBrushSize(9);
  const QPointF pos = at(40, 60);
  QTabletEvent event(QEvent::TabletPress, pos, canvas->mapToGlobal(pos.toPoint()),
                     QTabletEvent::Stylus, QTabletEvent::Pen, row.pressure, 0, 0, 0, 0, 0,
                     Qt::NoModifier, 1, Qt::LeftButton, Qt::LeftButton);
  QApplication::sendEvent(canvas, &event);
  EXPECT_EQ(BrushingTool::brushSize(), row.during);
  EXPECT_EQ(documentHooks->brushSize(), row.during);  // the pen width of the stroke
  drag(canvas, at(40, 60), at(60, 60));
  EXPECT_EQ(BrushingTool::brushSize(), 9);
  waitIdle();
}

INSTANTIATE_TEST_SUITE_P(Pressures, PressureTest,
                         ::testing::Values(PressureRow{"Half", true, 0.5, 5},
                                           PressureRow{"Faint", true, 0.01, 1},
                                           PressureRow{"OptionOff", false, 0.5, 9}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
