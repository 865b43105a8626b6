#include <gtest/gtest.h>

#include <QDir>
#include <QFileOpenEvent>
#include <QImage>
#include <QTemporaryDir>

#include "app/GasPipe.h"
#include "app/TsAppStandAlone.h"
#include "app/TsApplication.h"
#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "support/AppTestSupport.h"
#include "support/FakeAppDialogs.h"

namespace {

class ControlFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    GasPipe::release();
    pipeImageInPath.clear();
    pipeImageOutPath.clear();
    pipeConfig.clear();
  }
  void TearDown() override {
    if (QMainWindow* window = app_.mainWindow()) window->close();
    GasPipe::release();
  }

  QString controlFile(const QString& name, const QByteArray& xml) {
    const QString path = folder_.filePath(name);
    EXPECT_TRUE(writeFile(path, xml));
    return path;
  }
  // What the platform's open-file event does.
  bool open(const QString& path) {
    QFileOpenEvent event(path);
    return TsApplication::handleFileOpen(event.file(), &opened_);
  }

  QTemporaryDir folder_;
  FakeAppDialogs dialogs_;
  TsAppStandAlone app_{TsApp::Normal};
  QString opened_;
};

const QByteArray kDeep =
    "<pipe><job><step><io><image id='imageIn' src='in/photo.png'/></io></step></job>"
    "<image id='imageOut' src='out.png'/><settings id='config'>mode=fast</settings>"
    "<image id='controlOut' src='unused'/></pipe>";

TEST_F(ControlFiles, NothingIsReadBeforeTheMainWindow) {
  const QString path = controlFile("job.otsx", kDeep);
  EXPECT_FALSE(open(path));
  EXPECT_EQ(opened_, path);
  EXPECT_EQ(GasPipe::current(), nullptr);
  EXPECT_TRUE(pipeImageInPath.isEmpty());
}

TEST_F(ControlFiles, AnUpperCaseSuffixAndADeepIdAreRead) {
  app_.showMainWindow();
  const QString path = controlFile("JOB.OTSX", kDeep);
  EXPECT_TRUE(open(path));
  EXPECT_EQ(opened_, path);
  const QString folder = QDir(folder_.path()).absolutePath();
  EXPECT_EQ(pipeImageInPath, folder + "/in/photo.png");
  EXPECT_EQ(pipeImageOutPath, folder + "/out.png");
  EXPECT_EQ(pipeConfig, "mode=fast");
}

TEST_F(ControlFiles, TheLaterOfTwoEqualIdsWinsAndMissingOnesGiveTheFolder) {
  app_.showMainWindow();
  EXPECT_TRUE(open(controlFile("dup.otsx",
                               "<p><a id='imageIn' src='first.png'/>"
                               "<b><a id='imageIn' src='second.png'/></b></p>")));
  const QString folder = QDir(folder_.path()).absolutePath();
  EXPECT_EQ(pipeImageInPath, folder + "/second.png");
  EXPECT_EQ(pipeImageOutPath, folder + "/");
  EXPECT_EQ(pipeConfig, QString());
}

TEST_F(ControlFiles, EachFileIsIndexedOnItsOwn) {
  app_.showMainWindow();
  EXPECT_TRUE(open(controlFile("one.otsx", "<p><i id='imageIn' src='one.png'/></p>")));
  EXPECT_TRUE(open(controlFile("two.otsx",
                               "<p><i id='imageIn' src='two.png'/>"
                               "<c id='config'>second</c></p>")));
  EXPECT_TRUE(pipeImageInPath.endsWith("/two.png"));
  EXPECT_EQ(pipeConfig, "second");
}

TEST_F(ControlFiles, ABrokenFileChangesNothingAndAnUnreadableOneIsShown) {
  app_.showMainWindow();
  EXPECT_TRUE(open(controlFile("good.otsx", kDeep)));
  const QString before = pipeImageInPath;
  EXPECT_TRUE(open(controlFile("broken.otsx", "<p><i id='imageIn' src='x.png'/>")));
  EXPECT_EQ(pipeImageInPath, before);
  EXPECT_TRUE(dialogs_.shown.isEmpty());

  const QByteArray deep = "<p><i id='imageIn' src='deep.png'/>" + QByteArray("<a>").repeated(300) +
                          QByteArray("</a>").repeated(300) + "</p>";
  EXPECT_TRUE(open(controlFile("deep.otsx", deep)));
  EXPECT_EQ(pipeImageInPath, before);
  EXPECT_EQ(logLinesWith("Control file does not parse: " + folder_.filePath("deep.otsx")).size(),
            1);

  const QString missing = folder_.filePath("missing.otsx");
  EXPECT_TRUE(open(missing));
  ASSERT_EQ(dialogs_.shown.size(), 1);
  EXPECT_EQ(dialogs_.shown[0].icon, QMessageBox::Warning);
  EXPECT_EQ(dialogs_.shown[0].text, "Unable to open XML control file: " + missing);
  EXPECT_EQ(dialogs_.shown[0].parent, app_.mainWindow());
  EXPECT_EQ(logLinesWith("Unable to open XML control file: " + missing).size(), 1);
  EXPECT_EQ(pipeImageInPath, before);
}

TEST_F(ControlFiles, OtherFilesGoToTheMainWindowsFileHandler) {
  app_.showMainWindow();
  const QString photo = folder_.filePath("photo.png");
  QImage picture(12, 8, QImage::Format_RGB32);
  picture.fill(Qt::darkGreen);
  ASSERT_TRUE(picture.save(photo));
  EXPECT_TRUE(open(photo));
  EXPECT_EQ(opened_, photo);
  EXPECT_EQ(GasPipe::current(), nullptr);
  ASSERT_NE(GmModel::instance()->segImage(), nullptr);
  EXPECT_EQ(GmModel::instance()->segImage()->fileName(), photo);
}

}  // namespace
