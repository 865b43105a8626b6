// A whole session as the application drives it, through the public interface only: scale,
// status image, session, analysis, strokes, labels, fills, clean-up, masks in every pixel
// type, undo and redo. Every operation is then cancelled at each of its progress reports in
// turn: a cancelled operation must leave the statuses and the undo history exactly as they
// were, and the engine usable.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "Corvane.h"

namespace {

constexpr uint32_t kW = 96, kH = 72;

// Counts reports and answers 2 ("stop") at report number `stopAt` (1-based; 0 never).
struct Canceller {
  int reports = 0;
  int stopAt = 0;
  static int32_t callback(uint8_t, void* context) {
    auto* c = static_cast<Canceller*>(context);
    return ++c->reports == c->stopAt ? 2 : 0;
  }
};
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

// The same picture with 16-bit samples of maximum `max`.
std::vector<uint16_t> widen(const std::vector<uint8_t>& p, uint32_t max) {
  std::vector<uint16_t> out(p.size());
  for (size_t i = 0; i < p.size(); ++i) out[i] = uint16_t((p[i] * max + 127) / 255);
  return out;
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
    ASSERT_NE(engine, nullptr);
    working = std::vector<uint8_t>(size_t{kW} * kH * 4);
    ASSERT_EQ(CvScaleImage(CvImage{2 * kW, 2 * kH, 8 * kW, CvKindRgba8, source.data()},
                           CvImage{kW, kH, 4 * kW, CvKindRgba8, working.data()}),
              CvOk);
    picture = CvImage{kW, kH, 4 * kW, CvKindRgba8, working.data()};
    status = CvNewStatusImage(engine, picture);
    ASSERT_NE(status, nullptr);
    session = CvBeginSession(engine, picture, nullptr, nullptr);
    ASSERT_NE(session, nullptr);
    corvaneSetProgressFunction(hostCallback);
  }
  void TearDown() override {
    corvaneSetProgressFunction(nullptr);
    hostCanceller = nullptr;
    if (session) {
      EXPECT_EQ(CvEndSession(session, nullptr, nullptr), CvOk);
    }
    EXPECT_EQ(CvFinish(engine), CvOk);
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
  // cancelled run must answer 2 and change nothing. Returns the completed run's result.
  CvResult cancelEverywhere(const std::string& name,
                            const std::function<CvResult(CvProgressCallback, void*)>& op) {
    for (int k = 1; k < 10000; ++k) {
      const History before = history();
      Canceller c;
      c.stopAt = k;
      hostCanceller = &c;
      const CvResult r = op(&Canceller::callback, &c);
      hostCanceller = nullptr;
      if (r != CvCancelled) return r;
      EXPECT_TRUE(history() == before) << name << " cancelled at report " << k;
    }
    ADD_FAILURE() << name << " never completed";
    return CvException;
  }

  CvSelection stroke(int32_t x, int32_t y, uint32_t w, uint32_t h, std::vector<uint8_t>& bytes) {
    bytes.assign(size_t{w} * h, 1);
    return CvSelection{x, y, CvImage{w, h, w, CvKindStatus, bytes.data()}};
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

  std::vector<uint8_t> keepBytes, deleteBytes, holeBytes;
  const CvSelection keep = stroke(44, 32, 8, 8, keepBytes);
  const CvSelection del = stroke(2, 2, 10, 10, deleteBytes);
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(cancelEverywhere("Select keep",
                             [&](CvProgressCallback cb, void* ctx) {
                               return CvSelect(session, status, &keep, CvStatusKeep,
                                               CvStatusClassMask, 1, 0.0f, cb, ctx);
                             }),
            CvOk);
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(cancelEverywhere("Select delete",
                             [&](CvProgressCallback cb, void* ctx) {
                               return CvSelect(session, status, &del, CvStatusDelete,
                                               CvStatusClassMask, 0, 0.0f, cb, ctx);
                             }),
            CvOk);

  // Labels for a band of blend between the two.
  std::vector<uint8_t> labels(size_t{kW} * kH, 0);
  for (uint32_t x = 20; x < 30; ++x) labels[36 * kW + x] = CvStatusBlend;
  const CvSelection placed{0, 0, CvImage{kW, kH, kW, CvKindStatus, labels.data()}};
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(cancelEverywhere("SetStatus",
                             [&](CvProgressCallback cb, void* ctx) {
                               return CvSetStatus(session, status, &placed, cb, ctx);
                             }),
            CvOk);

  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(cancelEverywhere("Auto complex",
                             [&](CvProgressCallback cb, void* ctx) {
                               return CvAutoComplex(session, status, 0.75f, cb, ctx);
                             }),
            CvOk);
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(cancelEverywhere("Despeckle",
                             [&](CvProgressCallback cb, void* ctx) {
                               return CvDespeckleSelection(session, status, 3, cb, ctx);
                             }),
            CvOk);
  ASSERT_EQ(CvCommitUndoStep(session), CvOk);
  ASSERT_EQ(cancelEverywhere("Auto fill",
                             [&](CvProgressCallback cb, void* ctx) {
                               return CvAutoFill(session, status, 0, 0, 0.75f, cb, ctx);
                             }),
            CvOk);

  // Masks at full size in every pixel type; the output starts as the source.
  const History beforeMasks = history();
  std::vector<uint8_t> out8 = source;
  ASSERT_EQ(cancelEverywhere("Generate mask 8",
                             [&](CvProgressCallback, void*) {
                               out8 = source;
                               return CvGenerateMask(
                                   session, nullptr,
                                   CvImage{2 * kW, 2 * kH, 8 * kW, CvKindRgba8, out8.data()},
                                   CvImage{2 * kW, 2 * kH, 8 * kW, CvKindRgba8, source.data()},
                                   status, nullptr, 0, 0.75f, 0.2f, nullptr, 0, nullptr, nullptr);
                             }),
            CvOk);
  for (uint32_t kind : {CvKindRgba16, CvKindRgbaHalf16}) {
    const std::vector<uint16_t> src16 = widen(source, kind == CvKindRgba16 ? 65535 : 32768);
    std::vector<uint16_t> out16 = src16;
    ASSERT_EQ(
        CvGenerateMask(session, nullptr, CvImage{2 * kW, 2 * kH, 16 * kW, kind, out16.data()},
                       CvImage{2 * kW, 2 * kH, 16 * kW, kind, const_cast<uint16_t*>(src16.data())},
                       status, nullptr, 0, 0.75f, 0.2f, nullptr, 0, nullptr, nullptr),
        CvOk);
    // Alpha agrees with the 8-bit mask within rounding wherever the classes decide it.
    const uint32_t max = kind == CvKindRgba16 ? 65535 : 32768;
    int far = 0;
    for (size_t i = 3; i < out8.size(); i += 4)
      if (std::abs(double(out16[i]) / max - out8[i] / 255.0) > 0.1) ++far;
    EXPECT_LT(far, int(out8.size() / 4 / 50)) << "kind " << kind;
  }
  EXPECT_TRUE(history() == beforeMasks) << "mask generation must leave the statuses as they were";
  // The kept disc centre is opaque, the deleted corner transparent.
  EXPECT_EQ(out8[(size_t{kH} * 2 * kW + kW) * 4 + 3], 255);
  EXPECT_EQ(out8[(size_t{4} * 2 * kW + 4) * 4 + 3], 0);

  // Undo everything, redo everything.
  History done = history();
  ASSERT_GT(done.undo, 0u);
  const uint32_t steps = done.undo;
  for (uint32_t i = 0; i < steps; ++i) ASSERT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(history().undo, 0u);
  for (uint32_t i = 0; i < steps; ++i) ASSERT_EQ(CvRedo(session, nullptr, nullptr), CvOk);
  EXPECT_TRUE(history() == done);

  ASSERT_EQ(CvEndSession(session, nullptr, nullptr), CvOk);
  session = nullptr;
}

}  // namespace
