#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "classification/IiClassification.h"
#include "util/BlitzViews.h"

using classification::IiClassification;
using corvane::Box;

namespace {

TEST(ClassificationState, DependentSubStateSharesTheParentsSegmentation) {
  IiClassification parent(nullptr, true, sessiontest::colourImage(20, 30));
  auto& seg = parent.segmentation();
  seg.image.resize(20, 30);
  seg.image = blitz::TinyVector<unsigned char, 6>(1, 2, 3, 4, 5, 6);
  seg.regionMap.resize(20, 30);
  for (int r = 0; r < 20; ++r)
    for (int c = 0; c < 30; ++c) seg.regionMap(r, c) = r * 30 + c;
  seg.innerLabels.resize(24, 34);
  seg.gradientImage.resize(24, 34);
  seg.gradientImage.reindexSelf(blitz::TinyVector<int, 2>(-2, -2));
  seg.gradientImage = corvane::BytePixel3(0, 0, 0);
  seg.gradientView.reference(corvane::subView(seg.gradientImage, 0, 0, 19, 29));
  seg.localValueMap = corvane::extractByteComponent(seg.gradientImage, 2);
  seg.localValueMap.array()(5, 7) = 7;
  seg.gradientScale = 3.5f;
  seg.baseRecord.innerScale = 1.5f;
  parent.partitionLabelCount = 12;

  IiClassification child(&parent, false, corvane::subView(parent.image(), 4, 6, 9, 16));
  child.setUpFromParent();
  const auto& own = child.segmentation();
  EXPECT_EQ(own.imageDomain, (Box{4, 6, 9, 16}));
  EXPECT_EQ(&own.image(4, 6), &seg.image(4, 6));
  EXPECT_EQ(own.regionMap(9, 16), 9 * 30 + 16);  // in the parent's coordinates
  EXPECT_EQ(&own.gradientView(5, 7), &seg.gradientView(5, 7));
  EXPECT_EQ(child.partitionLabelCount, 12);
  EXPECT_FLOAT_EQ(child.radiusAt(5, 7), 3.5f);
  seg.localValueMap.array()(9, 16) = 4;  // shared memory
  EXPECT_FLOAT_EQ(child.radiusAt(9, 16), 2.0f);

  // With the region stages off the region arrays are not taken over.
  seg.baseRecord.innerScale = 1.0f;
  child.setUpFromParent();
  EXPECT_EQ(child.segmentation().regionMap.size(), 0);
  EXPECT_EQ(child.segmentation().innerLabels.size(), 0);
}

TEST(ClassificationState, RollingBackAnOperationRevertsRecordedAndUnrecordedChanges) {
  IiClassification state(nullptr, true, sessiontest::colourImage(5, 5));
  auto status = sessiontest::statusArray(5, 5, 1);
  // The user's previous action.
  state.undoStack().commit();
  state.workMask() = 2;
  state.pendingChange().changedRect = Box{0, 0, 0, 4};
  state.applyChanges(status, &state.undoStack());
  const auto before = status.copy();

  state.beginOperation();
  state.workMask() = 16 | 1;
  state.pendingChange().changedRect = Box{1, 0, 2, 4};
  state.applyChanges(status, nullptr);  // a protect stroke: no undo step
  state.workMask() = 4;
  state.pendingChange().changedRect = Box{2, 2, 4, 4};
  state.applyChanges(status, &state.undoStack());
  EXPECT_EQ(status(2, 2), 4);
  state.rollBackOperation();
  EXPECT_TRUE(blitz::all(status == before));
  EXPECT_EQ(state.undoStack().undoCount(), 1u);
  EXPECT_EQ(state.undoStack().undoStepCount(), 1u);

  // An operation that recorded nothing leaves the previous action alone.
  state.beginOperation();
  state.rollBackOperation();
  EXPECT_TRUE(blitz::all(status == before));
  EXPECT_EQ(state.undoStack().undoCount(), 1u);

  // Kept: the change stays and is undoable. A rectangle reaching beyond the arrays is cut to
  // them; pixels outside the picture (status 0) and work-mask entries of 0 are never written.
  status(4, 3) = 0;
  Box dirty;
  state.takeDirtyRect(dirty);
  state.beginOperation();
  state.workMask() = 8;
  state.workMask()(3, 4) = 0;
  state.pendingChange().changedRect = Box{3, 3, 12, 12};
  state.applyChanges(status, &state.undoStack());
  state.endOperation();
  EXPECT_EQ(status(4, 4), 8);
  EXPECT_EQ(status(3, 3), 8);
  EXPECT_EQ(status(4, 3), 0);
  EXPECT_EQ(status(3, 4), 1);
  ASSERT_TRUE(state.takeDirtyRect(dirty));
  EXPECT_EQ(dirty, (Box{3, 3, 4, 4}));
  EXPECT_EQ(state.undoStack().undoCount(), 1u);
  EXPECT_EQ(state.undoStack().undoStepCount(), 2u);
  state.undo();
  EXPECT_EQ(status(4, 4), before(4, 4));
}

TEST(ClassificationState, RelaxedColoursSaturate) {
  blitz::Array<uint8_t, 2> labels(5, 5);
  labels = 1;
  labels(2, 2) = 0;
  blitz::Array<blitz::TinyVector<unsigned char, 3>, 2> colours(5, 5);
  colours = blitz::TinyVector<unsigned char, 3>(100, 0, 255);
  colours(2, 2) = blitz::TinyVector<unsigned char, 3>(20, 200, 0);
  IiClassification::relaxColours(labels, Box{1, 1, 3, 3}, colours, 1);
  // trunc(0.5 - 0.5 v + 1.5 mean): 140.5 -> 140; 0.5 - 100 + 0 -> 0; 383 -> 255.
  EXPECT_EQ(colours(2, 2)[0], 140);
  EXPECT_EQ(colours(2, 2)[1], 0);
  EXPECT_EQ(colours(2, 2)[2], 255);
  // No neighbour to take a colour from: black, not a division by zero.
  labels(1, 2) = labels(3, 2) = labels(2, 1) = labels(2, 3) = 2;
  IiClassification::relaxColours(labels, Box{2, 2, 2, 2}, colours, 1);
  EXPECT_EQ(colours(2, 2)[0] + colours(2, 2)[1] + colours(2, 2)[2], 0);
}

}  // namespace
