#include "classification/UndoStack.h"

#include <utility>

using classification::IiClassification;
using classification::IiUndoStep;

UndoStack::UndoStack(uint32_t limit) : limit_(limit == 0 ? 1 : limit) {}

UndoStack::~UndoStack() {
  clear();
}

void UndoStack::deleteAll(std::vector<IiUndoStep*>& steps) noexcept {
  for (IiUndoStep* step : steps) delete step;
  steps.clear();
}

void UndoStack::commit() {
  clearRedo();
  undo_.push_back(nullptr);
  if (undoCount_ < limit_) {
    ++undoCount_;
  } else if (journal_) {
    ++pendingDrops_;
  } else {
    dropOldest();
  }
}

void UndoStack::dropOldest() noexcept {
  // The front entry opens the oldest user-level step; its steps follow until the next null.
  if (undo_.empty()) return;
  delete undo_.front();
  undo_.pop_front();
  while (!undo_.empty() && undo_.front()) {
    delete undo_.front();
    undo_.pop_front();
  }
}

void UndoStack::undo(IiClassification& state) {
  if (journal_) keepJournal();
  if (undoCount_ == 0) return;
  // Room for the whole user-level step first, so that moving it cannot fail half-way.
  size_t steps = 0;
  for (auto it = undo_.rbegin(); it != undo_.rend() && *it; ++it) ++steps;
  redo_.reserve(redo_.size() + steps + 1);

  redo_.push_back(nullptr);
  ++redoCount_;
  while (!undo_.empty() && undo_.back()) {
    IiUndoStep* step = undo_.back();
    step->undo(state);
    redo_.push_back(step);
    undo_.pop_back();
  }
  if (!undo_.empty()) undo_.pop_back();
  --undoCount_;
}

void UndoStack::redo(IiClassification& state) {
  if (journal_) keepJournal();
  if (redoCount_ == 0) return;
  undo_.push_back(nullptr);
  ++undoCount_;
  while (!redo_.empty() && redo_.back()) {
    IiUndoStep* step = redo_.back();
    undo_.push_back(step);
    redo_.pop_back();
    step->redo(state);
  }
  if (!redo_.empty()) redo_.pop_back();
  --redoCount_;
}

void UndoStack::clear() {
  if (journal_) keepJournal();
  for (IiUndoStep* step : undo_) delete step;
  undo_.clear();
  deleteAll(redo_);
  undoCount_ = 0;
  redoCount_ = 0;
}

void UndoStack::clearRedo() {
  if (journal_ && setAsideRedo_.empty()) {
    setAsideRedo_.swap(redo_);
  } else {
    deleteAll(redo_);
  }
  redoCount_ = 0;
}

void UndoStack::record(std::unique_ptr<IiUndoStep> step) {
  if (!step) return;
  if (undoCount_ == 0 || redoCount_ != 0) commit();
  undo_.push_back(step.get());
  step.release();
}

size_t UndoStack::undoStepCount() const {
  size_t n = 0;
  for (const IiUndoStep* step : undo_) n += step != nullptr;
  return n;
}

size_t UndoStack::redoStepCount() const {
  size_t n = 0;
  for (const IiUndoStep* step : redo_) n += step != nullptr;
  return n;
}

void UndoStack::beginJournal() {
  if (journal_) keepJournal();
  journal_ = true;
  journalStart_ = undo_.size();
  savedUndoCount_ = undoCount_;
  savedRedoCount_ = redoCount_;
  pendingDrops_ = 0;
}

void UndoStack::keepJournal() noexcept {
  if (!journal_) return;
  journal_ = false;
  for (; pendingDrops_ > 0; --pendingDrops_) dropOldest();
  deleteAll(setAsideRedo_);
}

void UndoStack::revertJournal(IiClassification& state) noexcept {
  if (!journal_) return;
  journal_ = false;
  // Only the back of the list moved while the journal was open: front drops were deferred.
  while (undo_.size() > journalStart_) {
    IiUndoStep* step = undo_.back();
    undo_.pop_back();
    if (step) {
      step->undo(state);
      delete step;
    }
  }
  if (!setAsideRedo_.empty()) {
    deleteAll(redo_);
    redo_.swap(setAsideRedo_);
  }
  undoCount_ = savedUndoCount_;
  redoCount_ = savedRedoCount_;
  pendingDrops_ = 0;
}
