#include <QMetaMethod>
#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include "document/BlendingStuff.h"
#include "document/GmBrushing.h"
#include "document/SegmentationStuff.h"

namespace {

using GmModelTest = DocumentTest;

// Views, tools and the shell connect to these by name: names, arguments and order are fixed.
TEST_F(GmModelTest, SignalsAreExactlyTheTable) {
  const QStringList expected = {
      "tellImageChanged(const TsSourceImage*)",
      "statusImageChanged(const QImage*)",
      "rectDirty(ImageRectF,DirtyHint,PatchPreviewWanted)",
      "rectDirty(ImageRectF,DirtyHint)",
      "toolChanged(const GmTool*)",
      "cursorChanged(const QCursor*)",
      "activeRegionChanged(GmRegion*)",
      "activeRegionReady(GmRegion*)",
      "resolutionChanged(int,int)",
      "smegChanged()",
      "cvVariableChanged(QString)",
      "cvUndoStackChanged(uint32_t,uint32_t)",
      "ownSmegStatusChanged(GmRegion*)",
      "sessionHasBegun()",
      "imageBlendRatioChanged(float)",
      "protectionChanged(GmRegion*)",
      "imageAnalysisHasBegun()",
      "brushSizeSliderMoved()",
      "patchPreviewAvailable(const GmRegion*)",
      "cutoutChanged(QImage)",
      "hintOpacityChanged()",
      "showOriginal()",
      "changeBackgroundColour()",
  };
  const QMetaObject& meta = GmModel::staticMetaObject;
  QStringList signals_;
  for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
    if (meta.method(i).methodType() == QMetaMethod::Signal)
      signals_ << QString::fromLatin1(meta.method(i).methodSignature());
  EXPECT_EQ(signals_, expected);
}

TEST_F(GmModelTest, MadeOnFirstUseAndDestroyable) {
  EXPECT_EQ(GmModel::existingInstance(), nullptr);
  GmModel* first = GmModel::instance();
  EXPECT_EQ(GmModel::instance(), first);
  EXPECT_EQ(first->resolution(), 1);
  EXPECT_EQ(first->segmentation()->owner(), nullptr);
  GmModel::destroyInstance();
  EXPECT_EQ(GmModel::existingInstance(), nullptr);
}

TEST_F(GmModelTest, ResolutionWithoutImageIsStoredAndAlwaysReported) {
  GmModel* model = GmModel::instance();
  QSignalSpy changes(model, &GmModel::resolutionChanged);
  model->setResolution(4);
  model->setResolution(4);
  model->setResolution(0);  // refused: would divide by zero
  model->setResolution(-2);
  EXPECT_EQ(model->resolution(), 4);
  ASSERT_EQ(changes.size(), 4);
  const QList<QPair<int, int>> reported = {{1, 4}, {4, 4}, {4, 4}, {4, 4}};
  for (int i = 0; i < changes.size(); ++i)
    EXPECT_EQ(qMakePair(changes[i][0].toInt(), changes[i][1].toInt()), reported[i]) << i;
}

TEST_F(GmModelTest, ImageAndWorkingCoordinates) {
  struct Row {
    int resolution;
    QSize display;
    QSize working;
  };
  const Row rows[] = {
      {1, {640, 480}, {640, 480}},
      {2, {1001, 667}, {501, 334}},
      {3, {1000, 667}, {334, 223}},
      {8, {7, 9}, {1, 2}},
  };
  for (const Row& row : rows) {
    GmModel* model = useImage(row.display, row.resolution);
    EXPECT_EQ(model->imageRect(), QRect(QPoint(0, 0), row.display));
    EXPECT_EQ(model->workingRect(), QRect(QPoint(0, 0), row.working)) << row.resolution;
    const double r = row.resolution;
    EXPECT_EQ(model->toWorking(QPointF(6, 9)), QPointF(6 / r, 9 / r));
    EXPECT_EQ(model->toImage(QPointF(1.5, -2)), QPointF(1.5 * r, -2 * r));
    EXPECT_EQ(model->toWorking(QRectF(2, 4, 6, 8)), QRectF(2 / r, 4 / r, 6 / r, 8 / r));
    EXPECT_EQ(model->toImage(QRectF(1, 2, 3, 4)), QRectF(r, 2 * r, 3 * r, 4 * r));
  }
  GmModel::instance()->setImageSize(QSize());
  EXPECT_TRUE(GmModel::instance()->workingRect().isEmpty());
}

TEST_F(GmModelTest, LiveStrokesRegisterForTheirLifetime) {
  useImage({40, 30}, 1);
  auto* first = new GmBrushing(Qt::red);
  auto* second = new GmBrushing(Qt::blue);
  EXPECT_EQ(GmModel::instance()->liveStrokes(), (QList<GmBrushing*>{first, second}));
  delete first;
  EXPECT_EQ(GmModel::instance()->liveStrokes(), QList<GmBrushing*>{second});
  // A stroke that outlives the document neither crashes nor makes a new one.
  second->brushing().beginStroke(QPointF(10, 10));
  GmModel::destroyInstance();
  delete second;
  EXPECT_EQ(GmModel::existingInstance(), nullptr);
}

}  // namespace
