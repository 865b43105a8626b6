// Export through the file handler: the final picture by the typed suffix, the source image never
// overwritten, the cut-out over the checkerboard and the trimap beside the photo.

#include <QDir>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "composition/CompositionHost.h"
#include "app/ImageReceiver.h"
#include "composition/ZarvoOutputHandler.h"
#include "document/TsSourceImage.h"
#include "support/AppTestSupport.h"
#include "support/FileHandlerFixture.h"

namespace {

class Export : public FileHandlerTest {
 protected:
  void SetUp() override {
    FileHandlerTest::SetUp();
    previousHost_ = setCompositionHost(&compositionHost_);
    ZarvoOutputHandler::instance()->fileTypeChoosen(ZarvoOutputHandler::Jpg);
    // A picture to export: a plain canvas.
    ZarvoObject* hub = ZarvoObject::instance();
    hub->setCanvasRect(QRect(0, 0, 30, 20));
    QImage background(30, 20, QImage::Format_ARGB32);
    background.fill(qRgb(200, 40, 40));
    hub->backgroundChanged(QPixmap::fromImage(background));
    open(writePhoto("dog.jpg"));
  }
  void TearDown() override {
    setCompositionHost(previousHost_);
    FileHandlerTest::TearDown();
  }
  static int fileType() { return ZarvoOutputHandler::instance()->fileType(); }
  static QByteArray start(const QString& name) { return readFile(name).left(8); }

 private:
  // Composition messages go to the log; nothing blocks.
  class QuietHost : public CompositionHost {
   public:
    void message(QMessageBox::Icon, const QString&, const QString&) override {}
    bool confirm(const QString&, const QString&) override { return false; }
    QString openImageFile(QWidget*, const QString&, const QString&, const QString&) override {
      return QString();
    }
    QString libraryImage(const QString&) override { return QString(); }
    bool preparePrinter(QPrinter&) override { return false; }
  } compositionHost_;
  CompositionHost* previousHost_ = nullptr;
};

// A typed name and what the export makes of it: the file written, in the type its name tells
// (read back by its signature), or, for another image format's name, nothing written and the
// dialog asked again on that name.
struct NameRow {
  const char* name;
  const char* typed;
  const char* filter;   // the entry the dialog reports chosen
  int before;           // the output type before the export
  const char* written;  // null: refused
  int after;
  QByteArray starts;
};

class TypedName : public Export, public ::testing::WithParamInterface<NameRow> {};

TEST_P(TypedName, WritesTheTypeItsNameTellsOrNothing) {
  const NameRow& row = GetParam();
  ZarvoOutputHandler::instance()->fileTypeChoosen(row.before);
  dialogs.fileAnswers = QStringList{path(row.typed)};
  dialogs.filterAnswers = QStringList{row.filter};
  EXPECT_EQ(handler->fileSaveAsSlot(), row.written != nullptr);
  EXPECT_EQ(fileType(), row.after);
  if (row.written) {
    EXPECT_TRUE(dialogs.shown.isEmpty());
    EXPECT_EQ(handler->exportFileName(), path(row.written));
    EXPECT_TRUE(start(path(row.written)).startsWith(row.starts));
    EXPECT_EQ(handler->exportedCommandCount(), thread->commandCount());
    return;
  }
  EXPECT_FALSE(QFile::exists(path(row.typed)));
  EXPECT_TRUE(handler->exportFileName().isEmpty());
  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_TRUE(dialogs.shown[0].text.contains("JPEG, PNG or PDF"))
      << dialogs.shown[0].text.toStdString();
  ASSERT_EQ(dialogs.fileAsks.size(), 2) << "asked again, then cancelled";
  EXPECT_EQ(dialogs.fileAsks[1].folder, path(row.typed));
}

const QByteArray kJpeg("\xFF\xD8\xFF");
const QByteArray kPng("\x89PNG");
const QByteArray kPdf("%PDF");
using Out = ZarvoOutputHandler;

INSTANTIATE_TEST_SUITE_P(
    Rows, TypedName,
    ::testing::Values(
        NameRow{"bare_takes_the_png_filter", "picture", "PNG image (*.png)", Out::Jpg,
                "picture.png", Out::Png, kPng},
        NameRow{"bare_takes_the_jpeg_filter", "y", "JPEG image (*.jpg)", Out::Png, "y.jpg",
                Out::Jpg, kJpeg},
        NameRow{"upper_jpg", "x.JPG", "PNG image (*.png)", Out::Png, "x.JPG", Out::Jpg, kJpeg},
        NameRow{"jpeg", "y.jpeg", "PNG image (*.png)", Out::Png, "y.jpeg", Out::Jpg, kJpeg},
        NameRow{"upper_jpe", "y.JPE", "PNG image (*.png)", Out::Pdf, "y.JPE", Out::Jpg, kJpeg},
        NameRow{"jfif", "y.Jfif", "PNG image (*.png)", Out::Png, "y.Jfif", Out::Jpg, kJpeg},
        NameRow{"pdf_though_not_offered", "x.pdf", "JPEG image (*.jpg)", Out::Png, "x.pdf",
                Out::Pdf, kPdf},
        NameRow{"other_suffix_keeps_png", "x.dat", "JPEG image (*.jpg)", Out::Png, "x.dat",
                Out::Png, kPng},
        NameRow{"other_suffix_keeps_pdf", "x.dat", "PNG image (*.png)", Out::Pdf, "x.dat", Out::Pdf,
                kPdf},
        NameRow{"tif_refused", "z.tif", "PNG image (*.png)", Out::Png, nullptr, Out::Png, {}},
        NameRow{"webp_refused", "z.webp", "JPEG image (*.jpg)", Out::Jpg, nullptr, Out::Jpg, {}},
        NameRow{"bmp_refused", "a.BMP", "PNG image (*.png)", Out::Pdf, nullptr, Out::Pdf, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Export, TheDialogOffersTheDefaultNameAndTheCurrentTypeFirst) {
  EXPECT_FALSE(handler->fileSaveSlot()) << "cancelled";
  ASSERT_EQ(dialogs.fileAsks.size(), 1);
  EXPECT_EQ(dialogs.fileAsks[0].caption, "Export Final Image As");
  EXPECT_EQ(dialogs.fileAsks[0].folder, path("dogWebshot"));
  EXPECT_EQ(dialogs.fileAsks[0].filter, "JPEG image (*.jpg);;PNG image (*.png)");
  EXPECT_TRUE(handler->exportFileName().isEmpty());
  ZarvoOutputHandler::instance()->fileTypeChoosen(ZarvoOutputHandler::Pdf);
  EXPECT_EQ(handler->exportFileFilter(), "PNG image (*.png);;JPEG image (*.jpg)");
}

TEST_F(Export, SaveWritesToTheLastTargetUntilTheImageChanges) {
  dialogs.fileAnswers = QStringList{path("out.png")};
  ASSERT_TRUE(handler->fileSaveSlot());
  ASSERT_TRUE(QFile::remove(path("out.png")));
  EXPECT_TRUE(handler->fileSaveSlot());
  EXPECT_EQ(dialogs.fileAsks.size(), 1) << "the second save asks nothing";
  EXPECT_TRUE(QFile::exists(path("out.png")));

  open(writePhoto("cat.png"));
  EXPECT_TRUE(handler->exportFileName().isEmpty());
  EXPECT_FALSE(handler->fileSaveSlot());
  ASSERT_EQ(dialogs.fileAsks.size(), 2);
  EXPECT_EQ(dialogs.fileAsks[1].folder, path("catWebshot"));

  model()->finish();
  dialogs.fileAsks.clear();
  EXPECT_FALSE(handler->fileSaveSlot());
  EXPECT_FALSE(handler->fileSaveAsSlot());
  EXPECT_TRUE(dialogs.fileAsks.isEmpty()) << "no image, no dialog";
  ASSERT_EQ(dialogs.shown.size(), 2) << "each says that nothing was exported";
  EXPECT_EQ(dialogs.shown[1].text, "Nothing was exported: no photo is open.");
}

TEST_F(Export, TheSourceImageIsNeverOverwrittenAlsoThroughALinkedFolder) {
  const QByteArray original = readFile(path("dog.jpg"));
  const QString link = folder.path() + "-link";
  ASSERT_TRUE(QFile::link(folder.path(), link));
  dialogs.fileAnswers = QStringList{path("dog.jpg"), link + "/dog.jpg", path("dog")};
  dialogs.filterAnswers =
      QStringList{"PNG image (*.png)", "PNG image (*.png)", "JPEG image (*.jpg)"};
  const bool saved = handler->fileSaveAsSlot();
  QFile::remove(link);
  EXPECT_EQ(dialogs.fileAsks.size(), 4) << "the dialog reopens after each refusal";
  ASSERT_EQ(dialogs.shown.size(), 3);
  for (const auto& shown : dialogs.shown) {
    EXPECT_EQ(shown.title, "Save As");
    EXPECT_EQ(shown.text, "You can not save the generated file over the original file");
  }
  EXPECT_FALSE(saved) << "\"dog\" with the JPEG filter is the source too; then cancelled";
  EXPECT_EQ(readFile(path("dog.jpg")), original);
}

// A photo dropped from a file manager is named after its file, as a received picture is, yet it
// is as much the source as an opened photo: writing over it is refused whatever its suffix, and
// the dialog starts beside it.
TEST_F(Export, ADroppedPhotoIsNeverOverwrittenAndTheDialogStartsBesideIt) {
  QTemporaryDir drops;
  struct Row {
    const char* name;
    const char* filter;  // the entry whose extension the bare name is given
  };
  for (const Row& row :
       {Row{"dropped.jpg", "JPEG image (*.jpg)"}, Row{"dropped.png", "PNG image (*.png)"}}) {
    SCOPED_TRACE(row.name);
    const QString dropped = drops.filePath(QString::fromLatin1(row.name));
    QImage photo(40, 30, QImage::Format_RGB32);
    photo.fill(qRgb(30, 120, 200));
    ASSERT_TRUE(photo.save(dropped));
    const QByteArray original = readFile(dropped);

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(dropped)});
    ImageReceiver receiver(&data, nullptr);
    bool opened = false;
    QObject::connect(&receiver, &ImageReceiver::bestImage,
                     [&](const NamedImage& image) { opened = handler->loadImage(image, 1); });
    receiver.start();
    ASSERT_TRUE(opened);
    waitIdle();
    EXPECT_EQ(model()->segImage()->fileName(), QString::fromLatin1(row.name));

    dialogs.fileAsks.clear();
    dialogs.shown.clear();
    dialogs.fileAnswers = QStringList{dropped, drops.filePath(QStringLiteral("dropped"))};
    dialogs.filterAnswers = QStringList{"PNG image (*.png)", row.filter};
    EXPECT_FALSE(handler->fileSaveAsSlot()) << "both refused, then cancelled";
    ASSERT_EQ(dialogs.fileAsks.size(), 3);
    EXPECT_EQ(dialogs.fileAsks[0].folder, drops.filePath(QStringLiteral("droppedWebshot")));
    ASSERT_EQ(dialogs.shown.size(), 2);
    for (const auto& shown : dialogs.shown)
      EXPECT_EQ(shown.text, "You can not save the generated file over the original file");
    EXPECT_EQ(readFile(dropped), original);
  }
}

TEST_F(Export, ATransparentCutoutIsTheCheckerboardOfFortyPixelSquares) {
  QImage cutout(100, 90, QImage::Format_ARGB32);
  cutout.fill(Qt::transparent);
  cutout.setPixel(99, 89, qRgba(0, 0, 255, 255));
  dialogs.fileAnswers = QStringList{path("cut")};
  handler->exportCutout(cutout, path("dog.jpg"));
  ASSERT_EQ(dialogs.fileAsks.size(), 1);
  EXPECT_EQ(dialogs.fileAsks[0].caption, "Save cutout");
  EXPECT_EQ(dialogs.fileAsks[0].folder, path("dogCutout"));
  EXPECT_EQ(dialogs.fileAsks[0].filter, "Cutouts (*.png)");
  const QImage written(path("cut.png"));
  ASSERT_EQ(written.size(), cutout.size());
  EXPECT_FALSE(written.hasAlphaChannel());
  for (int y = 0; y < 90; y += 10) {
    for (int x = 0; x < 100; x += 10) {
      if (x == 90 && y == 80) continue;
      const bool dark = ((x / 40) + (y / 40)) % 2 == 1;
      EXPECT_EQ(written.pixel(x, y), dark ? QColor(Qt::darkGray).rgb() : qRgb(255, 255, 255))
          << x << "," << y;
    }
  }
  EXPECT_EQ(written.pixel(99, 89), qRgb(0, 0, 255));

  dialogs.fileAnswers = QStringList{path("no-such-folder/cut.png")};
  handler->exportCutout(cutout, path("dog.jpg"));
  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(dialogs.shown[0].title, "Save cutout");
  EXPECT_EQ(dialogs.shown[0].text,
            "The cut-out could not be written to\n" + path("no-such-folder/cut.png"));
}

TEST_F(Export, TheTrimapGoesBesideThePhotoAndTheBoxSaysHowItWent) {
  handler->saveTrimapSlot();
  ASSERT_EQ(dialogs.shown.size(), 1);
  EXPECT_EQ(dialogs.shown[0].title, "Save Trimap");
  EXPECT_EQ(dialogs.shown[0].text, "Save trimap to\n" + path("dog_trimap.png") + "\n\nOK");
  EXPECT_EQ(QImage(path("dog_trimap.png")).size(), QSize(48, 32));
  // Overwritten without asking; a name that cannot be written (a folder's) says "Failed".
  handler->saveTrimapSlot();
  EXPECT_EQ(dialogs.shown.size(), 2);
  EXPECT_TRUE(dialogs.shown[1].text.endsWith("\n\nOK"));
  ASSERT_TRUE(QFile::remove(path("dog_trimap.png")));
  ASSERT_TRUE(QDir().mkdir(path("dog_trimap.png")));
  handler->saveTrimapSlot();
  ASSERT_EQ(dialogs.shown.size(), 3);
  EXPECT_TRUE(dialogs.shown[2].text.endsWith("\n\nFailed"));
}

}  // namespace
