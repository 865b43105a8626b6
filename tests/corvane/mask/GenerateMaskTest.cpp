#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "Corvane.h"
#include "MaskTestSupport.h"
#include "engine/CvInImage.h"
#include "engine/CvInSession.h"
#include "kestrum/utility/IiUI.h"
#include "mask/GenerateMask.h"
#include "mask/MaskPixelType.h"
#include "util/CvExCancel.h"

using masktest::HostPicture;
using masktest::MaskSession;
using masktest::Shade;

namespace {

const Shade kRed{0.0f, 0.0f, 1.0f};
const Shade kBlue{1.0f, 0.0f, 0.0f};
const Shade kGrey{0.5f, 0.5f, 0.5f};

// 48 × 12 status pixels: columns 0..15 kept, 16..31 a blend band, 32..47 deleted. The picture
// runs from `left` through the band to `right`.
struct BandScene : MaskSession {
  static constexpr uint32_t kWidth = 48, kHeight = 12;
  BandScene(Shade left, Shade right, uint8_t bandStatus = 8) : MaskSession(kWidth, kHeight) {
    for (uint32_t r = 0; r < kHeight; ++r)
      for (uint32_t c = 0; c < kWidth; ++c) {
        const float t = c < 16 ? 0.0f : c >= 32 ? 1.0f : (float(c) - 15.5f) / 16.5f;
        picture.setShade(r, c, masktest::mix(left, right, t));
      }
    begin(4);
    for (uint32_t r = 0; r < kHeight; ++r)
      for (uint32_t c = 0; c < kWidth; ++c) statusAt(r, c) = c < 16 ? 2 : c < 32 ? bandStatus : 4;
  }

  // Source and output (pre-filled with the source) of `kind` at `factor` times the size.
  struct Run {
    std::unique_ptr<HostPicture> source, output;
    CvResult result;
  };
  Run generate(uint32_t kind, uint32_t factor, const CvRect* rect = nullptr,
               const MaskPatchRequest* patches = nullptr, uint32_t patchCount = 0,
               const ForcedEdgeRequest* edges = nullptr, uint32_t edgeCount = 0,
               float blendWidth = 1.0f) {
    Run run;
    run.source = std::make_unique<HostPicture>(kWidth * factor, kHeight * factor, kind);
    masktest::enlarge(picture, *run.source, factor);
    run.output = std::make_unique<HostPicture>(*run.source);
    run.output->description.data = run.output->bytes.data();
    run.result =
        CvGenerateMask(session, rect, run.output->description, run.source->description, status,
                       edges, edgeCount, blendWidth, 0.0f, patches, patchCount, nullptr, nullptr);
    return run;
  }
};

TEST(GenerateMask, BlendBandBetweenKeptRedAndDeletedBlueFadesOutAndCleansTowardRed) {
  BandScene scene(kRed, kBlue);
  const std::vector<uint8_t> before = scene.statuses();
  const auto run = scene.generate(CvKindRgba8, 1);
  ASSERT_EQ(run.result, CvOk);
  const HostPicture& out = *run.output;
  for (uint32_t r = 0; r < BandScene::kHeight; ++r) {
    EXPECT_EQ(out.alpha(r, 15), 1.0f);
    EXPECT_EQ(out.alpha(r, 32), 0.0f);
    for (uint32_t c = 16; c <= 32; ++c) EXPECT_LE(out.alpha(r, c), out.alpha(r, c - 1));
    EXPECT_GT(out.alpha(r, 18), 0.75f);
    EXPECT_LT(out.alpha(r, 29), 0.25f);
    // The blue that the deleted side mixed in is taken out again.
    for (uint32_t c = 17; c <= 30; ++c) {
      EXPECT_GE(out.sample(r, c, 2), 250u) << c;
      EXPECT_LE(out.sample(r, c, 0), 5u) << c;
    }
  }
  EXPECT_EQ(scene.statuses(), before);
}

TEST(GenerateMask, EveryPixelTypeAndFactorGivesTheAlphaOfTheEightBitOne) {
  for (uint32_t factor : {1u, 2u}) {
    BandScene scene(kRed, kBlue);
    const auto reference = scene.generate(CvKindRgba8, factor);
    ASSERT_EQ(reference.result, CvOk);
    for (uint32_t kind : {uint32_t(CvKindRgba16), uint32_t(CvKindRgbaHalf16)}) {
      const auto run = scene.generate(kind, factor);
      ASSERT_EQ(run.result, CvOk);
      for (uint32_t r = 0; r < reference.output->height; ++r)
        for (uint32_t c = 0; c < reference.output->width; ++c)
          ASSERT_NEAR(run.output->alpha(r, c), reference.output->alpha(r, c), 2.0f / 255.0f)
              << "kind " << kind << " factor " << factor << " at " << r << "," << c;
    }
  }
}

TEST(GenerateMask, ChoicesPatchMattesTheBandAndOneInsideTheKeptAreaChangesNothing) {
  BandScene scene(kRed, kBlue);
  MaskPatchRequest patch{};
  patch.x = 12;
  patch.y = 0;
  patch.width = 24;
  patch.height = 12;
  patch.mode = CvPatchChoices;
  patch.param1 = 0.5f;
  patch.param2 = 0.5f;
  const auto matted = scene.generate(CvKindRgba8, 1, nullptr, &patch, 1);
  ASSERT_EQ(matted.result, CvOk);
  for (uint32_t r = 0; r < BandScene::kHeight; ++r) {
    EXPECT_EQ(matted.output->alpha(r, 14), 1.0f);
    EXPECT_EQ(matted.output->alpha(r, 33), 0.0f);
    EXPECT_GT(matted.output->alpha(r, 18), matted.output->alpha(r, 24));
    EXPECT_GT(matted.output->alpha(r, 24), matted.output->alpha(r, 29));
  }

  const auto plain = scene.generate(CvKindRgba8, 1);
  MaskPatchRequest inside = patch;
  inside.x = 2;
  inside.width = 6;
  const std::vector<uint8_t> before = scene.statuses();
  const auto held = scene.generate(CvKindRgba8, 1, nullptr, &inside, 1);
  ASSERT_EQ(held.result, CvOk);
  EXPECT_EQ(held.output->bytes, plain.output->bytes);
  EXPECT_EQ(scene.statuses(), before);
  EXPECT_EQ(scene.generate(CvKindRgba8, 1).result, CvOk);
}

TEST(GenerateMask, ActivePatchWorksOnlyInsideItsMask) {
  BandScene scene(kRed, kBlue);
  // A four-byte mask: only the pixels with alpha belong to the patch.
  std::vector<uint8_t> mask(48 * 12 * 4, 0);
  for (uint32_t r = 0; r < 6; ++r)
    for (uint32_t c = 0; c < 48; ++c) mask[(r * 48 + c) * 4 + 3] = 255;
  MaskPatchRequest patch{};
  patch.width = 48;
  patch.height = 12;
  patch.stride = 48 * 4;
  patch.kind = 1;
  patch.data = mask.data();
  patch.isActive = 1;
  const auto run = scene.generate(CvKindRgba8, 1, nullptr, &patch, 1);
  ASSERT_EQ(run.result, CvOk);
  EXPECT_EQ(run.output->alpha(2, 40), 0.0f);
  EXPECT_EQ(run.output->alpha(9, 40), 1.0f);  // held: as pre-filled
  for (uint8_t s : scene.statuses()) EXPECT_EQ(s & 0xC0, 0);
}

TEST(GenerateMask, OnlyOneClassGivesThePictureOrNothing) {
  BandScene keep(kRed, kBlue);
  for (uint32_t r = 0; r < BandScene::kHeight; ++r)
    for (uint32_t c = 0; c < BandScene::kWidth; ++c) keep.statusAt(r, c) = 2;
  const auto all = keep.generate(CvKindRgba8, 2);
  ASSERT_EQ(all.result, CvOk);
  EXPECT_EQ(all.output->bytes, all.source->bytes);

  BandScene drop(kRed, kBlue);
  for (uint32_t r = 0; r < BandScene::kHeight; ++r)
    for (uint32_t c = 0; c < BandScene::kWidth; ++c) drop.statusAt(r, c) = 4;
  const auto none = drop.generate(CvKindRgba8, 1);
  ASSERT_EQ(none.result, CvOk);
  EXPECT_EQ(none.output->sample(3, 3, 2), 255u);  // the output's own colour stays
  EXPECT_EQ(none.output->alpha(3, 3), 0.0f);
}

TEST(GenerateMask, NeedsBlendRadii) {
  MaskSession scene(16, 8);
  scene.begin(4);
  masktest::HostPicture out(16, 8, CvKindRgba8);
  // A session that analyses itself and was not analysed.
  MaskSession::object(scene.session).setSegmented(false);
  EXPECT_EQ(CvGenerateMask(scene.session, nullptr, out.description, out.description, scene.status,
                           nullptr, 0, 1.0f, 0.0f, nullptr, 0, nullptr, nullptr),
            CvNeedsSegmentation);
}

TEST(GenerateMask, UnreadableDescriptionsAndRecordsAnswerOne) {
  BandScene scene(kRed, kBlue);
  HostPicture out(48, 12, CvKindRgba8), wide(48, 12, CvKindRgba16), small(40, 12, CvKindRgba8),
      other(20, 12, CvKindRgba8);
  const auto call = [&](CvImage o, CvImage s, CvImage* status = nullptr,
                        const MaskPatchRequest* patches = nullptr, uint32_t patchCount = 0,
                        const ForcedEdgeRequest* edges = nullptr, uint32_t edgeCount = 0) {
    return CvGenerateMask(scene.session, nullptr, o, s, status ? status : scene.status, edges,
                          edgeCount, 1.0f, 0.5f, patches, patchCount, nullptr, nullptr);
  };
  const CvImage good = out.description;
  EXPECT_EQ(call(good, wide.description), CvPreconditionFailed);   // kinds differ
  EXPECT_EQ(call(good, small.description), CvPreconditionFailed);  // source too small
  CvImage bad = good;
  bad.kind = 4;
  EXPECT_EQ(call(bad, bad), CvPreconditionFailed);
  bad = good;
  bad.data = nullptr;
  EXPECT_EQ(call(bad, good), CvPreconditionFailed);
  bad = good;
  bad.stride = 48 * 4 - 1;
  EXPECT_EQ(call(bad, good), CvPreconditionFailed);
  bad = good;
  bad.stride = 0x80000000u;  // a row far beyond the buffer is still refused by its kind's size
  bad.width = 0x40000000u;
  EXPECT_EQ(call(bad, good), CvPreconditionFailed);
  CvImage* otherStatus = CvNewStatusImage(scene.engine, other.description);
  EXPECT_EQ(call(good, good, otherStatus), CvPreconditionFailed);
  EXPECT_EQ(call(good, good, nullptr, nullptr, 1), CvPreconditionFailed);
  EXPECT_EQ(call(good, good, nullptr, nullptr, 0, nullptr, 2), CvPreconditionFailed);
  const ForcedEdgeRequest pointless{nullptr, 3, 1.0f};
  EXPECT_EQ(call(good, good, nullptr, nullptr, 0, &pointless, 1), CvPreconditionFailed);
  uint8_t maskBytes[16] = {};
  MaskPatchRequest patch{};
  patch.width = 4;
  patch.height = 4;
  patch.stride = 4;
  patch.kind = 1;  // four bytes a pixel need a stride of 16
  patch.data = maskBytes;
  EXPECT_EQ(call(good, good, nullptr, &patch, 1), CvPreconditionFailed);
  patch.kind = 7;
  EXPECT_EQ(call(good, good, nullptr, &patch, 1), CvPreconditionFailed);
  patch.kind = 0;
  patch.width = -4;
  EXPECT_EQ(call(good, good, nullptr, &patch, 1), CvPreconditionFailed);
  // A bad status image handle wins over a bad session.
  EXPECT_EQ(CvGenerateMask(nullptr, nullptr, good, good, nullptr, nullptr, 0, 1.0f, 0.5f, nullptr,
                           0, nullptr, nullptr),
            CvInvalidImage);
  // The engine stays usable.
  EXPECT_EQ(call(good, good), CvOk);
}

TEST(CvAutoFillEntry, OneUndoableStepAndNoBandBeforeAnAnalysis) {
  MaskSession scene(12, 6);
  scene.session = CvBeginSession(scene.engine, scene.picture.description, nullptr, nullptr);
  scene.status = CvNewStatusImage(scene.engine, scene.picture.description);
  for (uint32_t r = 0; r < 6; ++r)
    for (uint32_t c = 0; c < 12; ++c) scene.statusAt(r, c) = c < 4 ? 2 : 1;
  const std::vector<uint8_t> before = scene.statuses();
  ASSERT_EQ(CvAutoFill(scene.session, scene.status, 0, 2, 3.0f, nullptr, nullptr), CvOk);
  EXPECT_EQ(scene.statusAt(3, 4), 4);  // no blend band without blend radii
  EXPECT_EQ(scene.undoCount(), 1u);
  EXPECT_EQ(scene.session->changedWidth, 12u);
  ASSERT_EQ(CvUndo(scene.session, nullptr, nullptr), CvOk);
  EXPECT_EQ(scene.statuses(), before);

  MaskSession::giveRadii(scene.session, 4);
  ASSERT_EQ(CvAutoFill(scene.session, scene.status, 0, 2, 1.0f, nullptr, nullptr), CvOk);
  EXPECT_EQ(scene.statusAt(3, 4), 8);
  EXPECT_EQ(CvAutoFill(scene.session, nullptr, 0, 2, 1.0f, nullptr, nullptr), CvInvalidImage);
}

}  // namespace
