// A thousand random calls, valid and invalid, on one engine: the engine must never crash or
// leak (the suite also runs under AddressSanitizer), must answer only the codes each entry
// documents, and must never fail internally (code 4) on anything a host can pass it.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "Corvane.h"

namespace {

constexpr uint32_t kW = 64, kH = 48;

int32_t stopSometimes(uint8_t, void* context) {
  auto* rng = static_cast<std::mt19937*>(context);
  return (*rng)() % 40 == 0 ? 2 : 0;
}

TEST(Soak, ThousandRandomCallsAnswerOnlyDocumentedCodes) {
  std::mt19937 rng(20261206);
  auto pick = [&](uint32_t n) { return uint32_t(rng() % n); };

  std::vector<uint8_t> picture(size_t{kW} * kH * 4);
  for (size_t i = 0; i < picture.size(); ++i)
    picture[i] =
        (i % 4 == 3) ? (pick(50) ? 255 : 0) : uint8_t((i * 37 / 4 + (i / (kW * 4)) * 11) % 256);
  const CvImage image{kW, kH, kW * 4, CvKindRgba8, picture.data()};

  CvEngine* engine = CvInit();
  ASSERT_NE(engine, nullptr);
  CvImage* status = CvNewStatusImage(engine, image);
  ASSERT_NE(status, nullptr);
  CvEngine* other = CvInit();
  CvImage* foreignStatus = CvNewStatusImage(other, image);

  std::vector<CvSession*> live;
  std::vector<CvSession*> ended;
  uint64_t garbage[16] = {0xFFFFFFFB, 0xFFFFFFFB, 0xFFFFFFFB, 0xFFFFFFFB};

  // A live handle most of the time; otherwise null, garbage, an ended session, an image.
  auto anySession = [&]() -> CvSession* {
    const uint32_t k = pick(6);
    std::vector<CvSession*>& from = k == 2 ? ended : live;
    if (k == 0 || k == 1 || k == 3 || from.empty())
      return k == 1   ? reinterpret_cast<CvSession*>(garbage)
             : k == 3 ? reinterpret_cast<CvSession*>(status)
                      : nullptr;
    return from[pick(uint32_t(from.size()))];
  };
  auto anyImage = [&]() -> CvImage* {
    CvImage* const choices[] = {nullptr, reinterpret_cast<CvImage*>(garbage), foreignStatus};
    const uint32_t k = pick(6);
    return k < 3 ? choices[k] : status;
  };
  std::vector<uint8_t> strokeBytes(size_t{kW} * kH, 1);
  auto anySelection = [&]() {
    const int32_t x = int32_t(pick(kW + 20)) - 10, y = int32_t(pick(kH + 20)) - 10;
    const uint32_t w = pick(40), h = pick(40);
    return CvSelection{
        x, y,
        CvImage{w, h, pick(4) ? w : 0, pick(8) ? 0u : 3u, pick(4) ? strokeBytes.data() : nullptr}};
  };
  auto expect = [&](const char* entry, CvResult r, std::initializer_list<CvResult> allowed) {
    EXPECT_TRUE(std::set<CvResult>(allowed).count(r)) << entry << " answered " << r;
    EXPECT_NE(r, CvException) << entry << " failed inside the engine";
  };

  std::vector<uint8_t> out(picture.size());
  for (int i = 0; i < 1000; ++i) {
    void* ctx = &rng;
    const CvProgressCallback cb = pick(3) ? stopSometimes : nullptr;
    switch (pick(16)) {
      case 0: {
        CvSession* s = CvBeginSession(engine, image, cb, ctx);
        if (s) live.push_back(s);
        break;
      }
      case 1: {
        const CvSelection sel = anySelection();
        CvSession* s =
            CvBeginSubSession(anySession(), pick(5) ? &sel : nullptr, int32_t(pick(2)), cb, ctx);
        if (s) live.push_back(s);
        break;
      }
      case 2: {
        if (live.empty()) break;
        const uint32_t k = pick(uint32_t(live.size()));
        expect("CvEndSession", CvEndSession(live[k], cb, ctx), {0});
        // Ending a session ends its sub-sessions: move every handle no longer live.
        for (size_t j = live.size(); j-- > 0;) {
          uint32_t n;
          if (CvNumAvailableUndo(live[j], &n) == CvOk) continue;
          ended.push_back(live[j]);
          live.erase(live.begin() + long(j));
        }
        break;
      }
      case 3:
        expect("CvAnalyseImage", CvAnalyseImage(anySession(), cb, ctx), {0, 2, 3, 6, 7, 10});
        break;
      case 4: {
        const CvSelection sel = anySelection();
        expect("CvSelect",
               CvSelect(anySession(), anyImage(), &sel, uint8_t(1u << pick(6)),
                        uint8_t(1u << pick(6)), int32_t(pick(2)), float(pick(9)), cb, ctx),
               {0, 1, 2, 3, 6, 7, 9, 10});
        break;
      }
      case 5: {
        const CvSelection sel = anySelection();
        expect("CvSetStatus",
               CvSetStatus(anySession(), anyImage(), pick(6) ? &sel : nullptr, cb, ctx),
               {0, 1, 2, 3, 6, 7, 9});
        break;
      }
      case 6:
        expect("CvUndo", CvUndo(anySession(), cb, ctx), {0, 6, 7});
        break;
      case 7:
        expect("CvRedo", CvRedo(anySession(), cb, ctx), {0, 6, 7});
        break;
      case 8: {
        uint32_t n = 12345;
        expect("CvNumAvailableUndo", CvNumAvailableUndo(anySession(), &n), {0, 6, 7});
        expect("CvCommitUndoStep", CvCommitUndoStep(anySession()), {0, 6, 7});
        break;
      }
      case 9:
        expect("CvAutoFill",
               CvAutoFill(anySession(), anyImage(), 0, uint8_t(pick(5)), float(pick(3)), cb, ctx),
               {0, 1, 2, 3, 6, 7, 9, 10});
        break;
      case 10:
        expect("CvAutoComplex", CvAutoComplex(anySession(), anyImage(), float(pick(3)), cb, ctx),
               {0, 1, 2, 3, 6, 7, 9, 10});
        break;
      case 11:
        expect("CvDespeckleSelection",
               CvDespeckleSelection(anySession(), anyImage(), uint8_t(pick(8)), cb, ctx),
               {0, 1, 2, 3, 6, 7, 9, 10});
        break;
      case 12: {
        out = picture;
        const CvRect rect{int32_t(pick(kW)) - 4, int32_t(pick(kH)) - 4, int32_t(pick(kW)),
                          int32_t(pick(kH))};
        const uint32_t outKind = pick(6) ? CvKindRgba8 : pick(4);
        expect("CvGenerateMask",
               CvGenerateMask(anySession(), pick(2) ? &rect : nullptr,
                              CvImage{kW, kH, kW * 4, outKind, pick(8) ? out.data() : nullptr},
                              image, anyImage(), nullptr, pick(8) ? 0u : 3u, float(pick(3)),
                              float(int(pick(5)) - 2), nullptr, 0, cb, ctx),
               {0, 1, 2, 3, 6, 7, 9, 10});
        break;
      }
      case 13: {
        CvVariable record{};
        const char* names[] = {"imageTol", "#texture", "nonsense", "b-careful"};
        expect("CvSetVariable",
               CvSetVariable(anySession(), names[pick(4)], pick(5) ? float(pick(11)) / 10 : NAN),
               {0, 1, 6, 7});
        expect("CvGetVariable", CvGetVariable(anySession(), names[pick(4)], &record), {0, 1, 6, 7});
        break;
      }
      case 14:
        expect("CvSetAnalysisParameters",
               CvSetAnalysisParameters(anySession(), float(pick(11)) / 10, pick(40), rng()),
               {0, 6, 7});
        break;
      case 15:
        expect("CvSetParentStatus",
               pick(2) ? CvSetParentStatus(anySession(), anyImage())
                       : CvSetStatusFromParent(anySession(), anyImage()),
               {0, 1, 6, 7, 9});
        break;
    }
  }
  expect("CvDeleteStatusImage", CvDeleteStatusImage(status), {0});
  EXPECT_EQ(CvFinish(engine), CvOk);
  EXPECT_EQ(CvFinish(other), CvOk);
}

// A texture filter byte of 255 or a huge edge width once asked the analysis for a disc of
// billions of pixels, which failed a worker and with it the engine.
TEST(Soak, WildAnalysisParametersStillAnalyse) {
  std::vector<uint8_t> picture(size_t{kW} * kH * 4, 255);
  const CvImage image{kW, kH, kW * 4, CvKindRgba8, picture.data()};
  CvEngine* engine = CvInit();
  CvSession* session = CvBeginSession(engine, image, nullptr, nullptr);
  ASSERT_NE(session, nullptr);
  ASSERT_EQ(CvSetAnalysisParameters(session, 0.5f, 0xFFFFFFFFu, 0xFFFF), CvOk);
  EXPECT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  ASSERT_EQ(CvSetVariable(session, "#texture", 1e9f), CvOk);
  EXPECT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  EXPECT_EQ(CvFinish(engine), CvOk);
}

}  // namespace
