#include "classification/Rancour.h"

#include <algorithm>

#include "classification/RancourStage.h"
#include "classification/RankFilter.h"
#include "util/BlitzViews.h"
#include "util/CvExCancel.h"
#include "util/EdgeReplication.h"

namespace classification {

namespace {

// The opening and closing passes of a band: one 8-bit rank filter over the values
// 0..maxValue, the window of a pixel being the disc extending from it towards the lower bounds
// of `input` (the reverse of the first pass, so a pass of each keeps the image in place).
void rancourBandSetup(blitz::Array<uint8_t, 2> output, const blitz::Array<uint8_t, 2>& input,
                      const blitz::Array<int32_t, 2>& disc, float fraction, int32_t maxValue,
                      ProgressRange progress) {
  rankFilter<uint8_t>(output, input, disc, -1, fraction, 0, maxValue, progress);
}

}  // namespace

void Rancour::operator()() {
  const bool holder = job_ != kNoJob;
  try {
    const BandRunner bands = [this](int32_t first, int32_t last, const BandBody& body) {
      stage_->runBands(first, last, body);
    };
    while (job_ != kNoJob) {
      stage_->observeJob(job_);
      ProgressRange progress;
      const blitz::Array<uint8_t, 2> source =
          working_->extractComponent(uint8_t(), sourceComponent(job_), 4);
      work(output_->extractComponent(uint8_t(), job_, 6),
           output_->extractComponent(uint8_t(), job_ + 3, 6), source, texture_, stage_->tPercent(),
           stage_->maxBits(), progress, bands);
      job_ = stage_->nextJob();
    }
  } catch (const CvExCancel&) {
    stage_->setCancelled();
    if (holder) stage_->jobsLeft();
    return;
  } catch (...) {
    stage_->setFailed();
    if (holder) stage_->jobsLeft();
    return;
  }
  if (holder) stage_->jobsLeft();
  stage_->helpUntilDone();
}

void Rancour::work(blitz::Array<uint8_t, 2> channelA, blitz::Array<uint8_t, 2> channelB,
                   const blitz::Array<uint8_t, 2>& source, int32_t texture, float tPercent,
                   int32_t maxBits, ProgressRange progress, const BandRunner& bands) {
  const int32_t r0 = source.lbound(0), c0 = source.lbound(1);
  const int32_t r1 = source.ubound(0), c1 = source.ubound(1);
  if (r0 > r1 || c0 > c1) return;
  const int32_t s = texture < 0 ? 0 : texture;

  if (s == 0) {
    for (int32_t r = r0; r <= r1; ++r) {
      const uint8_t* in = &source(r, c0);
      uint8_t* a = &channelA(r, c0);
      uint8_t* b = &channelB(r, c0);
      for (int32_t c = c0; c <= c1; ++c) {
        *a = *in;
        *b = *in;
        in += source.stride(1);
        a += channelA.stride(1);
        b += channelB.stride(1);
      }
    }
    return;
  }

  const int32_t bits = maxBits < 0 ? 0 : maxBits > 8 ? 8 : maxBits;
  const int32_t shift = 8 - bits;
  const int32_t maxValue = (1 << bits) - 1;
  const blitz::Array<int32_t, 2> disc = makeDisc(s + 1);

  // Every pass writes only the rows it is given and reads an input completed before it, so
  // its rows may be split into bands run anywhere.
  using PassBody = std::function<void(int32_t, int32_t, ProgressRange)>;
  auto pass = [&bands](int32_t first, int32_t last, ProgressRange range, const PassBody& body) {
    if (bands) {
      bands(first, last, [&body](int32_t a, int32_t b) { body(a, b, ProgressRange()); });
    } else {
      body(first, last, range);
    }
  };

  // The first pass's windows reach s pixels towards the upper bounds.
  blitz::Array<uint8_t, 2> padded(blitz::TinyVector<int, 2>(r0, c0),
                                  blitz::TinyVector<int, 2>(r1 - r0 + 1 + s, c1 - c0 + 1 + s));
  pass(r0, r1, ProgressRange(), [&](int32_t first, int32_t last, ProgressRange) {
    for (int32_t r = first; r <= last; ++r) {
      const uint8_t* in = &source(r, c0);
      uint8_t* p = &padded(r, c0);
      for (int32_t c = c0; c <= c1; ++c, in += source.stride(1), ++p) {
        *p = static_cast<uint8_t>(*in >> shift);
      }
    }
  });
  corvane::replicateEdges(padded, corvane::Box{r0, c0, r1, c1});

  // The second passes' windows reach s pixels towards the lower bounds, so the first pass's
  // results are framed by s pixels on every side. They are kept as two planes rather than
  // pairs of samples so that the second passes read adjacent bytes.
  const blitz::TinyVector<int, 2> frameBase(r0 - s, c0 - s);
  const blitz::TinyVector<int, 2> frameExtent(r1 - r0 + 1 + 2 * s, c1 - c0 + 1 + 2 * s);
  blitz::Array<uint8_t, 2> lowRanked(frameBase, frameExtent), highRanked(frameBase, frameExtent);
  const float low = tPercent;
  const float high = 1.0f - tPercent;
  pass(r0, r1, progress.subRange(1.0f / 6.0f),
       [&](int32_t first, int32_t last, ProgressRange range) {
         rankFilterMany<uint8_t, 2>({corvane::subView(lowRanked, first, c0, last, c1),
                                     corvane::subView(highRanked, first, c0, last, c1)},
                                    padded, disc, 1, {low, high}, 0, maxValue, range);
       });
  corvane::replicateEdges(lowRanked, corvane::Box{r0, c0, r1, c1});
  corvane::replicateEdges(highRanked, corvane::Box{r0, c0, r1, c1});

  // The opening and the closing read the first pass only: their bands form one pass, the
  // rows of the closing following those of the opening.
  const int32_t rows = r1 - r0 + 1;
  ProgressRange opening = progress.subRange(0.5f);
  ProgressRange closing = progress.subRange(2.0f / 3.0f);
  pass(r0, r1 + rows, ProgressRange(), [&](int32_t first, int32_t last, ProgressRange range) {
    if (first <= r1) {
      const int32_t to = std::min(last, r1);
      rancourBandSetup(corvane::subView(channelA, first, c0, to, c1), lowRanked, disc, high,
                       maxValue, bands ? range : opening);
    }
    if (last > r1) {
      const int32_t from = std::max(first, r1 + 1) - rows;
      rancourBandSetup(corvane::subView(channelB, from, c0, last - rows, c1), highRanked, disc, low,
                       maxValue, bands ? range : closing);
    }
  });
}

}  // namespace classification
