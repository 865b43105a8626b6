// The file handler opening images into the document: messages, refusals, the recent list and
// the Exif orientation, on a real engine thread.

#include <functional>

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "ImageFiles.h"
#include "WaitFor.h"
#include "app/TsAppStandAlone.h"
#include "document/CvCmdBeginSession.h"
#include "document/CvCmdInit.h"
#include "document/TsSourceImage.h"
#include "support/AppTestSupport.h"
#include "support/FileHandlerFixture.h"

namespace {

QString native(const QString& path) {
  return QDir::toNativeSeparators(QFileInfo(path).canonicalFilePath());
}

using FileOpening = FileHandlerTest;

TEST_F(FileOpening, AFileBecomesANewDocumentWithItsStatusMessage) {
  const QString dog = writePhoto("dog.png");
  QSignalSpy recent(handler.get(), &FileHandler::recentFilesChanged);
  open(dog);
  ASSERT_NE(model()->segImage(), nullptr);
  EXPECT_EQ(model()->segImage()->fileName(), dog);
  EXPECT_EQ(model()->sourceKind(), 1);
  EXPECT_TRUE(model()->isUnmodified());
  ASSERT_EQ(host.statusMessages.size(), 1);
  EXPECT_EQ(host.statusMessages[0], qMakePair(dog, 2000));
  EXPECT_EQ(host.raised, 1);
  EXPECT_EQ(host.viewTabs, (QList<QPair<int, int>>{{2, 2}}));
  EXPECT_EQ(handler->lastImageDir(), folder.path());
  EXPECT_EQ(handler->recentFiles(), QStringList{native(dog)});
  EXPECT_EQ(recent.size(), 1);
  EXPECT_TRUE(dialogs.shown.isEmpty());
}

struct UnreadableRow {
  const char* file;
  std::function<QByteArray()> bytes;  // null: no such file
  const char* reason;                 // what the box says after the file's name
};

void PrintTo(const UnreadableRow& row, std::ostream* out) {
  *out << row.file;
}

class UnreadableFile : public FileHandlerTest,
                       public ::testing::WithParamInterface<UnreadableRow> {};

// A photo in `format`, its bytes cut to `percent`.
QByteArray cutTo(const char* format, int percent) {
  const QImage photo = syntheticPhoto(64, 48);
  const QByteArray bytes = QByteArray(format) == "TGA"
                               ? zarvo_test::tgaOf(photo, zarvo_test::TgaLayout::asToolsWrite())
                               : zarvo_test::encodedImage(photo, format);
  return bytes.left(bytes.size() * percent / 100);
}

TEST_P(UnreadableFile, SaysWhyAndLeavesTheDocumentAsItWas) {
  const UnreadableRow& row = GetParam();
  open(writePhoto("good.png"));
  const TsSourceImage* before = model()->segImage();
  const QString name = path(QString::fromLatin1(row.file));
  if (row.bytes) {
    ASSERT_TRUE(writeFile(name, row.bytes()));
  }
  dialogs.shown.clear();
  EXPECT_FALSE(handler->loadImage(name));
  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(dialogs.shown[0].text.toStdString(),
            ("Sorry - could not open file " + name + "\n\n" + row.reason).toStdString());
  EXPECT_EQ(model()->segImage(), before);
  EXPECT_EQ(handler->recentFiles().size(), 1);
}

const char* const kCutShort = "The image data is cut short: the file ends before the picture does.";

INSTANTIATE_TEST_SUITE_P(
    Reasons, UnreadableFile,
    ::testing::Values(
        UnreadableRow{"missing.png", nullptr,
                      "The file could not be opened: No such file or directory"},
        UnreadableRow{"notAnImage.png", [] { return QByteArray("plain text, no picture"); },
                      "This is not an image in a format that can be read."},
        UnreadableRow{"cutInScan.jpg", [] { return cutTo("JPEG", 75); }, kCutShort},
        UnreadableRow{"cutInHeader.jpg", [] { return cutTo("JPEG", 100).left(100); },
                      "The size of the image could not be read."},
        UnreadableRow{"cutShort.bmp", [] { return cutTo("BMP", 60); }, kCutShort},
        UnreadableRow{"cutShort.tga", [] { return cutTo("TGA", 60); }, kCutShort},
        UnreadableRow{"tooLarge.png", [] { return zarvo_test::pngClaiming(30000, 30000); },
                      "The image is too large: 30000 x 30000 pixels, more than 200 megapixels."}),
    [](const ::testing::TestParamInfo<UnreadableRow>& info) {
      return QString::fromLatin1(info.param.file).replace('.', '_').toStdString();
    });

TEST_F(FileOpening, IsRefusedWhileTheEngineIsMadeOrASessionOpens) {
  const QString first = writePhoto("first.png"), second = writePhoto("second.png");
  ASSERT_TRUE(handler->loadImage(first));
  const TsSourceImage* opened = model()->segImage();
  const auto holds = [this](auto* kind) {
    using Kind = std::remove_pointer_t<decltype(kind)>;
    if (qobject_cast<Kind*>(thread->currentCommand())) return true;
    for (CorvaneCommand* command : thread->queuedCommands())
      if (qobject_cast<Kind*>(command)) return true;
    return false;
  };
  // The engine is being made: nothing has let the GUI thread finish a command yet.
  ASSERT_TRUE(holds(static_cast<CvCmdInit*>(nullptr)));
  EXPECT_FALSE(handler->loadImage(second));
  EXPECT_EQ(model()->segImage(), opened);
  // The session opens: the engine exists, the session command runs or waits.
  ASSERT_TRUE(zarvo_test::waitFor([&] { return !holds(static_cast<CvCmdInit*>(nullptr)); }));
  if (holds(static_cast<CvCmdBeginSession*>(nullptr))) {
    EXPECT_FALSE(handler->loadImage(second));
    EXPECT_EQ(model()->segImage(), opened);
  }
  waitIdle();
  EXPECT_TRUE(handler->loadImage(second));
  waitIdle();
  EXPECT_EQ(model()->segImage()->fileName(), second);
}

TEST_F(FileOpening, TheRecentListKeepsFiveCanonicalEntriesNewestFirst) {
  QStringList files;
  for (int i = 0; i < 6; ++i) files << writePhoto(QStringLiteral("p%1.png").arg(i), QSize(8, 8));
  QSignalSpy changed(handler.get(), &FileHandler::recentFilesChanged);
  QStringList list;
  EXPECT_TRUE(handler->addRecent(files[0], list, "RecentFiles"));
  EXPECT_FALSE(handler->addRecent(files[0], list, "RecentFiles")) << "already at the front";
  for (int i = 1; i < 6; ++i) EXPECT_TRUE(handler->addRecent(files[i], list, "RecentFiles"));
  EXPECT_EQ(list, (QStringList{native(files[5]), native(files[4]), native(files[3]),
                               native(files[2]), native(files[1])}));
  EXPECT_EQ(QSettings().value("FileHandling/RecentFiles").toStringList(), list);
  EXPECT_TRUE(handler->addRecent(files[2], list, "RecentFiles"));
  EXPECT_EQ(list.first(), native(files[2]));
  EXPECT_EQ(list.size(), 5);
  EXPECT_FALSE(handler->addRecent(path("gone.png"), list, "RecentFiles"));

  // A relative name and a path through a linked folder name the same file once.
  ASSERT_TRUE(
      QFile::link(folder.path(), path("../" + QFileInfo(folder.path()).fileName() + "-link")));
  const QString linked = folder.path() + "-link/" + QFileInfo(files[3]).fileName();
  QStringList forms;
  EXPECT_TRUE(handler->addRecent(linked, forms, "RecentProjects"));
  const QString previous = QDir::currentPath();
  QDir::setCurrent(folder.path());
  EXPECT_FALSE(handler->addRecent(QFileInfo(files[3]).fileName(), forms, "RecentProjects"));
  QDir::setCurrent(previous);
  QFile::remove(folder.path() + "-link");
  EXPECT_EQ(forms, QStringList{native(files[3])});
  EXPECT_EQ(changed.size(), 0) << "addRecent itself reports nothing";

  // Through the handler: the same file twice reports once.
  open(files[0]);
  open(files[0]);
  EXPECT_EQ(changed.size(), 1);
}

TEST_F(FileOpening, JpegsOpenUprightAsTheStandardReaderTurnsThem) {
  QImage photo(7, 5, QImage::Format_RGB32);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x) photo.setPixel(x, y, qRgb(x * 36, y * 50, x == 0 ? 255 : 0));
  for (int orientation = 1; orientation <= 8; ++orientation) {
    SCOPED_TRACE(orientation);
    const QString name = path(QStringLiteral("o%1.jpg").arg(orientation));
    ASSERT_TRUE(writeFile(name, jpegWithOrientation(photo, orientation)));
    QImageReader reader(name);
    reader.setAutoTransform(true);
    const QImage expected = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(expected.isNull());
    open(name);
    ASSERT_NE(model()->segImage(), nullptr);
    EXPECT_EQ(model()->segImage()->displayImage(), expected);
    EXPECT_EQ(model()->segImage()->displayImage().size(),
              orientation >= 5 ? QSize(5, 7) : QSize(7, 5));
  }
}

TEST_F(FileOpening, FilesNamedFromOutsideOpenOnlyInTheNormalRunAndAfterTheQuestion) {
  struct Row {
    const char* name;
    int mode;
    bool answer;
    bool opens;
  };
  const Row rows[] = {{"normal", TsApp::Normal, true, true},
                      {"declined", TsApp::Normal, false, false},
                      {"sharedMemory", TsApp::SharedMemory, true, false},
                      {"aperture", TsApp::Aperture, true, false}};
  const QString photo = writePhoto("named.png");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    model()->finish();
    waitIdle();
    host.questions.clear();
    host.answer = row.answer;
    {
      std::unique_ptr<TsAppStandAlone> app;
      if (row.mode != TsApp::Normal) app = std::make_unique<TsAppStandAlone>(row.mode);
      handler->loadFile(photo);
      waitIdle();
      EXPECT_EQ(host.questions, QStringList{"Unsaved changes"});
      EXPECT_EQ(model()->segImage() != nullptr, row.opens);
    }
    // The application object took the document with it: a new one for the next row.
    handler = std::make_unique<FileHandler>(&host);
  }
}

TEST_F(FileOpening, ARestoredImageLeavesTheLastFolderAlone) {
  handler->setLastImageDir(path("elsewhere/x.png"));
  QDir().mkpath(path("other"));
  const QString photo = writePhoto("other/p.png");
  auto* image = new TsSourceImage(photo);
  ASSERT_TRUE(hooks.installImage(image));
  waitIdle();
  EXPECT_EQ(model()->segImage(), image);
  EXPECT_EQ(handler->lastImageDir(), path("elsewhere"));
  EXPECT_TRUE(handler->recentFiles().isEmpty());
}

}  // namespace
