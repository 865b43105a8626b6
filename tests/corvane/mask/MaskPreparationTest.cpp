#include "mask/MaskPreparation.h"

#include <gtest/gtest.h>

#include <blitz/array.h>

#include "classification/AutoFill.h"
#include "classification/IiClassification.h"

namespace corvane {
namespace mask {
namespace {

using ::classification::IiClassification;
using Bytes = blitz::Array<uint8_t, 2>;

IiClassification::Image image(int rows, int columns) {
  IiClassification::Image im(rows, columns);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < columns; ++c)
      im(r, c) = IiClassification::Colour{{uint8_t(c * 10), uint8_t(r), 7, 255}};
  return im;
}

Bytes radii(int rows, int columns, uint8_t value) {
  Bytes map(rows, columns);
  map = value;
  return map;
}

TEST(AutoFill, FillsTheOppositeClassAndLaysABandAlongTheBorder) {
  IiClassification state(nullptr, true, image(5, 12));
  Bytes status(5, 12);
  status = 1;
  status(blitz::Range::all(), blitz::Range(0, 3)) = 2;
  status(0, 11) = 1 | 16;  // protected: never filled
  UndoStack& undo = state.undoStack();

  // Radius 0: every open pixel becomes class 4 and nothing blends.
  Bytes plain = status.copy();
  ::classification::autoFill(state, plain, nullptr, 2, 0.0f, Bytes(), &undo, ProgressRange());
  EXPECT_EQ(plain(2, 4), 4);
  EXPECT_EQ(plain(2, 3), 2);
  EXPECT_EQ(plain(0, 11), 1 | 16);
  EXPECT_EQ(undo.undoCount(), 1u);
  state.undo();
  EXPECT_TRUE(blitz::all(plain == status));

  // Map value 4, factor 1: ρ = 2.49, a disc of radius 2.49 around the seeds on both sides.
  Bytes banded = status.copy();
  ::classification::autoFill(state, banded, nullptr, 2, 1.0f, radii(5, 12, 4), &undo,
                             ProgressRange());
  EXPECT_EQ(banded(2, 1), 8);
  EXPECT_EQ(banded(2, 0), 2);  // 3 from the nearest seed column
  EXPECT_EQ(banded(2, 6), 8);
  EXPECT_EQ(banded(2, 7), 4);
  // A seed whose disc box holds a protected pixel lays nothing; the others still do.
  Bytes guarded = status.copy();
  guarded(4, 4) = 1 | 32;
  ::classification::autoFill(state, guarded, nullptr, 2, 1.0f, radii(5, 12, 4), &undo,
                             ProgressRange());
  EXPECT_EQ(guarded(0, 5), 8);
  EXPECT_EQ(guarded(4, 5), 4);

  // No side to fill from: nothing, no step.
  Bytes other(3, 3);
  other = 1;
  const uint32_t steps = undo.undoCount();
  ::classification::autoFill(state, other, nullptr, 8, 1.0f, Bytes(), &undo, ProgressRange());
  EXPECT_EQ(undo.undoCount(), steps);
  EXPECT_EQ(other(0, 0), 1);
}

TEST(GrowStatusRegions, ChamferDistancesThroughUnclassedCells) {
  Bytes status(3, 5);
  status = 1;
  status(1, 0) = 2;
  status(1, 2) = 4;
  const auto grid = growStatusRegions(status, ProgressRange());
  // Between the two classes: one orthogonal step to each.
  EXPECT_EQ(grid(1, 1)[0], 0.9619349f);
  EXPECT_EQ(grid(1, 1)[1], 0.9619349f);
  EXPECT_EQ(grid(0, 1)[0], 1.3604507f);
  EXPECT_EQ(grid(1, 2)[0], 0.0f);
  // Class 2 reaches beyond the class-4 cell only around it.
  EXPECT_EQ(grid(1, 3)[1], 0.9619349f);
  EXPECT_EQ(grid(1, 3)[0], 1.3604507f + 0.9619349f + 1.3604507f);

  Bytes none(2, 2);
  none = 1;
  const auto empty = growStatusRegions(none, ProgressRange());
  EXPECT_EQ(empty(1, 1)[0], kNoClassDistance);
  EXPECT_EQ(empty(1, 1)[1], kNoClassDistance);
}

TEST(PrepareMaskRegions, MarkedCellsTakeTheirNearestClassColour) {
  IiClassification state(nullptr, true, image(3, 8));
  Bytes status(3, 8);
  status = 1;
  status(blitz::Range::all(), blitz::Range(0, 1)) = 2;
  status(blitz::Range::all(), blitz::Range(2, 5)) = 1 | 128;
  status(1, 4) = 1 | 128 | 64;  // held: takes the nearest colour but is not relaxed
  MaskPatch patch;
  patch.membraneValue = 0.0f;  // one relaxation pass
  const auto colours = prepareMaskRegions(state, status, 2, patch);
  EXPECT_EQ(colours(0, 1)[0], 10);
  EXPECT_EQ(colours(1, 4)[0], 10);
  EXPECT_EQ(colours(1, 6)[0], 10);
  // The pending cells start from column 1's colour, relaxed toward their neighbours.
  for (int c = 2; c <= 5; ++c)
    if (c != 4) {
      EXPECT_LE(colours(0, c)[0], 40) << c;
    }
  EXPECT_EQ(colours(0, 2)[2], 7);
}

TEST(AutoFillForMask, FillsOnlyWhenExactlyOneClassIsPresent) {
  IiClassification state(nullptr, true, image(6, 6));
  Bytes status(6, 6);
  status = 1;
  status(0, 0) = 2;
  status(5, 5) = 4;
  UndoStack undo(100);
  const Box extent{0, 0, 5, 5}, region{0, 0, 2, 2}, wide{0, 0, 4, 4};
  // Both classes somewhere, only one in the region: the region is filled.
  MaskFillResult fill =
      autoFillForMask(state, extent, region, status, wide, 0.0f, Bytes(), undo, ProgressRange());
  EXPECT_TRUE(fill.hasStatus2 && fill.hasStatus4);
  EXPECT_EQ(fill.rect, wide);
  EXPECT_EQ(undo.undoCount(), 1u);
  EXPECT_EQ(status(1, 1), 4);
  EXPECT_EQ(status(4, 4), 1);
  // Both present in the region now: nothing more.
  fill = autoFillForMask(state, extent, region, status, wide, 0.0f, Bytes(), undo, ProgressRange());
  EXPECT_EQ(undo.undoCount(), 1u);
  // Whole extent: decided on the whole array, rect stays the extent.
  fill = autoFillForMask(state, extent, extent, status, wide, 0.0f, Bytes(), undo, ProgressRange());
  EXPECT_EQ(fill.rect, extent);
  EXPECT_EQ(undo.undoCount(), 1u);
}

}  // namespace
}  // namespace mask
}  // namespace corvane
