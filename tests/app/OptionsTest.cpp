#include <gtest/gtest.h>

#include <QSettings>

#include "app/PersistOptions.h"
#include "document/GmColor.h"
#include "document/UserColours.h"
#include "FakeDocumentUiHooks.h"

namespace {

// Hooks whose colour dialog picks one colour.
class ChoosingHooks : public FakeDocumentUiHooks {
 public:
  QColor chosen;
  QColor chooseColour(const QColor&, const QString&) override { return chosen; }
};

class Options : public ::testing::Test {
 protected:
  void SetUp() override {
    QSettings settings;
    settings.remove("Preferences");
    settings.remove("Colors");
  }
};

TEST_F(Options, FirstStartGivesTheDefaultsAndAnExitWritesThem) {
  {
    PersistOptions options;
    EXPECT_EQ(PersistOptions::instance(), &options);
    EXPECT_FALSE(options.persistOptions);
    EXPECT_TRUE(options.useTabletPressure);
    ASSERT_EQ(options.colors.size(), 7);
    const QColor defaults[] = {Qt::green,      Qt::red,    Qt::blue,  Qt::white,
                               Qt::darkYellow, Qt::yellow, Qt::yellow};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(options.colors[i]->color(), defaults[i]) << i;
    EXPECT_EQ(options.colors[5]->keyName(), "Active Patch or Forced Edge");
  }
  EXPECT_EQ(PersistOptions::instance(), nullptr);
  QSettings settings;
  EXPECT_EQ(settings.value("Preferences/PersistOptions").toString(), "false");
  EXPECT_EQ(settings.value("Preferences/UseTabletPressure").toString(), "true");
  EXPECT_TRUE(settings.contains("Colors/Keep Mask"));
}

TEST_F(Options, ValuesSurviveARestart) {
  ChoosingHooks hooks;
  hooks.chosen = QColor(12, 34, 56);
  {
    PersistOptions options;
    options.persistOptions = true;
    options.useTabletPressure = false;
    options.colors[UserColours::BlendMask]->changeColorSlot();
  }
  PersistOptions options;
  EXPECT_TRUE(options.persistOptions);
  EXPECT_FALSE(options.useTabletPressure);
  EXPECT_EQ(options.colors[UserColours::BlendMask]->color(), QColor(12, 34, 56));
  EXPECT_EQ(options.colors[UserColours::KeepMask]->color(), QColor(Qt::green));
}

TEST_F(Options, StoredValuesOfTheWrongTypeGiveTheDefaults) {
  {
    QSettings settings;
    settings.setValue("Preferences/PersistOptions", "banana");
    settings.setValue("Preferences/UseTabletPressure", QVariantList{1, 2});
    settings.setValue("Colors/Keep Mask", "not a colour");
  }
  PersistOptions options;
  EXPECT_FALSE(options.persistOptions);
  EXPECT_TRUE(options.useTabletPressure);
  EXPECT_EQ(options.colors[UserColours::KeepMask]->color(), QColor(Qt::green));
}

}  // namespace
