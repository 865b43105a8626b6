// The status array over a status image laid out as the engine lays its own (rows padded to 4
// bytes), without an engine.

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <QSignalSpy>

#include "DocumentTestSupport.h"
#include "ScriptedCommand.h"
#include "document/ArrowTargets.h"
#include "document/BlendingStuff.h"
#include "document/GmStatusArray.h"
#include "document/RectRegion.h"

namespace {

class StatusArray : public DocumentTest {
 protected:
  GmStatusArray* statuses() const { return GmModel::instance()->statusArray(); }
};

TEST_F(StatusArray, EachStatusShowsItsColourAndFlagsAreIgnored) {
  StatusBytes image(7, 3, CvStatusKeep);
  statuses()->setStatusImage(&image.image);
  UserColours* colours = UserColours::instance();
  // Mask opacity 0.5: alpha 128, saturation times the square root of 0.5.
  auto faded = [](const QColor& colour) {
    QColor c = colour.toHsv();
    c.setHsv(c.hsvHue(), int(std::lround(c.hsvSaturation() * std::sqrt(0.5))), c.value(), 128);
    return c.rgba();
  };
  const QRgb del = faded(colours->colour(UserColours::DeleteMask)->color());
  const QRgb blend = faded(colours->colour(UserColours::BlendMask)->color());
  const QRgb protection = faded(colours->colour(UserColours::PatchProtection)->color());
  const QRgb white = faded(Qt::white);
  const struct {
    uint8_t status;
    QRgb shown;
  } rows[] = {{0, white},
              {1, white},
              {2, qRgba(0, 0, 0, 0)},
              {4, del},
              {8, blend},
              {4 | 16, del},
              {4 | 64, del},
              {2 | 128, qRgba(0, 0, 0, 0)},
              {32 | 4, protection},
              {32 | 2, protection},
              {32, protection}};
  for (const auto& row : rows) {
    EXPECT_EQ(statuses()->displayColour(row.status), row.shown) << int(row.status);
    EXPECT_EQ(statuses()->displayImage().color(row.status), row.shown) << int(row.status);
  }
  EXPECT_EQ(qAlpha(del), 128);
}

TEST_F(StatusArray, MinimumOpacityHidesEveryStatusAndChangesNone) {
  StatusBytes image(5, 5, CvStatusDelete);
  image.at(1, 1) = CvStatusProtected | CvStatusBlend;
  statuses()->setStatusImage(&image.image);
  const std::vector<uint8_t> before = image.bytes;
  QSignalSpy repaint(GmModel::instance(), &GmModel::rectDirty);
  hooks.maskOpacityValue = 0.0;
  statuses()->opacityChanged(0);
  for (int status = 0; status < 256; ++status)
    EXPECT_EQ(qAlpha(statuses()->displayColour(uint8_t(status))), 0) << status;
  EXPECT_EQ(image.bytes, before);
  hooks.maskOpacityValue = 1.0;
  statuses()->opacityChanged(99);
  EXPECT_EQ(statuses()->displayColour(CvStatusDelete),
            UserColours::instance()->colour(UserColours::DeleteMask)->color().rgba());
}

TEST_F(StatusArray, TheTrimapGreysAllButKeepAndDelete) {
  StatusBytes image(6, 1, 0);
  const uint8_t values[] = {0, 1, 2, 4, 8, 32 | 2};
  for (int x = 0; x < 6; ++x) image.at(x, 0) = values[x];
  statuses()->setStatusImage(&image.image);
  const QImage trimap = statuses()->trimap();
  const QRgb grey = qRgb(128, 128, 128);
  const QRgb expected[] = {grey, grey, qRgb(255, 255, 255), qRgb(0, 0, 0), grey, grey};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(trimap.pixel(x, 0), expected[x]) << int(values[x]);
}

TEST_F(StatusArray, StatusesPresentStopsOnlyOnceEveryClassIsSeen) {
  struct Row {
    const char* name;
    QList<uint8_t> firstRow, secondRow;
    int present;
  } const rows[] = {
      {"all kept", {2}, {2}, 2},
      {"protected and blended", {2, 0}, {8 | 32}, 42},
      {"every class in the first row: the flags after it are not read",
       {1, 2, 4, 8},
       {32 | 64},
       15},
      {"three classes first, the fourth later", {1, 2, 4}, {8 | 16}, 31},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StatusBytes image(11, 2, 0);  // 11: a row longer than one 8-byte word, not a multiple
    for (int x = 0; x < 11; ++x) {
      image.at(x, 0) = row.firstRow.at(x % row.firstRow.size());
      image.at(x, 1) = row.secondRow.at(x % row.secondRow.size());
    }
    QSignalSpy present(statuses(), &GmStatusArray::statusesPresentChanged);
    QSignalSpy changed(statuses(), &GmStatusArray::statusChanged);
    statuses()->setStatusImage(&image.image);
    EXPECT_EQ(int(statuses()->statusesPresent()), row.present);
    statuses()->updateStatusesPresent();
    EXPECT_EQ(changed.size(), 2);
    EXPECT_EQ(present.size(), 1) << "reported once, when it changed";
    statuses()->setStatusImage(nullptr);
    EXPECT_EQ(int(statuses()->statusesPresent()), 0);
    EXPECT_TRUE(statuses()->statusImage().isNull());
  }
}

TEST_F(StatusArray, OnlyUnchangedPatchesAreHeld) {
  GmModel* model = useImage({40, 30}, 1);
  StatusBytes image(40, 30, CvStatusKeep);
  statuses()->setStatusImage(&image.image);
  struct Row {
    const char* name;
    bool changeStatuses;
    bool changeBlending;
    bool held;
  } const rows[] = {{"unchanged", false, false, true},
                    {"statuses changed under it", true, false, false},
                    {"blending options changed since", false, true, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::fill(image.bytes.begin(), image.bytes.end(), uint8_t(CvStatusKeep));
    RectRegion patch(QRectF(10, 10, 10, 10));
    patch.snapshotMask();
    saveTargetSnapshot(model, &patch);
    if (row.changeStatuses) image.at(15, 15) = CvStatusDelete;
    if (row.changeBlending) patch.blending()->options().blendRatioF_ = 0.9f;
    EXPECT_EQ(statuses()->markUnchangedPatch(&patch), row.held);
    const int marked = int(std::count_if(image.bytes.begin(), image.bytes.end(),
                                         [](uint8_t s) { return s & CvStatusHold; }));
    EXPECT_EQ(marked, row.held ? 100 : 0);
    EXPECT_EQ(image.at(5, 5), CvStatusKeep);
    statuses()->clearUnchangedMark(patch.shape().snapshot().mask());
    EXPECT_EQ(std::count_if(image.bytes.begin(), image.bytes.end(),
                            [](uint8_t s) { return s & CvStatusHold; }),
              0);
  }
}

// What a view that converted an earlier revision converts again; a change reported beyond the
// image is read and copied inside it alone.
TEST_F(StatusArray, AViewLearnsWhatChangedSinceItsRevision) {
  StatusBytes image(300, 40, CvStatusKeep);
  statuses()->setStatusImage(&image.image);
  statuses()->updateStatusesPresent();
  const quint64 whole = statuses()->displayRevision();
  statuses()->updateStatusesPresent(QRect());
  EXPECT_EQ(statuses()->displayRevision(), whole) << "nothing changed, no new revision";
  statuses()->updateStatusesPresent(QRect(1, 1, 2, 2));
  const quint64 first = statuses()->displayRevision();
  image.at(295, 35) = CvStatusBlend;
  statuses()->updateStatusesPresent(QRect(290, 30, 20, 20));
  EXPECT_EQ(int(statuses()->statusesPresent()), CvStatusKeep | CvStatusBlend);
  EXPECT_EQ(statuses()->displayImage().pixelIndex(295, 35), CvStatusBlend);
  const QRegion clipped(290, 30, 10, 10);
  EXPECT_EQ(statuses()->displayChangedSince(whole), QRegion(1, 1, 2, 2) + clipped);
  EXPECT_EQ(statuses()->displayChangedSince(first), clipped);
  EXPECT_EQ(statuses()->displayChangedSince(statuses()->displayRevision()), QRegion());
  // Sixteen changes are remembered: the first one goes.
  for (int i = 0; i < 15; ++i) statuses()->updateStatusesPresent(QRect(i, 0, 1, 1));
  EXPECT_EQ(statuses()->displayChangedSince(whole), QRegion(0, 0, 300, 40)) << "too long ago";
  EXPECT_EQ(statuses()->displayChangedSince(first), clipped + QRegion(0, 0, 15, 1));
  statuses()->setColours();
  EXPECT_EQ(statuses()->displayChangedSince(first), QRegion(0, 0, 300, 40)) << "a whole copy";
}

TEST_F(StatusArray, HoldMarksTheArrayWroteAreReadAgain) {
  GmModel* model = useImage({40, 30}, 1);
  StatusBytes image(40, 30, CvStatusKeep);
  statuses()->setStatusImage(&image.image);
  statuses()->updateStatusesPresent();
  RectRegion patch(QRectF(10, 10, 10, 10));
  patch.snapshotMask();
  saveTargetSnapshot(model, &patch);
  ASSERT_TRUE(statuses()->markUnchangedPatch(&patch));
  // A refresh while the marks are set reads them, though the engine reported nothing...
  statuses()->updateStatusesPresent(QRect());
  EXPECT_EQ(int(statuses()->statusesPresent()), CvStatusKeep | CvStatusHold);
  EXPECT_EQ(statuses()->displayImage().pixelIndex(15, 15), CvStatusKeep | CvStatusHold);
  // ...and the next one finds them gone.
  statuses()->clearUnchangedMark(patch.shape().snapshot().mask());
  statuses()->updateStatusesPresent(QRect());
  EXPECT_EQ(int(statuses()->statusesPresent()), CvStatusKeep);
  EXPECT_EQ(statuses()->displayImage().pixelIndex(15, 15), CvStatusKeep);
}

TEST_F(StatusArray, ANewStatusImageStartsKeptAndSendsThePendingStatusesOnce) {
  CorvaneThread thread;
  Journal journal;
  auto* head = new ScriptedCommand("head", &journal);
  head->blocking = true;
  thread.submit(head);
  QImage pending(4, 4, QImage::Format_Indexed8);
  pending.fill(CvStatusDelete);
  statuses()->setPendingStatus(pending);
  StatusBytes image(4, 4, CvStatusInPicture);
  statuses()->setStatusImage(&image.image);
  statuses()->setStatusImage(&image.image);
  QStringList queued;
  for (const CorvaneCommand* command : thread.queuedCommands())
    queued << command->metaObject()->className();
  EXPECT_EQ(queued, (QStringList{"CvCmdSelect", "CvCmdClearUndoRedo", "CvCmdSetStatus",
                                 "CvCmdSelect", "CvCmdClearUndoRedo"}));
  EXPECT_TRUE(thread.queuedCommands().first()->isUncancellable());
  EXPECT_TRUE(statuses()->pendingStatus().isNull());
  statuses()->setStatusImage(nullptr);
  head->release.release();
  ASSERT_TRUE(waitUntilIdle(&thread));
}

}  // namespace
