#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "SessionTestSupport.h"
#include "classification/AutoComplex.h"

using corvane::Box;
using sessiontest::CleanupSession;
using sessiontest::History;
using Reports = enginetest::ProgressRecorder;
using sessiontest::Selection;

namespace {

// A 40 × 40 picture: a plateau of height 100 cut by a valley (height 0) along column 20. A
// class-2 block is selected left of the valley, class-4 pixels lie at its right, the rest is
// unassigned. The flood gives the left plateau to the selection and the right one to class 4;
// they meet in the valley, where every row gets a blend disc of radius 2.49 (radius map 4,
// blend 1): columns 18 to 22 become blend.
struct AutoComplexFixture : ::testing::Test {
  CleanupSession s{40, 40};

  void SetUp() override {
    s.analyse([](int, int c) { return uint8_t(c == 20 ? 0 : 100); }, 4);
    s.fill(Box{0, 0, 39, 39}, 1);
    s.fill(Box{0, 30, 39, 39}, 4);
    s.select(Box{18, 8, 21, 11});
  }
};

TEST_F(AutoComplexFixture, BlendDiscsFollowTheValleyAndSparePixelsTheyMayNotWrite) {
  s.at(5, 20) = 1 | 16;  // protected
  s.at(6, 19) = 0;       // outside the picture
  const History before = s.history();
  ASSERT_EQ(CvCommitUndoStep(s.session), CvOk);
  ASSERT_EQ(CvAutoComplex(s.session, s.status, 1.0f, nullptr, nullptr), CvOk);
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 40; ++c) {
      uint8_t want = c >= 30 ? 4 : c >= 18 && c <= 22 ? 8 : 1;
      if (r >= 18 && r <= 21 && c >= 8 && c <= 11) want = 2;
      if ((r == 5 && c == 20) || (r == 6 && c == 19)) want = before.statuses[size_t(r) * 40 + c];
      ASSERT_EQ(s.at(r, c), want) << r << "," << c;
    }
  EXPECT_EQ(s.history().undo, before.undo + 1);
  EXPECT_EQ(s.session->changedX, 8);  // the selection and every disc pixel
  EXPECT_EQ(s.session->changedWidth, 15u);
  EXPECT_EQ(s.session->changedHeight, 40u);
  ASSERT_EQ(CvUndo(s.session, nullptr, nullptr), CvOk);
  EXPECT_EQ(s.statuses(), before.statuses);
}

TEST_F(AutoComplexFixture, SelectedButUnwrittenPixelsGetSelectionDiscs) {
  // Class-2 pixels the select did not write form their own group; where the selection's
  // front meets them (across the valley at column 5) discs write the selection's value, and
  // where they meet class 4 (the valley at column 20) blend discs only touch pixels the
  // selection wrote. Radius 1.49: columns 4 to 7 (selection) and 19 to 21 (blend).
  s.analyse([](int, int c) { return uint8_t(c == 20 || c == 5 ? 0 : 100); }, 2);
  s.fill(Box{0, 0, 39, 3}, 2);
  ASSERT_EQ(CvAutoComplex(s.session, s.status, 1.0f, nullptr, nullptr), CvOk);
  for (int r = 0; r < 40; ++r)
    for (int c = 4; c <= 22; ++c) {
      uint8_t want = c <= 7 ? 2 : c >= 19 && c <= 21 ? 8 : 1;
      if (r >= 18 && r <= 21 && c >= 8 && c <= 11) want = 2;
      ASSERT_EQ(s.at(r, c), want) << r << "," << c;
    }
}

TEST_F(AutoComplexFixture, NoSelectedPixelChangesNothing) {
  // The pending rectangle names pixels whose work-mask entries carry nothing.
  auto& state = s.inner->classification();
  state.clearWorkMask();
  auto status = s.statusArray();
  const std::vector<uint8_t> before = s.statuses();
  Reports reports;
  classification::autoComplex(state, status, 1.0f, ProgressRange(&reports, 0.0f, 1.0f));
  EXPECT_EQ(reports.fractions().back(), 1.0f);
  EXPECT_EQ(s.statuses(), before);
}

TEST(AutoComplex, RegionSelectionFillsTheHolesItEncloses) {
  // A region select (mode 1) of a class-2 frame around an unassigned 3 × 3 hole; no discs.
  CleanupSession s(30, 30);
  s.analyse([](int, int c) { return uint8_t(c == 24 ? 0 : 100); }, 4);
  s.fill(Box{0, 0, 29, 29}, 1);
  s.fill(Box{0, 27, 29, 29}, 4);
  Selection region;
  region.mode = 1;
  s.select(
      Box{9, 9, 15, 15}, [](int r, int c) { return r < 11 || r > 13 || c < 11 || c > 13; }, region);
  ASSERT_EQ(CvAutoComplex(s.session, s.status, 0.0f, nullptr, nullptr), CvOk);
  for (int r = 0; r < 30; ++r)
    for (int c = 0; c < 30; ++c) {
      const bool inFrame = r >= 9 && r <= 15 && c >= 9 && c <= 15;
      ASSERT_EQ(s.at(r, c), inFrame ? 2 : c >= 27 ? 4 : 1) << r << "," << c;
    }
}

TEST(AutoComplex, SelectionAtThePictureEdgeStopsAtIt) {
  CleanupSession s(12, 10);
  s.analyse([](int, int c) { return uint8_t(c == 6 ? 0 : 100); }, 2);
  s.fill(Box{0, 0, 9, 11}, 1);
  s.fill(Box{0, 10, 9, 11}, 4);
  s.select(Box{0, 0, 1, 1});
  ASSERT_EQ(CvAutoComplex(s.session, s.status, 1.0f, nullptr, nullptr), CvOk);
  for (int r = 0; r < 10; ++r) {
    EXPECT_EQ(s.at(r, 6), 8) << r;
    EXPECT_EQ(s.at(r, 3), 1) << r;
  }
  EXPECT_EQ(s.at(0, 0), 2);
}

}  // namespace
