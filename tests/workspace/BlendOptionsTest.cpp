// The blend options panel: records shown in its controls, ratios stored and announced, what its
// controls remember, and its enabledness.

#include <QGroupBox>
#include <QLabel>
#include <QSettings>
#include <QSignalSpy>

#include "WorkspaceTestSupport.h"
#include "document/BlendingStuff.h"
#include "workspace/CommonBlendOptsWidget.h"

namespace {

class BlendOptionsTest : public WorkspaceTest {
 protected:
  static BlendingOptions& imageOptions() { return GmModel::instance()->blending()->options(); }
  static QString ratioText(const char* label) {
    return QStringLiteral("Intelligent Blending:    ") + label;
  }
};

struct ShowRow {
  const char* name;
  float width;
  float ratio;
  int index;
  float shownWidth;
  int position;
  const char* label;
  float storedRatio;
};

class ShowTest : public BlendOptionsTest, public ::testing::WithParamInterface<ShowRow> {};

TEST_P(ShowTest, ARecordShowsTheNearestWidthAndItsRatioWhichIsStoredAndAnnounced) {
  const ShowRow& row = GetParam();
  CommonBlendOptsWidget panel(false);
  BlendingOptions& record = imageOptions();
  record.autoBlueWidthF_ = row.width;
  record.blendRatioF_ = row.ratio;
  QSignalSpy announced(GmModel::instance(), &GmModel::imageBlendRatioChanged);
  panel.showOptions(&record);
  EXPECT_EQ(panel.blendWidthCombo()->currentIndex(), row.index);
  EXPECT_FLOAT_EQ(record.autoBlueWidthF_, row.shownWidth);
  EXPECT_EQ(panel.ratioSlider()->value(), row.position);
  EXPECT_EQ(panel.ratioGroupBox()->title(), ratioText(row.label));
  EXPECT_EQ(panel.ratioValueLabel()->text(), ratioText(row.label));
  EXPECT_FLOAT_EQ(record.blendRatioF_, row.storedRatio);
  ASSERT_EQ(announced.count(), 1);
  EXPECT_FLOAT_EQ(announced.at(0).at(0).toFloat(), row.storedRatio);
}

INSTANTIATE_TEST_SUITE_P(
    Records, ShowTest,
    ::testing::Values(ShowRow{"ThinAndOneToThree", 0.4f, 0.3f, 1, 0.15f, 6, "1:3", 0.25f},
                      ShowRow{"Thick", 5.0f, 0.2f, 3, 1.5f, 6, "1:3", 0.25f},
                      ShowRow{"None", -1.0f, 1.0f, 0, 0.0f, 0, "5:0", 1.0f},
                      ShowRow{"MediumAllSmart", 0.75f, 0.0f, 2, 0.75f, 8, "0:5", 0.0f},
                      ShowRow{"RatioAboveOne", 0.15f, 2.0f, 1, 0.15f, 0, "5:0", 1.0f},
                      ShowRow{"RatioBelowZero", 0.15f, -3.0f, 1, 0.15f, 8, "0:5", 0.0f}),
    [](const auto& info) { return std::string(info.param.name); });

struct PersistRow {
  const char* name;
  bool persist;
  const char* remembered;
  int index;
  int position;
  float width;
  float ratio;
  const char* savedText;
  int savedPosition;
};

class PersistTest : public BlendOptionsTest, public ::testing::WithParamInterface<PersistRow> {};

TEST_P(PersistTest, RememberedValuesWinOnlyWithPersistenceOn) {
  const PersistRow& row = GetParam();
  host.persist = row.persist;
  QSettings().setValue("BlendingOptions/BlendWidth", row.remembered);
  QSettings().setValue("BlendingOptions/IntelligentBlending", 2);
  imageOptions().autoBlueWidthF_ = 0.15f;
  imageOptions().blendRatioF_ = 0.5f;
  auto panel = std::make_unique<CommonBlendOptsWidget>(true);
  EXPECT_EQ(panel->blendWidthCombo()->currentIndex(), row.index);
  EXPECT_EQ(panel->ratioSlider()->value(), row.position);
  EXPECT_FLOAT_EQ(imageOptions().autoBlueWidthF_, row.width);
  EXPECT_FLOAT_EQ(imageOptions().blendRatioF_, row.ratio);
  EXPECT_FALSE(panel->ratioValueLabel()->text().isEmpty());
  // The user's choices of this run.
  panel->blendWidthCombo()->setCurrentIndex(0);
  emit panel->blendWidthCombo()->activated(0);
  panel->ratioSlider()->setValue(7);
  EXPECT_FLOAT_EQ(imageOptions().autoBlueWidthF_, 0.0f);
  EXPECT_FLOAT_EQ(imageOptions().blendRatioF_, 0.125f);
  panel.reset();
  EXPECT_EQ(QSettings().value("BlendingOptions/BlendWidth").toString(), row.savedText);
  EXPECT_EQ(QSettings().value("BlendingOptions/IntelligentBlending").toInt(), row.savedPosition);
  // The next run, on the same settings and a record like the first.
  imageOptions().autoBlueWidthF_ = 0.15f;
  imageOptions().blendRatioF_ = 0.5f;
  CommonBlendOptsWidget again(true);
  EXPECT_EQ(again.blendWidthCombo()->currentText(), row.persist ? "None" : "Thin");
  EXPECT_EQ(again.ratioSlider()->value(), row.persist ? 7 : 4);
}

INSTANTIATE_TEST_SUITE_P(
    Preferences, PersistTest,
    ::testing::Values(PersistRow{"Off", false, "Thick", 1, 4, 0.15f, 0.5f, "Thick", 2},
                      PersistRow{"On", true, "Thick", 3, 2, 1.5f, 0.75f, "None", 7},
                      // A name no longer offered (another language): no selection, and the
                      // record keeps its width.
                      PersistRow{"UnknownText", true, "Extra", -1, 2, 0.15f, 0.75f, "None", 7}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BlendOptionsTest, WithoutAnImageTheRowsAreDisabledAndAnImageShowsItsRecord) {
  CommonBlendOptsWidget panel(false);
  EXPECT_FALSE(panel.isEnabled());
  EXPECT_FALSE(panel.blendWidthRow()->isEnabled());
  EXPECT_FALSE(panel.ratioRow()->isEnabled());
  imageOptions().autoBlueWidthF_ = 1.2f;
  openPhoto();
  EXPECT_TRUE(panel.isEnabled());
  EXPECT_TRUE(panel.blendWidthRow()->isEnabled());
  EXPECT_TRUE(panel.ratioRow()->isEnabled());
  EXPECT_EQ(panel.blendWidthCombo()->currentIndex(), 3);
  EXPECT_FLOAT_EQ(imageOptions().autoBlueWidthF_, 1.5f);
}

TEST_F(BlendOptionsTest, BinaryRatiosAndWidthChoicesGoToTheImageAlone) {
  CommonBlendOptsWidget panel(false);
  const int position = panel.ratioSlider()->value();
  QSignalSpy announced(GmModel::instance(), &GmModel::imageBlendRatioChanged);
  panel.setBinaryBlendRatio(true);
  EXPECT_FLOAT_EQ(imageOptions().blendRatioF_, 1.0f);
  EXPECT_EQ(panel.ratioValueLabel()->text(), ratioText("5:0"));
  panel.setBinaryBlendRatio(false);
  EXPECT_FLOAT_EQ(imageOptions().blendRatioF_, 0.0f);
  EXPECT_EQ(panel.ratioGroupBox()->title(), ratioText("0:5"));
  EXPECT_EQ(panel.ratioSlider()->value(), position);
  EXPECT_EQ(announced.count(), 2);
  panel.setAutoBlueWidthToChoice(CommonBlendOptsWidget::Thick);
  EXPECT_FLOAT_EQ(imageOptions().autoBlueWidthF_, 1.5f);
  panel.autoBlueWidthChangedSlot(7);  // no such width: nothing
  EXPECT_FLOAT_EQ(imageOptions().autoBlueWidthF_, 1.5f);
  EXPECT_EQ(announced.count(), 2);
}

}  // namespace
