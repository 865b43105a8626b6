// The brushes' shared page: the size slider and box in step, the size steps of "[" and "]", the
// "Strength" row, the page's life and what it remembers.

#include <QGridLayout>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>

#include "WorkspaceTestSupport.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/ParameterStack.h"

namespace {

class BrushPageTest : public WorkspaceTest {
 protected:
  DeleteExactTool* brush() { return keep(new DeleteExactTool); }
  static QSlider* slider() {
    QWidget* page = BrushingTool::parameterStack()->parentWidget();
    return page->findChild<QSlider*>(QStringLiteral("BrushSizeSlider"));
  }
  static QSpinBox* sizeBox() { return ToolOptions::brushSizeBox(); }
  // Whether every widget of the "Strength" row is enabled (false when it has none).
  static bool strengthEnabled() {
    ParameterStack* stack = BrushingTool::parameterStack();
    QList<int> positions;
    if (!stack->rowWidgets("Strength", &positions) || positions.isEmpty()) return false;
    bool enabled = true;
    for (const int position : positions)
      enabled = enabled && stack->gridLayout()->itemAt(position)->widget()->isEnabled();
    return enabled;
  }
};

struct SliderRow {
  const char* name;
  bool fromSlider;  // else from the size box
  int position;
  int size;
};

class SliderTest : public BrushPageTest, public ::testing::WithParamInterface<SliderRow> {};

// Single precision and truncation both ways, so the two directions differ by a step.
TEST_P(SliderTest, SliderAndSizeFollowEachOtherOnASquareScale) {
  const SliderRow& row = GetParam();
  brush();
  QSignalSpy moved(GmModel::instance(), &GmModel::brushSizeSliderMoved);
  if (row.fromSlider) {
    slider()->setValue(row.position == 0 ? 1 : 0);
    slider()->setValue(row.position);
    EXPECT_EQ(BrushingTool::brushSize(), row.size);
    EXPECT_EQ(moved.count(), 2);
  } else {
    BrushingTool::setBrushSize(row.size == 1 ? 2 : 1);
    BrushingTool::setBrushSize(row.size);
    EXPECT_EQ(slider()->value(), row.position);
    EXPECT_EQ(sizeBox()->value(), row.size);  // the slider did not round it
  }
}

INSTANTIATE_TEST_SUITE_P(Both, SliderTest,
                         ::testing::Values(SliderRow{"SliderMiddle", true, 50, 100},
                                           SliderRow{"SliderLeft", true, 0, 1},
                                           SliderRow{"SliderRight", true, 100, 400},
                                           SliderRow{"SliderTenth", true, 10, 4},
                                           SliderRow{"SizeHundred", false, 49, 100},
                                           SliderRow{"SizeOne", false, 0, 1},
                                           SliderRow{"SizeLargest", false, 100, 400}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrushPageTest, SizeStepsGrowByOneThenByThreePercentAndStayInRange) {
  DeleteExactTool* tool = brush();
  BrushingTool::setBrushSize(1);
  QList<int> up;
  for (int i = 0; i < 16; ++i) {
    tool->increaseBrushSizeSlot();
    up << BrushingTool::brushSize();
  }
  EXPECT_EQ(up, QList<int>({2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18}));
  BrushingTool::setBrushSize(400);
  tool->increaseBrushSizeSlot();
  EXPECT_EQ(BrushingTool::brushSize(), 400);
  tool->decreaseBrushSizeSlot();
  EXPECT_EQ(BrushingTool::brushSize(), 387);
  BrushingTool::setBrushSize(1);
  tool->decreaseBrushSizeSlot();
  EXPECT_EQ(BrushingTool::brushSize(), 1);
  BrushingTool::setBrushSize(-5);
  EXPECT_EQ(BrushingTool::brushSize(), 1);
}

TEST_F(BrushPageTest, WithoutAPageSizeIsTenAndStrengthZero) {
  EXPECT_EQ(BrushingTool::parameterStack(), nullptr);
  BrushingTool::setBrushSize(50);
  EXPECT_EQ(BrushingTool::brushSize(), 10);
  EXPECT_EQ(BrushingTool::brushStrength(), 0);
}

TEST_F(BrushPageTest, OnePageServesEveryBrushAndGoesWithTheLast) {
  auto* exact = new DeleteExactTool;
  auto* local = new DeleteLocalTool;
  auto* blend = new ComplexExactTool;
  auto* erase = new EraseExactTool;
  const QPointer<QWidget> page = exact->optionPage();
  ASSERT_TRUE(page);
  for (GmTool* tool :
       {static_cast<GmTool*>(local), static_cast<GmTool*>(blend), static_cast<GmTool*>(erase)})
    EXPECT_EQ(tool->optionPage(), page.data()) << tool->name().toStdString();
  // Its controls outlive the brush that built them and still answer each other.
  delete exact;
  ASSERT_TRUE(page);
  slider()->setValue(50);
  EXPECT_EQ(BrushingTool::brushSize(), 100);
  BrushingTool::setBrushSize(400);
  EXPECT_EQ(slider()->value(), 100);
  delete blend;
  delete erase;
  EXPECT_TRUE(page);
  delete local;
  EXPECT_FALSE(page);
  EXPECT_EQ(BrushingTool::parameterStack(), nullptr);
  EXPECT_EQ(ToolOptions::brushSizeBox(), nullptr);
}

TEST_F(BrushPageTest, StrengthRowIsForTheLocalBrushOnly) {
  DeleteExactTool* exact = brush();
  auto* local = keep(new DeleteLocalTool);
  auto* blend = keep(new ComplexExactTool);
  auto* erase = keep(new EraseExactTool);
  local->selectToolSlot();
  EXPECT_TRUE(strengthEnabled());
  for (SelectTool* tool : {static_cast<SelectTool*>(exact), static_cast<SelectTool*>(blend),
                           static_cast<SelectTool*>(erase)}) {
    tool->selectToolSlot();
    EXPECT_FALSE(strengthEnabled()) << tool->name().toStdString();
    local->selectToolSlot();
    EXPECT_TRUE(strengthEnabled()) << tool->name().toStdString();
  }
}

TEST_F(BrushPageTest, SizeAndStrengthAreRememberedUnderCommon) {
  brush();
  BrushingTool::setBrushSize(37);
  ASSERT_TRUE(BrushingTool::parameterStack()->setValue("Strength", 5));
  EXPECT_EQ(BrushingTool::brushStrength(), 5);
  while (!owned.empty()) owned.pop_back();
  QSettings settings;
  EXPECT_EQ(settings.value("Common/Size").toInt(), 37);
  EXPECT_EQ(settings.value("Common/Strength").toInt(), 5);
  brush();
  EXPECT_EQ(BrushingTool::brushSize(), 37);
  EXPECT_EQ(BrushingTool::brushStrength(), 5);
  EXPECT_EQ(slider()->value(), 30);
}

}  // namespace
