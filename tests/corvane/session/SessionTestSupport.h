#pragma once

#include <blitz/array.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Corvane.h"
#include "EngineTestSupport.h"
#include "classification/IiClassification.h"
#include "engine/CvEngine.h"
#include "engine/CvInSession.h"
#include "kestrum/utility/IiUI.h"
#include "util/BoxOps.h"
#include "util/ByteComponent.h"
#include "util/CvExCancel.h"
#include "util/StatusCompatibility.h"

namespace sessiontest {

// A host picture of opaque grey pixels, kept alive by the caller.
struct Picture {
  std::vector<uint8_t> pixels;
  CvImage description;

  Picture(uint32_t width, uint32_t height) : pixels(size_t{width} * height * 4, 200) {
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
    description = CvImage{width, height, width * 4, CvKindRgba8, pixels.data()};
  }
};

// A colour image for a classification state, indexed from (row0, column0).
inline classification::IiClassification::Image colourImage(int rows, int columns, int row0 = 0,
                                                           int column0 = 0) {
  classification::IiClassification::Image image(rows, columns);
  image = classification::IiClassification::Colour{{10, 20, 30, 255}};
  image.reindexSelf(blitz::TinyVector<int, 2>(row0, column0));
  return image;
}

// A status array filled with `value`, indexed from (row0, column0).
inline blitz::Array<uint8_t, 2> statusArray(int rows, int columns, uint8_t value, int row0 = 0,
                                            int column0 = 0) {
  blitz::Array<uint8_t, 2> status(rows, columns);
  status = value;
  status.reindexSelf(blitz::TinyVector<int, 2>(row0, column0));
  return status;
}

// The bytes of a status image, row by row without padding.
inline std::vector<uint8_t> statusBytes(const CvImage* image) {
  std::vector<uint8_t> bytes;
  const auto* data = static_cast<const uint8_t*>(image->data);
  for (uint32_t r = 0; r < image->height; ++r)
    bytes.insert(bytes.end(), data + size_t{r} * image->stride,
                 data + size_t{r} * image->stride + image->width);
  return bytes;
}

inline uint8_t& statusAt(CvImage* image, uint32_t row, uint32_t column) {
  return static_cast<uint8_t*>(image->data)[size_t{row} * image->stride + column];
}

inline uint32_t undoCount(CvSession* session) {
  uint32_t n = 0xDEAD;
  CvNumAvailableUndo(session, &n);
  return n;
}
inline uint32_t redoCount(CvSession* session) {
  uint32_t n = 0xDEAD;
  CvNumAvailableRedo(session, &n);
  return n;
}

// Statuses and history counts: what an operation that is cancelled or fails must leave alone.
struct History {
  std::vector<uint8_t> statuses;
  uint32_t undo, redo;
  bool operator==(const History& o) const {
    return statuses == o.statuses && undo == o.undo && redo == o.redo;
  }
};
inline History historyOf(CvSession* session, const CvImage* status) {
  return History{statusBytes(status), undoCount(session), redoCount(session)};
}

// A host picture: two flat colours, left and right, joined by a soft edge `ramp` columns
// wide; with `textured` the right part carries a fine deterministic texture.
struct TwoColourPicture {
  std::vector<uint8_t> pixels;
  CvImage description;

  TwoColourPicture(uint32_t width, uint32_t height, uint32_t ramp = 4, bool textured = false)
      : pixels(size_t{width} * height * 4) {
    const uint8_t left[3] = {40, 60, 200};
    const uint8_t right[3] = {220, 180, 40};
    const uint32_t edge = width / 2;
    uint32_t state = 12345;
    for (uint32_t r = 0; r < height; ++r) {
      for (uint32_t c = 0; c < width; ++c) {
        uint8_t* p = &pixels[(size_t{r} * width + c) * 4];
        float t = 0.0f;
        if (c + ramp / 2 >= edge) t = float(c + ramp / 2 - edge + 1) / float(ramp + 1);
        if (t > 1.0f) t = 1.0f;
        for (int k = 0; k < 3; ++k) {
          int v = int(float(left[k]) * (1.0f - t) + float(right[k]) * t + 0.5f);
          if (textured && t >= 1.0f) {
            state = state * 1664525u + 1013904223u;
            v += ((r / 2 + c / 2) % 2 ? 30 : -30) + int((state >> 28) % 5) - 2;
          }
          p[k] = uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
        }
        p[3] = 255;
      }
    }
    description = CvImage{width, height, width * 4, CvKindRgba8, pixels.data()};
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
  void fill(const corvane::Box& box, uint8_t value) {
    for (int r = box.lowerRow; r <= box.upperRow; ++r)
      for (int c = box.lowerColumn; c <= box.upperColumn; ++c) at(r, c) = value;
  }
  std::vector<uint8_t> statuses() { return statusBytes(status); }
  History history() { return historyOf(session, status); }
  blitz::Array<uint8_t, 2> statusArray() {
    return inner->reindexStatus(static_cast<CvInImage*>(status));
  }

  // What a pixel select leaves behind: the work mask holds the new status of every
  // compatible pixel picked, 0 elsewhere; the pending change names the selection; the change
  // is applied as one undo step of a user-level step of its own.
  void select(const corvane::Box& box, const std::function<bool(int, int)>& picked,
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
    corvane::Box ignored;
    state.takeDirtyRect(ignored);
  }
  void select(const corvane::Box& box, const Selection& how = Selection()) {
    select(
        box, [](int, int) { return true; }, how);
  }
};

}  // namespace sessiontest
