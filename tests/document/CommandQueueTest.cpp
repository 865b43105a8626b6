// The command queue with scripted commands and no engine: launch order, submission order,
// cancelling, the dead library, closing, destruction, and the finishing step's races.

#include <memory>

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include "ScriptedCommand.h"
#include "document/CorvaneEntryPoints.h"
#include "document/SegmentationStuff.h"

namespace {

// The command a spied signal named, compared as a pointer: it may be deleted already.
const void* commandIn(const QVariant& argument) {
  return *static_cast<CorvaneCommand* const*>(argument.constData());
}

class CommandQueue : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    thread = std::make_unique<CorvaneThread>();
  }
  void TearDown() override {
    thread.reset();
    corvaneEntryPoints() = CorvaneEntryPoints{};
    DocumentTest::TearDown();
  }

  ScriptedCommand* command(const QString& name) { return new ScriptedCommand(name, &journal); }
  ScriptedCommand* blocking(const QString& name) {
    ScriptedCommand* c = command(name);
    c->blocking = true;
    return c;
  }
  void waitIdle() { ASSERT_TRUE(waitUntilIdle(thread.get())) << "the queue never ran empty"; }
  // Journal lines that mention `name`.
  QStringList linesOf(const QString& name) const {
    return journal.lines().filter(QRegularExpression("^" + name + " "));
  }

  Journal journal;
  std::unique_ptr<CorvaneThread> thread;
};

TEST_F(CommandQueue, AnIdleThreadLaunchesWithinTheSubmission) {
  QObject::connect(thread.get(), &CorvaneThread::stateChanged,
                   [&] { journal.add("stateChanged"); });
  QObject::connect(thread.get(), &CorvaneThread::commandStarted,
                   [&] { journal.add("commandStarted"); });
  ScriptedCommand* first = blocking("A");
  thread->submit(first);
  // Everything up to the worker's start happened inside submit.
  QStringList seen = journal.lines();
  seen.removeAll("A execute");
  EXPECT_EQ(seen, (QStringList{"stateChanged", "A prepare", "commandStarted"}));
  EXPECT_EQ(thread->currentCommand(), first);
  EXPECT_TRUE(thread->isBusy());
  first->release.release();
  waitIdle();
  EXPECT_FALSE(thread->isBusy());
  EXPECT_EQ(thread->currentCommand(), nullptr);
}

TEST_F(CommandQueue, CommandsRunInSubmissionOrderEachOnAWorker) {
  QSignalSpy started(thread.get(), &CorvaneThread::commandStarted);
  QSignalSpy emptied(thread.get(), &CorvaneThread::queueEmptied);
  QList<QPointer<ScriptedCommand>> commands;
  ScriptedCommand* head = blocking("A");
  thread->submit(head);
  for (const char* name : {"B", "C", "D"}) {
    ScriptedCommand* c = command(name);
    QObject::connect(c, &QObject::destroyed, [&, c] {
      EXPECT_TRUE(c->executedOffGuiThread.load()) << c->description().toStdString();
    });
    thread->submit(c);
  }
  EXPECT_EQ(thread->queuedCommands().size(), 3);
  head->release.release();
  waitIdle();
  EXPECT_EQ(started.size(), 4);
  EXPECT_EQ(emptied.size(), 1);
  QStringList order;
  for (const QString& line : journal.lines())
    if (line.endsWith(" execute")) order << line.left(1);
  EXPECT_EQ(order, (QStringList{"A", "B", "C", "D"}));
  EXPECT_EQ(thread->commandCount(), 4);
}

TEST_F(CommandQueue, CancellingEverythingStopsTheRunningOneAndDropsTheCancellableLastFirst) {
  QSignalSpy cancelling(thread.get(), &CorvaneThread::commandCancelling);
  QSignalSpy discarded(thread.get(), &CorvaneThread::commandDiscarded);
  ScriptedCommand* running = blocking("R");
  thread->submit(running);
  ScriptedCommand* u = command("U");
  ScriptedCommand* n = command("N");
  n->cancellable = false;
  ScriptedCommand* x1 = command("X1");
  ScriptedCommand* x2 = command("X2");
  thread->submit(u, CorvaneThread::Uncancellable);
  thread->submit(n);
  thread->submit(x1);
  thread->submit(x2);
  QPointer<ScriptedCommand> watchX1(x1), watchX2(x2);

  QSignalSpy state(thread.get(), &CorvaneThread::stateChanged);
  thread->cancelCommandsSlot();
  ASSERT_EQ(cancelling.size(), 1);
  EXPECT_EQ(commandIn(cancelling[0][0]), running);
  ASSERT_EQ(discarded.size(), 2);
  EXPECT_EQ(commandIn(discarded[0][0]), x2);
  EXPECT_EQ(commandIn(discarded[1][0]), x1);
  EXPECT_TRUE(watchX1.isNull() && watchX2.isNull());
  EXPECT_EQ(thread->queuedCommands(), (QList<CorvaneCommand*>{u, n}));
  EXPECT_EQ(state.size(), 1);

  // A second request repeats the signal.
  thread->cancelCommand(running);
  EXPECT_EQ(cancelling.size(), 2);

  QPointer<ScriptedCommand> watchRunning(running);
  waitIdle();
  EXPECT_TRUE(watchRunning.isNull());
  EXPECT_EQ(linesOf("X[12]"), (QStringList{"X2 discarded", "X1 discarded"}));
  EXPECT_EQ(linesOf("[UN]"), (QStringList{"U prepare", "U execute", "U finish", "N prepare",
                                          "N execute", "N finish"}));
}

TEST_F(CommandQueue, TheRunningCommandSeesTheStopAnswer) {
  ScriptedCommand* running = blocking("R");
  std::atomic<int>* seen = &running->stopSeen;
  int stop = -1;
  QObject::connect(running, &QObject::destroyed, [&] { stop = seen->load(); });
  thread->submit(running);
  thread->cancelCommand(running);
  waitIdle();
  EXPECT_EQ(stop, 2);
}

TEST_F(CommandQueue, CanCancelInEachState) {
  EXPECT_FALSE(thread->canCancel()) << "idle";

  ScriptedCommand* running = blocking("R");
  thread->submit(running);
  EXPECT_TRUE(thread->canCancel()) << "a cancellable command runs";
  thread->cancelCommand(running);
  EXPECT_FALSE(thread->canCancel()) << "it is cancelling and nothing waits";
  thread->submit(command("W"));
  EXPECT_TRUE(thread->canCancel()) << "one waits";
  waitIdle();

  ScriptedCommand* fixed = blocking("F");
  thread->submit(fixed, CorvaneThread::Uncancellable);
  thread->submit(command("W2"));
  EXPECT_FALSE(thread->canCancel()) << "an uncancellable one runs, whatever waits";
  thread->cancelCommand(fixed);
  EXPECT_EQ(thread->currentCommand(), fixed);
  fixed->release.release();
  waitIdle();

  ScriptedCommand* notCancellable = blocking("N");
  notCancellable->cancellable = false;
  thread->submit(notCancellable);
  EXPECT_FALSE(thread->canCancel());
  notCancellable->release.release();
  waitIdle();
}

// Slots of stateChanged may empty the queue or refill it: the queue still reports running
// empty exactly once, when it has.
TEST_F(CommandQueue, SlotsThatChangeTheQueueDuringAFinishingStep) {
  QSignalSpy emptied(thread.get(), &CorvaneThread::queueEmptied);
  ScriptedCommand* head = blocking("A");
  thread->submit(head);
  thread->submit(command("B"));
  QObject guard;
  bool cancelled = false;
  QObject::connect(thread.get(), &CorvaneThread::stateChanged, &guard, [&] {
    if (!thread->currentCommand() && !cancelled) {  // A's finishing step, B still waiting
      cancelled = true;
      thread->cancelCommandsSlot();
    }
  });
  head->release.release();
  waitIdle();
  EXPECT_EQ(linesOf("B"), QStringList{"B discarded"});
  EXPECT_EQ(emptied.size(), 1);
  EXPECT_FALSE(thread->isBusy());

  QObject::disconnect(thread.get(), &CorvaneThread::stateChanged, &guard, nullptr);
  bool resubmitted = false;
  QObject::connect(thread.get(), &CorvaneThread::stateChanged, &guard, [&] {
    if (!thread->isBusy() && !resubmitted) {  // C's finishing step left the queue empty
      resubmitted = true;
      thread->submit(command("D"));
    }
  });
  thread->submit(command("C"));
  waitIdle();
  EXPECT_EQ(linesOf("D"), (QStringList{"D prepare", "D execute", "D finish"}));
  EXPECT_EQ(emptied.size(), 2);
}

TEST_F(CommandQueue, ADeclinedPrepareStillFinishesAndTheNextLaunches) {
  QSignalSpy finished(thread.get(), &CorvaneThread::commandFinished);
  QSignalSpy started(thread.get(), &CorvaneThread::commandStarted);
  ScriptedCommand* declining = command("A");
  declining->prepareAnswer = false;
  thread->submit(blocking("H"));
  thread->submit(declining);
  thread->submit(command("B"));
  static_cast<ScriptedCommand*>(thread->currentCommand())->release.release();
  waitIdle();
  EXPECT_EQ(linesOf("A"), (QStringList{"A prepare", "A finish"}));
  EXPECT_EQ(linesOf("B"), (QStringList{"B prepare", "B execute", "B finish"}));
  EXPECT_EQ(finished.size(), 3);
  EXPECT_EQ(started.size(), 2);
}

TEST_F(CommandQueue, AFatalFinishKillsTheLibraryForGood) {
  QSignalSpy dead(thread.get(), &CorvaneThread::deadLibrary);
  QSignalSpy rejected(thread.get(), &CorvaneThread::submissionRejectedLibraryDead);
  QSignalSpy discarded(thread.get(), &CorvaneThread::commandDiscarded);
  ScriptedCommand* fatal = blocking("Fatal");
  fatal->onFinish = [] { throw CorvaneCommand::Error{5, QStringLiteral("Corvane library fault")}; };
  thread->submit(fatal);
  thread->submit(command("Waiting"), CorvaneThread::Uncancellable);
  fatal->release.release();
  waitIdle();
  ASSERT_EQ(dead.size(), 1);
  EXPECT_EQ(dead[0][0].toString(), QStringLiteral("Fatal"));
  EXPECT_EQ(dead[0][1].toString(), QStringLiteral("Corvane library fault"));
  EXPECT_TRUE(thread->isLibraryDead());
  EXPECT_EQ(linesOf("Waiting"), QStringList{"Waiting discarded"}) << "even uncancellable";
  EXPECT_EQ(discarded.size(), 1);

  const int count = thread->commandCount();
  QPointer<ScriptedCommand> late(command("Late"));
  bool destroyedAfterSignal = false;
  QObject::connect(late, &QObject::destroyed, [&] { destroyedAfterSignal = rejected.size() == 1; });
  thread->submit(late);
  EXPECT_EQ(rejected.size(), 1);
  EXPECT_TRUE(late.isNull());
  EXPECT_TRUE(destroyedAfterSignal);
  EXPECT_EQ(thread->commandCount(), count);
  EXPECT_TRUE(linesOf("Late").isEmpty());
}

TEST_F(CommandQueue, ClosedThreadsRefuseAndDrainIntoClosureComplete) {
  QSignalSpy emptied(thread.get(), &CorvaneThread::queueEmptied);
  QSignalSpy closed(thread.get(), &CorvaneThread::closureComplete);
  thread->setOpen(false);
  EXPECT_TRUE(closed.isEmpty() && emptied.isEmpty()) << "drained already: nothing to report";

  LogCapture log;
  QPointer<ScriptedCommand> refused(command("Refused"));
  thread->submit(refused);
  EXPECT_TRUE(refused.isNull());
  EXPECT_EQ(thread->commandCount(), 0);
  EXPECT_TRUE(log.lines().contains(
      "Trapped a CorvaneCommand being submitted when CorvaneThread is closed"));

  thread->setOpen(true);
  ScriptedCommand* head = blocking("A");
  thread->submit(head);
  thread->submit(command("B"));
  thread->setOpen(false);
  head->release.release();
  waitIdle();
  EXPECT_EQ(closed.size(), 1);
  EXPECT_TRUE(emptied.isEmpty());
  EXPECT_EQ(linesOf("B").size(), 3) << "queued work still runs";

  thread->setOpen(true);
  thread->submit(command("C"));
  waitIdle();
  EXPECT_EQ(emptied.size(), 1);
  EXPECT_EQ(closed.size(), 1);
}

TEST_F(CommandQueue, DestructionStopsTheRunningOperation) {
  ScriptedCommand* running = blocking("R");
  std::atomic<int>* seen = &running->stopSeen;
  int stop = -1;
  QObject::connect(running, &QObject::destroyed, [&] { stop = seen->load(); });
  QPointer<ScriptedCommand> waiting(command("W"));
  thread->submit(running);
  thread->submit(waiting);
  thread.reset();
  EXPECT_EQ(stop, 2);
  EXPECT_TRUE(waiting.isNull());
  EXPECT_EQ(CorvaneThread::instance(), nullptr);
  EXPECT_TRUE(linesOf("W").isEmpty()) << "what waited is deleted, not run";
}

// A watcher of a finished command's destroyed() finds it gone from the thread, not half
// destroyed in its place.
TEST_F(CommandQueue, WatchersOfAFinishedCommandFindItGone) {
  ScriptedCommand* done = command("A");
  bool checked = false;
  QObject::connect(done, &QObject::destroyed, [&] {
    EXPECT_EQ(thread->currentCommand(), nullptr);
    EXPECT_FALSE(thread->canCancel());
    thread->cancelCommand(done);  // neither running nor waiting: ignored
    checked = true;
  });
  thread->submit(done);
  waitIdle();
  EXPECT_TRUE(checked);
}

// A submission from a slot of the inline undo refresh is queued behind the finishing step
// instead of being launched and then deleted while its worker runs.
TEST_F(CommandQueue, ASubmissionDuringTheUndoRefreshWaitsForTheFinishingStep) {
  GmModel* model = GmModel::instance();
  static int fakeSession;
  model->segmentation()->setSession(reinterpret_cast<CvSession*>(&fakeSession));
  corvaneEntryPoints().CvNumAvailableUndo = [](CvSession*, uint32_t* count) {
    *count = 3;
    return CvResult(CvOk);
  };
  corvaneEntryPoints().CvNumAvailableRedo = [](CvSession*, uint32_t* count) {
    *count = 1;
    return CvResult(CvOk);
  };
  ScriptedCommand* refreshing = new ScriptedCommand("A", &journal, model);
  refreshing->refreshes = true;
  QPointer<ScriptedCommand> late;
  QObject guard;
  QObject::connect(
      model, &GmModel::cvUndoStackChanged, &guard, [&](uint32_t undos, uint32_t redos) {
        EXPECT_EQ(undos, 3u);
        EXPECT_EQ(redos, 1u);
        if (late) return;
        late = command("B");
        thread->submit(late);
        EXPECT_EQ(thread->currentCommand(), refreshing) << "B must not be launched yet";
      });
  thread->submit(refreshing);
  waitIdle();
  EXPECT_EQ(linesOf("B"), (QStringList{"B prepare", "B execute", "B finish"}));
  EXPECT_TRUE(late.isNull());
  EXPECT_EQ(model->numUndos(), 3u);
  model->segmentation()->setSession(nullptr);
}

}  // namespace
