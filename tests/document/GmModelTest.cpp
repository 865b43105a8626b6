#include <QMetaMethod>
#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include <QAction>

#include "document/BlendingStuff.h"
#include "document/ForcedEdge.h"
#include "document/RectRegion.h"
#include "document/Rectangle.h"
#include "document/GmBrushing.h"
#include "document/SegmentationStuff.h"

namespace {

using GmModelTest = DocumentTest;

// Views, tools and the shell connect to these by name: names, arguments and order are fixed.
TEST_F(GmModelTest, SignalsAreExactlyTheTable) {
  const QStringList expected = {
      "tellImageChanged(const TsSourceImage*)",
      "statusImageChanged(const QImage*)",
      "rectDirty(ImageRectF,DirtyHint,PatchPreviewWanted)",
      "rectDirty(ImageRectF,DirtyHint)",
      "toolChanged(const GmTool*)",
      "cursorChanged(const QCursor*)",
      "activeRegionChanged(GmRegion*)",
      "activeRegionReady(GmRegion*)",
      "resolutionChanged(int,int)",
      "smegChanged()",
      "cvVariableChanged(QString)",
      "cvUndoStackChanged(uint32_t,uint32_t)",
      "ownSmegStatusChanged(GmRegion*)",
      "sessionHasBegun()",
      "imageBlendRatioChanged(float)",
      "protectionChanged(GmRegion*)",
      "imageAnalysisHasBegun()",
      "brushSizeSliderMoved()",
      "patchPreviewAvailable(const GmRegion*)",
      "cutoutChanged(QImage)",
      "hintOpacityChanged()",
      "showOriginal()",
      "changeBackgroundColour()",
  };
  const QMetaObject& meta = GmModel::staticMetaObject;
  QStringList signals_;
  for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
    if (meta.method(i).methodType() == QMetaMethod::Signal)
      signals_ << QString::fromLatin1(meta.method(i).methodSignature());
  EXPECT_EQ(signals_, expected);
}

TEST_F(GmModelTest, MadeOnFirstUseAndDestroyable) {
  EXPECT_EQ(GmModel::existingInstance(), nullptr);
  GmModel* first = GmModel::instance();
  EXPECT_EQ(GmModel::instance(), first);
  EXPECT_EQ(first->resolution(), 1);
  EXPECT_EQ(first->segmentation()->owner(), nullptr);
  GmModel::destroyInstance();
  EXPECT_EQ(GmModel::existingInstance(), nullptr);
}

TEST_F(GmModelTest, ResolutionWithoutImageIsStoredAndAlwaysReported) {
  GmModel* model = GmModel::instance();
  QSignalSpy changes(model, &GmModel::resolutionChanged);
  model->setResolution(4);
  model->setResolution(4);
  model->setResolution(0);  // refused: would divide by zero
  model->setResolution(-2);
  EXPECT_EQ(model->resolution(), 4);
  ASSERT_EQ(changes.size(), 4);
  const QList<QPair<int, int>> reported = {{1, 4}, {4, 4}, {4, 4}, {4, 4}};
  for (int i = 0; i < changes.size(); ++i)
    EXPECT_EQ(qMakePair(changes[i][0].toInt(), changes[i][1].toInt()), reported[i]) << i;
}

TEST_F(GmModelTest, ImageAndWorkingCoordinates) {
  struct Row {
    int resolution;
    QSize display;
    QSize working;
  };
  const Row rows[] = {
      {1, {640, 480}, {640, 480}},
      {2, {1001, 667}, {501, 334}},
      {4, {1000, 667}, {250, 167}},
      {8, {7, 9}, {1, 2}},
  };
  for (const Row& row : rows) {
    GmModel* model = useImage(row.display, row.resolution);
    EXPECT_EQ(model->imageRect(), QRect(QPoint(0, 0), row.display));
    EXPECT_EQ(model->workingRect(), QRect(QPoint(0, 0), row.working)) << row.resolution;
    const double r = row.resolution;
    EXPECT_EQ(model->toWorking(QPointF(6, 9)), QPointF(6 / r, 9 / r));
    EXPECT_EQ(model->toImage(QPointF(1.5, -2)), QPointF(1.5 * r, -2 * r));
    EXPECT_EQ(model->toWorking(QRectF(2, 4, 6, 8)), QRectF(2 / r, 4 / r, 6 / r, 8 / r));
    EXPECT_EQ(model->toImage(QRectF(1, 2, 3, 4)), QRectF(r, 2 * r, 3 * r, 4 * r));
  }
  GmModel::instance()->finish();
  EXPECT_TRUE(GmModel::instance()->workingRect().isEmpty());
}

TEST_F(GmModelTest, LiveStrokesRegisterForTheirLifetime) {
  useImage({40, 30}, 1);
  auto* first = new GmBrushing(Qt::red);
  auto* second = new GmBrushing(Qt::blue);
  EXPECT_EQ(GmModel::instance()->liveStrokes(), (QList<GmBrushing*>{first, second}));
  delete first;
  EXPECT_EQ(GmModel::instance()->liveStrokes(), QList<GmBrushing*>{second});
  // A stroke that outlives the document neither crashes nor makes a new one.
  second->brushing().beginStroke(QPointF(10, 10));
  GmModel::destroyInstance();
  delete second;
  EXPECT_EQ(GmModel::existingInstance(), nullptr);
}

// The bounds of every rectDirty, in order.
QList<QRectF> dirtyRects(const QSignalSpy& spy) {
  QList<QRectF> rects;
  for (const QList<QVariant>& call : spy) rects << call[0].value<ImageRectF>();
  return rects;
}

TEST_F(GmModelTest, TwoRectanglesRepaintOnceWhenTheyMeet) {
  const QRectF none(0, 0, -1, -1);
  const struct {
    const char* name;
    QRectF oldRect, newRect;
    QList<QRectF> repainted;
  } rows[] = {
      {"overlapping", {0, 0, 10, 10}, {5, 5, 10, 10}, {{0, 0, 15, 15}}},
      {"apart", {0, 0, 10, 10}, {20, 20, 5, 5}, {{0, 0, 10, 10}, {20, 20, 5, 5}}},
      {"only the new one", none, {20, 20, 5, 5}, {{20, 20, 5, 5}}},
      {"only the old one", {1, 2, 3, 4}, none, {{1, 2, 3, 4}}},
      {"neither", none, QRectF(3, 3, 0, 7), {}},
  };
  GmModel* model = GmModel::instance();
  for (const auto& row : rows) {
    QSignalSpy dirty(model, &GmModel::rectDirty);
    model->signalRectsDirty(row.oldRect, row.newRect);
    EXPECT_EQ(dirtyRects(dirty), row.repainted) << row.name;
  }
}

TEST_F(GmModelTest, TheActivePatchMovesLastAndItsActionsFollowIt) {
  GmModel* model = useImage({200, 100}, 1);
  auto* first = new RectRegion(QRectF(0, 0, 20, 20));
  auto* second = new RectRegion(QRectF(50, 50, 20, 20));
  auto* edge = new ForcedEdge(QPolygonF(QVector<QPointF>{{1, 1}, {9, 9}}), 0, 2);
  model->addPatch(first);
  model->addPatch(second);
  model->addForcedEdge(edge);
  for (QAction* action :
       {model->deletePatchAction(), model->deleteForcedEdgeAction(),
        model->eraseMaskInPatchAction(), model->protectPatchAction(), model->previewPatchAction()})
    EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();

  QSignalSpy changed(model, &GmModel::activeRegionChanged);
  QSignalSpy dirty(model, &GmModel::rectDirty);
  model->setActiveRegion(first, 0);
  EXPECT_EQ(model->patches(), (QList<GmRegion*>{second, first}));
  EXPECT_EQ(changed.size(), 1);
  EXPECT_EQ(dirtyRects(dirty), QList<QRectF>{QRectF(0, 0, 20, 20)});
  EXPECT_TRUE(model->deletePatchAction()->isEnabled());
  EXPECT_TRUE(model->eraseMaskInPatchAction()->isEnabled());
  EXPECT_TRUE(model->previewPatchAction()->isEnabled());
  EXPECT_FALSE(model->protectPatchAction()->isChecked());
  EXPECT_EQ(model->deletePatchAction()->shortcut(), QKeySequence(QKeySequence::Delete));

  // Again: reported again, nothing repainted.
  dirty.clear();
  model->setActiveRegion(first, 0);
  EXPECT_EQ(changed.size(), 2);
  EXPECT_TRUE(dirty.isEmpty());

  // Protected (no engine thread: nothing is sent), the erase action goes off.
  model->protectActiveRegionSlot();
  EXPECT_TRUE(first->isProtected());
  EXPECT_TRUE(model->protectPatchAction()->isChecked());
  EXPECT_FALSE(model->eraseMaskInPatchAction()->isEnabled());

  // A forced edge takes the Delete key and leaves no patch active.
  model->setActiveForcedEdge(edge);
  EXPECT_EQ(model->activeRegion(), nullptr);
  EXPECT_TRUE(model->deleteForcedEdgeAction()->isEnabled());
  EXPECT_FALSE(model->deletePatchAction()->isEnabled());
  EXPECT_EQ(model->deleteForcedEdgeAction()->shortcut(), QKeySequence(QKeySequence::Delete));
  EXPECT_TRUE(model->deletePatchAction()->shortcut().isEmpty());

  QSignalSpy ready(model, &GmModel::activeRegionReady);
  model->setActiveRegion(nullptr, 1);
  EXPECT_EQ(ready.size(), 1);
  EXPECT_TRUE(model->containsTarget(edge));
  model->deleteForcedEdge(edge);
  EXPECT_FALSE(model->containsTarget(edge));
  EXPECT_EQ(model->activeForcedEdge(), nullptr);
}

TEST_F(GmModelTest, ActionsMadeLateShowTheTargetsAsTheyAre) {
  GmModel* model = useImage({200, 100}, 1);
  auto* edge = new ForcedEdge(QPolygonF(QVector<QPointF>{{1, 1}, {9, 9}}), 0, 2);
  model->addForcedEdge(edge);
  model->setActiveForcedEdge(edge);
  EXPECT_TRUE(model->deleteForcedEdgeAction()->isEnabled());
  EXPECT_FALSE(model->deletePatchAction()->isEnabled());
  EXPECT_EQ(model->deleteForcedEdgeAction()->shortcut(), QKeySequence(QKeySequence::Delete));
}

TEST_F(GmModelTest, RubberBandsRepaintWhatTheyCoveredWhenCleared) {
  GmModel* model = useImage({200, 100}, 1);
  QSignalSpy dirty(model, &GmModel::rectDirty);
  model->setToolRectangle(QPointF(10, 10));
  model->clearToolRectangle();  // never spanned: nothing to repaint
  EXPECT_TRUE(dirty.isEmpty());
  model->setZoomRectangle(QPointF(10, 10));
  model->zoomRectangle()->dragCornerTo(QPointF(30, 40));
  dirty.clear();
  model->setZoomRectangle(QPointF(50, 50));  // the old band goes first
  ASSERT_EQ(dirty.size(), 1);
  EXPECT_EQ(dirty[0][0].value<ImageRectF>(), QRectF(10, 10, 20, 30));
  EXPECT_EQ(dirty[0][1].value<DirtyHint>(), DirtyHint::Outline);
  EXPECT_EQ(model->zoomRectangle()->rect(), QRectF(50, 50, 0, 0));
  model->clearZoomRectangle();
  EXPECT_EQ(model->zoomRectangle(), nullptr);
}

}  // namespace
