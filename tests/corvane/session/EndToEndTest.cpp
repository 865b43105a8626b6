// A whole session as the application drives it, through the public interface only: scale,
// status image, session, analysis, strokes, labels, fills, clean-up, masks in every pixel
// type, undo and redo. Every operation is cancelled at each of its progress reports in turn:
// a cancelled operation must leave the statuses and the undo history exactly as they were.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "Corvane.h"
#include "EngineTestSupport.h"
#include "util/PerformanceCounter.h"

namespace {

constexpr uint32_t kW = 96, kH = 72;

// The host-wide callback reaches the same counter as the call's own, so reports through
// either path are counted.
using Canceller = enginetest::HostProgress;
Canceller* hostCanceller = nullptr;
int32_t hostCallback(uint8_t percent, void*) {
  return hostCanceller ? Canceller::callback(percent, hostCanceller) : 0;
}

// An orange disc on a blue-green textured ground, opaque.
std::vector<uint8_t> photo(uint32_t w, uint32_t h) {
  std::vector<uint8_t> p(size_t{w} * h * 4);
  std::mt19937 rng(5);
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t x = 0; x < w; ++x) {
      const double d = std::hypot(x - w / 2.0, y - h / 2.0), a = std::clamp(20.0 - d, 0.0, 1.0);
      uint8_t* q = &p[(size_t{y} * w + x) * 4];
      const int n = int(rng() % 9) - 4;
      q[0] = uint8_t(std::clamp(int(a * 40 + (1 - a) * 170) + n, 0, 255));        // blue
      q[1] = uint8_t(std::clamp(int(a * 120 + (1 - a) * (90 + x)) + n, 0, 255));  // green
      q[2] = uint8_t(std::clamp(int(a * 235 + (1 - a) * 40) + n, 0, 255));        // red
      q[3] = 255;
    }
  return p;
}

struct History {
  std::vector<uint8_t> statuses;
  uint32_t undo = 0, redo = 0;
  bool operator==(const History& o) const {
    return statuses == o.statuses && undo == o.undo && redo == o.redo;
  }
};

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    source = photo(2 * kW, 2 * kH);
    engine = CvInit();
    working = std::vector<uint8_t>(size_t{kW} * kH * 4);
    picture = CvImage{kW, kH, 4 * kW, CvKindRgba8, working.data()};
    ASSERT_EQ(CvScaleImage(image(source), picture), CvOk);
    status = CvNewStatusImage(engine, picture);
    session = CvBeginSession(engine, picture, nullptr, nullptr);
    ASSERT_TRUE(engine && status && session);
    corvaneSetProgressFunction(hostCallback);
    // Every report gets past the ten-a-second throttle, so each checkpoint is cancelled.
    corvane::setPerformanceCounterStep(corvane::performanceFrequency());
  }
  void TearDown() override {
    corvane::setPerformanceCounterStep(0);
    corvaneSetProgressFunction(nullptr);
    hostCanceller = nullptr;
    EXPECT_EQ(CvFinish(engine), CvOk);
  }

  template <class Sample>
  static CvImage image(std::vector<Sample>& p, uint32_t kind = CvKindRgba8) {
    return CvImage{2 * kW, 2 * kH, uint32_t(8 * kW * sizeof(Sample)), kind, p.data()};
  }
  History history() {
    History h;
    const uint8_t* s = static_cast<const uint8_t*>(status->data);
    for (uint32_t y = 0; y < status->height; ++y)
      h.statuses.insert(h.statuses.end(), s + size_t{y} * status->stride,
                        s + size_t{y} * status->stride + status->width);
    EXPECT_EQ(CvNumAvailableUndo(session, &h.undo), CvOk);
    EXPECT_EQ(CvNumAvailableRedo(session, &h.redo), CvOk);
    return h;
  }

  // Runs `op` with a callback that stops it at report 1, 2, ... until it completes; each
  // cancelled run must answer 2 and change nothing.
  CvResult cancelEverywhere(const std::string& name,
                            const std::function<CvResult(CvProgressCallback, void*)>& op) {
    for (int k = 1; k < 10000; ++k) {
      const History before = history();
      Canceller c;
      c.stopAt = k;
      hostCanceller = &c;
      const CvResult r = op(&Canceller::callback, &c);
      hostCanceller = nullptr;
      if (r != CvCancelled) {
        EXPECT_GT(k, 1) << name << " was never cancelled";
        return r;
      }
      EXPECT_TRUE(history() == before) << name << " cancelled at report " << k;
    }
    ADD_FAILURE() << name << " never completed";
    return CvException;
  }

  std::vector<uint8_t> source, working;
  CvImage picture{};
  CvEngine* engine = nullptr;
  CvImage* status = nullptr;
  CvSession* session = nullptr;
};

TEST_F(EndToEnd, WholeSessionSurvivesCancelsAtEveryReport) {
  ASSERT_EQ(CvSetAnalysisParameters(session, 0.5f, 2, 1 | (1 << 8)), CvOk);
  ASSERT_EQ(cancelEverywhere(
                "Analyse Image",
                [&](CvProgressCallback cb, void* ctx) { return CvAnalyseImage(session, cb, ctx); }),
            CvOk);
  EXPECT_NE(session->segmented, 0u);

  // A keep stroke on the disc, a delete stroke in a corner, a band of blend labels between.
  std::vector<uint8_t> ones(size_t{kW} * kH, 1), labels(size_t{kW} * kH, 0);
  for (uint32_t x = 20; x < 30; ++x) labels[36 * kW + x] = CvStatusBlend;
  const CvSelection keep{44, 32, CvImage{8, 8, 8, CvKindStatus, ones.data()}};
  const CvSelection ring{46, 34, CvImage{4, 4, 0, CvKindStatus, nullptr}};
  const CvSelection del{2, 2, CvImage{10, 10, 10, CvKindStatus, ones.data()}};
  const CvSelection placed{0, 0, CvImage{kW, kH, kW, CvKindStatus, labels.data()}};
  const std::pair<const char*, std::function<CvResult(CvProgressCallback, void*)>> steps[] = {
      {"Select keep",
       [&](CvProgressCallback cb, void* ctx) {
         return CvSelect(session, status, &keep, CvStatusKeep, CvStatusClassMask, 1, 0.0f, cb, ctx);
       }},
      {"Select keep at a colour level",
       [&](CvProgressCallback cb, void* ctx) {
         return CvSelect(session, status, &ring, CvStatusKeep, CvStatusClassMask, 1, 3.0f, cb, ctx);
       }},
      {"Select delete",
       [&](CvProgressCallback cb, void* ctx) {
         return CvSelect(session, status, &del, CvStatusDelete, CvStatusClassMask, 0, 0.0f, cb,
                         ctx);
       }},
      {"SetStatus", [&](CvProgressCallback cb,
                        void* ctx) { return CvSetStatus(session, status, &placed, cb, ctx); }},
      {"Auto complex", [&](CvProgressCallback cb,
                           void* ctx) { return CvAutoComplex(session, status, 0.75f, cb, ctx); }},
      {"Despeckle", [&](CvProgressCallback cb,
                        void* ctx) { return CvDespeckleSelection(session, status, 3, cb, ctx); }},
      {"Auto fill", [&](CvProgressCallback cb, void* ctx) {
         return CvAutoFill(session, status, 0, 0, 0.75f, cb, ctx);
       }}};
  for (const auto& step : steps) {
    ASSERT_EQ(CvCommitUndoStep(session), CvOk);
    ASSERT_EQ(cancelEverywhere(step.first, step.second), CvOk) << step.first;
  }

  // Masks at full size in every pixel type; the output starts as the source. A rectangle's mask
  // undoes its own fill, and so does every cancelled one.
  const History beforeMasks = history();
  std::vector<uint8_t> out8;
  const CvRect part{8, 8, 40, 30};
  ASSERT_EQ(cancelEverywhere("Generate mask of a rectangle",
                             [&](CvProgressCallback, void*) {
                               out8 = source;
                               return CvGenerateMask(session, &part, image(out8), image(source),
                                                     status, nullptr, 0, 0.75f, 0.2f, nullptr, 0,
                                                     nullptr, nullptr);
                             }),
            CvOk);
  EXPECT_TRUE(history() == beforeMasks);
  ASSERT_EQ(cancelEverywhere("Generate mask",
                             [&](CvProgressCallback, void*) {  // the host-wide callback
                               out8 = source;
                               return CvGenerateMask(session, nullptr, image(out8), image(source),
                                                     status, nullptr, 0, 0.75f, 0.2f, nullptr, 0,
                                                     nullptr, nullptr);
                             }),
            CvOk);
  // The kept disc centre is opaque, the deleted corner transparent.
  EXPECT_EQ(out8[(size_t{kH} * 2 * kW + kW) * 4 + 3], 255);
  EXPECT_EQ(out8[(size_t{4} * 2 * kW + 4) * 4 + 3], 0);
  for (uint32_t kind : {CvKindRgba16, CvKindRgbaHalf16}) {
    const uint32_t max = kind == CvKindRgba16 ? 65535 : 32768;
    std::vector<uint16_t> src16(source.size());
    for (size_t i = 0; i < source.size(); ++i) src16[i] = uint16_t((source[i] * max + 127) / 255);
    std::vector<uint16_t> out16 = src16;
    ASSERT_EQ(CvGenerateMask(session, nullptr, image(out16, kind), image(src16, kind), status,
                             nullptr, 0, 0.75f, 0.2f, nullptr, 0, nullptr, nullptr),
              CvOk);
    // Alpha agrees with the 8-bit mask within rounding wherever the classes decide it.
    int far = 0;
    for (size_t i = 3; i < out8.size(); i += 4)
      if (std::abs(double(out16[i]) / max - out8[i] / 255.0) > 0.1) ++far;
    EXPECT_LT(far, int(out8.size() / 4 / 50)) << "kind " << kind;
  }
  EXPECT_TRUE(history() == beforeMasks) << "mask generation must leave the statuses as they were";

  // Undo everything, redo everything.
  const History done = history();
  ASSERT_EQ(done.undo, 7u);
  for (uint32_t i = 0; i < done.undo; ++i) ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(history().undo, 0u);
  for (uint32_t i = 0; i < done.undo; ++i) ASSERT_EQ(CvRedo(session, nullptr, nullptr), CvOk);
  EXPECT_TRUE(history() == done);
  EXPECT_EQ(CvEndSession(session, nullptr, nullptr), CvOk);
}

}  // namespace
