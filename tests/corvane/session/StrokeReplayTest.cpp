// A fixed sequence of brush strokes, clean-ups, undos and redos on a real photograph, through
// the public interface, for every worker count from 1 to 8: the statuses after each step are
// folded into one digest recorded before the clean-up was made faster. A change of this digest
// is a change of what a user's strokes do.

// Before Blitz++, whose tau.h defines a macro CT that breaks QColor.
#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "Corvane.h"
#include "SessionTestSupport.h"

namespace {

// FNV-1a, folded over every step's bytes.
struct Digest {
  uint64_t h = 1469598103934665603ull;
  void add(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  }
  void add(uint32_t word) { add(std::vector<uint8_t>{uint8_t(word), uint8_t(word >> 8)}); }
  std::string text() const {
    char out[24];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
    return out;
  }
};

// One step of the replay. A stroke is a brush of `radius` pixels along a line, painted with
// `value` over every class; `local` strokes take the regions of colour level `weight`. When
// `blend` is not negative the document's clean-up follows: auto complex with that blend width,
// then despeckle of size 3.
struct Step {
  enum Kind { kStroke, kUndo, kRedo } kind;
  bool local = false;
  uint8_t value = 0;
  float weight = 0.0f;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0, radius = 0;
  float blend = -1.0f;
};

// The stroke's mask over its bounding box, in picture coordinates; the selection points into
// `mask`.
CvSelection strokeSelection(const Step& s, std::vector<uint8_t>& mask) {
  const int32_t left = int32_t(std::floor(std::min(s.x0, s.x1) - s.radius));
  const int32_t top = int32_t(std::floor(std::min(s.y0, s.y1) - s.radius));
  const int32_t right = int32_t(std::ceil(std::max(s.x0, s.x1) + s.radius));
  const int32_t bottom = int32_t(std::ceil(std::max(s.y0, s.y1) + s.radius));
  const uint32_t w = uint32_t(right - left), h = uint32_t(bottom - top);
  mask.assign(size_t(w) * h, 0);
  const double dx = s.x1 - s.x0, dy = s.y1 - s.y0, length2 = dx * dx + dy * dy;
  for (uint32_t r = 0; r < h; ++r) {
    for (uint32_t c = 0; c < w; ++c) {
      const double px = left + c + 0.5, py = top + r + 0.5;
      const double t = std::clamp(((px - s.x0) * dx + (py - s.y0) * dy) / length2, 0.0, 1.0);
      if (std::hypot(px - s.x0 - t * dx, py - s.y0 - t * dy) <= s.radius) mask[r * w + c] = 1;
    }
  }
  return CvSelection{left, top, CvImage{w, h, w, CvKindStatus, mask.data()}};
}

// Strokes that cross the kept disc, reach the picture's edges, work on colour levels and on
// plain pixels, with every blend width the document offers, and undo and redo in between.
const std::vector<Step>& replay() {
  static const std::vector<Step> steps = {
      {Step::kStroke, true, CvStatusDelete, 0.0f, 10, 100, 160, 100, 5, 0.75f},
      {Step::kStroke, true, CvStatusKeep, 3.0f, 150, 105, 280, 165, 4, 0.75f},
      {Step::kStroke, false, CvStatusDelete, 0.0f, 0, 0, 125, 60, 6, 1.5f},
      {Step::kUndo},
      {Step::kStroke, true, CvStatusDelete, 0.0f, 295, 5, 210, 198, 3, 0.15f},
      {Step::kStroke, true, CvStatusKeep, 0.0f, 140, 60, 165, 140, 3, 0.0f},
      {Step::kStroke, true, CvStatusDelete, 5.0f, 50, 195, 125, 150, 5, 1.0f},
      {Step::kUndo},
      {Step::kUndo},
      {Step::kRedo},
      {Step::kStroke, false, CvStatusKeep, 0.0f, 120, 80, 180, 120, 4, -1.0f},
  };
  return steps;
}

// The replay on `pixels` (width x height, four 8-bit channels) with a kept disc in the middle.
std::string replayDigest(std::vector<uint8_t> pixels, uint32_t width, uint32_t height) {
  CvEngine* engine = CvInit();
  const CvImage picture{width, height, width * 4, CvKindRgba8, pixels.data()};
  CvSession* session = CvBeginSession(engine, picture, nullptr, nullptr);
  CvImage* status = CvNewStatusImage(engine, picture);
  Digest digest;
  EXPECT_EQ(CvAnalyseImage(session, nullptr, nullptr), CvOk);
  std::vector<uint8_t> disc(size_t(width) * height, 0);
  for (uint32_t r = 0; r < height; ++r)
    for (uint32_t c = 0; c < width; ++c)
      if (std::hypot(c + 0.5 - width / 2.0, r + 0.5 - height / 2.0) < 0.3 * height)
        disc[size_t(r) * width + c] = CvStatusKeep;
  const CvSelection labels{0, 0, CvImage{width, height, width, CvKindStatus, disc.data()}};
  EXPECT_EQ(CvCommitUndoStep(session), CvOk);
  EXPECT_EQ(CvSetStatus(session, status, &labels, nullptr, nullptr), CvOk);
  digest.add(sessiontest::statusBytes(status));

  std::vector<uint8_t> mask;
  for (const Step& step : replay()) {
    if (step.kind == Step::kUndo) {
      EXPECT_EQ(CvUndo(session, nullptr, nullptr), CvOk);
    } else if (step.kind == Step::kRedo) {
      EXPECT_EQ(CvRedo(session, nullptr, nullptr), CvOk);
    } else {
      const CvSelection stroke = strokeSelection(step, mask);
      EXPECT_EQ(CvCommitUndoStep(session), CvOk);
      EXPECT_EQ(CvSelect(session, status, &stroke, step.value, CvStatusClassMask,
                         step.local ? 1 : 0, step.weight, nullptr, nullptr),
                CvOk);
      digest.add(sessiontest::statusBytes(status));
      if (step.blend >= 0.0f) {
        EXPECT_EQ(CvAutoComplex(session, status, step.blend, nullptr, nullptr), CvOk);
        digest.add(sessiontest::statusBytes(status));
        EXPECT_EQ(CvDespeckleSelection(session, status, 3, nullptr, nullptr), CvOk);
      }
    }
    digest.add(sessiontest::statusBytes(status));
    digest.add(uint32_t(session->changedX) ^ uint32_t(session->changedWidth) << 16);
    digest.add(uint32_t(session->changedY) ^ uint32_t(session->changedHeight) << 16);
    digest.add(sessiontest::undoCount(session) | sessiontest::redoCount(session) << 8);
  }
  EXPECT_EQ(CvFinish(engine), CvOk);
  return digest.text();
}

TEST(StrokeReplay, StatusesAfterEveryStepAreTheRecordedOnesForEveryWorkerCount) {
  // The middle of the photograph, 300 x 200, keeps eight analyses short.
  const QImage photo = QImage(QStringLiteral(ZARVO_IMAGING_TESTDATA "/branches.png"))
                           .copy(150, 100, 300, 200)
                           .convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(photo.size(), QSize(300, 200));
  std::vector<uint8_t> pixels(size_t(photo.sizeInBytes()));
  std::copy(photo.constBits(), photo.constBits() + pixels.size(), pixels.begin());
  // The photograph itself first, so that a changed file is not taken for a changed engine.
  Digest source;
  source.add(pixels);
  ASSERT_EQ(source.text(), "d52aa2fff6b03ea4");
  for (uint32_t workers = 1; workers <= 8; ++workers) {
    SCOPED_TRACE(workers);
    corvaneSetWorkerLimit(workers);
    EXPECT_EQ(replayDigest(pixels, 300, 200), "4bb7ea4499d93d1d");
  }
  corvaneSetWorkerLimit(0);
}

}  // namespace
