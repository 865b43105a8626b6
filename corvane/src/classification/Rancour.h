#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <functional>

#include "kestrum/utility/Colour.h"
#include "kestrum/utility/ProgressRange.h"

namespace classification {

class RancourStage;

// The body of one worker thread of the analysis-image stage: runs the job it was given, then
// takes further jobs from the stage until none is left. Job j reads colour component 2 - j of
// the working image and writes the rank opening into output channel j and the rank closing
// into channel j + 3.
class Rancour {
 public:
  using Image = blitz::Array<kestrum::utility::Colour<unsigned char>, 2>;
  using Output = blitz::Array<blitz::TinyVector<unsigned char, 6>, 2>;
  static constexpr int32_t kNoJob = -1;
  using BandBody = std::function<void(int32_t bandFirst, int32_t bandLast)>;
  // Runs a body over bands of the rows first..last, possibly on several threads, and returns
  // once every band has run.
  using BandRunner = std::function<void(int32_t first, int32_t last, const BandBody& body)>;

  Rancour(RancourStage* stage, Output* output, const Image* working, int32_t texture, int32_t job)
      : stage_(stage), output_(output), working_(working), texture_(texture), job_(job) {}

  // Never throws: a cancellation or any other exception is recorded in the stage and ends the
  // thread. A worker whose jobs are done helps with the bands of the jobs still running.
  void operator()();

  // One job. Texture 0 copies the source into both outputs unchanged. Otherwise the source is
  // quantised to `maxBits` bits and both outputs receive values 0 .. 2^maxBits - 1: channel A
  // the rank opening (low fraction `tPercent`, then high fraction 1 - `tPercent` of that) and
  // channel B the rank closing (the same in the other order), over a disc of side
  // texture + 1. All three arrays share one box. Each pass over the rows goes through
  // `bands` when one is given (without one the passes run whole, reporting into `progress`).
  static void work(blitz::Array<uint8_t, 2> channelA, blitz::Array<uint8_t, 2> channelB,
                   const blitz::Array<uint8_t, 2>& source, int32_t texture, float tPercent,
                   int32_t maxBits, ProgressRange progress, const BandRunner& bands = {});

  static int sourceComponent(int32_t job) { return 2 - job; }

 private:
  RancourStage* stage_;
  Output* output_;
  const Image* working_;
  int32_t texture_;
  int32_t job_;
};

}  // namespace classification
