// Cancellation is a transaction: each command is cancelled at its first progress report, then
// at its second, and so on until it completes; every cancelled run must leave the statuses and
// the undo history as they were.

#include <functional>

#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "document/CvCmdAnalyseImage.h"
#include "document/CvCmdAutoFill.h"
#include "document/CvCmdDespeckleSelection.h"
#include "document/CvCmdGenerateMask.h"

namespace {

class CancelTransaction : public EngineSessionTest {
 protected:
  // Whether the command opens an undo step of its own before its first change. Corvane.h opens
  // user-level steps only outside an operation, so when undo steps exist and no redo step, the
  // command opens one first and takes it back after a cancel: the undo count is as before and
  // the empty step stays behind as one redo step (which the next change drops).
  enum Step { NoStep, OpensStep };

  // Returns how many runs were cancelled before one completed.
  int cancelEverywhere(const char* name, const std::function<CorvaneCommand*()>& make, Step step) {
    for (int k = 1; k < 10000; ++k) {
      const SessionState before = sessionState();
      int reports = 0;
      CvResult result = CvException;
      QObject guard;
      // The worker waits while the GUI thread counts the report and perhaps cancels.
      QObject::connect(
          thread.get(), &CorvaneThread::commandProgress, &guard,
          [&] {
            if (++reports == k) thread->cancelCommand(thread->currentCommand());
          },
          Qt::BlockingQueuedConnection);
      QObject::connect(thread.get(), &CorvaneThread::commandFinished, &guard,
                       [&](CorvaneCommand* command) { result = command->result(); });
      thread->submit(make());
      waitIdle();
      if (result != CvCancelled) {
        EXPECT_EQ(result, CvOk) << name;
        return k - 1;
      }
      const SessionState after = sessionState();
      EXPECT_EQ(after.statuses, before.statuses) << name << " cancelled at report " << k;
      EXPECT_EQ(after.undos, before.undos) << name << " cancelled at report " << k;
      const bool stepTakenBack = step == OpensStep && before.undos > 0 && before.redos == 0;
      EXPECT_EQ(after.redos, stepTakenBack ? 1u : before.redos)
          << name << " cancelled at report " << k;
    }
    ADD_FAILURE() << name << " never completed";
    return 0;
  }
};

TEST_F(CancelTransaction, EveryCommandCancelledAtEveryReportChangesNothing) {
  // Large enough for the engine's stages to report more than once a command.
  openSession(1, 480, 360);
  int cancelled = 0;
  cancelled += cancelEverywhere(
      "analysis", [&] { return new CvCmdAnalyseImage(model, nullptr, model->segmentation()); },
      NoStep);
  ASSERT_TRUE(model->segmentation()->hasAnalysis());

  const QVector<QPointF> disc{{200, 187}, {280, 187}, {240, 150}, {240, 220}};
  const QVector<QPointF> ground{{10, 10}, {470, 10}, {470, 350}, {10, 350}};
  cancelled += cancelEverywhere(
      "pixel stroke with its cleaning",
      [&] {
        return new CvCmdSelect(model, stroke(ground), CvStatusClassMask, CvStatusDelete, false,
                               false);
      },
      OpensStep);
  cancelled += cancelEverywhere(
      "region stroke",
      [&] {
        return new CvCmdSelect(model, stroke(disc), CvStatusClassMask, CvStatusBlend, true, true);
      },
      OpensStep);
  run(new CvCmdSelect(model, nullptr, CvStatusClassMask, CvStatusInPicture));
  brush(disc, CvStatusKeep);
  brush(ground, CvStatusDelete);
  cancelled += cancelEverywhere(
      "auto fill", [&] { return new CvCmdAutoFill(model, nullptr, 0); }, OpensStep);
  cancelled += cancelEverywhere(
      "despeckle of every class",
      [&] {
        return new CvCmdDespeckleSelection(model, CvStatusKeep | CvStatusDelete | CvStatusBlend);
      },
      OpensStep);
  cancelled += cancelEverywhere(
      "cut-out", [&] { return new CvCmdGenerateMask(model); }, NoStep);
  EXPECT_GT(cancelled, 0) << "no report could be cancelled";
  RecordProperty("cancelledRuns", cancelled);
}

}  // namespace
