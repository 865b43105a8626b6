#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SessionTestSupport.h"
#include "classification/HoleFilling.h"

using corvane::Box;
using sessiontest::CleanupSession;
using sessiontest::History;
using Reports = enginetest::ProgressRecorder;

namespace {

// A 24 × 24 picture, unassigned, with a class-2 selection over rows 4 to 19 and columns 4 to
// 19 that leaves holes: a single pixel at (8, 8), a class-4 pixel at (8, 14), a 3 × 3 hole at
// rows 13 to 15, columns 7 to 9, and a notch at the rectangle's edge (row 4, column 15).
struct DespeckleFixture : ::testing::Test {
  CleanupSession s{24, 24};

  static bool hole(int r, int c) {
    return (r == 8 && c == 8) || (r == 8 && c == 14) || (r >= 13 && r <= 15 && c >= 7 && c <= 9) ||
           (r == 4 && c == 15);
  }
  void SetUp() override {
    s.analyse([](int, int) { return uint8_t(0); }, 0);
    s.fill(Box{0, 0, 23, 23}, 1);
    s.at(8, 14) = 4;
    s.select(Box{4, 4, 19, 19}, [](int r, int c) { return !hole(r, c); });
  }
};

TEST_F(DespeckleFixture, FillsHolesNarrowerThanTheWindow) {
  const History before = s.history();
  for (int32_t size : {2, 4}) {
    ASSERT_EQ(CvCommitUndoStep(s.session), CvOk);
    ASSERT_EQ(CvDespeckleSelection(s.session, s.status, uint8_t(size), nullptr, nullptr), CvOk);
    EXPECT_EQ(s.at(8, 8), 2);                   // a one-pixel hole
    EXPECT_EQ(s.at(8, 14), 4);                  // the other class stays
    EXPECT_EQ(s.at(14, 8), size == 4 ? 2 : 1);  // the 3 × 3 hole needs the wider window
    EXPECT_EQ(s.at(13, 7), size == 4 ? 2 : 1);
    EXPECT_EQ(s.at(4, 15), 1);  // open to the outside of the rectangle
    EXPECT_EQ(s.at(3, 10), 1);
    if (size == 2) {
      EXPECT_EQ(s.session->changedX, 4);
      EXPECT_EQ(s.session->changedWidth, 16u);
    }
  }
  EXPECT_EQ(s.history().undo, before.undo + 2);
  ASSERT_EQ(CvUndo(s.session, nullptr, nullptr), CvOk);
  ASSERT_EQ(CvUndo(s.session, nullptr, nullptr), CvOk);
  EXPECT_EQ(s.statuses(), before.statuses);
}

TEST(Despeckle, ProtectedPixelsAreNeverFilledAndLetTheErosionThrough) {
  // A 3 × 3 hole that a window of 5 bridges, joined to the rectangle's edge by a channel of
  // protected pixels one pixel wide; a protected pixel alone inside the selection.
  CleanupSession s(24, 24);
  s.analyse([](int, int) { return uint8_t(0); }, 0);
  s.fill(Box{0, 0, 23, 23}, 1);
  for (int r = 4; r <= 12; ++r) s.at(r, 8) = 1 | 16;
  s.at(8, 16) = 1 | 16;
  s.select(Box{4, 4, 19, 19},
           [](int r, int c) { return !(r >= 13 && r <= 15 && c >= 7 && c <= 9); });
  ASSERT_EQ(CvDespeckleSelection(s.session, s.status, 4, nullptr, nullptr), CvOk);
  for (int r = 4; r <= 12; ++r) EXPECT_EQ(s.at(r, 8), 1 | 16) << r;
  EXPECT_EQ(s.at(8, 16), 1 | 16);
  for (int r = 13; r <= 15; ++r)
    for (int c = 7; c <= 9; ++c) EXPECT_EQ(s.at(r, c), 1) << r << "," << c;
}

TEST_F(DespeckleFixture, SizeZeroAndEmptyRectangleChangeNothing) {
  auto& state = s.inner->classification();
  auto status = s.statusArray();
  const History before = s.history();
  Reports none;
  classification::despeckle(state, status, 0, ProgressRange(&none, 0.0f, 1.0f));
  classification::despeckle(state, status, -3, ProgressRange(&none, 0.0f, 1.0f));
  EXPECT_TRUE(none.reports.empty());
  EXPECT_EQ(CvDespeckleSelection(s.session, s.status, 0, nullptr, nullptr), CvOk);
  EXPECT_EQ(s.history(), before);

  // Undo empties the pending rectangle: only the end is reported, whatever the size.
  ASSERT_EQ(CvUndo(s.session, nullptr, nullptr), CvOk);
  const History undone = s.history();
  for (int32_t size : {0, 2}) {
    Reports end;
    classification::despeckle(state, status, size, ProgressRange(&end, 0.0f, 1.0f));
    EXPECT_EQ(end.fractions(), (std::vector<float>{1.0f})) << size;
  }
  EXPECT_EQ(s.history(), undone);
}

TEST(Despeckle, LongColumnsAndHugeWindowsMatchTheRectangle) {
  // A window far wider than the rectangle fills every unassigned pixel not open to its
  // outside, without overflowing; a selection 300 rows high is reported on within its rows.
  CleanupSession s(5, 300);
  s.analyse([](int, int) { return uint8_t(0); }, 0);
  s.fill(Box{0, 0, 299, 4}, 1);
  s.select(Box{0, 0, 299, 4}, [](int r, int c) { return !(c == 2 && r > 0 && r < 299); });
  auto status = s.statusArray();
  Reports reports;
  classification::despeckleRegions(s.inner->classification(), status, 2147483647, 2147483647,
                                   ProgressRange(&reports, 0.0f, 1.0f));
  EXPECT_GE(reports.reports.size(), 4u);
  for (int r = 1; r < 299; ++r) EXPECT_EQ(s.at(r, 2), 2) << r;
}

TEST(Despeckle, WideCoveredAreaIsOpenedInOnePass) {
  // Selected dots every third pixel inside a selected frame with one gap: the window of 3
  // covers the whole 80 x 80 rectangle, so the erosion crosses every unselected pixel of it
  // from that one gap. Joining the front once for every path that reached a pixel, it never
  // came back.
  CleanupSession s(90, 90);
  s.analyse([](int, int) { return uint8_t(0); }, 0);
  s.fill(Box{0, 0, 89, 89}, 1);
  const auto picked = [](int r, int c) {
    const bool frame = r == 5 || r == 84 || c == 5 || c == 84;
    return frame ? !(r == 5 && c == 44) : r % 3 == 0 && c % 3 == 0;
  };
  s.select(Box{5, 5, 84, 84}, picked);
  const std::vector<uint8_t> selected = s.statuses();
  ASSERT_EQ(CvDespeckleSelection(s.session, s.status, 3, nullptr, nullptr), CvOk);
  EXPECT_EQ(s.statuses(), selected);  // every gap is open to the outside
}

}  // namespace
