#include <gtest/gtest.h>

#include <QFile>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>

#include "composition/PaperSize.h"
#include "support/CompositionFixture.h"

using namespace composition_test;

namespace {

class Output : public HubFixture {
 protected:
  void compose(const QRect& canvas, QRgb background) {
    hub()->setCanvasRect(canvas);
    QImage image(canvas.size(), QImage::Format_ARGB32);
    image.fill(background);
    hub()->backgroundChanged(QPixmap::fromImage(image));
  }

  static QByteArray fileBytes(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return QByteArray();
    return file.readAll();
  }

  static void requirePoppler() {
    ASSERT_FALSE(findTool("pdfinfo").isEmpty() || findTool("pdftoppm").isEmpty())
        << "pdfinfo and pdftoppm are needed (Debian package poppler-utils)";
  }

  // pdfinfo's page size in points, rounded.
  static QSize pageSize(const QString& pdf) {
    const QString info = QString::fromUtf8(runTool(findTool("pdfinfo"), {pdf}));
    const QRegularExpressionMatch m =
        QRegularExpression("Page size:\\s+([0-9.]+) x ([0-9.]+) pts").match(info);
    if (!m.hasMatch()) return QSize();
    return QSize(qRound(m.captured(1).toDouble()), qRound(m.captured(2).toDouble()));
  }

  // The first page rendered at a low resolution.
  QImage render(const QString& pdf) {
    const QString prefix = path("page");
    runTool(findTool("pdftoppm"), {"-r", "30", "-png", "-singlefile", pdf, prefix});
    return QImage(prefix + ".png").convertToFormat(QImage::Format_RGB32);
  }

  // Bounding box of the pixels that are clearly not white.
  static QRect inkBox(const QImage& page) {
    QRect box;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x)
        if (qGray(page.pixel(x, y)) < 200) box |= QRect(x, y, 1, 1);
    return box;
  }

  QString insideAFile() {
    QFile blocker(path("blocker"));
    EXPECT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.write("not a folder");
    return path("blocker/picture.jpg");
  }
};

}  // namespace

TEST_F(Output, SavingWithARebuildPendingWritesTheNewPicture) {
  ZarvoOutputHandler::instance()->fileTypeChoosen(ZarvoOutputHandler::Png);
  compose(QRect(0, 0, 30, 20), qRgb(255, 0, 0));
  ASSERT_TRUE(settle());
  hub()->backgroundChanged(QPixmap::fromImage(seededImage(30, 20, 3)));
  ASSERT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(hub()->save(path("new.png")));
  EXPECT_FALSE(hub()->rebuildPending());
  const QByteArray bytes = fileBytes(path("new.png"));
  ASSERT_TRUE(bytes.startsWith("\x89PNG"));
  QImage written;
  ASSERT_TRUE(written.loadFromData(bytes, "PNG"));
  EXPECT_EQ(written.convertToFormat(QImage::Format_ARGB32), seededImage(30, 20, 3));
  EXPECT_FALSE(hub()->hasUnsavedChanges());
  // The delivery of that rebuild, still queued, is not taken a second time.
  QSignalSpy delivered(hub(), &ZarvoObject::updateImage);
  QCoreApplication::processEvents();
  EXPECT_EQ(delivered.count(), 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Output, JpegWithinTheBudget) {
  compose(QRect(0, 0, 400, 300), qRgb(10, 120, 200));
  hub()->cutoutChangedSlot(seededImage(200, 150, 4), QPoint(100, 75));
  ASSERT_TRUE(hub()->save(path("picture.jpg")));
  const QByteArray bytes = fileBytes(path("picture.jpg"));
  ASSERT_GE(bytes.size(), 2);
  EXPECT_EQ(uchar(bytes[0]), 0xFF);
  EXPECT_EQ(uchar(bytes[1]), 0xD8);
  EXPECT_LE(bytes.size(), 80 * 1024);
  EXPECT_TRUE(host.messages.empty());  // the delivered picture is opaque: no notice
}

TEST_F(Output, FailuresSayFailedToSaveAndKeepStateAndFiles) {
  compose(QRect(0, 0, 30, 20), qRgb(0, 255, 0));
  ASSERT_TRUE(settle());
  ASSERT_TRUE(hub()->hasUnsavedChanges());

  // A folder that is a regular file (root may write anywhere else).
  EXPECT_FALSE(hub()->save(insideAFile()));
  EXPECT_TRUE(host.saidFailedToSave());
  EXPECT_TRUE(hub()->hasUnsavedChanges());

  // No bytes to write (a budget of 0 encodes nothing): the old file stays.
  const QString old = path("old.jpg");
  {
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("previous picture");
  }
  host.messages.clear();
  hub()->setMaxFileSize(0);
  EXPECT_FALSE(hub()->save(old));
  EXPECT_TRUE(host.saidFailedToSave());
  EXPECT_EQ(fileBytes(old), QByteArray("previous picture"));
  EXPECT_TRUE(hub()->hasUnsavedChanges());

  // Nothing composed yet, as PDF: no picture to print.
  ZarvoObject::destroyInstance();
  host.messages.clear();
  EXPECT_FALSE(hub()->saveToPDF(path("nothing.pdf")));
  EXPECT_TRUE(host.saidFailedToSave());
  EXPECT_FALSE(QFile::exists(path("nothing.pdf")));
}

TEST_F(Output, PdfPageIsLandscapeWithThePictureCentredAt4To3) {
  requirePoppler();
  ZarvoOutputHandler::instance()->fileTypeChoosen(ZarvoOutputHandler::Pdf);
  compose(QRect(0, 0, 1600, 1200), qRgb(20, 20, 20));
  ASSERT_TRUE(hub()->save(path("picture.pdf")));
  EXPECT_TRUE(fileBytes(path("picture.pdf")).startsWith("%PDF"));
  const QSize page = pageSize(path("picture.pdf"));
  EXPECT_EQ(page, usesLetterPaper() ? QSize(792, 612) : QSize(842, 595));

  const QImage rendered = render(path("picture.pdf"));
  ASSERT_FALSE(rendered.isNull());
  const QRect ink = inkBox(rendered);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_NEAR(double(ink.width()) / ink.height(), 4.0 / 3.0, 0.05);
  EXPECT_NEAR(ink.center().x(), rendered.width() / 2.0, 2.0);
  EXPECT_NEAR(ink.center().y(), rendered.height() / 2.0, 2.0);

  host.messages.clear();
  EXPECT_FALSE(hub()->saveToPDF(insideAFile()));
  EXPECT_TRUE(host.saidFailedToSave());
}

TEST_F(Output, PrintingRendersTheCanvasAndRestoresTheSelection) {
  requirePoppler();
  QGraphicsScene scene(QRectF(0, 0, 300, 200));
  auto* item = scene.addRect(QRectF(50, 50, 100, 60), QPen(Qt::NoPen), QBrush(Qt::blue));
  item->setFlag(QGraphicsItem::ItemIsSelectable);
  item->setSelected(true);
  hub()->setScene(&scene);
  hub()->setCanvasRect(QRect(0, 0, 300, 200));

  hub()->printSlot();  // the host cancels: nothing is printed
  EXPECT_EQ(host.printersPrepared, 1);

  host.printFile = path("print.pdf");
  hub()->printSlot();
  EXPECT_TRUE(item->isSelected());
  ASSERT_TRUE(QFile::exists(host.printFile));
  const QString info = QString::fromUtf8(runTool(findTool("pdfinfo"), {host.printFile}));
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+1\\b")));
  const QRect ink = inkBox(render(host.printFile));
  EXPECT_FALSE(ink.isEmpty());
  hub()->setScene(nullptr);
}

TEST(PaperSize, LetterOnlyForAustraliaAndTheUnitedStates) {
  struct Row {
    QLocale locale;
    bool letter;
  };
  for (const Row& row :
       {Row{QLocale(QLocale::English, QLocale::UnitedStates), true},
        Row{QLocale(QLocale::English, QLocale::Australia), true},
        Row{QLocale(QLocale::English, QLocale::UnitedKingdom), false},
        Row{QLocale(QLocale::French, QLocale::Canada), false},
        Row{QLocale(QLocale::German, QLocale::Germany), false}, Row{QLocale::c(), false}})
    EXPECT_EQ(usesLetterPaper(row.locale), row.letter) << row.locale.name().toStdString();
}
