// The document side of the patch properties panel: what it shows, what its boxes change, and
// whether a patch's edges can be shown.

#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "ScriptedCommand.h"
#include "document/CvCmdAnalyseImage.h"
#include "document/RectRegion.h"
#include "document/RegionalProperties.h"

namespace {

class PatchPanel : public EngineSessionTest {
 protected:
  void SetUp() override {
    EngineSessionTest::SetUp();
    openSession();
    panel = model->regionalProperties();
    patch = new RectRegion(QRectF(10, 10, 40, 30));
    model->addPatch(patch);
    patch->submitToEngine();
    waitIdle();
  }
  void holdQueue() {
    head = new ScriptedCommand("head", &journal);
    head->blocking = true;
    thread->submit(head);
  }
  void releaseQueue() {
    head->release.release();
    waitIdle();
  }
  int analysesQueued() const {
    int n = 0;
    for (const CorvaneCommand* command : thread->queuedCommands())
      n += qobject_cast<const CvCmdAnalyseImage*>(command) != nullptr;
    return n;
  }

  RegionalProperties* panel = nullptr;
  RectRegion* patch = nullptr;
  Journal journal;
  ScriptedCommand* head = nullptr;
};

TEST_F(PatchPanel, TheActivePatchFillsThePageAndLeavingItEmptiesIt) {
  QSignalSpy pages(panel, &RegionalProperties::pageChanged);
  QSignalSpy shown(panel, &RegionalProperties::settingsShown);
  QSignalSpy protection(panel, &RegionalProperties::protectionChecked);
  QSignalSpy visible(panel, &RegionalProperties::visibilityWanted);
  patch->activate();
  EXPECT_EQ(pages.last()[0].toInt(), 1);
  EXPECT_EQ(shown.last()[0].value<SegmentationStuff*>(), patch->segmentation());
  EXPECT_EQ(panel->settings(), patch->segmentation());
  EXPECT_FALSE(protection.last()[0].toBool());
  EXPECT_TRUE(visible.last()[0].toBool());

  panel->protectionCheckBoxClickedSlot(true);
  EXPECT_TRUE(patch->isProtected());
  EXPECT_TRUE(protection.last()[0].toBool()) << "the box follows protectionChanged";

  panel->setSuppressed(true);
  EXPECT_FALSE(visible.last()[0].toBool());
  panel->setSuppressed(false);

  model->deleteRegion(patch);
  EXPECT_EQ(pages.last()[0].toInt(), 0);
  EXPECT_EQ(panel->shownPatch(), nullptr);
  EXPECT_EQ(panel->settings(), nullptr);
  EXPECT_FALSE(panel->edgesDisplayable());
  EXPECT_FALSE(visible.last()[0].toBool());
  waitIdle();
}

TEST_F(PatchPanel, OwnSettingsOnStartTheirAnalysisAtOnceAndOffStartNone) {
  patch->activate();
  QSignalSpy own(model, &GmModel::ownSmegStatusChanged);
  QSignalSpy smeg(model, &GmModel::smegChanged);
  holdQueue();
  panel->regSmegCheckBoxStateChangedSlot(true);
  EXPECT_TRUE(patch->segmentation()->ownSettings());
  EXPECT_EQ(analysesQueued(), 1);
  ASSERT_EQ(own.size(), 1);
  EXPECT_EQ(own[0][0].value<GmRegion*>(), patch);
  EXPECT_FALSE(smeg.isEmpty());
  releaseQueue();
  EXPECT_TRUE(patch->segmentation()->hasAnalysis());

  holdQueue();
  panel->regSmegCheckBoxStateChangedSlot(false);
  EXPECT_FALSE(patch->segmentation()->ownSettings());
  EXPECT_EQ(analysesQueued(), 0);
  releaseQueue();
}

TEST_F(PatchPanel, WithoutAnActivePatchTheBoxActsOnTheImage) {
  QSignalSpy begun(model, &GmModel::imageAnalysisHasBegun);
  QSignalSpy own(model, &GmModel::ownSmegStatusChanged);
  holdQueue();
  panel->regSmegCheckBoxStateChangedSlot(false);
  EXPECT_FALSE(model->segmentation()->ownSettings());
  EXPECT_EQ(analysesQueued(), 0);
  panel->regSmegCheckBoxStateChangedSlot(true);
  EXPECT_TRUE(model->segmentation()->ownSettings());
  EXPECT_EQ(analysesQueued(), 1);
  EXPECT_EQ(begun.size(), 1);
  EXPECT_EQ(panel->settings(), model->segmentation());
  ASSERT_EQ(own.size(), 2);
  EXPECT_EQ(own[1][0].value<GmRegion*>(), nullptr);
  releaseQueue();
  EXPECT_FALSE(patch->segmentation()->ownSettings());
}

TEST_F(PatchPanel, EdgesCanBeShownUpToSensitivity100) {
  patch->activate();
  EDOs& values = patch->segmentation()->values();
  const struct {
    int sensitivity;
    bool displayable;
  } rows[] = {{1, true}, {50, true}, {100, true}, {101, false}, {150, false}};
  for (const auto& row : rows) {
    values.sensitivity.current = row.sensitivity;
    EXPECT_EQ(panel->edgesDisplayable(), row.displayable) << row.sensitivity;
  }
}

}  // namespace
