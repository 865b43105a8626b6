// The edge-detection panel and the two edge option tools: values shown and applied, analyses
// started, the width kept in image pixels across resolutions, "Defaults", enabledness, the
// tools' pages and what their controls remember.

#include <QFrame>
#include <QHBoxLayout>
#include <QSettings>

#include "WorkspaceTestSupport.h"
#include "document/BlendingStuff.h"
#include "document/RectRegion.h"
#include "document/SegmentationStuff.h"
#include "workspace/EdgeBlendingTool.h"
#include "workspace/EdgeFindingTool.h"

namespace {

const QString imageAnalysis = QStringLiteral("Finding Edges in Image...");

class EdgeOptionsTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    QObject::connect(thread.get(), &CorvaneThread::commandFinished, &receiver,
                     [this](CorvaneCommand* command) { commands << command->description(); });
  }
  static EDOs& imageValues() { return GmModel::instance()->segmentation()->values(); }

  QObject receiver;
  QStringList commands;
};

struct ResolutionRow {
  const char* name;
  int inImage;
  int applied;
  int oldRes;
  int newRes;
  int width;
  int storedInImage;
};

class ResolutionTest : public EdgeOptionsTest,
                       public ::testing::WithParamInterface<ResolutionRow> {};

TEST_P(ResolutionTest, TheMinimumEdgeWidthStaysTheSameInImagePixels) {
  const ResolutionRow& row = GetParam();
  EdgeDetectionOptions panel(false);
  imageValues().widthInImageCoords = row.inImage;
  imageValues().width.applied = row.applied;
  panel.resolutionChangedSlot(row.oldRes, row.newRes);
  EXPECT_EQ(imageValues().width.current, row.width);
  EXPECT_EQ(panel.widthSlider()->value(), row.width);
  EXPECT_EQ(imageValues().widthInImageCoords, row.storedInImage);
  waitIdle();
  EXPECT_TRUE(commands.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Resolutions, ResolutionTest,
                         ::testing::Values(ResolutionRow{"Coarser", 12, 3, 2, 4, 3, 12},
                                           ResolutionRow{"Clamped", 200, 3, 2, 4, 32, 200},
                                           ResolutionRow{"FromApplied", -1, 5, 2, 4, 2, 10},
                                           ResolutionRow{"ZeroIgnored", 12, 3, 2, 0, 3, 12}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EdgeOptionsTest, AFreshSetShowsItsDefaultsWithDefaultsDisabled) {
  EdgeDetectionOptions panel(false);
  EXPECT_EQ(panel.sensitivitySlider()->value(), 50);
  EXPECT_EQ(panel.widthSlider()->value(), 3);
  EXPECT_EQ(panel.sensitivityLabel()->text(), "Number of Edges:    50 %");
  auto* medium = panel.contrastGroup()->findChild<QRadioButton*>(
      "EdgeDetectionOptions/"
      "EdgeContrast/Medium");
  ASSERT_NE(medium, nullptr);
  EXPECT_TRUE(medium->isChecked());
  EXPECT_FALSE(panel.defaultsButton()->isEnabled());
  EXPECT_TRUE(panel.contrastGroup()->isHidden());
  EXPECT_TRUE(panel.textureGroup()->isHidden());
}

TEST_F(EdgeOptionsTest, PushedValuesApplyNothingWhileASensitivityMoveAnalysesOnce) {
  openPhoto();
  EdgeDetectionOptions panel(false);
  imageValues().sensitivity.current = 30;
  commands.clear();
  panel.showValues(&imageValues());
  waitIdle();
  EXPECT_EQ(panel.sensitivitySlider()->value(), 30);
  EXPECT_TRUE(commands.isEmpty()) << commands.join(", ").toStdString();
  const int appliedBefore = imageValues().sensitivity.applied;
  panel.sensitivitySlider()->setValue(31);
  waitIdle();
  EXPECT_EQ(commands, QStringList{imageAnalysis});
  EXPECT_EQ(imageValues().sensitivity.applied, 31);
  EXPECT_EQ(imageValues().sensitivity.stored, appliedBefore);
  EXPECT_TRUE(model->segmentation()->hasAnalysis());
  panel.widthSlider()->setValue(5);
  waitIdle();
  EXPECT_EQ(commands.count(imageAnalysis), 2);
  EXPECT_EQ(imageValues().widthInImageCoords, 5);
}

TEST_F(EdgeOptionsTest, DefaultsIsEnabledExactlyWhileAValueDiffers) {
  openPhoto();
  EdgeDetectionOptions panel(false);
  QToolButton* defaults = panel.defaultsButton();
  EXPECT_FALSE(defaults->isEnabled());
  const int sensitivity = imageValues().sensitivity.defaultValue;
  panel.sensitivitySlider()->setValue(sensitivity + 7);
  EXPECT_TRUE(defaults->isEnabled());
  waitIdle();
  commands.clear();
  defaults->click();
  waitIdle();
  EXPECT_FALSE(defaults->isEnabled());
  EXPECT_EQ(panel.sensitivitySlider()->value(), sensitivity);
  EXPECT_EQ(commands, QStringList{imageAnalysis});
}

TEST_F(EdgeOptionsTest, WithPersistenceTheRememberedControlsBecomeTheCurrentValues) {
  host.persist = true;
  openPhoto();
  EdgeDetectionOptions panel(true);
  EXPECT_EQ(imageValues().sensitivity.current, 10);
  EXPECT_EQ(imageValues().width.current, 8);
  EXPECT_TRUE(panel.defaultsButton()->isEnabled());
}

TEST_F(EdgeOptionsTest, ANewSessionBindsAndAnalyses) {
  EdgeDetectionOptions panel(false);
  EXPECT_FALSE(panel.isEnabled());
  openPhoto();
  waitIdle();
  EXPECT_TRUE(panel.isEnabled());
  EXPECT_EQ(panel.values(), &imageValues());
  EXPECT_EQ(commands.count(imageAnalysis), 1);
  EXPECT_TRUE(model->segmentation()->hasAnalysis());
  EXPECT_EQ(panel.sensitivitySlider()->value(), imageValues().sensitivity.current);
  // Without the image it is unbound: controls move, nothing is applied.
  emit model->tellImageChanged(nullptr);
  EXPECT_EQ(panel.values(), nullptr);
  EXPECT_FALSE(panel.sensitivityRow()->isEnabled());
  commands.clear();
  panel.sensitivitySlider()->setValue(panel.sensitivitySlider()->value() + 1);
  waitIdle();
  EXPECT_TRUE(commands.isEmpty());
}

TEST_F(EdgeOptionsTest, APatchWithItsOwnSettingsDisablesThePanel) {
  openPhoto();
  EdgeDetectionOptions panel(false);
  auto* own = new RectRegion(QRectF(10, 10, 40, 30));
  own->segmentation()->setOwnSettings(true);
  auto* shared = new RectRegion(QRectF(80, 10, 40, 30));
  model->addPatch(own);
  model->addPatch(shared);
  model->setActiveRegion(shared);
  EXPECT_TRUE(panel.isEnabled());
  model->setActiveRegion(own);
  EXPECT_FALSE(panel.isEnabled());
  EXPECT_FALSE(panel.widthRow()->isEnabled());
  panel.sensitivitySlider()->setValue(panel.sensitivitySlider()->value() + 9);
  EXPECT_FALSE(panel.defaultsButton()->isEnabled());
  model->setActiveRegion(nullptr);
  EXPECT_TRUE(panel.isEnabled());
  EXPECT_TRUE(panel.defaultsButton()->isEnabled());
  waitIdle();
}

// The widgets a page's layout holds, in order (null for a stretch).
QList<QWidget*> pageWidgets(QWidget* page) {
  QList<QWidget*> widgets;
  for (int i = 0; i < page->layout()->count(); ++i) widgets << page->layout()->itemAt(i)->widget();
  return widgets;
}

TEST_F(EdgeOptionsTest, TheToolsPagesHoldThePanelsRows) {
  EdgeBlendingTool blending;
  EdgeFindingTool finding;
  EXPECT_EQ(blending.name(), "Edge Blending Options");
  EXPECT_EQ(finding.name(), "Edge Finding Options");
  EXPECT_EQ(blending.action()->shortcut(), QKeySequence("O"));
  EXPECT_EQ(finding.action()->shortcut(), QKeySequence("F"));
  EXPECT_TRUE(blending.action()->whatsThis().contains("edge_blending.htm"));
  EXPECT_TRUE(finding.action()->whatsThis().contains("edge_finding.htm"));
  EXPECT_FALSE(blending.isUsable());  // no image
  QWidget* page = blending.optionPage();
  EXPECT_EQ(page->objectName(), "Edge Blending Tool Options");
  QList<QWidget*> widgets = pageWidgets(page);
  ASSERT_EQ(widgets.size(), 4);
  EXPECT_EQ(widgets[0], blending.panel()->blendWidthRow());
  EXPECT_EQ(qobject_cast<QFrame*>(widgets[1])->frameStyle(), 37);
  EXPECT_EQ(widgets[2], blending.panel()->ratioRow());
  EXPECT_EQ(widgets[3], nullptr);
  page = finding.optionPage();
  EXPECT_EQ(page->objectName(), "Edge Finding Tool Options");
  widgets = pageWidgets(page);
  ASSERT_EQ(widgets.size(), 6);
  EXPECT_EQ(widgets[0], finding.panel()->sensitivityRow());
  EXPECT_EQ(widgets[2], finding.panel()->widthRow());
  EXPECT_EQ(qobject_cast<QFrame*>(widgets[3])->frameStyle(), 37);
  EXPECT_EQ(widgets[4], finding.panel()->defaultsButton());

  // Whoever holds the blending tool drives its panel through it.
  emit blending.setBinaryBlendRatioSignal(true);
  EXPECT_FLOAT_EQ(GmModel::instance()->blending()->options().blendRatioF_, 1.0f);
  emit blending.setAutoBlueWidthToChoiceSignal(CommonBlendOptsWidget::Medium);
  EXPECT_FLOAT_EQ(GmModel::instance()->blending()->options().autoBlueWidthF_, 0.75f);
}

struct TeardownRow {
  const char* name;
  bool persist;
  bool blendingFirst;
};

class TeardownTest : public EdgeOptionsTest, public ::testing::WithParamInterface<TeardownRow> {};

TEST_P(TeardownTest, ToolsEndCleanlyInEitherOrderAndSaveOnlyWithPersistence) {
  const TeardownRow& row = GetParam();
  host.persist = row.persist;
  auto* blending = new EdgeBlendingTool;
  auto* finding = new EdgeFindingTool;
  blending->selectToolSlot();
  finding->selectToolSlot();  // its page is on show as the tools go
  blending->panel()->blendWidthCombo()->setCurrentIndex(3);
  finding->panel()->sensitivitySlider()->setValue(33);
  if (row.blendingFirst) {
    delete blending;
    delete finding;
  } else {
    delete finding;
    delete blending;
  }
  QSettings settings;
  EXPECT_EQ(settings.contains("BlendingOptions/BlendWidth"), row.persist);
  EXPECT_EQ(settings.contains("EdgeDetectionOptions/NumberofEdges"), row.persist);
  EXPECT_EQ(settings.contains("EdgeDetectionOptions/EdgeContrast/Medium"), row.persist);
  if (!row.persist) return;
  EXPECT_EQ(settings.value("BlendingOptions/BlendWidth").toString(), "Thick");
  EXPECT_EQ(settings.value("EdgeDetectionOptions/NumberofEdges").toInt(), 33);
  EdgeFindingTool again;  // the next run
  EXPECT_EQ(again.panel()->sensitivitySlider()->value(), 33);
  waitIdle();
}

INSTANTIATE_TEST_SUITE_P(Orders, TeardownTest,
                         ::testing::Values(TeardownRow{"PersistBlendingFirst", true, true},
                                           TeardownRow{"PersistFindingFirst", true, false},
                                           TeardownRow{"QuietBlendingFirst", false, true},
                                           TeardownRow{"QuietFindingFirst", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
