// The engine commands on the real engine, on a small synthetic photo.

#include <QRegularExpression>
#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "document/ArrowTargets.h"
#include "document/BlendingStuff.h"
#include "document/CvCmdAutoFill.h"
#include "document/CvCmdDeleteStatusImage.h"
#include "document/CvCmdDespeckleSelection.h"
#include "document/CvCmdEndSession.h"
#include "document/CvCmdFinish.h"
#include "document/CvCmdGenerateMask.h"
#include "document/CvCmdNewStatusImage.h"
#include "document/CvCmdRedo.h"
#include "document/CvCmdSetVariable.h"
#include "document/CvCmdUndo.h"
#include "document/RectRegion.h"
#include "document/TuningVariableTable.h"

namespace {

using EngineCommands = EngineSessionTest;

// The engine calls the table saw, by name and first numeric argument, in order.
QStringList& engineCalls() {
  static QStringList calls;
  return calls;
}

void recordCleaningCalls() {
  engineCalls().clear();
  CorvaneEntryPoints& table = corvaneEntryPoints();
  table.CvSelect = [](CvSession* s, CvImage* i, const CvSelection* sel, uint8_t status,
                      uint8_t target, int32_t exclusive, float weight, CvProgressCallback cb,
                      void* ctx) {
    engineCalls() << QStringLiteral("select %1/%2").arg(status).arg(target);
    return ::CvSelect(s, i, sel, status, target, exclusive, weight, cb, ctx);
  };
  table.CvAutoComplex = [](CvSession* s, CvImage* i, float w, CvProgressCallback cb, void* ctx) {
    engineCalls() << QStringLiteral("autoComplex");
    return ::CvAutoComplex(s, i, w, cb, ctx);
  };
  table.CvDespeckleSelection = [](CvSession* s, CvImage* i, uint8_t size, CvProgressCallback cb,
                                  void* ctx) {
    engineCalls() << QStringLiteral("despeckle %1").arg(size);
    return ::CvDespeckleSelection(s, i, size, cb, ctx);
  };
  table.CvAutoFill = [](CvSession* s, CvImage* i, uint32_t r, uint8_t value, float width,
                        CvProgressCallback cb, void* ctx) {
    engineCalls() << QStringLiteral("autoFill %1").arg(value);
    return ::CvAutoFill(s, i, r, value, width, cb, ctx);
  };
}

// A corner of the ground, and a stroke across the disc's centre, in image coordinates.
const QVector<QPointF> groundStroke{{10, 10}, {40, 12}};
const QVector<QPointF> discStroke{{70, 62}, {90, 62}};

TEST_F(EngineCommands, TheSessionDefaultsBecomeTheEdgeDetectionDefaults) {
  struct Row {
    const char* name;
    GmSession::SettingsPreservation preservation;
    bool keepsSettings;
    bool currentTaken;
  } const rows[] = {{"new image", GmSession::TakeDefaults, false, true},
                    {"restored document", GmSession::KeepSettings, false, false},
                    {"settings kept by the shell", GmSession::TakeDefaults, true, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    hooks.keepsSettingsValue = row.keepsSettings;
    EDOs& values = GmModel::instance()->segmentation()->values();
    values.sensitivity.current = 77;
    QSignalSpy begun(GmModel::instance(), &GmModel::sessionHasBegun);
    openSession(1, kWidth, kHeight, row.preservation);
    const CvSession* session = model->segmentation()->session();
    const int sensitivity = int(std::floor(session->tolerance * 99 * 1.010101 + 1.5));
    EXPECT_EQ(values.sensitivity.defaultValue, sensitivity);
    EXPECT_EQ(values.width.defaultValue, session->edgeWidth);
    EXPECT_EQ(values.contrast.defaultValue, int(session->choices & 0xFF));
    EXPECT_EQ(values.texture.defaultValue, int(session->choices >> 8 & 0xFF));
    EXPECT_EQ(values.sensitivity.current, row.currentTaken ? sensitivity : 77);
    EXPECT_EQ(values.sensitivity.applied, values.sensitivity.current);
    EXPECT_EQ(begun.size(), 1);
    EXPECT_EQ(model->segmentation()->subSession(), session) << "the image's own settings";
    EXPECT_FALSE(model->tuningVariables()->variables().isEmpty());
    // A new status image starts with every pixel kept and no undo step.
    EXPECT_EQ(model->statusArray()->statusesPresent(), CvStatusKeep);
    EXPECT_EQ(model->numUndos(), 0u);
  }
}

TEST_F(EngineCommands, WholeImageAnalysisFindsEdges) {
  openSession();
  QSignalSpy begun(model, &GmModel::imageAnalysisHasBegun);
  QSignalSpy changed(model, &GmModel::smegChanged);
  analyse();
  EXPECT_EQ(begun.size(), 1);
  EXPECT_GE(changed.size(), 2) << "at the submission and when it finished";
  EXPECT_FALSE(model->segmentation()->edgeOutline().isEmpty());
  EXPECT_TRUE(model->segmentation()->analysisCommand().isNull());
}

TEST_F(EngineCommands, PixelAndRegionStrokesAndTheirTips) {
  openSession();
  // A local stroke in settings that are in use but not analysed: asked to apply, nothing sent.
  const SessionState before = sessionState();
  brush(discStroke, CvStatusDelete, CvStatusClassMask, true);
  ASSERT_EQ(hooks.tips.size(), 1);
  EXPECT_TRUE(hooks.tips[0].contains("<b>Apply</b>"));
  EXPECT_TRUE(sessionState() == before);

  // Settings not in use: the engine has no segmentation for a region stroke.
  model->segmentation()->setOwnSettings(false);
  brush(discStroke, CvStatusDelete, CvStatusClassMask, true);
  ASSERT_EQ(hooks.tips.size(), 2);
  EXPECT_TRUE(hooks.tips[1].startsWith("Brushing failed because no segmentation"));
  EXPECT_EQ(sessionState().statuses, before.statuses);
  EXPECT_FALSE(thread->isLibraryDead());

  model->segmentation()->setOwnSettings(true);
  analyse();
  brush(groundStroke, CvStatusDelete);
  EXPECT_EQ(statusAt(20, 10), CvStatusDelete);
  EXPECT_EQ(statusAt(100, 100), CvStatusKeep);
  EXPECT_EQ(model->numUndos(), 1u);

  // Analysed, the region stroke takes whole regions of the disc.
  const int deleted = countStatus(CvStatusClassMask, CvStatusDelete);
  brush(discStroke, CvStatusDelete, CvStatusClassMask, true);
  EXPECT_EQ(statusAt(80, 62), CvStatusDelete);
  EXPECT_GT(countStatus(CvStatusClassMask, CvStatusDelete), deleted + 400);
  EXPECT_EQ(hooks.tips.size(), 2);
}

TEST_F(EngineCommands, KeepOverDeleteAndDeleteOverKeepAreCleanedUp) {
  struct Row {
    const char* name;
    bool deleteFirst;
    int mode;
    bool cleaned;
  } const rows[] = {{"delete over keep", false, CvStatusDelete, true},
                    {"keep over keep alone", false, CvStatusKeep, false},
                    {"keep over delete", true, CvStatusKeep, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    openSession();
    analyse();
    if (row.deleteFirst) {
      run(new CvCmdSelect(model, nullptr, CvStatusClassMask, CvStatusDelete));
      ASSERT_EQ(model->statusArray()->statusesPresent(), CvStatusDelete);
    }
    recordCleaningCalls();
    brush(discStroke, row.mode);
    const QStringList cleaning = engineCalls().filter(QRegularExpression("^(auto|desp)"));
    const QStringList expected =
        row.cleaned ? QStringList{"autoComplex", "despeckle 3"} : QStringList();
    EXPECT_EQ(cleaning, expected);
  }
}

TEST_F(EngineCommands, DespeckleCleansEachClassInTurn) {
  openSession();
  analyse();
  brush(groundStroke, CvStatusDelete);
  setDespeckleStrength(40);
  EXPECT_EQ(despeckleStrength(), 20);
  setDespeckleStrength(5);
  recordCleaningCalls();
  run(new CvCmdDespeckleSelection(model, CvStatusKeep | CvStatusDelete | CvStatusBlend));
  EXPECT_EQ(engineCalls(), (QStringList{"select 2/2", "despeckle 5", "select 4/4", "despeckle 5",
                                        "select 8/8", "despeckle 5"}));
  recordCleaningCalls();
  run(new CvCmdDespeckleSelection(model, 0));
  EXPECT_EQ(engineCalls(), QStringList{"despeckle 5"});
  setDespeckleStrength(0);
  EXPECT_EQ(despeckleStrength(), 1);
  setDespeckleStrength(3);
}

TEST_F(EngineCommands, UndoAndRedoCounts) {
  openSession();
  analyse();
  QSignalSpy counts(model, &GmModel::cvUndoStackChanged);
  brush(groundStroke, CvStatusDelete);
  const SessionState afterFirst = sessionState();
  brush({{120, 100}, {150, 110}}, CvStatusDelete);
  EXPECT_EQ(model->numUndos(), 2u);
  run(new CvCmdUndo(model));
  EXPECT_EQ(model->numUndos(), 1u);
  EXPECT_EQ(model->numRedos(), 1u);
  EXPECT_EQ(sessionState().statuses, afterFirst.statuses);
  run(new CvCmdRedo(model));
  EXPECT_EQ(model->numUndos(), 2u);
  EXPECT_EQ(model->numRedos(), 0u);
  ASSERT_FALSE(counts.isEmpty());
  EXPECT_EQ(counts.last()[0].toUInt(), 2u);
}

TEST_F(EngineCommands, SetVariableIsReadBackIntoTheTable) {
  openSession();
  ASSERT_FALSE(model->tuningVariables()->variables().isEmpty());
  const QString name = model->tuningVariables()->variables().first().name;
  QSignalSpy changed(model, &GmModel::cvVariableChanged);
  QSignalSpy table(model->tuningVariables(), &TuningVariableTable::changed);
  run(new CvCmdSetVariable(model, name, 0.25f));
  ASSERT_EQ(changed.size(), 1);
  EXPECT_EQ(changed[0][0].toString(), name);
  EXPECT_GE(table.size(), 1);
  CvVariable record{};
  ASSERT_EQ(CvGetVariable(model->segmentation()->session(), name.toLatin1().constData(), &record),
            CvOk);
  EXPECT_FLOAT_EQ(model->tuningVariables()->find(name)->proportion, record.proportion);
  EXPECT_NEAR(record.proportion, 0.25f, 0.05f);
}

TEST_F(EngineCommands, GenerateMaskDeclinesWithoutAnalysisOrAKeepOrDeleteClass) {
  openSession();
  QSignalSpy cutouts(model, &GmModel::cutoutChanged);
  int calls = 0;
  static int* callCount = nullptr;
  callCount = &calls;
  corvaneEntryPoints().CvGenerateMask = [](CvSession* s, const CvRect* r, CvImage o, CvImage i,
                                           CvImage* st, const ForcedEdgeRequest* e, uint32_t ne,
                                           float w, float b, const MaskPatchRequest* p, uint32_t np,
                                           CvProgressCallback cb, void* ctx) {
    ++*callCount;
    return ::CvGenerateMask(s, r, o, i, st, e, ne, w, b, p, np, cb, ctx);
  };
  run(new CvCmdGenerateMask(model));
  EXPECT_EQ(calls, 0) << "no analysis";
  analyse();
  run(new CvCmdSelect(model, nullptr, CvStatusClassMask, CvStatusBlend));
  ASSERT_EQ(model->statusArray()->statusesPresent(), CvStatusBlend);
  run(new CvCmdGenerateMask(model));
  EXPECT_EQ(calls, 0) << "neither class 2 nor 4";
  EXPECT_TRUE(cutouts.isEmpty());
}

TEST_F(EngineCommands, AWholeImageCutOutKeepsTheDiscAndDropsTheGround) {
  openSession();
  analyse();
  run(new CvCmdSelect(model, nullptr, CvStatusClassMask, CvStatusDelete));
  brush({{80, 40}, {80, 80}, {60, 62}, {100, 62}}, CvStatusKeep, CvStatusClassMask, true);
  ASSERT_EQ(statusAt(80, 62), CvStatusKeep);
  ASSERT_EQ(statusAt(4, 4), CvStatusDelete);
  QSignalSpy cutouts(model, &GmModel::cutoutChanged);
  GmModel::instance()->generateMaskSlot();
  waitIdle();
  ASSERT_EQ(cutouts.size(), 1);
  EXPECT_EQ(hooks.viewTabs.last(), qMakePair(4, 4));
  const QImage cutout = cutouts[0][0].value<QImage>();
  EXPECT_EQ(qAlpha(cutout.pixel(80, 62)), 255);
  EXPECT_EQ(qAlpha(cutout.pixel(4, 4)), 0);
  EXPECT_EQ(CvCmdGenerateMask::maskCommandCount(), thread->commandCount());

  // A failing run leaves the count at 1: the cut-out is not up to date.
  corvaneEntryPoints().CvGenerateMask = [](CvSession*, const CvRect*, CvImage, CvImage, CvImage*,
                                           const ForcedEdgeRequest*, uint32_t, float, float,
                                           const MaskPatchRequest*, uint32_t, CvProgressCallback,
                                           void*) { return CvResult(CvPreconditionFailed); };
  run(new CvCmdGenerateMask(model));
  EXPECT_EQ(CvCmdGenerateMask::maskCommandCount(), 1);
  EXPECT_EQ(cutouts.size(), 1) << "nothing new to show";
}

TEST_F(EngineCommands, NoHoldMarkOutlivesACutOut) {
  openSession();
  analyse();
  brush(groundStroke, CvStatusDelete);
  auto* patch = new RectRegion(QRectF(60, 40, 40, 40));
  model->addPatch(patch);
  patch->submitToEngine();
  waitIdle();
  // A patch whose statuses did not change since its cut-out is held while the next one runs.
  saveTargetSnapshot(model, patch);
  struct Row {
    const char* name;
    CvResult answer;
  } const rows[] = {{"the engine stops early", CvCancelled},
                    {"the engine fails quietly", CvPreconditionFailed}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    static CvResult answer;
    static int held;
    answer = row.answer;
    held = -1;
    corvaneEntryPoints().CvGenerateMask =
        [](CvSession*, const CvRect*, CvImage, CvImage, CvImage* status, const ForcedEdgeRequest*,
           uint32_t, float, float, const MaskPatchRequest*, uint32_t, CvProgressCallback, void*) {
          held = 0;
          for (uint32_t y = 0; y < status->height; ++y)
            for (uint32_t x = 0; x < status->width; ++x)
              held += (static_cast<uint8_t*>(status->data)[y * status->stride + x] & 64) != 0;
          return answer;
        };
    run(new CvCmdGenerateMask(model));
    EXPECT_GT(held, 1000) << "the patch was held during the run";
    EXPECT_EQ(countStatus(CvStatusHold, CvStatusHold), 0);
  }
}

TEST_F(EngineCommands, AutoFillPassesItsCodeAsIs) {
  openSession();
  analyse();
  run(new CvCmdSelect(model, nullptr, CvStatusClassMask, CvStatusInPicture));
  ASSERT_EQ(model->statusArray()->statusesPresent(), CvStatusInPicture);
  brush(discStroke, CvStatusKeep);
  brush(groundStroke, CvStatusDelete);
  recordCleaningCalls();
  model->autoFillImageSlot();
  waitIdle();
  EXPECT_EQ(engineCalls(), QStringList{"autoFill 0"});
  recordCleaningCalls();
  model->autoFillImageWithKeepSlot();
  waitIdle();
  EXPECT_EQ(engineCalls(), QStringList{"autoFill 4"});
  EXPECT_EQ(countStatus(CvStatusClassMask, CvStatusInPicture), 0) << "nothing left unassigned";
  EXPECT_TRUE(model->statusArray()->statusesPresent() & CvStatusKeep);
  model->autoFillWithKeepSlot();  // no active patch: nothing
  EXPECT_FALSE(thread->isBusy());
}

// Without an engine, a session or a status image every command finishes quietly.
TEST_F(EngineCommands, CommandsWithoutTheirHandlesFinishQuietly) {
  GmModel* empty = GmModel::instance();
  QSignalSpy dead(thread.get(), &CorvaneThread::deadLibrary);
  QSignalSpy started(thread.get(), &CorvaneThread::commandStarted);
  run(new CvCmdFinish(empty));
  run(new CvCmdNewStatusImage(empty));
  run(new CvCmdUndo(empty));
  run(new CvCmdDespeckleSelection(empty, 14));
  run(new CvCmdAutoFill(empty, nullptr, 0));
  run(new CvCmdSelect(empty, nullptr, 15, 2));
  run(new CvCmdGenerateMask(empty));
  run(new CvCmdSetVariable(empty, "imageTol", 0.5f));
  EXPECT_EQ(started.size(), 0) << "every one declined";
  CvCmdDeleteStatusImage* release = new CvCmdDeleteStatusImage(empty);
  run(release);  // the engine only validates: a null handle answers 9
  EXPECT_EQ(started.size(), 1);
  EXPECT_TRUE(dead.isEmpty());
  EXPECT_EQ(empty->engine(), nullptr);
}

// A failed step ends a command of several engine calls: the later calls are not made and the
// failure is its result.
TEST_F(EngineCommands, AFailedStepEndsTheCommandWithItsResult) {
  openSession();
  analyse();
  recordCleaningCalls();
  corvaneEntryPoints().CvAutoComplex = [](CvSession*, CvImage*, float, CvProgressCallback, void*) {
    engineCalls() << QStringLiteral("autoComplex");
    return CvResult(CvPreconditionFailed);
  };
  CvResult result = CvOk;
  QObject guard;  // the connection ends with this test's locals
  QObject::connect(thread.get(), &CorvaneThread::commandFinished, &guard,
                   [&](CorvaneCommand* command) { result = command->result(); });
  brush(discStroke, CvStatusDelete);
  EXPECT_EQ(engineCalls(), (QStringList{"select 4/15", "autoComplex"}));
  EXPECT_EQ(result, CvPreconditionFailed);

  recordCleaningCalls();
  corvaneEntryPoints().CvDespeckleSelection = [](CvSession*, CvImage*, uint8_t, CvProgressCallback,
                                                 void*) {
    engineCalls() << QStringLiteral("despeckle");
    return CvResult(CvInvalidImage);
  };
  run(new CvCmdDespeckleSelection(model, 14));
  EXPECT_EQ(engineCalls(), (QStringList{"select 2/2", "despeckle"}));
  EXPECT_EQ(result, CvInvalidImage);

  // An auto fill in a patch: a failed copy from the image stops it before the fill, and a
  // failed fill before anything is written back into the image.
  auto* patch = new RectRegion(QRectF(60, 40, 40, 40));
  model->addPatch(patch);
  patch->submitToEngine();
  waitIdle();
  static CvResult copyIn, fill;
  CorvaneEntryPoints& table = corvaneEntryPoints();
  table.CvSetStatusFromParent = [](CvSession*, CvImage*) {
    engineCalls() << QStringLiteral("copyIn");
    return copyIn;
  };
  table.CvAutoFill = [](CvSession*, CvImage*, uint32_t, uint8_t, float, CvProgressCallback, void*) {
    engineCalls() << QStringLiteral("autoFill");
    return fill;
  };
  table.CvSetParentStatus = [](CvSession*, CvImage*) {
    engineCalls() << QStringLiteral("copyOut");
    return CvResult(CvOk);
  };
  struct Row {
    CvResult copyIn, fill;
    QStringList calls;
  } const rows[] = {{CvInvalidSession, CvOk, {"copyIn"}},
                    {CvOk, CvPreconditionFailed, {"copyIn", "autoFill"}},
                    {CvOk, CvOk, {"copyIn", "autoFill", "copyOut"}}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.calls.join(' ').toStdString());
    copyIn = row.copyIn;
    fill = row.fill;
    engineCalls().clear();
    run(new CvCmdAutoFill(model, patch, CvStatusKeep));
    EXPECT_EQ(engineCalls(), row.calls);
    EXPECT_EQ(result, row.copyIn != CvOk ? row.copyIn : row.fill);
  }

  // Ending a session whose differing sub-session fails to end leaves the session alone.
  static QList<CvSession*> ended;
  ended.clear();
  corvaneEntryPoints().CvEndSession = [](CvSession* s, CvProgressCallback, void*) {
    ended << s;
    return CvResult(CvInvalidSession);
  };
  static int stand;
  CvSession* sub = reinterpret_cast<CvSession*>(&stand);
  run(new CvCmdEndSession(model, model->segmentation()->session(), sub));
  EXPECT_EQ(ended, QList<CvSession*>{sub});
  EXPECT_EQ(result, CvInvalidSession);
  EXPECT_FALSE(thread->isLibraryDead());
}

// Injected answers: 3 and 8 (out of memory), 4 (the engine marked itself failed) and 5 kill the
// library; any other failure is left to the command.
TEST_F(EngineCommands, FatalAnswersKillTheLibrary) {
  struct Row {
    CvResult answer;
    const char* message;  // null: the library lives
  } const rows[] = {{CvOutOfMemory, "Out of memory"},
                    {CvException, "Corvane library fault"},
                    {CvEngineFailed, "Corvane library fault"},
                    {CvUndoOutOfMemory, "Out of memory"},
                    {CvPreconditionFailed, nullptr},
                    {CvInvalidSession, nullptr},
                    {CvNeedsSegmentation, nullptr}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer);
    TearDown();
    SetUp();
    openSession();
    static CvResult answer;
    answer = row.answer;
    corvaneEntryPoints().CvUndo = [](CvSession*, CvProgressCallback, void*) { return answer; };
    QSignalSpy dead(thread.get(), &CorvaneThread::deadLibrary);
    run(new CvCmdUndo(model));
    EXPECT_EQ(thread->isLibraryDead(), row.message != nullptr);
    if (row.message) {
      ASSERT_EQ(dead.size(), 1);
      EXPECT_EQ(dead[0][0].toString(), QStringLiteral("Undoing..."));
      EXPECT_EQ(dead[0][1].toString(), QString::fromLatin1(row.message));
    }
  }
}

}  // namespace
