#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Corvane.h"
#include "engine/CvEngine.h"
#include "engine/CvExCancel.h"
#include "engine/CvInSession.h"
#include "engine/PixelStatus.h"
#include "kestrum/utility/IiUI.h"
#include "util/BoxOps.h"
#include "util/ByteComponent.h"

namespace cleanuptest {

using corvane::Box;

// Keeps every fraction it is told; throws the cancel exception at report `cancelAt` (1-based).
struct Reports : kestrum::utility::IiUI {
  int cancelAt = 0;
  std::vector<float> fractions;
  void progress(float fraction, const std::string&) override {
    fractions.push_back(fraction);
    if (static_cast<int>(fractions.size()) == cancelAt) throw CvExCancel();
  }
};

// The statuses of a select that writes class `value` over the compatible pixels the
// predicate picks inside `box`: value 2 or 4, write mask 15, target any class (15) under the
// class and flag bits (63).
struct Selection {
  uint8_t value = CvStatusKeep;
  uint8_t writeMask = 15;
  uint8_t target = 15;
  uint8_t targetMask = 63;
  int32_t mode = 0;
};

// A session on a w × h picture whose analysis is prepared by hand: heights and blend radii in
// the segmentation's first gradient image, tolerance 2 and scale 1 (flood offset 0).
struct CleanupSession {
  CvEngine* engine = CvInit();
  std::vector<uint8_t> pixels;
  CvSession* session = nullptr;
  CvInSession* inner = nullptr;
  CvImage* status = nullptr;
  int width;
  int height;

  CleanupSession(int width, int height)
      : pixels(size_t(width) * height * 4, 255), width(width), height(height) {
    CvImage picture{uint32_t(width), uint32_t(height), uint32_t(width) * 4, CvKindRgba8,
                    pixels.data()};
    session = CvBeginSession(engine, picture, nullptr, nullptr);
    status = CvNewStatusImage(engine, picture);
    inner = static_cast<CvInSession*>(session);
  }
  ~CleanupSession() { CvFinish(engine); }

  // Marks the session analysed with `heightAt(row, column)` as the flood height (over the
  // picture widened by 2) and `radius2` as twice the blend radius everywhere.
  void analyse(const std::function<uint8_t(int, int)>& heightAt, uint8_t radius2) {
    auto& segmentation = inner->classification().segmentation();
    blitz::Array<corvane::BytePixel3, 2> gradient(blitz::TinyVector<int, 2>(-2, -2),
                                                  blitz::TinyVector<int, 2>(height + 4, width + 4));
    for (int r = -2; r < height + 2; ++r)
      for (int c = -2; c < width + 2; ++c)
        gradient(r, c) = corvane::BytePixel3(0, heightAt(r, c), radius2);
    segmentation.gradientImage.reference(gradient);
    segmentation.localValueMap = corvane::extractByteComponent(gradient, 2);
    segmentation.gradientScale = 1.0f;
    segmentation.baseRecord.innerScale = 2.0f;
    inner->setSegmented(true);
  }

  uint8_t& at(int row, int column) {
    return static_cast<uint8_t*>(status->data)[size_t(row) * status->stride + column];
  }
  void fill(const Box& box, uint8_t value) {
    for (int r = box.lowerRow; r <= box.upperRow; ++r)
      for (int c = box.lowerColumn; c <= box.upperColumn; ++c) at(r, c) = value;
  }
  std::vector<uint8_t> statuses() {
    std::vector<uint8_t> all;
    for (int r = 0; r < height; ++r)
      for (int c = 0; c < width; ++c) all.push_back(at(r, c));
    return all;
  }
  uint32_t undoCount() {
    uint32_t n = 0;
    CvNumAvailableUndo(session, &n);
    return n;
  }
  uint32_t redoCount() {
    uint32_t n = 0;
    CvNumAvailableRedo(session, &n);
    return n;
  }
  blitz::Array<uint8_t, 2> statusArray() {
    return inner->reindexStatus(static_cast<CvInImage*>(status));
  }

  // What a pixel select leaves behind: the work mask holds the new status of every
  // compatible pixel picked, 0 elsewhere; the pending change names the selection; the change
  // is applied as one undo step of a user-level step of its own.
  void select(const Box& box, const std::function<bool(int, int)>& picked,
              const Selection& how = Selection()) {
    auto& state = inner->classification();
    auto array = statusArray();
    state.clearWorkMask();
    auto& pending = state.pendingChange();
    pending.selectValue = how.value;
    pending.selectWriteMask = how.writeMask;
    pending.selectTarget = how.target;
    pending.selectTargetMask = how.targetMask;
    pending.selectMode = how.mode;
    pending.emptyRect();
    for (int r = box.lowerRow; r <= box.upperRow; ++r)
      for (int c = box.lowerColumn; c <= box.upperColumn; ++c) {
        if (!picked(r, c) || !corvane::statusCompatible(array(r, c), how.target, how.targetMask))
          continue;
        state.workMask()(r, c) =
            uint8_t((array(r, c) & ~how.writeMask) | (how.value & how.writeMask));
        corvane::includePoint(pending.changedRect, r, c);
      }
    CvCommitUndoStep(session);
    state.applyChanges(array, &state.undoStack());
    Box ignored;
    state.takeDirtyRect(ignored);
  }
  void select(const Box& box, const Selection& how = Selection()) {
    select(
        box, [](int, int) { return true; }, how);
  }
};

}  // namespace cleanuptest
