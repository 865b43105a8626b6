#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include "WaitFor.h"
#include "app/TranslationLoader.h"
#include "support/AppTestSupport.h"

namespace {

TEST(Translations, LanguageOfALocaleName) {
  const struct {
    const char* locale;
    const char* language;
  } rows[] = {{"de_DE", "de"}, {"pt_BR", "pt"}, {"  fr_FR.UTF-8 ", "fr"}, {"C", "C"}, {"en", "en"},
              {"", ""},        {"_x", ""}};
  for (const auto& row : rows)
    EXPECT_EQ(languageOfLocaleName(QString::fromLatin1(row.locale)), row.language) << row.locale;
}

// A French catalogue of the program, made by lrelease in a folder of the test's own.
class Catalogue : public ::testing::Test {
 protected:
  void SetUp() override {
    const QByteArray source =
        "<?xml version='1.0' encoding='utf-8'?>\n<!DOCTYPE TS>\n"
        "<TS version='2.1' language='fr_FR'><context><name>TsApp</name>"
        "<message><source>Remind Me Later</source><comment>[all]</comment>"
        "<translation>Me le rappeler plus tard</translation></message>"
        "</context></TS>\n";
    ASSERT_TRUE(writeFile(folder_.filePath("all_fr.ts"), source));
    QProcess lrelease;
    lrelease.start(ZARVO_LRELEASE,
                   {folder_.filePath("all_fr.ts"), "-qm", folder_.filePath("all_fr.qm")});
    ASSERT_TRUE(lrelease.waitForFinished(zarvo_test::childLimitMs()));
    ASSERT_EQ(lrelease.exitCode(), 0) << lrelease.readAllStandardError().constData();
    QSettings().setValue("TransDir", folder_.path());
  }
  void TearDown() override { QSettings().remove("TransDir"); }

  static QString remindMeLater() {
    return QCoreApplication::translate("TsApp", "Remind Me Later", "[all]");
  }

  QTemporaryDir folder_;
};

TEST_F(Catalogue, LoadsFromTheFolderTheSettingsNameAndUnloadsWithTheLoader) {
  EXPECT_EQ(translationFolder(), folder_.path());
  {
    TranslationLoader loader;
    EXPECT_EQ(TranslationLoader::instance(), &loader);
    EXPECT_TRUE(loader.loadTranslations("fr"));
    EXPECT_TRUE(loader.hasOwnTranslator("fr"));
    EXPECT_FALSE(loader.hasQtTranslator("fr"));
    EXPECT_EQ(remindMeLater(), "Me le rappeler plus tard");
  }
  EXPECT_EQ(remindMeLater(), "Remind Me Later");
  EXPECT_EQ(TranslationLoader::instance(), nullptr);
  const QString folder = folder_.path();
  EXPECT_EQ(logLinesWith("Loading Qt translation file " + folder + "/qt_fr - ").size(), 1);
  EXPECT_TRUE(
      logLinesWith("Loading Qt translation file " + folder + "/qt_fr - ")[0].endsWith("failed."));
  EXPECT_EQ(logLinesWith("Loading our translation file " + folder + "/all_fr - ok.").size(), 1);
}

TEST_F(Catalogue, AMissingCatalogueKeepsEnglish) {
  TranslationLoader loader;
  EXPECT_FALSE(loader.loadTranslations("de"));
  EXPECT_FALSE(loader.hasOwnTranslator("de"));
  EXPECT_EQ(remindMeLater(), "Remind Me Later");
}

}  // namespace
