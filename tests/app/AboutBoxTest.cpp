#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "app/AboutBox.h"
#include "app/AppIdentity.h"
#include "app/TsAppStandAlone.h"
#include "kestrum/qt/AppPaths.h"
#include "support/AppTestSupport.h"

namespace {

TEST(AboutBox, TellsTheProductVersionRightsAndDedication) {
  const QString html = aboutBoxHtml(QString());
  for (const char* part : {"<b>Zarvo</b>", "Version 1.2.4 (build ", "Copyright \u00a9 OrbelTech",
                           "All rights reserved", "This program is dedicated to"})
    EXPECT_TRUE(html.contains(QString::fromUtf8(part))) << part;
  EXPECT_TRUE(html.contains("(build " + QString::fromLatin1(buildRevision()).left(7) + ")"));
  EXPECT_TRUE(aboutBoxHtml("Sold by Acme")
                  .startsWith("<p><font size=\"+1\"><b>Sold by Acme</b></font></p>"));
}

TEST(AboutBox, LogoIsTheDistributorsAtMost200WideOrTheInformationIcon) {
  QPixmap wide(500, 100);
  wide.fill(Qt::red);
  EXPECT_EQ(aboutBoxLogo(wide).size(), QSize(200, 40));
  QPixmap narrow(120, 90);
  narrow.fill(Qt::red);
  EXPECT_EQ(aboutBoxLogo(narrow).size(), QSize(120, 90));
  const QImage icon = QMessageBox::standardIcon(QMessageBox::Information).toImage();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(aboutBoxLogo(QPixmap()).toImage(), icon);
}

TEST(AboutBox, ShowsItsPartsAndClosesOnOk) {
  std::unique_ptr<QDialog> box(buildAboutBox());
  box->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(box.get()));
  const QImage shot = box->grab().toImage();
  EXPECT_EQ(shot.size(), box->size());
  auto* logo = box->findChild<QLabel*>("aboutLogo");
  ASSERT_NE(logo, nullptr);
  // The icon's pixels are there, not the dialog's plain background.
  const QImage logoShot = logo->grab().toImage();
  QSet<QRgb> colours;
  for (int y = 0; y < logoShot.height(); y += 2)
    for (int x = 0; x < logoShot.width(); x += 2) colours.insert(logoShot.pixel(x, y));
  EXPECT_GT(colours.size(), 3);
  EXPECT_EQ(box->layout()->sizeConstraint(), QLayout::SetFixedSize);

  QPushButton* ok = nullptr;
  for (QPushButton* button : box->findChildren<QPushButton*>())
    if (button->text() == "OK") ok = button;
  ASSERT_NE(ok, nullptr);
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_FALSE(box->isVisible());
  EXPECT_EQ(box->result(), QDialog::Accepted);
}

TEST(AboutBox, OneBoxPerRun) {
  aboutBox();
  QWidget* first = visibleWindowTitled("About Zarvo");
  ASSERT_NE(first, nullptr);
  first->close();
  aboutBox();
  EXPECT_TRUE(first->isVisible());
  int boxes = 0;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->windowTitle() == "About Zarvo") ++boxes;
  EXPECT_EQ(boxes, 1);
  releaseAboutBox();
}

class HelpPages : public ::testing::Test {
 protected:
  void SetUp() override {
    kestrum::setAppDirOverride(folder_.path());
    QSettings().remove("HelpRoot");
    QSettings().remove("TutorialsRoot");
  }
  void TearDown() override {
    kestrum::setAppDirOverride(QString());
    QSettings().remove("HelpRoot");
    QSettings().remove("TutorialsRoot");
  }
  QTemporaryDir folder_;
  TsAppStandAlone app_{TsApp::Normal};
};

TEST_F(HelpPages, HelpIsTheLocalFolderOfTheLanguage) {
  const QString root = QDir::cleanPath(folder_.path() + "/Help");
  EXPECT_EQ(app_.helpUrl(), "file://" + root + "/en");
  EXPECT_EQ(app_.onlineHelpUrl(), "file://" + root + "/en/zarvo_online_help.htm");
  QSettings().setValue("HelpRoot", "/opt/manuals");
  EXPECT_EQ(app_.helpUrl(), "file:///opt/manuals/en");
}

TEST_F(HelpPages, TutorialsAreTheLocalPageWhenItExistsElseTheWebPage) {
  EXPECT_EQ(app_.tutorialsUrl(),
            "http://zarvo.orbeltech.example/support-manuals-tutorials-zarvo.html");
  const QString page = folder_.path() + "/Tutorials/index.htm";
  ASSERT_TRUE(writeFile(page, "<html></html>"));
  EXPECT_EQ(app_.tutorialsUrl(), "file://" + page);
  QSettings().setValue("TutorialsRoot", folder_.path() + "/elsewhere.htm");
  EXPECT_EQ(app_.tutorialsUrl(),
            "http://zarvo.orbeltech.example/support-manuals-tutorials-zarvo.html");
}

}  // namespace
