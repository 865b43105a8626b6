// "Set Image Size" driven through its panel: shapes, spin boxes and presets, and what reaches
// the hub.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QSpinBox>

#include "WaitFor.h"
#include "composition/ImageSizeTool.h"
#include "support/CanvasFixture.h"
#include "support/ProgramFolder.h"
#include "workspace/ToolPaletteButton.h"

using namespace composition_test;

namespace {

class SizeTool : public HubFixture {
 protected:
  void SetUp() override {
    HubFixture::SetUp();
    ASSERT_TRUE(program.ok());
  }
  void TearDown() override {
    tool.reset();
    HubFixture::TearDown();
  }
  // The tool as the main window makes it, after its first event-loop turn.
  void makeTool() {
    tool = std::make_unique<ImageSizeTool>();
    ASSERT_TRUE(zarvo_test::waitFor([this] { return tool->presetCombo()->count() > 1; }));
  }
  void usePresetFile(const char* corpusName) {
    QFile seed(QStringLiteral(ZARVO_FUZZ_CORPUS "/canvassizes/") + QLatin1String(corpusName));
    ASSERT_TRUE(seed.open(QIODevice::ReadOnly));
    ASSERT_TRUE(program.write("CanvasSizes.xml", seed.readAll()));
  }
  void choosePreset(const QString& name) {
    const int index = tool->presetCombo()->findText(name);
    ASSERT_GE(index, 0) << name.toStdString();
    tool->presetCombo()->setCurrentIndex(index);
  }
  QSize spins() const { return QSize(tool->widthSpin()->value(), tool->heightSpin()->value()); }
  QSize maxima() const {
    return QSize(tool->widthSpin()->maximum(), tool->heightSpin()->maximum());
  }
  static QSize canvas() { return hub()->canvasRect().size(); }
  QStringList presetNames() const {
    QStringList names;
    for (int i = 0; i < tool->presetCombo()->count(); ++i)
      names << tool->presetCombo()->itemText(i);
    return names;
  }
  bool chainIs(const char* resource) const {
    return tool->chainLabel()->pixmap(Qt::ReturnByValue).toImage() ==
           QPixmap(QLatin1String(resource)).toImage();
  }

  ProgramFolder program;
  std::unique_ptr<ImageSizeTool> tool;
};

TEST_F(SizeTool, PushesFourByThreeFirstAndItsControlsAtTheFirstTurn) {
  QSignalSpy canvases(hub(), &ZarvoObject::canvasChanged);
  tool = std::make_unique<ImageSizeTool>();
  ASSERT_EQ(canvases.size(), 1);
  EXPECT_EQ(canvas(), QSize(400, 300));
  EXPECT_EQ(presetNames(), QStringList{"None"});
  ASSERT_TRUE(zarvo_test::waitFor([&] { return canvases.size() == 2; }));
  EXPECT_EQ(canvas(), QSize(300, 400));
  EXPECT_EQ(tool->checkedShape(), "Portrait");
  EXPECT_TRUE(chainIs(":zarvo/chain_solid.png"));
  // No file beside the program: the built-in presets.
  EXPECT_EQ(presetNames(), (QStringList{"None", "eBay", "uBid", "CQOUT"}));
  EXPECT_EQ(tool->presetCombo()->currentIndex(), 0);
  EXPECT_EQ(hub()->maxFileSizeKB(), 80);
}

struct EditRow {
  const char* name;
  const char* shape;
  bool width;  // which side the user edits
  int value;
  QSize expected;
};

class SizeEdits : public SizeTool, public ::testing::WithParamInterface<EditRow> {};

TEST_P(SizeEdits, TheOtherSideFollowsTheRatioTruncatedAndTheHubGetsIt) {
  const EditRow& row = GetParam();
  makeTool();
  tool->shapeButton(row.shape)->click();
  (row.width ? tool->widthSpin() : tool->heightSpin())->setValue(row.value);
  EXPECT_EQ(spins(), row.expected);
  EXPECT_EQ(canvas(), row.expected);
  EXPECT_EQ(hub()->canvasRect().topLeft(), QPoint(0, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Sides, SizeEdits,
    ::testing::Values(EditRow{"PortraitWidth", "Portrait", true, 600, QSize(600, 800)},
                      EditRow{"PortraitHeight", "Portrait", false, 1000, QSize(750, 1000)},
                      EditRow{"LandscapeHeight", "Landscape", false, 600, QSize(800, 600)},
                      EditRow{"LandscapeTruncates", "Landscape", false, 1000, QSize(1333, 1000)},
                      EditRow{"SquareWidth", "Square", true, 700, QSize(700, 700)},
                      EditRow{"CustomLeavesHeight", "Custom", true, 900, QSize(900, 400)},
                      EditRow{"CustomLeavesWidth", "Custom", false, 90, QSize(300, 90)},
                      // Beyond the shape's maximum the spin box corrects, the other follows.
                      EditRow{"PortraitWidthClamped", "Portrait", true, 1500, QSize(1200, 1600)}),
    [](const ::testing::TestParamInfo<EditRow>& info) { return std::string(info.param.name); });

struct ShapeRow {
  const char* shape;
  QSize size;
  QSize maxima;
  const char* chain;
};

class ShapeSwitches : public SizeTool, public ::testing::WithParamInterface<ShapeRow> {};

TEST_P(ShapeSwitches, KeepTheLongerSideAndSetTheMaxima) {
  const ShapeRow& row = GetParam();
  makeTool();
  tool->shapeButton(row.shape)->click();
  EXPECT_EQ(tool->checkedShape(), row.shape);
  EXPECT_EQ(spins(), row.size);
  EXPECT_EQ(canvas(), row.size);
  EXPECT_EQ(maxima(), row.maxima);
  EXPECT_TRUE(chainIs(row.chain));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ShapeSwitches,
    ::testing::Values(
        ShapeRow{"Portrait", QSize(300, 400), QSize(1200, 1600), ":zarvo/chain_solid.png"},
        ShapeRow{"Landscape", QSize(400, 300), QSize(1600, 1200), ":zarvo/chain_solid.png"},
        ShapeRow{"Square", QSize(400, 400), QSize(1600, 1600), ":zarvo/chain_solid.png"},
        ShapeRow{"Custom", QSize(300, 400), QSize(1600, 1600), ":zarvo/chain_broken.png"}),
    [](const ::testing::TestParamInfo<ShapeRow>& info) { return std::string(info.param.shape); });

TEST_F(SizeTool, EbayGivesItsSizeAndBudgetUntilASideIsEdited) {
  makeTool();
  QSignalSpy budgets(hub(), &ZarvoObject::maxFileSizeChanged);
  tool->shapeButton("Landscape")->click();
  choosePreset("eBay");
  EXPECT_EQ(tool->checkedShape(), "Portrait");  // the preset's shape, not the one before
  EXPECT_EQ(canvas(), QSize(1200, 1600));
  EXPECT_EQ(hub()->maxFileSizeKB(), 2000);
  ASSERT_EQ(budgets.size(), 1);
  EXPECT_EQ(budgets.at(0).at(0).toInt(), 2000);

  tool->widthSpin()->setValue(1000);
  EXPECT_EQ(canvas(), QSize(1000, 1333));
  EXPECT_EQ(tool->presetCombo()->currentText(), "None");
  EXPECT_EQ(hub()->maxFileSizeKB(), 2000);
  EXPECT_EQ(budgets.size(), 1);

  // The hub's reset: 300 x 400 Portrait and its own 80 KB; the preset list is left alone.
  choosePreset("uBid");
  EXPECT_EQ(canvas(), QSize(750, 1000));
  hub()->reset();
  EXPECT_EQ(canvas(), QSize(300, 400));
  EXPECT_EQ(tool->checkedShape(), "Portrait");
  EXPECT_EQ(hub()->maxFileSizeKB(), 80);
  EXPECT_EQ(tool->presetCombo()->currentText(), "uBid");
}

TEST_F(SizeTool, APresetFileBesideTheProgramReplacesTheBuiltInOnes) {
  usePresetFile("valid-example");
  makeTool();
  EXPECT_EQ(presetNames(), (QStringList{"None", "Web large"}));
  choosePreset("Web large");
  EXPECT_EQ(tool->checkedShape(), "Landscape");
  EXPECT_EQ(canvas(), QSize(1200, 900));
  EXPECT_EQ(hub()->maxFileSizeKB(), 500);
}

TEST_F(SizeTool, ARepeatedNameShowsTwiceAndBothPickTheLaterPreset) {
  usePresetFile("repeated-name");
  makeTool();
  EXPECT_EQ(presetNames(), (QStringList{"None", "Same", "Same"}));
  for (int index : {1, 2}) {
    hub()->reset();
    tool->presetCombo()->setCurrentIndex(0);
    tool->presetCombo()->setCurrentIndex(index);
    EXPECT_EQ(tool->checkedShape(), "Landscape");
    EXPECT_EQ(canvas(), QSize(1200, 900));
    EXPECT_EQ(hub()->maxFileSizeKB(), 900);
  }
}

TEST_F(SizeTool, HostileNumbersReachTheHubOnlyWithinTheControlsRanges) {
  usePresetFile("out-of-range");
  makeTool();
  choosePreset("Huge");
  EXPECT_EQ(canvas(), QSize(1200, 1600));
  EXPECT_EQ(hub()->maxFileSizeKB(), 4000);
  // Zero and negative numbers leave the size and the budget alone.
  choosePreset("Negative");
  EXPECT_EQ(tool->checkedShape(), "Square");
  EXPECT_EQ(canvas(), QSize(1600, 1600));
  EXPECT_EQ(hub()->maxFileSizeKB(), 4000);
  choosePreset("Tiny");
  EXPECT_EQ(canvas(), QSize(50, 50));  // 37 high would be below the smallest side
  EXPECT_EQ(hub()->maxFileSizeKB(), 10);
}

TEST_F(SizeTool, AZeroInAPresetLeavesThatFieldAlone) {
  usePresetFile("zero-values");
  makeTool();
  choosePreset("Size only");
  EXPECT_EQ(canvas(), QSize(600, 800));
  EXPECT_EQ(hub()->maxFileSizeKB(), 80);
  choosePreset("Budget only");  // its shape still applies, to the size there is
  EXPECT_EQ(canvas(), QSize(800, 600));
  EXPECT_EQ(hub()->maxFileSizeKB(), 300);
  choosePreset("Zero");
  EXPECT_EQ(canvas(), QSize(800, 800));
  EXPECT_EQ(hub()->maxFileSizeKB(), 300);
}

class SizeToolOnCanvas : public CanvasFixture {};

TEST_F(SizeToolOnCanvas, InstancesAreSelectableWhileTheToolIsCurrent) {
  openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(200, 20, 20)));
  ImageSizeTool* size = keep(new ImageSizeTool);
  ASSERT_TRUE(size->installSlot());
  EXPECT_TRUE(controller()->isEditing());
  EXPECT_TRUE(controller()->instances().value(0)->flags() & QGraphicsItem::ItemIsSelectable);
  EXPECT_EQ(size->viewTabs(), ImageView::ViewTabs(ImageView::ComposePicture));
  size->deactivate(nullptr);
  EXPECT_FALSE(controller()->isEditing());
}

}  // namespace
