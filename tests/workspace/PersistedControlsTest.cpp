// Controls that persist under their object names, and the view options bar built on them.

#include <QLabel>
#include <QSettings>
#include <QSignalSpy>

#include "WorkspaceTestSupport.h"
#include "workspace/PersistentWidget.h"

namespace {

using PersistentSlider = PersistentWidget<QSlider, int>;
using PersistentCheckBox = PersistentWidget<QCheckBox, bool>;
using PersistentCombo = PersistentWidget<QComboBox, QString>;
using PersistentSpinBox = PersistentWidget<QSpinBox, int>;
using PersistentRadio = PersistentWidget<QRadioButton, bool>;

class PersistedControlsTest : public WorkspaceTest {
 protected:
  static QVariant stored(const QString& key) { return QSettings().value(key); }
  static void store(const QString& key, const QVariant& value) { QSettings().setValue(key, value); }
};

TEST_F(PersistedControlsTest, TheKeyDropsBlanksAndHyphensAndNamesTheControl) {
  EXPECT_EQ(PersistentSlider::keyFor("BlendingOptions", "Blend Width"),
            "BlendingOptions/BlendWidth");
  EXPECT_EQ(PersistentCheckBox::keyFor("EdgeDetectionOptions", "Filter-out Texture"),
            "EdgeDetectionOptions/FilteroutTexture");
  EXPECT_EQ(PersistentSlider::keyFor("G", "Edge Contrast"),
            PersistentSlider::keyFor("G", "EdgeContrast"));
  PersistentSpinBox box("Common", "Size - Big", 12, false);
  EXPECT_EQ(box.objectName(), "Common/SizeBig");
  EXPECT_EQ(box.key(), box.objectName());
  EXPECT_EQ(box.value(), 12);
}

TEST_F(PersistedControlsTest, OnlyAControlAskedToSaveWrites) {
  {
    PersistentSlider slider("Group", "Quiet", 40, false);
    slider.setRange(0, 100);
    slider.setValue(70);
  }
  EXPECT_FALSE(stored("Group/Quiet").isValid());
  {
    PersistentSlider slider("Group", "Loud", 40, false);
    slider.setRange(0, 100);
    slider.setValue(70);
    slider.setSaveOnDestruction(true);
  }
  EXPECT_EQ(stored("Group/Loud").toInt(), 70);
  PersistentSlider again("Group", "Loud", 40, false);
  EXPECT_EQ(again.value(), 70);
}

TEST_F(PersistedControlsTest, TheLastDestroyedWins) {
  auto first = std::make_unique<PersistentCombo>("Group", "Mode", "Thin", true);
  auto second = std::make_unique<PersistentCombo>("Group", "Mode", "Thin", true);
  first->addItem("Thick");
  first->setCurrentText("Thick");
  second->addItem("Wide");
  second->setCurrentText("Wide");
  second.reset();
  first.reset();
  EXPECT_EQ(stored("Group/Mode").toString(), "Thick");
}

struct StoredRow {
  const char* name;
  QVariant value;
  int slider;  // in 26..255
  bool checked;
  QString text;
};

class StoredValueTest : public PersistedControlsTest,
                        public ::testing::WithParamInterface<StoredRow> {};

TEST_P(StoredValueTest, StoredValuesConvertStrictlyAndAreClamped) {
  const StoredRow& row = GetParam();
  store("Stored/Slider", row.value);
  store("Stored/Box", row.value);
  store("Stored/Radio", row.value);
  store("Stored/Combo", row.value);
  PersistentSlider slider("Stored", "Slider", 100, false);
  slider.setRange(26, 255);
  PersistentCheckBox box("Stored", "Box", true, false);
  PersistentRadio radio("Stored", "Radio", true, false);
  PersistentCombo combo("Stored", "Combo", "default", false);
  EXPECT_EQ(slider.value(), row.slider);
  EXPECT_EQ(box.isChecked(), row.checked);
  EXPECT_EQ(radio.isChecked(), row.checked);
  EXPECT_EQ(combo.currentText(), row.text);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StoredValueTest,
    ::testing::Values(StoredRow{"Number", QVariant(153), 153, true, "153"},
                      StoredRow{"AboveRange", QVariant(500), 255, true, "500"},
                      StoredRow{"Zero", QVariant(0), 26, false, "0"},
                      StoredRow{"Text", QVariant("abc"), 26, false, "abc"},
                      StoredRow{"TrueText", QVariant("true"), 26, true, "true"},
                      StoredRow{"List", QVariant(QStringList({"a", "b"})), 26, false, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PersistedControlsTest, FirstRunShowsTheDefaults) {
  ViewOptions* options = keep(new ViewOptions);
  EXPECT_EQ(ViewOptions::instance(), options);
  EXPECT_EQ(options->opacitySlider()->value(), 153);
  EXPECT_EQ(options->opacitySlider()->objectName(), "ViewOptions/Opacity");
  EXPECT_TRUE(options->showsVectorEdges());
  EXPECT_EQ(options->showEdgesBox()->objectName(), "ViewOptions/ShowDeleteEdges");
  EXPECT_EQ(options->opacityLabel()->text(), "Opacity: 60%");
  options->opacitySlider()->setValue(26);
  EXPECT_EQ(options->opacityLabel()->text(), "Opacity: 10%");
  EXPECT_DOUBLE_EQ(ViewOptions::maskOpacity(), 0.0);
  options->opacitySlider()->setValue(255);
  EXPECT_EQ(options->opacityLabel()->text(), "Opacity: 100%");
  owned.clear();
  EXPECT_EQ(ViewOptions::instance(), nullptr);
  EXPECT_DOUBLE_EQ(ViewOptions::maskOpacity(), 0.5);
  EXPECT_FALSE(stored("ViewOptions/Opacity").isValid());  // never saved
}

TEST_F(PersistedControlsTest, StoredViewOptionsAreReadAndClamped) {
  store("ViewOptions/Opacity", 9);
  store("ViewOptions/ShowDeleteEdges", false);
  ViewOptions* options = keep(new ViewOptions);
  EXPECT_EQ(options->opacitySlider()->value(), 26);
  EXPECT_FALSE(options->showsVectorEdges());
}

TEST_F(PersistedControlsTest, TheBoxRemembersItsCheckWhileOff) {
  ViewOptions* options = keep(new ViewOptions);
  QSignalSpy shows(options, &ViewOptions::showVectorEdges);
  QSignalSpy modified(options, &ViewOptions::modified);
  options->setShowVectorEdges(false);
  EXPECT_TRUE(shows.isEmpty());  // the menu's change is no click
  options->setShowVectorEdgesEnabled(false);
  EXPECT_FALSE(options->showEdgesBox()->isEnabled());
  options->setShowVectorEdgesEnabled(true);
  EXPECT_FALSE(options->showsVectorEdges());

  options->setShowVectorEdges(true);
  options->setShowVectorEdgesEnabled(false);
  EXPECT_FALSE(options->showsVectorEdges());
  options->setShowVectorEdgesEnabled(true);
  EXPECT_TRUE(options->showsVectorEdges());

  options->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
  QTest::mouseClick(options->showEdgesBox(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(8, options->showEdgesBox()->height() / 2));
  ASSERT_EQ(shows.count(), 1);
  EXPECT_FALSE(shows.at(0).at(0).toBool());
  EXPECT_EQ(modified.count(), 1);
}

TEST_F(PersistedControlsTest, AFirstDisableRemembersTheStartingCheck) {
  store("ViewOptions/ShowDeleteEdges", false);
  ViewOptions* options = keep(new ViewOptions);
  options->setShowVectorEdgesEnabled(false);
  options->setShowVectorEdgesEnabled(true);
  EXPECT_FALSE(options->showsVectorEdges());
}

}  // namespace
