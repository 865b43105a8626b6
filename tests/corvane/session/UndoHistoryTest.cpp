#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "SessionTestSupport.h"
#include "classification/IiClassification.h"
#include "classification/IiUndoModifyStatus.h"
#include "classification/UndoStack.h"
#include "util/BlitzViews.h"

using classification::IiClassification;
using classification::IiUndoModifyStatus;
using classification::IiUndoStep;
using corvane::Box;

namespace {

// A step that logs what happens to it.
struct Log {
  std::vector<std::string> events;
  int deleted = 0;
};

struct LoggingStep : IiUndoStep {
  LoggingStep(Log& log, std::string name) : log(log), name(std::move(name)) {}
  ~LoggingStep() override {
    ++log.deleted;
    log.events.push_back("delete " + name);
  }
  void undo(IiClassification&) override { log.events.push_back("undo " + name); }
  void redo(IiClassification&) override { log.events.push_back("redo " + name); }
  Log& log;
  std::string name;
};

std::unique_ptr<IiUndoStep> step(Log& log, const std::string& name) {
  return std::make_unique<LoggingStep>(log, name);
}

struct StackTest : ::testing::Test {
  IiClassification state{nullptr, true, sessiontest::colourImage(1, 1)};
  Log log;
};

TEST(IiUndoModifyStatus, SplitsRunsLongerThanTwentyFourBits) {
  const int side = 4097;  // 16,785,409 pixels, more than one run can hold
  auto work = sessiontest::statusArray(side, side, 3);
  auto status = sessiontest::statusArray(side, side, 1);
  IiUndoModifyStatus record(work, status);
  const uint64_t total = uint64_t(side) * side;
  ASSERT_EQ(record.runs().size(), 2u);
  EXPECT_EQ(record.runs()[0], (0xFFFFFFu << 8) | 2u);
  EXPECT_EQ(record.runs()[1], (uint32_t(total - 0xFFFFFF) << 8) | 2u);
  record.apply();
  EXPECT_TRUE(blitz::all(status == 3));
  record.apply();
  EXPECT_TRUE(blitz::all(status == 1));
}

TEST_F(StackTest, RevertedJournalRestoresTheStackExactly) {
  UndoStack stack(2);
  stack.commit();
  stack.record(step(log, "old1"));
  stack.commit();
  stack.record(step(log, "old2"));
  stack.commit();
  stack.record(step(log, "undone"));  // drops old1
  stack.undo(state);
  log.events.clear();
  log.deleted = 0;
  ASSERT_EQ(stack.undoCount(), 1u);
  ASSERT_EQ(stack.redoCount(), 1u);

  stack.beginJournal();
  stack.commit();  // sets the redo step aside
  stack.record(step(log, "new1"));
  stack.commit();  // at the limit: the oldest (old2) is dropped only when the journal is kept
  stack.record(step(log, "new2"));
  EXPECT_EQ(stack.undoCount(), 2u);
  EXPECT_EQ(stack.redoCount(), 0u);
  EXPECT_EQ(log.deleted, 0);
  stack.revertJournal(state);
  EXPECT_EQ(log.events,
            (std::vector<std::string>{"undo new2", "delete new2", "undo new1", "delete new1"}));
  EXPECT_EQ(stack.undoCount(), 1u);
  EXPECT_EQ(stack.redoCount(), 1u);
  log.events.clear();
  stack.redo(state);
  stack.undo(state);
  stack.undo(state);
  EXPECT_EQ(log.events, (std::vector<std::string>{"redo undone", "undo undone", "undo old2"}));

  // Kept: what the commits dropped is deleted now.
  stack.redo(state);  // old2 back
  log.events.clear();
  stack.beginJournal();
  stack.commit();
  stack.record(step(log, "kept"));
  stack.keepJournal();
  EXPECT_EQ(log.events, (std::vector<std::string>{"delete undone"}));
  EXPECT_EQ(stack.undoCount(), 2u);
  EXPECT_EQ(stack.redoCount(), 0u);
}

}  // namespace
