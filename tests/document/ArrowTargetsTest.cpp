// Patches and forced edges: what they send to the engine, which one the pointer picks, their
// colours, records and snapshots, and how they are read from a project.

#include <memory>

#include <QPainter>
#include <QPointer>
#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "ScriptedCommand.h"
#include "document/ArrowTargets.h"
#include "document/CvCmdAnalyseImage.h"
#include "document/BrushRegion.h"
#include "document/DocumentKeys.h"
#include "document/ForcedEdge.h"
#include "document/KeyedStateReader.h"
#include "document/PolyRegion.h"
#include "document/RectRegion.h"

namespace {

QStringList classNames(const QList<CorvaneCommand*>& commands) {
  QStringList names;
  for (const CorvaneCommand* command : commands) names << command->metaObject()->className();
  return names;
}

// Painting gives a shape its hit tolerance: 2.5 image pixels here.
void paintOnce(ArrowTarget* target) {
  QImage canvas(4, 4, QImage::Format_ARGB32);
  QPainter painter(&canvas);
  target->shape().paint(&painter, QRectF(0, 0, 1000, 1000), 5, 0, 5.0);
}

class ArrowTargets : public EngineSessionTest {
 protected:
  // Holds the queue behind a command that waits until released.
  void holdQueue() {
    head = new ScriptedCommand("head", &journal);
    head->blocking = true;
    thread->submit(head);
  }
  void releaseQueue() {
    head->release.release();
    waitIdle();
  }
  RectRegion* addRect(const QRectF& rect) {
    auto* patch = new RectRegion(rect);
    GmModel::instance()->addPatch(patch);
    paintOnce(patch);
    return patch;
  }

  Journal journal;
  ScriptedCommand* head = nullptr;
};

TEST_F(ArrowTargets, APatchEntersTheEngineAsASubSessionAnAnalysisAndItsProtection) {
  useImage({160, 120}, 1);
  holdQueue();
  const QVariantMap stored{
      {documentKeys::gmRegion,
       QVariantMap{{documentKeys::isProtected, true},
                   {documentKeys::smeg, QVariantMap{{documentKeys::isChecked, true}}}}},
      {documentKeys::rectangle, QVariantMap{{documentKeys::rect, QRectF(10, 10, 40, 30)}}}};
  auto* full = static_cast<GmRegion*>(readArrowTarget(stored)->toRegion());
  auto* plain = new PolyRegion(QPolygonF(QVector<QPointF>{{60, 60}, {90, 60}, {75, 90}}));
  auto* edge = new ForcedEdge(QPolygonF(QVector<QPointF>{{5, 5}, {50, 50}}), 0, 4);
  GmModel::instance()->addPatch(full);
  GmModel::instance()->addPatch(plain);
  GmModel::instance()->addForcedEdge(edge);
  for (ArrowTarget* target : GmModel::instance()->arrowTargets()) target->submitToEngine();
  EXPECT_EQ(classNames(thread->queuedCommands()),
            (QStringList{"CvCmdBeginSubSession", "CvCmdAnalyseImage", "CvCmdProtect",
                         "CvCmdBeginSubSession", "CvCmdSelect"}));
  EXPECT_EQ(thread->queuedCommands().last()->description(), "Creating Forced Edge...");
  releaseQueue();  // without a session every one of them declines
  EXPECT_EQ(GmModel::instance()->patches().size(), 2);
}

TEST_F(ArrowTargets, RemovingOneProtectedPatchKeepsTheOthersProtected) {
  openSession();
  RectRegion* first = addRect(QRectF(10, 10, 40, 40));
  RectRegion* second = addRect(QRectF(100, 60, 40, 40));
  for (GmRegion* patch : {static_cast<GmRegion*>(first), static_cast<GmRegion*>(second)}) {
    patch->submitToEngine();
    patch->setProtected(true);
  }
  waitIdle();
  ASSERT_EQ(statusAt(30, 30) & CvStatusProtected, CvStatusProtected);
  ASSERT_EQ(statusAt(120, 80) & CvStatusProtected, CvStatusProtected);
  ASSERT_NE(first->segmentation()->session(), nullptr);
  QPointer<RectRegion> gone(first);
  model->deleteRegion(first);
  waitIdle();
  EXPECT_TRUE(gone.isNull()) << "deleted once its sub-session ended";
  EXPECT_EQ(statusAt(30, 30) & CvStatusProtected, 0);
  EXPECT_EQ(statusAt(120, 80) & CvStatusProtected, CvStatusProtected);
  EXPECT_EQ(countStatus(CvStatusProtected, CvStatusProtected), 40 * 40);
}

TEST_F(ArrowTargets, ThePointerPicksHandlesFirstThenTheActiveInteriorThenTheLast) {
  struct Row {
    const char* name;
    QRectF active;  // empty: no active patch
    QRectF other;
    QPointF point;
    int kind;
    int picked;  // 0 the active patch, 1 the other, -1 none
  } const rows[] = {
      {"a handle of the active patch beats a patch beneath",
       {10, 10, 50, 50},
       {0, 0, 100, 100},
       {10, 10},
       ShapeHit::Handle,
       0},
      {"the later of two inactive patches", {}, {30, 30, 50, 50}, {40, 40}, ShapeHit::Interior, 1},
      {"inside the active patch beats a later one",
       {10, 10, 50, 50},
       {30, 30, 50, 50},
       {40, 40},
       ShapeHit::Interior,
       0},
      {"an edge of another patch beats the active interior",
       {0, 0, 100, 100},
       {40, 40, 20, 20},
       {40, 50},
       ShapeHit::Edge,
       1},
      {"nothing under the pointer",
       {10, 10, 20, 20},
       {50, 50, 10, 10},
       {200, 5},
       ShapeHit::Miss,
       -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    GmModel::destroyInstance();
    GmModel* model = useImage({300, 200}, 1);
    RectRegion* active =
        row.active.isEmpty() ? addRect(QRectF(20, 20, 10, 10)) : addRect(row.active);
    if (!row.active.isEmpty()) model->setActiveRegion(active, 1);
    RectRegion* other = addRect(row.other);
    const ShapeHit hit = arrowTargetAt(ImagePointF(row.point));
    EXPECT_EQ(hit.kind, row.kind);
    ArrowTarget* expected = row.picked == 0 ? active : row.picked == 1 ? other : nullptr;
    EXPECT_EQ(hit.target, expected);
  }
}

TEST_F(ArrowTargets, TheArrowToolsClickAndWidth) {
  GmModel* model = useImage({300, 200}, 1);
  RectRegion* patch = addRect(QRectF(10, 10, 50, 50));
  auto* edge = new ForcedEdge(QPolygonF(QVector<QPointF>{{100, 100}, {200, 100}}), 0, 4);
  model->addForcedEdge(edge);
  paintOnce(edge);
  QSignalSpy ready(model, &GmModel::activeRegionReady);

  activateArrowTargetAt(ImagePointF(30, 30));
  EXPECT_EQ(model->activeRegion(), patch);
  EXPECT_EQ(patch->outlineColour(),
            UserColours::instance()->colour(UserColours::ActivePatchOrForcedEdge)->color());
  EXPECT_EQ(edge->outlineColour(),
            UserColours::instance()->colour(UserColours::PatchOrForcedEdge)->color());

  activateArrowTargetAt(ImagePointF(150, 100));
  EXPECT_EQ(model->activeForcedEdge(), edge);
  EXPECT_EQ(model->activeRegion(), nullptr) << "one active target at a time";
  setActiveForcedEdgeWidth(9);
  EXPECT_EQ(edge->width(), 9);
  EXPECT_FALSE(thread->isBusy()) << "a width alone sends nothing";

  ready.clear();
  activateArrowTargetAt(ImagePointF(250, 20));
  EXPECT_EQ(model->activeForcedEdge(), nullptr);
  EXPECT_EQ(model->activeRegion(), nullptr);
  EXPECT_EQ(ready.size(), 1);
}

TEST_F(ArrowTargets, DeletingAForcedEdgeSendsTheRestAgainInOrder) {
  openSession();
  const QList<int> columns{20, 60, 100};
  for (int x : columns) {
    auto* edge =
        new ForcedEdge(QPolygonF(QVector<QPointF>{{double(x), 20}, {double(x), 90}}), 0, 3);
    model->addForcedEdge(edge);
    edge->submitToEngine();
  }
  waitIdle();
  ASSERT_EQ(countStatus(CvStatusForcedEdge, CvStatusForcedEdge) > 0, true);
  static QList<QPair<int, int>> selections;
  selections.clear();
  corvaneEntryPoints().CvSelect = [](CvSession* s, CvImage* i, const CvSelection* sel,
                                     uint8_t status, uint8_t target, int32_t exclusive,
                                     float weight, CvProgressCallback cb, void* ctx) {
    selections << qMakePair(int(status), sel->image.data ? sel->x : -1);
    return ::CvSelect(s, i, sel, status, target, exclusive, weight, cb, ctx);
  };
  model->setActiveForcedEdge(model->forcedEdges().at(1));
  model->deleteActiveForcedEdgeSlot();
  waitIdle();
  ASSERT_EQ(model->forcedEdges().size(), 2);
  // Status 16 cleared over the whole image, then the two edges left, each a line about its
  // column.
  ASSERT_EQ(selections.size(), 3);
  EXPECT_EQ(selections[0], qMakePair(1, -1));
  EXPECT_EQ(selections[1].first, int(CvStatusForcedEdge));
  EXPECT_NEAR(selections[1].second, 20, 3);
  EXPECT_NEAR(selections[2].second, 100, 3);
  EXPECT_EQ(statusAt(60, 50) & CvStatusForcedEdge, 0);
  EXPECT_EQ(statusAt(100, 50) & CvStatusForcedEdge, CvStatusForcedEdge);
}

TEST_F(ArrowTargets, StoredEntriesRebuildTheirKindAndRoundTrip) {
  useImage({160, 120}, 1);
  auto stroke = std::make_unique<Brushing>(Qt::blue);
  stroke->beginStroke(QPointF(20, 20));
  stroke->continueStroke(QPointF(60, 40));
  std::unique_ptr<ArrowTarget> originals[] = {
      std::make_unique<RectRegion>(QRectF(10, 10, 30, 20)),
      std::make_unique<PolyRegion>(QPolygonF(QVector<QPointF>{{5, 5}, {50, 5}, {30, 40}})),
      std::make_unique<BrushRegion>(std::move(stroke)),
      std::make_unique<ForcedEdge>(QPolygonF(QVector<QPointF>{{1, 2}, {30, 40}}), 0, 7)};
  const char* classes[] = {"RectRegion", "PolyRegion", "BrushRegion", "ForcedEdge"};
  for (int type = 0; type < 4; ++type) {
    SCOPED_TRACE(type);
    const QVariantMap stored = originals[type]->toVariant();
    EXPECT_EQ(stored.value(documentKeys::type).toInt(), type);
    std::unique_ptr<ArrowTarget> read(readArrowTarget(stored));
    ASSERT_NE(read, nullptr);
    EXPECT_STREQ(dynamic_cast<QObject*>(read.get())->metaObject()->className(), classes[type]);
    // As stored bytes: a bitmap inside a variant compares by identity, its bytes by content.
    EXPECT_EQ(keyedStateToBytes(read->toVariant()), keyedStateToBytes(stored));
  }
  EXPECT_EQ(readArrowTarget({{documentKeys::type, 4}}), nullptr);
  std::unique_ptr<ArrowTarget> untyped(readArrowTarget({}));
  EXPECT_NE(dynamic_cast<RectRegion*>(untyped.get()), nullptr) << "a missing type reads as 0";
}

TEST_F(ArrowTargets, EdgeRecordsAreInWorkingPixels) {
  struct Row {
    const char* name;
    QPolygonF points;
    int openness;
    QVector<CvEdgePoint> expected;
  } const rows[] = {
      {"open",
       QPolygonF(QVector<QPointF>{{10, 20}, {30, 40}, {50, 20}}),
       0,
       {{5, 10}, {15, 20}, {25, 10}}},
      {"closed: the first point again at the end",
       QPolygonF(QVector<QPointF>{{10, 20}, {30, 40}, {50, 20}}),
       1,
       {{5, 10}, {15, 20}, {25, 10}, {5, 10}}},
      {"closed already",
       QPolygonF(QVector<QPointF>{{10, 20}, {30, 40}, {10, 20}}),
       1,
       {{5, 10}, {15, 20}, {5, 10}}},
  };
  useImage({200, 200}, 2);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ForcedEdge edge(row.points, row.openness, 6);
    const ForcedEdgeRequest record = edge.engineEdge();
    ASSERT_EQ(int(record.pointCount), row.expected.size());
    for (int i = 0; i < row.expected.size(); ++i) {
      EXPECT_FLOAT_EQ(record.points[i].x, row.expected[i].x);
      EXPECT_FLOAT_EQ(record.points[i].y, row.expected[i].y);
    }
    EXPECT_FLOAT_EQ(record.width, 3.0f);
  }
}

TEST_F(ArrowTargets, ASavedSnapshotHandsItsStatusesToTheOverlap) {
  openSession();
  RectRegion* first = addRect(QRectF(10, 10, 40, 40));
  RectRegion* second = addRect(QRectF(30, 30, 40, 40));
  brush({{0, 0}, {60, 0}, {60, 60}, {0, 60}, {0, 0}, {60, 60}}, CvStatusDelete);
  ASSERT_EQ(statusAt(35, 35), CvStatusDelete);
  const QImage beforeSecond = second->snapshotMask();
  first->snapshotMask();
  saveTargetSnapshot(model, first);
  const PixelState& saved = first->shape().snapshot();
  EXPECT_TRUE(saved.isSaved());
  EXPECT_EQ(saved.optionsKey(), QVariant(first->blending()->options().toVariant()));
  EXPECT_EQ(saved.mask().pixelIndex(35 - saved.mask().offset().x(), 35 - saved.mask().offset().y()),
            statusAt(35, 35) & CvStatusClassMask);
  const QImage& overlap = second->shape().snapshot().mask();
  const QPoint at = overlap.offset();
  EXPECT_EQ(overlap.pixelIndex(35 - at.x(), 35 - at.y()), CvStatusDelete) << "taken over";
  EXPECT_EQ(overlap.pixelIndex(65 - at.x(), 65 - at.y()),
            beforeSecond.pixelIndex(65 - at.x(), 65 - at.y()))
      << "outside the overlap untouched";
  EXPECT_FALSE(second->shape().snapshot().isSaved());
}

TEST_F(ArrowTargets, WithdrawingDeletesBrushedPatchesAndKeepsTheRest) {
  GmModel* model = useImage({160, 120}, 1);
  auto stroke = std::make_unique<Brushing>(Qt::blue);
  stroke->beginStroke(QPointF(20, 20));
  QPointer<BrushRegion> brushed(new BrushRegion(std::move(stroke)));
  model->addPatch(brushed);
  RectRegion* rect = addRect(QRectF(50, 50, 20, 20));
  model->addForcedEdge(new ForcedEdge(QPolygonF(QVector<QPointF>{{1, 1}, {9, 9}}), 0, 2));
  model->withdrawArrowTargets();
  waitIdle();
  EXPECT_TRUE(brushed.isNull());
  EXPECT_EQ(model->patches(), QList<GmRegion*>{rect});
  EXPECT_EQ(model->forcedEdges().size(), 1);
  model->deleteAllArrowTargets();
  waitIdle();
  EXPECT_TRUE(model->arrowTargets().isEmpty());
  // A patch not in the document is left alone.
  RectRegion stray(QRectF(0, 0, 5, 5));
  model->deleteRegion(&stray);
}

// The edge-detection panel's buttons follow the analysis in flight.
class ButtonsPanel : public QObject {
  Q_OBJECT

 public:
  int refreshed = 0;

 public slots:
  void setEnablednessOfButtons() { ++refreshed; }
};

TEST_F(ArrowTargets, AnEditedPatchIsSentAgainAndItsAnalysisReplaced) {
  useImage({160, 120}, 1);
  RectRegion* patch = addRect(QRectF(10, 10, 40, 30));
  patch->segmentation()->setOwnSettings(true);
  holdQueue();
  ButtonsPanel panel;
  patch->segmentation()->findEdges(&panel);
  QPointer<CvCmdAnalyseImage> first = patch->segmentation()->analysisCommand();
  EXPECT_EQ(panel.refreshed, 1);
  patch->shapeEdited();
  EXPECT_TRUE(first.isNull()) << "the waiting analysis was dropped";
  EXPECT_EQ(panel.refreshed, 2) << "its end refreshed the panel";
  EXPECT_EQ(patch->editCount(), 1);
  EXPECT_EQ(GmModel::instance()->activeRegion(), patch);
  EXPECT_EQ(classNames(thread->queuedCommands()),
            (QStringList{"CvCmdEndSession", "CvCmdBeginSubSession", "CvCmdAnalyseImage"}));
  releaseQueue();

  // A closed thread refuses the analysis; the panel still learns that it ended.
  thread->setOpen(false);
  patch->segmentation()->findEdges(&panel);
  EXPECT_EQ(panel.refreshed, 4);
  EXPECT_TRUE(patch->segmentation()->analysisCommand().isNull());
  // And a patch deleted meanwhile goes at once, with nothing sent.
  const int count = thread->commandCount();
  QPointer<RectRegion> gone(patch);
  GmModel::instance()->deleteRegion(patch);
  EXPECT_TRUE(gone.isNull());
  EXPECT_EQ(thread->commandCount(), count);
  thread->setOpen(true);
}

}  // namespace

#include "ArrowTargetsTest.moc"
