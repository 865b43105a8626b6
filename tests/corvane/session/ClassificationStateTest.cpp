#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "classification/IiClassification.h"
#include "util/BlitzViews.h"

using classification::IiClassification;
using corvane::Box;

namespace {

TEST(ClassificationState, SetUpGivesAFramedZeroWorkMaskAndEmptyRectangles) {
  IiClassification state(nullptr, true, sessiontest::colourImage(5, 7));
  const auto& frame = state.workMaskFrame();
  EXPECT_EQ(frame.lbound(0), -1);
  EXPECT_EQ(frame.lbound(1), -1);
  EXPECT_EQ(frame.ubound(0), 5);
  EXPECT_EQ(frame.ubound(1), 7);
  int ones = 0;
  for (int r = -1; r <= 5; ++r)
    for (int c = -1; c <= 7; ++c) ones += frame(r, c) == 1;
  EXPECT_EQ(ones, 7 * 9 - 5 * 7);
  EXPECT_TRUE(blitz::all(state.workMask() == 0));
  EXPECT_EQ(state.workMask().lbound(0), 0);
  EXPECT_EQ(state.workMask().ubound(1), 6);

  EXPECT_TRUE(state.pendingChange().changedRect.empty());
  EXPECT_EQ(state.pendingChange().changedRect,
            (Box{2147483647, 2147483647, -2147483647 - 1, -2147483647 - 1}));
  EXPECT_FALSE(state.hasDirtyRect());
  EXPECT_EQ(state.undoStack().undoCount(), 0u);
  EXPECT_EQ(state.undoStack().limit(), 200u);
  EXPECT_EQ(state.finalLabels().size(), 0);
  EXPECT_EQ(state.partitionLevel, -1);
  EXPECT_EQ(state.rancourState, 0);
  EXPECT_EQ(state.baseRecord().histogramBits, 5);
  EXPECT_FLOAT_EQ(state.baseRecord().innerScale, 2.0f);
  EXPECT_EQ(state.baseRecord().histogramMode, -1);

  // Clearing part of the work mask leaves the frame alone.
  state.workMask() = 9;
  state.clearWorkMask(Box{-3, -3, 1, 1});
  EXPECT_EQ(state.workMask()(1, 1), 0);
  EXPECT_EQ(state.workMask()(2, 1), 9);
  EXPECT_EQ(state.workMaskFrame()(-1, -1), 1);
  state.clearWorkMask();
  EXPECT_TRUE(blitz::all(state.workMask() == 0));
}

TEST(ClassificationState, SubStateWorksInItsParentsCoordinates) {
  IiClassification parent(nullptr, true, sessiontest::colourImage(20, 30));
  parent.resizeFinalLabels(parent.imageBox());
  for (int r = 0; r < 20; ++r)
    for (int c = 0; c < 30; ++c) parent.finalLabels()(r, c) = 100 * r + c;
  parent.partitionLevel = 3;
  parent.baseRecord().innerScale = 1.5f;

  const auto view = corvane::subView(parent.image(), 4, 6, 9, 16);
  IiClassification child(&parent, false, view);
  EXPECT_EQ(child.imageBox(), (Box{4, 6, 9, 16}));
  EXPECT_EQ(child.workMask().lbound(0), 4);
  EXPECT_EQ(child.workMaskFrame().lbound(1), 5);
  EXPECT_EQ(child.workMaskFrame()(3, 5), 1);
  EXPECT_EQ(child.finalLabels().size(), 0);  // nothing taken over before setUpFromParent

  child.setUpFromParent();
  EXPECT_EQ(child.partitionLevel, 3);
  EXPECT_FLOAT_EQ(child.baseRecord().innerScale, 1.5f);
  EXPECT_EQ(child.finalLabels()(4, 6), 406);
  EXPECT_EQ(child.finalLabels()(9, 16), 916);
  // Shared memory: a write through the parent is seen by the child.
  parent.finalLabels()(5, 7) = -5;
  EXPECT_EQ(child.finalLabels()(5, 7), -5);
}

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
  EXPECT_EQ(own.regionMap.lbound(0), 4);
  EXPECT_EQ(own.regionMap(9, 16), 9 * 30 + 16);
  EXPECT_EQ(own.gradientImage.data(), seg.gradientImage.data());
  EXPECT_EQ(&own.gradientView(5, 7), &seg.gradientView(5, 7));
  EXPECT_EQ(own.gradientView.ubound(1), 16);
  EXPECT_FLOAT_EQ(own.gradientScale, 3.5f);
  EXPECT_EQ(child.partitionLabelCount, 12);
  EXPECT_FLOAT_EQ(child.radiusAt(5, 7), 3.5f);
  EXPECT_EQ(own.localValues().lbound(1), 6);
  EXPECT_EQ(own.localValues().ubound(0), 9);
  seg.localValueMap.array()(9, 16) = 4;  // shared memory
  EXPECT_FLOAT_EQ(child.radiusAt(9, 16), 2.0f);

  // With the region stages off the region arrays are not taken over.
  seg.baseRecord.innerScale = 1.0f;
  child.setUpFromParent();
  EXPECT_EQ(child.segmentation().regionMap.size(), 0);
  EXPECT_EQ(child.segmentation().innerLabels.size(), 0);
}

TEST(ClassificationState, FinalLabelMapKeepsItsStorageForEqualExtents) {
  IiClassification state(nullptr, true, sessiontest::colourImage(4, 4));
  state.resizeFinalLabels(Box{0, 0, 3, 3});
  EXPECT_EQ(state.finalLabelsFrame().lbound(0), -2);
  EXPECT_EQ(state.finalLabelsFrame().ubound(1), 5);
  const int32_t* storage = state.finalLabelsFrame().data();
  state.resizeFinalLabels(Box{10, 10, 13, 13});
  EXPECT_EQ(state.finalLabelsFrame().data(), storage);
  EXPECT_EQ(state.finalLabels().lbound(0), 10);
  state.resizeFinalLabels(Box{0, 0, 4, 3});
  EXPECT_EQ(state.finalLabels().extent(0), 5);
}

TEST(ClassificationState, ApplyingChangesWritesRecordsAndWidensTheChangedRectangle) {
  IiClassification state(nullptr, true, sessiontest::colourImage(8, 8));
  auto status = sessiontest::statusArray(8, 8, 1);
  status(2, 2) = 0;  // outside the picture
  const auto before = status.copy();

  // An empty pending rectangle applies nothing.
  state.applyChanges(status, &state.undoStack());
  EXPECT_EQ(state.undoStack().undoCount(), 0u);
  EXPECT_FALSE(state.hasDirtyRect());

  state.workMask()(blitz::Range(1, 3), blitz::Range(1, 3)) = 2;
  state.workMask()(2, 3) = 0;
  state.pendingChange().changedRect = Box{1, 1, 3, 3};
  state.applyChanges(status, &state.undoStack());
  EXPECT_EQ(status(1, 1), 2);
  EXPECT_EQ(status(2, 3), 1);  // work mask 0: unchanged
  EXPECT_EQ(status(2, 2), 0);  // outside the picture: never written
  EXPECT_EQ(state.undoStack().undoCount(), 1u);
  EXPECT_EQ(state.undoStack().undoStepCount(), 1u);
  Box dirty;
  ASSERT_TRUE(state.takeDirtyRect(dirty));
  EXPECT_EQ(dirty, (Box{1, 1, 3, 3}));
  EXPECT_FALSE(state.hasDirtyRect());

  // A rectangle reaching beyond the arrays is cut to them.
  state.clearWorkMask();
  state.workMask()(7, 7) = 4;
  state.pendingChange().changedRect = Box{5, 5, 12, 12};
  state.applyChanges(status, &state.undoStack());
  EXPECT_EQ(status(7, 7), 4);
  ASSERT_TRUE(state.takeDirtyRect(dirty));
  EXPECT_EQ(dirty, (Box{5, 5, 7, 7}));

  // Without a stack nothing is recorded.
  state.workMask()(6, 6) = 8;
  state.pendingChange().changedRect = Box{6, 6, 6, 6};
  state.applyChanges(status, nullptr);
  EXPECT_EQ(status(6, 6), 8);
  EXPECT_EQ(state.undoStack().undoStepCount(), 2u);

  state.undo();
  EXPECT_TRUE(state.pendingChange().changedRect.empty());
  state.undo();
  EXPECT_EQ(status(1, 1), 1);
  EXPECT_EQ(status(7, 7), 1);
  EXPECT_EQ(status(6, 6), 8);  // the unrecorded change stays
  status(6, 6) = 1;
  EXPECT_TRUE(blitz::all(status == before));
}

TEST(ClassificationState, SetStatusCopiesWhereBothAreNonZeroAndReportsTheOverlap) {
  IiClassification state(nullptr, true, sessiontest::colourImage(6, 6));
  auto status = sessiontest::statusArray(6, 6, 1);
  status(3, 3) = 0;
  auto labels = sessiontest::statusArray(3, 4, 4, 2, 3);  // rows 2..4, columns 3..6
  labels(2, 4) = 0;
  state.pendingChange().changedRect = Box{0, 0, 1, 1};
  state.setStatus(status, labels);
  EXPECT_EQ(status(2, 3), 4);
  EXPECT_EQ(status(2, 4), 1);  // a 0 label never clears a status
  EXPECT_EQ(status(3, 3), 0);  // a status 0 stays 0
  EXPECT_EQ(status(4, 5), 4);
  EXPECT_EQ(status(1, 3), 1);
  EXPECT_TRUE(state.pendingChange().changedRect.empty());
  Box dirty;
  ASSERT_TRUE(state.takeDirtyRect(dirty));
  EXPECT_EQ(dirty, (Box{2, 3, 4, 5}));
  EXPECT_EQ(state.undoStack().undoCount(), 1u);

  // Equal statuses still record a step and report the whole overlap.
  state.setStatus(status, labels);
  EXPECT_EQ(state.undoStack().undoStepCount(), 2u);
  ASSERT_TRUE(state.takeDirtyRect(dirty));
  EXPECT_EQ(dirty, (Box{2, 3, 4, 5}));

  // No overlap: nothing at all.
  auto far = sessiontest::statusArray(2, 2, 8, 40, 40);
  state.setStatus(status, far);
  EXPECT_EQ(state.undoStack().undoStepCount(), 2u);
  EXPECT_FALSE(state.hasDirtyRect());
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

  // Kept: the unrecorded change stays, the recorded one is undoable.
  state.beginOperation();
  state.workMask() = 8;
  state.pendingChange().changedRect = Box{4, 4, 4, 4};
  state.applyChanges(status, &state.undoStack());
  state.endOperation();
  EXPECT_EQ(status(4, 4), 8);
  EXPECT_EQ(state.undoStack().undoCount(), 1u);
  EXPECT_EQ(state.undoStack().undoStepCount(), 2u);
}

TEST(ClassificationState, AnalysisImageIsBuiltOnceForTheAnalysers) {
  IiClassification parent(nullptr, true, sessiontest::colourImage(6, 9));
  IiClassification state(&parent, true, corvane::subView(parent.image(), 1, 2, 4, 7));
  state.texture = 0;  // channels j and j + 3 copy colour component 2 - j
  state.runRancours(ProgressRange());
  EXPECT_EQ(state.rancourState, 2);
  EXPECT_EQ(state.workingImageState, 0);
  EXPECT_EQ(state.workingImage().size(), 0);
  const auto& analysis = state.globalClassification().image();
  ASSERT_EQ(analysis.lbound(0), 1);
  ASSERT_EQ(analysis.lbound(1), 2);
  ASSERT_EQ(analysis.ubound(0), 4);
  ASSERT_EQ(analysis.ubound(1), 7);
  EXPECT_EQ(analysis(1, 2)[0], 30);
  EXPECT_EQ(analysis(4, 7)[1], 20);
  EXPECT_EQ(analysis(4, 7)[5], 10);

  // Not again until the session resets the stage state.
  const auto* storage = analysis.data();
  state.runRancours(ProgressRange());
  EXPECT_EQ(state.globalClassification().image().data(), storage);
}

TEST(ClassificationState, RelaxColoursFillsUndecidedPixelsFromTheirNeighbours) {
  blitz::Array<uint8_t, 2> labels(5, 5);
  labels = 1;
  blitz::Array<blitz::TinyVector<unsigned char, 3>, 2> colours(5, 5);
  colours = blitz::TinyVector<unsigned char, 3>(100, 0, 255);
  labels(2, 2) = 0;
  colours(2, 2) = blitz::TinyVector<unsigned char, 3>(20, 200, 0);

  IiClassification::relaxColours(labels, Box{1, 1, 3, 3}, colours, 0);
  EXPECT_EQ(colours(2, 2)[0], 20);

  IiClassification::relaxColours(labels, Box{1, 1, 3, 3}, colours, 1);
  // trunc(0.5 - 0.5 v + 1.5 mean): 0.5 - 10 + 150 = 140.5; 0.5 - 100 + 0 -> 0; 383 -> 255.
  EXPECT_EQ(colours(2, 2)[0], 140);
  EXPECT_EQ(colours(2, 2)[1], 0);
  EXPECT_EQ(colours(2, 2)[2], 255);

  // All four neighbours labelled 2: black.
  labels(1, 2) = labels(3, 2) = labels(2, 1) = labels(2, 3) = 2;
  IiClassification::relaxColours(labels, Box{2, 2, 2, 2}, colours, 1);
  EXPECT_EQ(colours(2, 2)[0] + colours(2, 2)[1] + colours(2, 2)[2], 0);
}

}  // namespace
