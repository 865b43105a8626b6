#pragma once

#include <blitz/array.h>

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

#include "classification/Rancour.h"
#include "kestrum/utility/ProgressRange.h"
#include "util/WorkerPool.h"

namespace classification {

// Builds the six-channel analysis image from a session's colour image: per pixel, a rank
// opening of each colour component in channels 0 to 2 and a rank closing in channels 3 to 5,
// quantised to "#maxBits" bits, over a disc of side "#texture" + 1. The three colour
// components are three jobs taken, 2 first, by one worker thread per processor.
//
// Three jobs cannot keep more than three processors busy, and the last job can run on its
// own, so every pass of a job is split into bands of rows that any idle worker may run: the
// workers that found no job and those whose jobs are done help with the passes of the jobs
// still running. A job's owner runs bands of its own pass too and continues only once every
// band of that pass has run, so each pass reads a complete input. Each band writes only its
// own rows, so the result does not depend on which thread ran it.
//
// The classification state owns the bookkeeping around a run; its runRancours is:
//   1. if the stage state word is 2, return;
//   2. make the working image reference the image, working-image state 1;
//   3. output = RancourStage(texture, t%, maxBits).run(working image, range) — throws
//      CvExCancel or "Unhandled exception in worker thread." with the stage state left at 0;
//   4. release the working image, working-image state 0;
//   5. Segmentation::setImage(output); the global classification's image references output,
//      its seven job lists emptied and its seven result words set to -1;
//   6. stage state word 2.
class RancourStage {
 public:
  using Image = Rancour::Image;
  using Output = Rancour::Output;
  // Called in a worker thread as each job starts; for tracing and tests.
  using JobObserver = std::function<void(int32_t job)>;

  // A negative texture counts as 0 and "#maxBits" is held to 0..8 (8-bit samples cannot be
  // quantised to more bits).
  RancourStage(int32_t texture, float tPercent, int32_t maxBits);
  RancourStage(const RancourStage&) = delete;
  RancourStage& operator=(const RancourStage&) = delete;

  // Runs the stage on `image` and returns the analysis image over the image's box (same index
  // values). Reports no progress of its own.
  Output run(const Image& image, ProgressRange progress);

  // The next job, or Rancour::kNoJob once all are taken or the run was cancelled or failed.
  int32_t nextJob();
  void setCancelled() { pool_.setCancelled(); }
  void setFailed() { pool_.setFailed(); }

  // Runs body(bandFirst, bandLast) over the rows first..last split into bands, in the calling
  // thread and on any idle worker, and returns once every band has run. A band's exception
  // is raised here, in the caller's thread, after all bands have ended.
  void runBands(int32_t first, int32_t last, const std::function<void(int32_t, int32_t)>& body);
  // A worker's part once it has no job of its own: runs bands of the others' passes until no
  // worker holds a job any more (or the run has stopped).
  void helpUntilDone();
  // Bookkeeping of the workers holding a job, which the helpers wait for.
  void jobTaken();
  void jobsLeft();

  void setJobObserver(JobObserver observer) { observer_ = std::move(observer); }
  void observeJob(int32_t job) const {
    if (observer_) observer_(job);
  }

  int32_t texture() const { return texture_; }
  float tPercent() const { return tPercent_; }
  int32_t maxBits() const { return maxBits_; }

 private:
  int32_t texture_;
  float tPercent_;
  int32_t maxBits_;
  corvane::WorkerPool pool_;
  JobObserver observer_;

  // One pass open for helpers: its bands are handed out from `nextBand` down to 0.
  struct Pass {
    const std::function<void(int32_t, int32_t)>* body;
    int32_t first, last, step;
    int32_t nextBand;
    int32_t unfinished;
    std::exception_ptr error;
  };
  // Takes and runs one band of `pass` (lock held on entry and on return).
  void runOneBand(Pass& pass, std::unique_lock<std::mutex>& lock);
  Pass* passWithMostBands() const;

  std::mutex bandMutex_;
  std::condition_variable bandSignal_;
  std::vector<Pass*> open_;
  int32_t holders_ = 0;
  unsigned threads_ = 1;
};

}  // namespace classification
