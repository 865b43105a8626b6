#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "app/TsAppStandAlone.h"
#include "composition/ZarvoObject.h"
#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "FakeDocumentUiHooks.h"

namespace {

TEST(ApertureInput, AReadableImageGivesTheImageACopyAndASharingSecond) {
  QTemporaryDir folder;
  QImage photo(40, 30, QImage::Format_RGB32);
  photo.fill(qRgb(200, 100, 50));
  const QString path = folder.filePath("photo.png");
  ASSERT_TRUE(photo.save(path));
  TsAppStandAlone app(TsApp::Aperture);
  ASSERT_TRUE(app.loadApertureImages(path));
  ASSERT_NE(app.sourceImage(), nullptr);
  ASSERT_NE(app.secondImage(), nullptr);
  EXPECT_TRUE(app.sourceImage()->isValid());
  EXPECT_TRUE(app.secondImage()->isValid());
  EXPECT_EQ(app.secondImage()->displayImage().size(), QSize(40, 30));
  EXPECT_NE(app.secondImage()->displayImage().constBits(),
            app.sourceImage()->displayImage().constBits());
}

TEST(ApertureInput, AnUnreadableImageLeavesNoneAndSaysSo) {
  FakeDocumentUiHooks hooks;
  TsAppStandAlone app(TsApp::Aperture);
  EXPECT_FALSE(app.loadApertureImages("/nonexistent/photo.png"));
  EXPECT_EQ(app.sourceImage(), nullptr);
  EXPECT_EQ(app.secondImage(), nullptr);
  EXPECT_EQ(hooks.warnings.size(), 1);
}

TEST(Teardown, TheDocumentAndTheHubGoWithTheApplicationObjectBeforeTheHostImages) {
  QTemporaryDir folder;
  QImage photo(16, 16, QImage::Format_RGB32);
  photo.fill(Qt::gray);
  ASSERT_TRUE(photo.save(folder.filePath("p.png")));
  {
    TsAppStandAlone app(TsApp::Aperture);
    ASSERT_TRUE(app.loadApertureImages(folder.filePath("p.png")));
    GmModel::instance();
    ZarvoObject::instance();
    EXPECT_EQ(app.hostExitCode(), 2);  // nothing is handed back unless the close question says so
  }
  EXPECT_EQ(GmModel::existingInstance(), nullptr);
  EXPECT_EQ(TsApp::instance(), nullptr);
}

}  // namespace
