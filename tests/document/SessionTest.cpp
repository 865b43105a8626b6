// Installing images, the session barrier, the resolution, the automatic cut-out, finishing the
// document and its unmodified state, with the real engine where a session opens.

#include <memory>

#include <QPointer>
#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "ScriptedCommand.h"
#include "document/BrushRegion.h"
#include "document/CvCmdDespeckleSelection.h"
#include "document/CvCmdGenerateMask.h"
#include "document/CvCmdInit.h"
#include "document/ForcedEdge.h"
#include "document/PolyRegion.h"
#include "document/RectRegion.h"

namespace {

QStringList classNames(const QList<CorvaneCommand*>& commands) {
  QStringList names;
  for (const CorvaneCommand* command : commands) names << command->metaObject()->className();
  return names;
}

// The commands a thread holds: the one it runs, then those waiting.
QStringList heldCommands(const CorvaneThread* thread) {
  QList<CorvaneCommand*> held = thread->queuedCommands();
  if (thread->currentCommand()) held.prepend(thread->currentCommand());
  return classNames(held);
}

// Records each command the thread takes up, in order.
struct LaunchOrder {
  explicit LaunchOrder(CorvaneThread* thread) {
    QObject::connect(thread, &CorvaneThread::stateChanged, &guard, [this, thread] {
      CorvaneCommand* current = thread->currentCommand();
      if (current && current != last) names << current->metaObject()->className();
      last = current;
    });
  }
  QObject guard;
  const CorvaneCommand* last = nullptr;
  QStringList names;
};

class Session : public EngineSessionTest {
 protected:
  // A blocking head that cancelling cannot remove: the queue stays busy until it is released.
  ScriptedCommand* holdQueue() {
    head = new ScriptedCommand("head", &journal);
    head->blocking = true;
    head->cancellable = false;
    thread->submit(head);
    return head;
  }
  // A rectangle patch, a polygon patch and a forced edge, in the engine.
  void addTargets() {
    model->addPatch(new RectRegion(QRectF(10, 10, 40, 30)));
    model->addPatch(new PolyRegion(QPolygonF(QVector<QPointF>{{60, 60}, {90, 60}, {75, 90}})));
    model->addForcedEdge(new ForcedEdge(QPolygonF(QVector<QPointF>{{5, 5}, {50, 50}}), 0, 4));
    for (ArrowTarget* target : model->arrowTargets()) target->submitToEngine();
    waitIdle();
  }
  BrushRegion* addBrushedPatch() {
    auto stroke = std::make_unique<Brushing>(Qt::red);
    stroke->beginStroke({20, 20});
    stroke->continueStroke({30, 25});
    auto* patch = new BrushRegion(std::move(stroke));
    model->addPatch(patch);
    return patch;
  }

  Journal journal;
  QObject guard;  // the context of the tests' own connections
  ScriptedCommand* head = nullptr;
};

// The images tellImageChanged carried, in order.
struct ToldImages {
  explicit ToldImages(GmModel* model) {
    QObject::connect(model, &GmModel::tellImageChanged, &guard,
                     [this](const TsSourceImage* image) { images << image; });
  }
  QObject guard;
  QList<const TsSourceImage*> images;
};

TEST_F(Session, AnIdleQueueOpensAtOnceWithoutBusyingTheWindow) {
  // Installed while no thread exists: nothing runs when the thread comes.
  thread.reset();
  model = useImage({160, 120}, 1);
  model->addPatch(new RectRegion(QRectF(10, 10, 40, 30)));
  model->addForcedEdge(new ForcedEdge(QPolygonF(QVector<QPointF>{{5, 5}, {50, 50}}), 0, 4));
  thread = std::make_unique<CorvaneThread>();
  LaunchOrder order(thread.get());
  ToldImages told(model);
  model->openSession();
  EXPECT_TRUE(hooks.busyStates.isEmpty());
  EXPECT_TRUE(thread->isOpen());
  EXPECT_EQ(order.names + classNames(thread->queuedCommands()),
            (QStringList{"CvCmdNewStatusImage", "CvCmdBeginSession", "CvCmdBeginSubSession",
                         "CvCmdSelect"}));
  EXPECT_EQ(told.images, QList<const TsSourceImage*>{model->segImage()});
  waitIdle();
}

TEST_F(Session, ABusyQueueIsDrainedFirstThenEveryTargetIsSentAgainInOrder) {
  openSession();
  addTargets();
  addBrushedPatch();
  const int brushSize = hooks.brushSizeValue;
  holdQueue();
  hooks.busyStates.clear();
  model->setResolution(2);
  EXPECT_EQ(hooks.busyStates, QList<bool>{true});
  EXPECT_FALSE(thread->isOpen());
  EXPECT_EQ(model->patches().size(), 2) << "the brushed patch went with the old session";
  QStringList atReopening;
  QObject::connect(thread.get(), &CorvaneThread::closureComplete, &guard,
                   [&] { atReopening = heldCommands(thread.get()); });
  head->release.release();
  waitIdle();
  EXPECT_EQ(atReopening,
            (QStringList{"CvCmdNewStatusImage", "CvCmdBeginSession", "CvCmdBeginSubSession",
                         "CvCmdBeginSubSession", "CvCmdSelect"}));
  EXPECT_EQ(hooks.busyStates, (QList<bool>{true, false}));
  EXPECT_TRUE(thread->isOpen());
  EXPECT_EQ(model->resolution(), 2);
  EXPECT_EQ(hooks.brushSizeValue, brushSize / 2);
  EXPECT_EQ(model->workingRect().size(), QSize(80, 60));
  EXPECT_EQ(model->statusArray()->statusImage().size(), QSize(80, 60));
  EXPECT_NE(model->segmentation()->session(), nullptr);
}

TEST_F(Session, FinishingWhileTheBarrierWaitsLeavesTheThreadOpenAndTheEngineFinished) {
  openSession();
  holdQueue();
  hooks.busyStates.clear();
  model->setResolution(2);
  ASSERT_FALSE(thread->isOpen());
  QPointer<TsSourceImage> seg = model->segImage();
  EXPECT_TRUE(model->finish());
  EXPECT_TRUE(thread->isOpen());
  EXPECT_EQ(hooks.busyStates, (QList<bool>{true, false}));
  head->release.release();
  waitIdle();
  EXPECT_EQ(model->engine(), nullptr);
  EXPECT_TRUE(seg.isNull());
  // The next image opens normally.
  openSession();
}

TEST_F(Session, TheResolutionFollowsThePixelCountOfImagesOverBuffers) {
  thread.reset();  // only the choice and the sizes matter here
  const struct {
    QSize size;
    int resolution;
    int brush;
    int strength;
  } rows[] = {{{2500, 2000}, 2, 100, 20},
              {{5000, 4000}, 8, 50, 10},
              {{2000, 2000}, 1, 200, 20},
              {{300, 200}, 1, 20, 4}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.resolution);
    GmModel::destroyInstance();
    model = GmModel::instance();
    kestrum::PixelBuffer32 pixels(row.size.width(), row.size.height(), 4);
    auto* seg = new TsSourceImage(pixels, QStringLiteral("buffer"));
    QSignalSpy chosen(model, &GmModel::resolutionChanged);
    ASSERT_TRUE(model->setSourceImage(seg, new TsSourceImage(seg, TsSourceImage::SharePixels{})));
    EXPECT_EQ(model->resolution(), row.resolution);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][1].toInt(), row.resolution);
    EXPECT_EQ(hooks.brushSizeValue, row.brush);
    EXPECT_EQ(despeckleStrength(), row.strength);
    EXPECT_EQ(model->sourceKind(), 1);
    model->finish();
  }
  // The shell's preference to keep settings chooses nothing.
  GmModel::destroyInstance();
  model = GmModel::instance();
  hooks.keepsSettingsValue = true;
  ASSERT_TRUE(model->setSourceImage(greyImage({3000, 2000})));
  EXPECT_EQ(model->resolution(), 1);
  model->finish();
}

// The brush follows the new image before its working image exists: the barrier is still waiting
// for the previous commands when the sizes are set.
TEST_F(Session, TheBrushFollowsTheImageWhileTheBarrierWaits) {
  holdQueue();
  model = GmModel::instance();
  ASSERT_TRUE(model->setSourceImage(greyImage({600, 400})));
  ASSERT_EQ(hooks.busyStates, QList<bool>{true}) << "the barrier waits";
  EXPECT_TRUE(model->segImage()->workingImage().isNull());
  EXPECT_EQ(hooks.brushSizeValue, 40);
  EXPECT_EQ(despeckleStrength(), 8);
  head->release.release();
  waitIdle();
}

TEST_F(Session, InvalidImagesAndASecondImageAreRefusedAndStayTheCallers) {
  holdQueue();
  model = GmModel::instance();
  auto* invalid = new TsSourceImage(QString());
  EXPECT_FALSE(model->setSourceImage(invalid));
  TsSourceImage* grey = greyImage({40, 30});
  TsSourceImage* other = greyImage({41, 30});
  EXPECT_FALSE(model->setSourceImage(grey, other)) << "two sizes";
  EXPECT_EQ(model->segImage(), nullptr);
  EXPECT_EQ(model->sourceKind(), 0);
  delete other;
  ASSERT_TRUE(model->setSourceImage(grey));
  TsSourceImage* second = greyImage({40, 30});
  EXPECT_FALSE(model->setSourceImage(second, nullptr, GmSession::TakeDefaults, 2));
  EXPECT_EQ(model->segImage(), grey);
  EXPECT_EQ(model->sourceKind(), 1);
  EXPECT_EQ(heldCommands(thread.get()).count("CvCmdInit"), 1) << "one engine for one image";
  delete second;
  delete invalid;
  head->release.release();
  waitIdle();
}

TEST_F(Session, ChangingTheResolutionAsksOnlyOverPaintedStatuses) {
  thread.reset();
  model = useImage({40, 30}, 1);
  StatusBytes statuses(40, 30, CvStatusKeep);
  model->statusArray()->setStatusImage(&statuses.image);
  model->addPatch(new RectRegion(QRectF(5, 5, 10, 10)));
  addBrushedPatch();
  QSignalSpy changes(model, &GmModel::resolutionChanged);
  const int brushSize = hooks.brushSizeValue;

  statuses.at(1, 1) = CvStatusBlend;
  model->statusArray()->updateStatusesPresent();
  model->setResolution(2);  // declined
  ASSERT_EQ(hooks.questions.size(), 1);
  EXPECT_TRUE(hooks.questions[0].startsWith("Confirm change of resolution\n<p>When changing"));
  EXPECT_EQ(model->resolution(), 1);
  EXPECT_EQ(model->patches().size(), 2);
  EXPECT_EQ(model->statusArray()->engineImage(), &statuses.image);

  hooks.answerYes = true;
  model->setResolution(2);
  EXPECT_EQ(model->resolution(), 2);
  EXPECT_EQ(model->patches().size(), 1) << "brushed patches are lost";
  EXPECT_EQ(hooks.brushSizeValue, brushSize / 2);

  statuses.at(1, 1) = CvStatusKeep;
  model->statusArray()->setStatusImage(&statuses.image);
  model->setResolution(4);
  model->setResolution(3);
  EXPECT_EQ(hooks.questions.size(), 2) << "nothing painted: no question";
  EXPECT_EQ(model->resolution(), 4);
  const QList<QPair<int, int>> reported = {{1, 1}, {1, 2}, {2, 4}, {4, 4}};
  ASSERT_EQ(changes.size(), reported.size());
  for (int i = 0; i < changes.size(); ++i)
    EXPECT_EQ(qMakePair(changes[i][0].toInt(), changes[i][1].toInt()), reported[i]) << i;
  model->statusArray()->setStatusImage(nullptr);
}

TEST_F(Session, ABurstOfChangesLeavesOneCutOutAndOneBusySpell) {
  openSession(1, kWidth, kHeight, GmSession::TakeDefaults, true);
  AutoCut* autoCut = model->autoCut();
  QSignalSpy busy(autoCut, &AutoCut::busyStateChangedTo);
  holdQueue();
  for (int i = 0; i < 10; ++i) emit model->statusArray()->statusChanged();
  EXPECT_EQ(classNames(thread->queuedCommands()), QStringList{"CvCmdGenerateMask"});
  QPointer<CvCmdGenerateMask> last = autoCut->pending();
  ASSERT_FALSE(last.isNull());
  ASSERT_EQ(busy.size(), 1);
  EXPECT_TRUE(busy[0][0].toBool());
  // Busy ends with the last command's end, when it is already gone.
  QObject::connect(autoCut, &AutoCut::busyStateChangedTo, &guard, [&](bool isBusy) {
    journal.add(QStringLiteral("busy %1, command gone %2").arg(isBusy).arg(last.isNull()));
  });
  head->release.release();
  waitIdle();
  EXPECT_TRUE(last.isNull());
  ASSERT_EQ(busy.size(), 2);
  EXPECT_FALSE(busy[1][0].toBool());
  EXPECT_TRUE(journal.lines().contains("busy 0, command gone 1"));
  EXPECT_FALSE(autoCut->isBusy());

  // Without an image nothing is queued.
  model->finish();
  waitIdle();
  emit model->imageBlendRatioChanged(0.5f);
  EXPECT_FALSE(thread->isBusy());
  EXPECT_EQ(busy.size(), 2);
}

TEST_F(Session, UnmodifiedByKindOfImage) {
  thread.reset();
  model = GmModel::instance();
  EXPECT_TRUE(model->isUnmodified()) << "no image";
  const struct {
    int kind;
    uint32_t undos, redos;
    bool unmodified;
  } rows[] = {{1, 0, 0, true}, {1, 1, 0, false}, {1, 0, 1, false}, {2, 1, 0, true},
              {2, 0, 0, true}, {2, 2, 0, false}, {2, 1, 1, false}, {3, 0, 0, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message()
                 << "kind " << row.kind << ", " << row.undos << " undo, " << row.redos << " redo");
    model->finish();
    ASSERT_TRUE(
        model->setSourceImage(greyImage({40, 30}), nullptr, GmSession::TakeDefaults, row.kind));
    model->setUndoCounts(row.undos, row.redos);
    EXPECT_EQ(model->isUnmodified(), row.unmodified);
  }
  model->finish();
  ASSERT_TRUE(model->setSourceImage(greyImage({40, 30})));
  model->setUndoCounts(0, 0);
  model->addForcedEdge(new ForcedEdge(QPolygonF(QVector<QPointF>{{5, 5}, {20, 20}}), 0, 4));
  EXPECT_FALSE(model->isUnmodified()) << "a forced edge";
  model->finish();
  EXPECT_TRUE(model->isUnmodified());
  EXPECT_EQ(model->sourceKind(), 0);
}

TEST_F(Session, FinishDeletesTheImagesUnlessTheShellOwnsThem) {
  // Mode 2 with the images the host's, and with images of the document's own (a project's).
  const struct {
    int mode;
    bool host;
  } rows[] = {{0, false}, {2, true}, {2, false}};
  for (const auto& [mode, host] : rows) {
    SCOPED_TRACE(testing::Message() << mode << (host ? " host's" : ""));
    hooks.launchModeValue = mode;
    openSession();
    addTargets();
    QPointer<TsSourceImage> seg = model->segImage();
    QPointer<TsSourceImage> blend = model->blendImage();
    hooks.hostSegmentation = host ? seg.data() : nullptr;
    hooks.hostBlend = host ? blend.data() : nullptr;
    ToldImages told(model);
    EXPECT_TRUE(model->finish());
    EXPECT_EQ(model->segImage(), nullptr);
    EXPECT_EQ(model->blendImage(), nullptr);
    EXPECT_TRUE(model->arrowTargets().isEmpty());
    EXPECT_EQ(told.images, QList<const TsSourceImage*>{nullptr});
    waitIdle();
    EXPECT_EQ(model->engine(), nullptr);
    EXPECT_EQ(model->segmentation()->session(), nullptr);
    EXPECT_EQ(model->statusArray()->engineImage(), nullptr);
    EXPECT_EQ(seg.isNull(), !host);
    EXPECT_EQ(blend.isNull(), !host);
    hooks.hostSegmentation = hooks.hostBlend = nullptr;
    delete seg.data();
    delete blend.data();
    EXPECT_TRUE(model->finish()) << "nothing left to finish";
  }
}

TEST_F(Session, RestoringTheOriginalCopiesThePhotoOverTheCutOut) {
  thread.reset();
  model = GmModel::instance();
  QImage red(30, 20, QImage::Format_ARGB32);
  red.fill(Qt::red);
  auto* blend = new TsSourceImage(NamedImage(red, QUrl(QStringLiteral("file:///red.png"))));
  ASSERT_TRUE(model->setSourceImage(greyImage({30, 20}), blend));
  auto* patch = new RectRegion(QRectF(2, 2, 10, 10));
  model->addPatch(patch);
  patch->shape().snapshot().setSaved(true);
  model->restoreOriginalImage();
  EXPECT_EQ(model->blendImage()->displayImage(), model->segImage()->displayImage());
  EXPECT_FALSE(patch->shape().snapshot().isSaved());
}

}  // namespace
