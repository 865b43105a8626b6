#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "classification/IiUndoStep.h"

// The undo history of a classification state, kept in user-level steps: a null entry opens
// each one, the recorded steps that follow belong to it. Undo and redo work on whole
// user-level steps; at most `limit` of them are kept, the oldest dropped first. The stack owns
// its steps.
//
// A journal makes one operation's effect on the stack revocable: while it is open, steps that
// a commit would drop (redo steps, the oldest user-level step) are set aside rather than
// deleted, so that revertJournal can restore the stack exactly, undoing the steps that the
// operation appended. Undo, redo and clear close an open journal first, keeping it.
class UndoStack {
 public:
  // The limit of a session's classification state.
  static constexpr uint32_t kSessionLimit = 200;

  // A limit of 0 counts as 1.
  explicit UndoStack(uint32_t limit);
  ~UndoStack();
  UndoStack(const UndoStack&) = delete;
  UndoStack& operator=(const UndoStack&) = delete;

  // Opens a new user-level step, dropping the redo steps and, at the limit, the oldest
  // user-level step.
  void commit();
  // Undoes the newest user-level step, newest step first.
  void undo(classification::IiClassification& state);
  // Redoes the newest undone user-level step, oldest step first.
  void redo(classification::IiClassification& state);
  // Deletes every step; both counts 0.
  void clear();
  // Deletes the redo steps; redo count 0.
  void clearRedo();

  // Appends a step that has already been built from the statuses it is about to change,
  // committing first when no user-level step is open for it (undo count 0, or redo steps
  // exist). Null steps are ignored. On failure the step is deleted and the stack unchanged.
  void record(std::unique_ptr<classification::IiUndoStep> step);

  uint32_t undoCount() const { return undoCount_; }
  uint32_t redoCount() const { return redoCount_; }
  uint32_t limit() const { return limit_; }
  // Recorded steps (not user-level ones) held for undo and for redo.
  size_t undoStepCount() const;
  size_t redoStepCount() const;

  void beginJournal();
  // Ends the journal, deleting what it set aside.
  void keepJournal() noexcept;
  // Ends the journal with the stack as it was at beginJournal: appended steps are undone
  // (newest first) and deleted, set-aside steps put back.
  void revertJournal(classification::IiClassification& state) noexcept;
  bool journalOpen() const { return journal_; }

 private:
  void dropOldest() noexcept;
  static void deleteAll(std::vector<classification::IiUndoStep*>& steps) noexcept;

  uint32_t undoCount_ = 0;
  uint32_t redoCount_ = 0;
  uint32_t limit_;
  std::deque<classification::IiUndoStep*> undo_;
  std::vector<classification::IiUndoStep*> redo_;

  bool journal_ = false;
  size_t journalStart_ = 0;
  uint32_t savedUndoCount_ = 0;
  uint32_t savedRedoCount_ = 0;
  uint32_t pendingDrops_ = 0;
  std::vector<classification::IiUndoStep*> setAsideRedo_;
};
