#include <QAction>
#include <QColorDialog>
#include <QSignalSpy>
#include <QToolButton>

#include <functional>
#include <limits>

#include "DocumentTestSupport.h"
#include "document/BlendingOptions.h"
#include "document/BlendingStuff.h"
#include "document/Brushing.h"
#include "document/EDOs.h"
#include "document/GmColor.h"
#include "document/KeyedStateReader.h"
#include "document/PixelState.h"
#include "document/Polygon.h"
#include "document/Rectangle.h"
#include "document/SegmentationStuff.h"

namespace {

using SettingsStateTest = DocumentTest;

QVariantMap throughStream(const QVariantMap& map) {
  const QVariant read = keyedStateFromBytes(keyedStateToBytes(map));
  EXPECT_EQ(read.type(), QVariant::Map);
  return read.toMap();
}

QString customColourKey(int index) {
  return settingsKeys::colours + settingsKeys::customColor.arg(index);
}

void paintCustomColours(const std::function<QColor(int)>& colour) {
  for (int i = 0; i < QColorDialog::customCount(); ++i) QColorDialog::setCustomColor(i, colour(i));
}

QColor customShade(int index) {
  return QColor((7 * index) % 256, 100, 200);
}

QVariant storedColour(const QString& keyName) {
  return QSettings(settingsKeys::organisation, settingsKeys::application)
      .value(settingsKeys::colours + keyName);
}

// The analysis command keeps the last applied value in stored and puts it back on failure.
TEST_F(SettingsStateTest, ValueStatesAndTheirStoredForm) {
  GmValue<int> value(5);
  value.current = 9;
  value.store();
  value.apply();
  EXPECT_EQ(value.toVariant(), (QVariantList{9, 9, 5, 5}));
  value.restore();
  value.revert();
  EXPECT_EQ(value.toVariant(), (QVariantList{5, 5, 5, 5}));
  value.assign(GmValue<double>(8.0));  // another kind of value: nothing
  EXPECT_EQ(value.applied, 5);

  GmValue<int> read(1);
  read.readVariant(QVariantList{4, "x", 6});  // short, and an entry that does not convert
  EXPECT_EQ(read.toVariant(), (QVariantList{4, 0, 6, 1}));

  EDOs values;
  EXPECT_EQ(values.toVariant(), (QVariantMap{{"sensitivity_", QVariantList{50, 50, 50, 50}},
                                             {"width_", QVariantList{3, 3, 3, 3}},
                                             {"texture_", QVariantList{1, 1, 1, 1}},
                                             {"contrast_", QVariantList{1, 1, 1, 1}},
                                             {"widthInImageCoords_", -1}}));
  values.texture.current = 2;
  EXPECT_TRUE(values.anyNonDefault());
  values.applyCurrent();
  EXPECT_FALSE(values.anyChanged());
  EXPECT_EQ(EDOs(QVariantMap()).toVariant(), EDOs().toVariant());  // missing keys: defaults
}

TEST_F(SettingsStateTest, APatchStartsWithTheImagesAppliedValues) {
  EDOs& image = GmModel::instance()->segmentation()->values();
  image.sensitivity.current = 80;
  image.applyCurrent();
  image.sensitivity.current = 90;  // not applied
  image.widthInImageCoords = 12;
  const SegmentationStuff patch(reinterpret_cast<GmRegion*>(0x10));
  EXPECT_EQ(patch.values().sensitivity.current, 80);
  EXPECT_EQ(patch.values().sensitivity.applied, 80);
  EXPECT_EQ(patch.values().widthInImageCoords, 12);
  EXPECT_FALSE(patch.ownSettings());
  EXPECT_FALSE(patch.hasAnalysis());
  EXPECT_EQ(SegmentationStuff(nullptr).values().sensitivity.current, 50);
}

// Every leaf of the keyed state written, streamed and read back writes the same map.
TEST_F(SettingsStateTest, EveryLeafSurvivesTheStream) {
  useImage({40, 30}, 1);
  EDOs values;
  values.width = GmValue<int>(7);
  values.width.current = 9;
  values.widthInImageCoords = 18;
  SegmentationStuff segmentation(nullptr);
  segmentation.values().copyValues(values);
  segmentation.setOwnSettings(true);
  BlendingOptions options;
  options.blendRatioF_ = 0.25f;
  options.isMembrane_ = true;
  options.feather_ = 9;
  options.fgChecked_ = true;
  BlendingStuff blending(nullptr);
  blending.options() = options;
  ts::Rectangle rectangle(QRectF(1.5, 2, 30, 4), 1);
  ts::Polygon polygon(QPolygonF({{1, 1}, {20.25, 3}, {4, 17}}), 0);
  Brushing brushing(Qt::magenta);
  brushing.beginStroke({10, 10});
  GmColor colour("Some Key", "Some Colour", 0, QColor(1, 2, 3, 4));

  struct Leaf {
    const char* name;
    QVariantMap written;
    std::function<QVariantMap(const QVariantMap&)> read;
  };
  const Leaf leaves[] = {
      {"EDOs", values.toVariant(), [](const QVariantMap& m) { return EDOs(m).toVariant(); }},
      {"SegmentationStuff", segmentation.toVariant(),
       [](const QVariantMap& m) { return SegmentationStuff(m, nullptr).toVariant(); }},
      {"BlendingOptions", options.toVariant(),
       [](const QVariantMap& m) { return BlendingOptions(m).toVariant(); }},
      {"BlendingStuff", blending.toVariant(),
       [](const QVariantMap& m) { return BlendingStuff(m, nullptr).toVariant(); }},
      {"ts::Rectangle", rectangle.toVariant(),
       [](const QVariantMap& m) { return ts::Rectangle(m, 0).toVariant(); }},
      {"ts::Polygon", polygon.toVariant(),
       [](const QVariantMap& m) { return ts::Polygon(m).toVariant(); }},
      {"GmColor", colour.toVariant(), [](const QVariantMap& m) { return GmColor(m).toVariant(); }},
  };
  for (const Leaf& leaf : leaves) {
    const QVariantMap streamed = throughStream(leaf.written);
    EXPECT_EQ(streamed, leaf.written) << leaf.name;
    EXPECT_EQ(leaf.read(streamed), leaf.written) << leaf.name;
  }
  // Strokes hold bitmaps, which compare by identity: compare their bytes.
  const QVariantMap stroke = brushing.toVariant();
  EXPECT_EQ(keyedStateToBytes(Brushing(throughStream(stroke)).toVariant()),
            keyedStateToBytes(stroke));
  EXPECT_EQ(blending.toVariant().value("bos_").toMap().value("blendRatioF_").type(),
            QVariant(0.25f).type());
}

TEST_F(SettingsStateTest, MissingKeysReadAsTheirDefaults) {
  const BlendingOptions empty{QVariantMap()};
  // Always read: 0 or false when missing.
  EXPECT_EQ(empty.autoBlueWidthF_, 0.0f);
  EXPECT_EQ(empty.blendRatioF_, 0.0f);
  EXPECT_EQ(empty.feather_, 0);
  EXPECT_FALSE(empty.fgChecked_);
  // Read only when present: the defaults of a new record.
  EXPECT_FALSE(empty.isChoices_);
  EXPECT_EQ(empty.choices1F_, 0.5f);
  EXPECT_EQ(empty.choices2F_, 0.5f);
  EXPECT_FALSE(empty.isMembrane_);
  EXPECT_EQ(empty.membrane1F_, 0.5f);
  EXPECT_FALSE(empty.isUniformBg_);
  // A missing override is the default override.
  EXPECT_EQ(empty.fgOverride_->color(), QColor(Qt::white));
  EXPECT_EQ(empty.fgOverride_->keyName(), "Foreground Override");
  EXPECT_EQ(empty.bgOverride_->color(), QColor(Qt::black));
  EXPECT_EQ(empty.bgOverride_->keyName(), "Background Override");

  // A hostile map: numbers that are no numbers, an override that is no colour map.
  QVariantMap hostile = BlendingOptions().toVariant();
  hostile["blendRatioF_"] = QVariant(std::numeric_limits<double>::quiet_NaN());
  hostile["choices1F_"] = 1e300;
  hostile["fgOverride_"] = 17;
  hostile["bgOverride_"] = QVariantMap{{"qColor_", "not a colour"}};
  const BlendingOptions read(hostile);
  EXPECT_EQ(read.blendRatioF_, 0.0f);
  EXPECT_EQ(read.choices1F_, 0.5f);
  EXPECT_EQ(read.fgOverride_->color(), QColor(Qt::white));
  EXPECT_EQ(read.bgOverride_->color(), QColor(Qt::black));

  // A rectangle without "snap_" takes the reader's default (a patch snaps).
  EXPECT_EQ(ts::Rectangle(QVariantMap{{"rect_", QRectF(1, 2, 3, 4)}}, 1).snap(), 1);
  EXPECT_EQ(ts::Rectangle(QVariantMap{{"snap_", 0}}, 1).snap(), 0);
  EXPECT_EQ(ts::Rectangle(QVariantMap{{"rect_", QRectF(qInf(), 0, 1, 1)}}, 1).rect(),
            QRectF(0, 0, -1, -1));
  EXPECT_TRUE(
      ts::Polygon(QVariantMap{{"qpoly_", QPolygonF(QVector<QPointF>{{0, 0}, {qQNaN(), 1}})}})
          .points()
          .isEmpty());
  const SegmentationStuff segmentation(QVariantMap(), nullptr);
  EXPECT_FALSE(segmentation.ownSettings());
  EXPECT_EQ(segmentation.values().toVariant(), EDOs().toVariant());
}

TEST_F(SettingsStateTest, ACopyOfOptionsOwnsItsOverrides) {
  BlendingOptions original;
  original.feather_ = 3;
  const BlendingOptions copy(original);
  EXPECT_NE(copy.fgOverride_.get(), original.fgOverride_.get());
  EXPECT_EQ(copy.toVariant(), original.toVariant());

  PixelState snapshot;
  EXPECT_TRUE(snapshot.isStale(original));
  snapshot.setOptionsKey(original.toVariant());
  EXPECT_FALSE(snapshot.isStale(original));
  original.fgChecked_ = true;
  EXPECT_TRUE(snapshot.isStale(original));
}

TEST_F(SettingsStateTest, OnlyPersistingColoursTouchTheSettings) {
  {
    QSettings settings(settingsKeys::organisation, settingsKeys::application);
    settings.setValue("Colors/Stored", QColor(Qt::cyan));
    settings.setValue("Colors/Ignored", QColor(Qt::cyan));
  }
  {
    GmColor persisting("Stored", "Stored", 1, Qt::red);
    EXPECT_EQ(persisting.color(), QColor(Qt::cyan));
    EXPECT_EQ(persisting.defaultColor(), QColor(Qt::red));
    persisting.restoreDefaultSlot();
    GmColor unstored("Fresh", "Fresh", 1, Qt::blue);
    EXPECT_EQ(unstored.color(), QColor(Qt::blue));
    GmColor transient("Ignored", "Ignored", 0, Qt::red);
    EXPECT_EQ(transient.color(), QColor(Qt::red));
    transient.restoreDefaultSlot();
    hooks.colourAnswers << QColor(Qt::darkGreen);
    transient.changeColorSlot();
  }
  EXPECT_EQ(storedColour("Stored").value<QColor>(), QColor(Qt::red));
  EXPECT_EQ(storedColour("Fresh").value<QColor>(), QColor(Qt::blue));
  EXPECT_EQ(storedColour("Ignored").value<QColor>(), QColor(Qt::cyan));
}

// A file must not reach the settings store: colours read from a map never persist.
TEST_F(SettingsStateTest, OverridesFromAFileNeverPersist) {
  QVariantMap hostile = GmColor("Keep Mask", "Keep Mask", 1, Qt::black).toVariant();
  QSettings(settingsKeys::organisation, settingsKeys::application).clear();
  ASSERT_EQ(hostile.value("persist_").toInt(), 1);
  QVariantMap options = BlendingOptions().toVariant();
  options["fgOverride_"] = hostile;
  {
    const BlendingOptions read(options);
    EXPECT_EQ(read.fgOverride_->persist(), 0);
    EXPECT_EQ(read.fgOverride_->keyName(), "Keep Mask");
    const GmColor direct(hostile);
    EXPECT_EQ(direct.persist(), 0);
  }
  EXPECT_FALSE(storedColour("Keep Mask").isValid());
}

TEST_F(SettingsStateTest, ChoosingAColourGoesThroughTheHooks) {
  GmColor colour("Key", "Halo", 0, Qt::red);
  QSignalSpy changes(&colour, &GmColor::colorChanged);
  colour.changeColorSlot();  // cancelled
  EXPECT_EQ(changes.size(), 0);
  EXPECT_EQ(colour.color(), QColor(Qt::red));
  ASSERT_EQ(hooks.colourRequests.size(), 1);
  EXPECT_EQ(hooks.colourRequests[0].first, QColor(Qt::red));
  EXPECT_EQ(hooks.colourRequests[0].second, "Select Halo color");

  hooks.colourAnswers << QColor(Qt::blue);
  colour.changeColorSlot();
  ASSERT_EQ(changes.size(), 1);
  EXPECT_EQ(changes[0][0].value<QColor>(), QColor(Qt::blue));
  colour.revertChangeSlot();  // committed is still the default
  EXPECT_EQ(colour.color(), QColor(Qt::red));
  hooks.colourAnswers << QColor(Qt::green);
  colour.changeColorSlot();
  colour.commitChangeSlot();
  colour.restoreDefaultSlot();
  colour.revertChangeSlot();
  EXPECT_EQ(colour.color(), QColor(Qt::green));
  EXPECT_EQ(changes.size(), 5);

  EXPECT_EQ(colour.toolButton()->defaultAction(), colour.changeAction());
  EXPECT_EQ(colour.toolButton()->toolTip(), "Change Halo color");
  EXPECT_EQ(colour.changeAction()->icon().pixmap(32, 32).toImage().pixel(5, 5),
            QColor(Qt::green).rgb());
}

// The colour dialog's custom colours: the first dialog of a run loads at most the dialog's own
// count of them (a value that is not a colour leaves its one as it was) and later ones load
// nothing; a cancelled dialog stores nothing, a chosen colour stores them all for the next run.
TEST_F(SettingsStateTest, TheCustomColoursAreKeptBetweenRuns) {
  const int count = QColorDialog::customCount();
  const QString countKey = settingsKeys::colours + settingsKeys::numCustomColors;
  QSettings settings(settingsKeys::organisation, settingsKeys::application);
  GmColor colour("Key", "Halo", 0, Qt::red);
  const auto newRun = [] {
    paintCustomColours([](int) { return QColor(Qt::white); });
    GmColor::reloadCustomColoursForTesting();
  };
  struct Row {
    const char* name;
    QVariant storedCount;
    int notAColour;  // index of a stored value that is not a colour, or -1
    int loaded;      // custom colours taken from the settings
  };
  const Row rows[] = {
      {"none stored", QVariant(), -1, 0},
      {"fewer than the dialog's", 3, -1, 3},
      {"more than the dialog's", count + 20, -1, count},
      {"negative", -4, -1, 0},
      {"a value that is not a colour", count, 1, count},
  };
  for (const Row& row : rows) {
    settings.remove("Colors");
    if (row.storedCount.isValid()) settings.setValue(countKey, row.storedCount);
    for (int i = 0; i < count + 20; ++i)
      settings.setValue(customColourKey(i),
                        i == row.notAColour ? QVariant("no colour") : QVariant(customShade(i)));
    newRun();
    colour.changeColorSlot();  // cancelled
    for (int i = 0; i < count; ++i) {
      const bool loaded = i < row.loaded && i != row.notAColour;
      EXPECT_EQ(QColorDialog::customColor(i), loaded ? customShade(i) : QColor(Qt::white))
          << row.name << " " << i;
    }
    QColorDialog::setCustomColor(0, Qt::black);
    colour.changeColorSlot();
    EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::black)) << row.name;
  }

  settings.remove("Colors");
  colour.changeColorSlot();
  EXPECT_FALSE(settings.contains(countKey));
  paintCustomColours(customShade);
  hooks.colourAnswers << QColor(Qt::blue);
  colour.changeColorSlot();
  EXPECT_EQ(settings.value(countKey).toInt(), count);
  newRun();
  colour.changeColorSlot();
  for (int i = 0; i < count; ++i) EXPECT_EQ(QColorDialog::customColor(i), customShade(i)) << i;
}

TEST_F(SettingsStateTest, TheSevenUserColours) {
  struct Row {
    UserColours::Colour which;
    const char* key;
    Qt::GlobalColor fallback;
  };
  const Row rows[] = {
      {UserColours::KeepMask, "Keep Mask", Qt::green},
      {UserColours::DeleteMask, "Delete Mask", Qt::red},
      {UserColours::BlendMask, "Blend Mask", Qt::blue},
      {UserColours::PatchProtection, "Patch Protection", Qt::white},
      {UserColours::PatchOrForcedEdge, "Patch or Forced Edge", Qt::darkYellow},
      {UserColours::ActivePatchOrForcedEdge, "Active Patch or Forced Edge", Qt::yellow},
      {UserColours::ColorWorkspaceHighlight, "Color Workspace Highlight", Qt::yellow},
  };
  QSettings(settingsKeys::organisation, settingsKeys::application)
      .setValue("Colors/Blend Mask", QColor(Qt::gray));
  for (const Row& row : rows) {
    const GmColor* colour = UserColours::instance()->colour(row.which);
    EXPECT_EQ(colour->keyName(), row.key);
    EXPECT_EQ(colour->description(), row.key);  // no translation loaded
    EXPECT_EQ(colour->persist(), 1);
    EXPECT_EQ(colour->defaultColor(), QColor(row.fallback)) << row.key;
    EXPECT_EQ(colour->color(),
              row.which == UserColours::BlendMask ? QColor(Qt::gray) : QColor(row.fallback));
  }
  hooks.colourAnswers << QColor(1, 2, 3);
  UserColours::instance()->colour(UserColours::KeepMask)->changeColorSlot();
  EXPECT_FALSE(storedColour("Keep Mask").isValid());  // written back only when destroyed
  UserColours::destroyInstance();
  EXPECT_EQ(storedColour("Keep Mask").value<QColor>(), QColor(1, 2, 3));
  EXPECT_EQ(storedColour("Delete Mask").value<QColor>(), QColor(Qt::red));
  EXPECT_EQ(UserColours::instance()->colour(UserColours::KeepMask)->color(), QColor(1, 2, 3));
}

}  // namespace
