// The colour display's selection on its own: buckets by colour bits, Shift adds, Alt removes, a
// plain pick replaces; what is emitted and when; quantising to fewer bits; the axis rule.

#include <set>

#include "WorkspaceTestSupport.h"
#include "workspace/ColourDisplay.h"

namespace {

using namespace kestrum::colour;

// Everything the display emits, in order.
struct Emissions {
  explicit Emissions(ColourDisplay* display) {
    QObject::connect(
        display,
        QOverload<std::vector<bool>, channel, CvPixelStatus>::of(&ColourDisplay::highlightChanged),
        [this](std::vector<bool> selection, channel which, CvPixelStatus mask) {
          strips.push_back(selection);
          log << QString("strip %1 %2").arg(which).arg(int(mask));
        });
    QObject::connect(
        display,
        QOverload<QImage, channel, channel, CvPixelStatus>::of(&ColourDisplay::highlightChanged),
        [this](QImage plane, channel across, channel up, CvPixelStatus mask) {
          planes << plane;
          log << QString("plane %1 %2 %3").arg(across).arg(up).arg(int(mask));
        });
    QObject::connect(display, &ColourDisplay::unHighlit, [this] { log << "unHighlit"; });
  }
  std::vector<std::vector<bool>> strips;
  QList<QImage> planes;
  QStringList log;
};

std::set<int> selected(const std::vector<bool>& selection) {
  std::set<int> values;
  for (size_t v = 0; v < selection.size(); ++v)
    if (selection[v]) values.insert(int(v));
  return values;
}

std::set<int> range(int first, int last) {
  std::set<int> values;
  for (int v = first; v <= last; ++v) values.insert(v);
  return values;
}

// The bounding rectangle of the set pixels of a 1-bit plane, and their count.
QRect planeBounds(const QImage& plane, int* count = nullptr) {
  QRect bounds;
  int n = 0;
  for (int y = 0; y < plane.height(); ++y)
    for (int x = 0; x < plane.width(); ++x)
      if (plane.pixelIndex(x, y)) {
        bounds |= QRect(x, y, 1, 1);
        ++n;
      }
  if (count) *count = n;
  return bounds;
}

class ColourSelectionTest : public ::testing::Test {
 protected:
  // A strip of red, or a plane of red across and green up.
  ColourDisplay* display(int mode) {
    made = std::make_unique<ColourDisplay>();
    made->setChannels(Red, Green);
    made->setMode(mode);
    return made.get();
  }
  static QColor red(int value) { return QColor(value, 0, 0); }
  std::unique_ptr<ColourDisplay> made;
};

struct BucketRow {
  const char* name;
  int bits;
  int value;
  int first;
  int last;
};

class ColourBucketTest : public ColourSelectionTest,
                         public ::testing::WithParamInterface<BucketRow> {};

TEST_P(ColourBucketTest, APickSelectsTheBucketOfItsValue) {
  const BucketRow& row = GetParam();
  ColourDisplay* strip = display(ColourDisplay::OneChannel);
  strip->setColourBits(row.bits);
  strip->colourPicked(QColor(row.value, 200, 30), Qt::NoModifier);
  EXPECT_EQ(selected(strip->selection()), range(row.first, row.last));
  EXPECT_FALSE(strip->isHighlightEmpty());

  // On a plane the bucket is a square of both channels' buckets (green 200 up).
  ColourDisplay* plane = display(ColourDisplay::TwoChannels);
  plane->setColourBits(row.bits);
  plane->colourPicked(QColor(row.value, 200, 30), Qt::NoModifier);
  const int side = row.last - row.first + 1;
  int count = 0;
  EXPECT_EQ(planeBounds(plane->selectionPlane(), &count),
            QRect(row.first, 200 / side * side, side, side));
  EXPECT_EQ(count, side * side);
}

INSTANTIATE_TEST_SUITE_P(Bits, ColourBucketTest,
                         ::testing::Values(BucketRow{"eightBitsOneValue", 8, 40, 40, 40},
                                           BucketRow{"fourBitsSixteen", 4, 40, 32, 47},
                                           BucketRow{"oneBitUpperHalf", 1, 200, 128, 255},
                                           BucketRow{"threeBitsFirstBucket", 3, 0, 0, 31},
                                           BucketRow{"topValue", 6, 255, 252, 255}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PickRow {
  const char* name;
  // Each pick: a red value and its modifiers.
  std::vector<std::pair<int, Qt::KeyboardModifiers>> picks;
  std::set<int> expected;
};

class ColourModifierTest : public ColourSelectionTest,
                           public ::testing::WithParamInterface<PickRow> {};

TEST_P(ColourModifierTest, ShiftAddsAltRemovesAPlainPickReplaces) {
  const PickRow& row = GetParam();
  for (int mode : {ColourDisplay::OneChannel, ColourDisplay::TwoChannels}) {
    ColourDisplay* shown = display(mode);
    Emissions emitted(shown);
    for (const auto& [value, modifiers] : row.picks) shown->colourPicked(red(value), modifiers);
    std::set<int> reds;
    if (mode == ColourDisplay::OneChannel) {
      reds = selected(shown->selection());
      // What was emitted last is what the display holds (nothing is emitted for no change).
      EXPECT_EQ(emitted.strips.empty() ? std::set<int>() : selected(emitted.strips.back()), reds);
    } else {
      for (int x = 0; x < 256; ++x)
        if (shown->selectionPlane().pixelIndex(x, 0)) reds.insert(x);
      EXPECT_EQ(emitted.planes.isEmpty() ? QRect() : planeBounds(emitted.planes.back()),
                planeBounds(shown->selectionPlane()));
    }
    EXPECT_EQ(reds, row.expected) << "mode " << mode;
    EXPECT_EQ(shown->isHighlightEmpty(), row.expected.empty());
  }
}

const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, alt = Qt::AltModifier;

INSTANTIATE_TEST_SUITE_P(
    Picks, ColourModifierTest,
    ::testing::Values(PickRow{"plainReplaces", {{10, none}, {20, none}}, {20}},
                      PickRow{"shiftAdds", {{10, none}, {20, shift}, {30, shift}}, {10, 20, 30}},
                      PickRow{"altRemoves", {{10, none}, {20, shift}, {10, alt}}, {20}},
                      PickRow{"altOnNothing", {{10, alt}}, {}},
                      PickRow{"altKeepsOthers", {{10, shift}, {20, shift}, {30, alt}}, {10, 20}},
                      PickRow{"shiftAltReplaces", {{10, none}, {20, shift | alt}}, {20}},
                      PickRow{"controlReplaces", {{10, none}, {20, Qt::ControlModifier}}, {20}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ColourSelectionTest, AnEqualSelectionIsEmittedOnceButUnHighlightAlwaysEmits) {
  for (int mode : {ColourDisplay::OneChannel, ColourDisplay::TwoChannels}) {
    ColourDisplay* shown = display(mode);
    Emissions emitted(shown);
    const QString kind = mode == ColourDisplay::OneChannel ? "strip 3 15" : "plane 3 4 15";
    shown->colourPicked(red(50), Qt::ShiftModifier);
    shown->colourPicked(red(50), Qt::ShiftModifier);
    EXPECT_EQ(emitted.log, QStringList({kind})) << "the second pick changes nothing";
    // A plain pick clears first: the empty selection, then the pick.
    emitted.log.clear();
    shown->colourPicked(red(50), Qt::NoModifier);
    EXPECT_EQ(emitted.log, QStringList({"unHighlit", kind, kind}));
    emitted.log.clear();
    shown->unHighlight();
    shown->unHighlight();
    EXPECT_EQ(emitted.log, QStringList({"unHighlit", kind, "unHighlit", kind}));
    EXPECT_TRUE(shown->isHighlightEmpty());
    if (mode == ColourDisplay::OneChannel) {
      EXPECT_TRUE(selected(emitted.strips.back()).empty());
    } else {
      EXPECT_TRUE(planeBounds(emitted.planes.back()).isEmpty());
    }
  }
}

TEST_F(ColourSelectionTest, TheStatusesViewedGoWithEverySelectionAndForceOne) {
  ColourDisplay* shown = display(ColourDisplay::OneChannel);
  Emissions emitted(shown);
  shown->colourPicked(red(50), Qt::ShiftModifier);
  shown->setStatusMask(CvStatusKeep | CvStatusDelete);
  shown->setStatusMask(CvStatusKeep | CvStatusDelete);
  EXPECT_EQ(emitted.log, QStringList({"strip 3 15", "strip 3 6", "strip 3 6"}));
  EXPECT_EQ(selected(emitted.strips.back()), std::set<int>({50}));
}

TEST_F(ColourSelectionTest, ChangedStatusesAreCountedAgainOnlyWhenSomeStatusIsNotViewed) {
  ColourDisplay* shown = display(ColourDisplay::OneChannel);
  shown->grab();  // a paint takes the count
  ASSERT_FALSE(shown->recountWanted());
  shown->statusArrayChanged();
  EXPECT_FALSE(shown->recountWanted()) << "every status viewed: the statuses decide nothing";
  shown->setStatusMask(CvStatusKeep);
  shown->grab();
  shown->statusArrayChanged();
  EXPECT_TRUE(shown->recountWanted());
}

TEST_F(ColourSelectionTest, FewerColourBitsQuantiseIntoBlocksByTheirFirstValue) {
  ColourDisplay* strip = display(ColourDisplay::OneChannel);
  for (int value : {32, 50, 96}) strip->colourPicked(red(value), Qt::ShiftModifier);
  Emissions emitted(strip);
  strip->setColourBits(4);
  // 50's bucket begins at 48, which was not selected.
  std::set<int> expected = range(32, 47);
  for (int v : range(96, 111)) expected.insert(v);
  EXPECT_EQ(selected(strip->selection()), expected);
  ASSERT_EQ(emitted.strips.size(), 1u);
  EXPECT_EQ(selected(emitted.strips.back()), expected);
  EXPECT_TRUE(strip->recountWanted());

  ColourDisplay* plane = display(ColourDisplay::TwoChannels);
  plane->colourPicked(QColor(64, 64, 0), Qt::ShiftModifier);   // a block's first pair
  plane->colourPicked(QColor(130, 10, 0), Qt::ShiftModifier);  // inside a block: dropped
  plane->setColourBits(3);
  int count = 0;
  EXPECT_EQ(planeBounds(plane->selectionPlane(), &count), QRect(64, 64, 32, 32));
  EXPECT_EQ(count, 32 * 32);
}

TEST_F(ColourSelectionTest, TheOtherAxisStaysInTheModelOrTakesTheDefaultPartner) {
  // Rows: the new channel; columns: the other axis before; entries: the other axis after.
  const int expected[6][6] = {
      {1, 1, 2, 1, 1, 1},  // hue: lightness or saturation stay, else lightness
      {0, 0, 2, 0, 0, 0},  // lightness: hue or saturation, else hue
      {0, 1, 0, 0, 0, 0},  // saturation: hue or lightness, else hue
      {4, 4, 4, 4, 4, 5},  // red: green or blue, else green
      {3, 3, 3, 3, 3, 5},  // green: red or blue, else red
      {3, 3, 3, 3, 4, 3},  // blue: red or green, else red
  };
  for (int chosen = 0; chosen < 6; ++chosen)
    for (int other = 0; other < 6; ++other)
      EXPECT_EQ(ColourDisplay::partnerFor(channel(chosen), channel(other)),
                channel(expected[chosen][other]))
          << chosen << " with " << other;
}

TEST_F(ColourSelectionTest, ClicksAndDragsOnTheDisplayLeaveTheSelectionAlone) {
  ColourDisplay* shown = display(ColourDisplay::TwoChannels);
  shown->resize(260, 260);
  shown->colourPicked(red(90), Qt::NoModifier);
  Emissions emitted(shown);
  int clicks = 0, drags = 0;
  QObject::connect(shown, &ColourDisplay::clickInColourDisplay, [&] { ++clicks; });
  QObject::connect(shown, &ColourDisplay::paintMode, [&] { ++drags; });
  click(shown, QPoint(100, 100));
  drag(shown, QPoint(40, 40), QPoint(200, 120));
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(drags, 1);
  EXPECT_TRUE(emitted.log.isEmpty());
  EXPECT_EQ(planeBounds(shown->selectionPlane()), QRect(90, 0, 1, 1));
}

}  // namespace
