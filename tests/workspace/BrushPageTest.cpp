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
  int position;
  int size;  // the size the position gives
};

class SliderToSizeTest : public BrushPageTest, public ::testing::WithParamInterface<SliderRow> {};

TEST_P(SliderToSizeTest, TheSliderSetsTheSizeOnASquareScale) {
  brush();
  QSignalSpy moved(GmModel::instance(), &GmModel::brushSizeSliderMoved);
  slider()->setValue(GetParam().position == 0 ? 1 : 0);
  slider()->setValue(GetParam().position);
  EXPECT_EQ(BrushingTool::brushSize(), GetParam().size);
  EXPECT_EQ(moved.count(), 2);
}

INSTANTIATE_TEST_SUITE_P(Positions, SliderToSizeTest,
                         ::testing::Values(SliderRow{"Middle", 50, 100}, SliderRow{"Left", 0, 1},
                                           SliderRow{"Right", 100, 400}, SliderRow{"Tenth", 10, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

class SizeToSliderTest : public BrushPageTest, public ::testing::WithParamInterface<SliderRow> {};

TEST_P(SizeToSliderTest, TheSizeMovesTheSliderWithoutFeedback) {
  brush();
  BrushingTool::setBrushSize(GetParam().size == 1 ? 2 : 1);
  BrushingTool::setBrushSize(GetParam().size);
  EXPECT_EQ(slider()->value(), GetParam().position);
  EXPECT_EQ(sizeBox()->value(), GetParam().size);  // the slider did not round it
}

INSTANTIATE_TEST_SUITE_P(Sizes, SizeToSliderTest,
                         ::testing::Values(SliderRow{"Hundred", 49, 100}, SliderRow{"One", 0, 1},
                                           SliderRow{"Largest", 100, 400}),
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

TEST_F(BrushPageTest, BrushesNameThemselvesAndTheirColours) {
  const struct {
    SelectTool* tool;
    const char* name;
    const char* shortcut;
    int status;
    bool local;
    QColor colour;
  } rows[] = {
      {brush(), "Delete Exact Brush", "", 4, false,
       UserColours::instance()->colour(UserColours::DeleteMask)->color()},
      {keep(new DeleteLocalTool), "Delete Local Brush", "Shift+D", 4, true,
       UserColours::instance()->colour(UserColours::DeleteMask)->color()},
      {keep(new ComplexExactTool), "Blend Exact Brush", "", 8, false,
       UserColours::instance()->colour(UserColours::BlendMask)->color()},
      {keep(new EraseExactTool), "Erase Exact Brush", "", 2, false, QColor(Qt::gray)},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(row.tool->name(), row.name);
    EXPECT_EQ(row.tool->action()->shortcut(), QKeySequence(row.shortcut)) << row.name;
    EXPECT_FALSE(row.tool->action()->icon().isNull()) << row.name;
    EXPECT_TRUE(row.tool->action()->whatsThis().contains("using_brushes.htm")) << row.name;
    EXPECT_EQ(row.tool->selectStatus(), row.status) << row.name;
    EXPECT_EQ(row.tool->isLocal(), row.local) << row.name;
    EXPECT_EQ(row.tool->strokeColour(), row.colour) << row.name;
    EXPECT_EQ(row.tool->cursorColour(), row.colour) << row.name;
    EXPECT_EQ(row.tool->cursor().shape(), Qt::BlankCursor) << row.name;
    // Without an image no brush can be used.
    EXPECT_FALSE(row.tool->isUsable()) << row.name;
    EXPECT_FALSE(row.tool->action()->isEnabled()) << row.name;
  }
}

}  // namespace
