// Which tool the canvas's input reaches, in which coordinates, with which button states; tablet
// pressure; drops.

#include <QMimeData>
#include <QSpinBox>
#include <QTabletEvent>

#include "WorkspaceTestSupport.h"

namespace {

class InputRoutingTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    view = showView(QSize(800, 600));
    openPhoto();
    canvas = view->workspace()->canvas();
    view->zoomToSlot(4.0);
  }
  RecordingTool* currentTool(int tabs = ImageView::DeleteBackground) {
    auto* tool = keep(new RecordingTool("T", &log, tabs));
    tool->selectToolSlot();
    log.clear();
    return tool;
  }
  QPoint at(double x, double y) const { return widgetPoint(canvas, QPointF(x, y)); }

  ImageView* view = nullptr;
  GmZoomWidget* canvas = nullptr;
  QStringList log;
};

TEST_F(InputRoutingTest, AUsableToolInItsTabGetsImagePoints) {
  RecordingTool* tool = currentTool();
  sendMouse(canvas, QEvent::MouseButtonPress, at(10, 20), Qt::LeftButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseMove, at(12.5, 20), Qt::NoButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseButtonRelease, at(12.5, 20), Qt::LeftButton, Qt::NoButton);
  sendMouse(canvas, QEvent::MouseButtonDblClick, at(30, 40), Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(log, QStringList({"T.press", "T.move", "T.release", "T.double"}));
  EXPECT_EQ(tool->points, QList<QPointF>({QPointF(10, 20), QPointF(12.5, 20), QPointF(12.5, 20),
                                          QPointF(30, 40)}));
}

TEST_F(InputRoutingTest, NothingReachesAnUnusableToolOrOneOutsideTheTab) {
  RecordingTool* unusable = currentTool();
  unusable->usable = false;
  click(canvas, at(10, 10));
  currentTool(ImageView::ComposePicture);
  click(canvas, at(10, 10));
  sendMouse(canvas, QEvent::MouseMove, at(11, 10), Qt::NoButton, Qt::NoButton);
  EXPECT_TRUE(log.isEmpty()) << log.join(",").toStdString();
  EXPECT_EQ(unusable->leftButtonState(), 0);
}

TEST_F(InputRoutingTest, WithoutAToolInputGoesNowhere) {
  ASSERT_EQ(GmTool::current(), nullptr);
  click(canvas, at(10, 10));
  sendMouse(canvas, QEvent::MouseMove, at(11, 10), Qt::NoButton, Qt::LeftButton);
  EXPECT_FALSE(canvas->outlineBox().isValid());
}

struct ButtonStep {
  QEvent::Type type;
  Qt::MouseButton button;
  Qt::MouseButtons held;
  int state;
  int previous;
};

TEST_F(InputRoutingTest, ButtonStatesFollowTheLeftButton) {
  RecordingTool* tool = currentTool();
  const ButtonStep steps[] = {
      {QEvent::MouseMove, Qt::NoButton, Qt::NoButton, 0, 0},
      {QEvent::MouseButtonPress, Qt::RightButton, Qt::RightButton, 0, 0},
      {QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, 1, 0},
      {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 2, 1},
      {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 2, 2},
      {QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, 0, 2},
      {QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 0, 2},
      {QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, 1, 0},
      {QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, 0, 1},
  };
  int n = 0;
  for (const ButtonStep& step : steps) {
    sendMouse(canvas, step.type, at(20, 20), step.button, step.held);
    EXPECT_EQ(tool->leftButtonState(), step.state) << "step " << n;
    EXPECT_EQ(tool->previousLeftButtonState(), step.previous) << "step " << n;
    ++n;
  }
}

struct PressureRow {
  const char* name;
  bool option;
  bool brush;
  double pressure;
  int expected;  // at size 9
};

class TabletPressureTest : public InputRoutingTest,
                           public ::testing::WithParamInterface<PressureRow> {};

TEST_P(TabletPressureTest, PressureScalesTheBrushOnlyForABrushWithTheOptionOn) {
  const PressureRow& row = GetParam();
  auto* box = keep(new QSpinBox);
  box->setRange(1, 400);
  box->setValue(9);
  ToolOptions::setBrushSizeBox(box);
  host.tabletPressure = row.option;
  RecordingTool* tool = currentTool();
  tool->brush = row.brush;
  const QPointF pos = at(20, 20);
  QTabletEvent event(QEvent::TabletPress, pos, canvas->mapToGlobal(pos.toPoint()),
                     QTabletEvent::Stylus, QTabletEvent::Pen, row.pressure, 0, 0, 0, 0, 0,
                     Qt::NoModifier, 1, Qt::LeftButton, Qt::LeftButton);
  QApplication::sendEvent(canvas, &event);
  EXPECT_FALSE(event.isAccepted());
  EXPECT_EQ(ToolOptions::brushSize(), row.expected);
  ToolOptions::setTabletStroke(false);  // the stroke's end, as the brush clears it
  EXPECT_EQ(ToolOptions::brushSize(), 9);
}

INSTANTIATE_TEST_SUITE_P(Rows, TabletPressureTest,
                         ::testing::Values(PressureRow{"HalfPressure", true, true, 0.5, 5},
                                           PressureRow{"NeverBelowOne", true, true, 0.01, 1},
                                           PressureRow{"OptionOff", false, true, 0.5, 9},
                                           PressureRow{"NotABrush", true, false, 0.5, 9}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InputRoutingTest, DropsGoToTheHost) {
  QMimeData data;
  data.setText(QStringLiteral("file:///photos/car.jpg"));
  QDragEnterEvent enter(at(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(canvas, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(canvas, &drop);
  EXPECT_EQ(host.drops, QStringList({"file:///photos/car.jpg"}));

  QMimeData nothing;
  QDragEnterEvent refused(at(10, 10), Qt::CopyAction, &nothing, Qt::LeftButton, Qt::NoModifier);
  refused.ignore();
  GmZoomWidget::handleDragEnter(&refused);
  EXPECT_FALSE(refused.isAccepted());
}

}  // namespace
