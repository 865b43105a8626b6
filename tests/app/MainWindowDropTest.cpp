// Pictures dropped on the main window's canvases: the cut-out canvas and the composition view
// both hand the drop to the image receiver, whose picture the window opens as the new cut-out.

#include <gtest/gtest.h>

#include <algorithm>

#include <QDropEvent>
#include <QMimeData>
#include <QProgressDialog>
#include <QTimer>
#include <QUrl>

#include "support/AppTestSupport.h"
#include "ExifBytes.h"
#include "ImageFiles.h"
#include "support/LoopbackHttpServer.h"
#include "support/MainWindowFixture.h"
#include "app/ImageReceiver.h"
#include "composition/ZarvoWidget.h"
#include "document/PhotoReader.h"
#include "document/TsSourceImage.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/TsWorkspace.h"

namespace {

// Drops `data` on `target` as on screen, where the drop goes to the widget that accepted the
// drag's entry; answers whether the drop was taken.
bool dropOn(QWidget* target, QMimeData& data) {
  QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

bool dropFile(QWidget* target, const QString& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  return dropOn(target, data);
}

struct DropRow {
  const char* name;
  int mode;
  bool onComposition;  // the composition view, else the cut-out canvas
  bool changedFirst;   // the open cut-out was painted on: the question comes
  QMessageBox::StandardButton answer;
  bool opened;  // the dropped picture became the document's
};

void PrintTo(const DropRow& row, std::ostream* out) {
  *out << row.name;
}

class MainWindowDrop : public MainWindowTest, public ::testing::WithParamInterface<DropRow> {};

TEST_P(MainWindowDrop, ADroppedFileOpensAsTheNewCutout) {
  const DropRow& row = GetParam();
  start(row.mode);
  if (row.mode == TsApp::Normal) open(photo());
  if (row.changedFirst) paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
  const QString dropped = photo(QStringLiteral("dropped.png"), QSize(200, 150));
  dialogs.answers << AppDialogs::Answer{row.answer, -1};

  QWidget* target = window->imageView()->workspace()->canvas();
  if (row.onComposition) {
    window->imageView()->ensureViewTab(ImageView::ComposePicture, ImageView::ComposePicture);
    target = window->compositionWidget()->viewport();
  }
  EXPECT_TRUE(dropFile(target, dropped));
  waitIdle();

  const TsSourceImage* image = GmModel::instance()->segImage();
  EXPECT_EQ(dialogs.shown.size(), row.changedFirst ? 1 : 0);
  if (!row.opened) {
    EXPECT_TRUE(!image || GmModel::instance()->imageSize() != QSize(200, 150));
    return;
  }
  ASSERT_TRUE(image);
  EXPECT_EQ(GmModel::instance()->imageSize(), QSize(200, 150));
  ASSERT_TRUE(zarvo_test::waitFor(
      [this] { return GmTool::current() == window->tools()->deleteLocalTool(); }));
  EXPECT_EQ(window->imageView()->currentViewTab(), ImageView::DeleteBackground);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, MainWindowDrop,
    ::testing::Values(
        DropRow{"cutoutCanvas", TsApp::Normal, false, false, QMessageBox::NoButton, true},
        DropRow{"cutoutCanvasDiscarding", TsApp::Normal, false, true, QMessageBox::Discard, true},
        DropRow{"cutoutCanvasCancelled", TsApp::Normal, false, true, QMessageBox::Cancel, false},
        DropRow{"compositionView", TsApp::Normal, true, false, QMessageBox::NoButton, true},
        DropRow{"hostedRefuses", TsApp::Hosted, false, false, QMessageBox::NoButton, false}),
    [](const ::testing::TestParamInfo<DropRow>& info) { return std::string(info.param.name); });

QByteArray jpegTurned6(const QImage& stored) {
  const QByteArray jpeg = zarvo_test::encodedImage(stored, "JPEG");
  exif_bytes::Tiff tiff(true);
  tiff.directory({{0x0112, 3, 1, 6}});
  return jpeg.left(2) + exif_bytes::segment(0xE1, tiff.exifBody()) + jpeg.mid(2);
}

// A dropped photo is the photo opened: read, turned upright and limited to 1280 a side alike,
// and File > Open then starts in its folder. Image data in a drop is limited as well and leaves
// the folder as it was.
TEST_F(MainWindowTest, ADroppedPhotoIsThePhotoOpened) {
  const QImage picture = syntheticPhoto(1500, 900);
  struct Row {
    const char* file;
    QByteArray bytes;
    bool asImageData;
  };
  for (const Row& row :
       {Row{"photo.png", zarvo_test::encodedImage(picture, "PNG"), true},
        Row{"turned.jpg", jpegTurned6(picture), false},
        Row{"photo.tga", zarvo_test::tgaOf(picture, zarvo_test::TgaLayout::asToolsWrite()),
            false}}) {
    SCOPED_TRACE(row.file);
    start();
    const QString path = folder.filePath(QStringLiteral("drops/") + row.file);
    ASSERT_TRUE(QDir().mkpath(folder.filePath("drops")) && writeFile(path, row.bytes));
    QMimeData data;
    if (row.asImageData)
      data.setImageData(picture);
    else
      data.setUrls({QUrl::fromLocalFile(path)});
    EXPECT_TRUE(dropOn(window->imageView()->workspace()->canvas(), data));
    waitIdle();
    const TsSourceImage* image = GmModel::instance()->segImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->displayImage(), TsSourceImage(path).displayImage());
    EXPECT_EQ(window->fileHandler()->lastImageDir(),
              row.asImageData ? QDir::homePath() : folder.filePath("drops"));
  }
}

// A drop that comes while the question or the refusal of an earlier drop is open is not taken,
// so boxes never stack; once the box is answered, drops are taken again.
TEST_F(MainWindowTest, ADropWhileTheBoxOfADropIsOpenIsIgnored) {
  for (const bool question : {true, false}) {
    SCOPED_TRACE(question ? "question" : "refusal of a JPEG cut short");
    start();
    open(photo());
    if (question) paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
    QWidget* canvas = window->imageView()->workspace()->canvas();
    const QString cut = folder.filePath(QStringLiteral("cut.jpg"));
    ASSERT_TRUE(writeFile(cut, jpegTurned6(syntheticPhoto(300, 200)).left(3000)));
    const QString other = photo(QStringLiteral("other.png"), QSize(90, 60));
    int shown = 0, taken = 0;
    dialogs.shown.clear();
    dialogs.whileShown = [&] { taken += shown++ == 0 && dropFile(canvas, other) ? 1 : 0; };
    dialogs.answers = {AppDialogs::Answer{QMessageBox::Cancel, -1}};
    EXPECT_TRUE(dropFile(canvas, question ? other : cut));
    waitIdle();
    EXPECT_EQ(taken, 0);
    dialogs.whileShown = nullptr;
    EXPECT_TRUE(dropFile(canvas, cut));
    waitIdle();
    ASSERT_EQ(dialogs.shown.size(), 2);
    EXPECT_EQ(dialogs.shown[0].title, question ? "Unsaved changes" : "Image dropped");
    EXPECT_EQ(dialogs.shown[1].title, "Image dropped");
    EXPECT_EQ(dialogs.shown[1].text,
              "Image could not be opened\n\n" + PhotoReader::readFile(cut).error);
  }
}

// A web link's picture that arrives while a box is open is not opened: no second question over
// the quit question, and the photo behind the export dialog stays the one it exports.
TEST_F(MainWindowTest, APictureFetchedWhileABoxIsOpenIsNotOpened) {
  LoopbackHttpServer server;
  server.setReply("/web.png",
                  {200, zarvo_test::encodedImage(syntheticPhoto(200, 150), "PNG"), "image/png"});
  const auto fetching = [] {
    const QWidgetList shown = QApplication::topLevelWidgets();
    return std::any_of(shown.begin(), shown.end(),
                       [](QWidget* widget) { return qobject_cast<QProgressDialog*>(widget); });
  };
  for (const bool quitting : {true, false}) {
    SCOPED_TRACE(quitting ? "quit question" : "export dialog");
    start();
    open(photo());
    if (quitting) paintStroke(CvStatusKeep, {{60, 62}, {100, 62}});
    QMimeData link;
    link.setUrls({QUrl(QStringLiteral("http://127.0.0.1:%1/web.png").arg(server.port()))});
    ASSERT_TRUE(dropOn(window->imageView()->workspace()->canvas(), link));
    ASSERT_TRUE(fetching());
    const QString exported = folder.filePath(QStringLiteral("out.png"));
    dialogs.shown.clear();
    dialogs.fileAnswers = QStringList{exported};
    int boxes = 0;
    dialogs.whileShown = [&] {
      if (boxes++ == 0) {
        EXPECT_TRUE(zarvo_test::waitFor([&] { return !fetching(); }));
      }
    };
    EXPECT_EQ(quitting ? window->close() : window->fileSaveSlot(), !quitting);
    dialogs.whileShown = nullptr;
    EXPECT_EQ(dialogs.shown.size(), quitting ? 1 : 0);
    EXPECT_EQ(GmModel::instance()->imageSize(), QSize(160, 120));
    EXPECT_EQ(QFile::exists(exported), !quitting);
  }
}

// A close of the main window ends the program's loop while a web download runs (its progress box
// showing) or the About box shows: each goes with the window, the download abandoned.
TEST_F(MainWindowTest, ACloseEndsTheRunWhileADownloadRunsOrTheAboutBoxShows) {
  LoopbackHttpServer server;
  LoopbackHttpServer::Reply silent;
  silent.silent = true;
  server.setReply("/slow.png", silent);
  for (const bool download : {true, false}) {
    SCOPED_TRACE(download ? "download" : "About box");
    start();
    window->show();
    QPointer<QWidget> box;
    QPointer<QObject> fetch;
    if (download) {
      QMimeData link;
      link.setUrls({QUrl(QStringLiteral("http://127.0.0.1:%1/slow.png").arg(server.port()))});
      ASSERT_TRUE(dropOn(window->imageView()->workspace()->canvas(), link));
      for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<QProgressDialog*>(widget)) box = progress;
      fetch = window->findChild<ImageReceiver*>();
      ASSERT_TRUE(box && fetch);
      box->show();  // as after its minimum duration
    } else {
      window->aboutSlot();
      box = visibleWindowTitled(QStringLiteral("About Zarvo"));
      ASSERT_TRUE(box);
    }
    for (const QWidget* other : QApplication::topLevelWidgets())
      ASSERT_FALSE(other != window && other != box && other->isVisible() && !other->parentWidget())
          << "a window of another test is still open";
    // The program's run: the loop ends when the last window closes; a loop left running is
    // ended with 1 after the safety stop.
    const QMetaObject::Connection ending =
        QObject::connect(qApp, &QGuiApplication::lastWindowClosed, qApp, &QCoreApplication::quit);
    QTimer::singleShot(0, window, [this] {
      window->setPromptOnClose(0);
      window->close();
    });
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stuck.start(30000);
    EXPECT_EQ(QApplication::exec(), 0);
    QObject::disconnect(ending);
    if (box && box->isVisible()) box->close();  // a fault's leftover, not to stop later tests
    ASSERT_TRUE(zarvo_test::waitFor([this] { return window.isNull(); }));
    EXPECT_TRUE(box.isNull() && fetch.isNull()) << "they went with the window";
  }
  EXPECT_EQ(server.exchanges(), QStringList({"HEAD /slow.png"}));
}

// The About box counts as an open box: a picture dropped while it shows is not taken.
TEST_F(MainWindowTest, ADropWhileTheAboutBoxShowsIsRefused) {
  start();
  window->aboutSlot();
  ASSERT_TRUE(visibleWindowTitled(QStringLiteral("About Zarvo")));
  EXPECT_FALSE(dropFile(window->imageView()->workspace()->canvas(), photo()));
  waitIdle();
  EXPECT_FALSE(GmModel::instance()->segImage());
}

}  // namespace
