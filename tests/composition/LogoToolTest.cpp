// The logo tool with real files, the real view and the real hub: sizes, transparency,
// replacing, removing, canvas changes and files it must refuse.

#include <gtest/gtest.h>

#include <cmath>

#include <QFile>
#include <QPushButton>
#include <QSlider>

#include "ImageFiles.h"
#include "composition/ImportLogoTool.h"
#include "composition/ZarvoImageItem.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

// Answers the file dialog with `file` (empty: cancelled) and remembers where it opened.
class FileHost : public RecordingHost {
 public:
  QString file;
  QStringList folders;
  QString openImageFile(QWidget*, const QString&, const QString& folder,
                        const QString& filter) override {
    folders << folder;
    lastFilter = filter;
    return file;
  }
  QString lastFilter;
};

class Logo : public CanvasFixture {
 protected:
  void SetUp() override {
    CanvasFixture::SetUp();
    setCompositionHost(&files);
    ItemController::instance();  // the canvas's other road to the items, which must pass it by
    tool = keep(new ImportLogoTool(view.get()));
  }
  QString write(const QString& name, const QByteArray& bytes) {
    QFile file(path(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  }
  QString picture(const QString& name, int w, int h, const char* format = "PNG") {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(QColor(20, 160, 60));
    return write(name, zarvo_test::encodedImage(image, format));
  }
  void add(const QString& file) {
    files.file = file;
    tool->addLogo();
  }
  ZarvoImageItem* item() const { return tool->logoItem(); }

  FileHost files;
  ImportLogoTool* tool = nullptr;
};

TEST_F(Logo, LogosArriveAtMostTwoHundredPixelsASide) {
  struct Row {
    int w, h;
    QSize expected;
    const char* format;
  };
  for (const Row& row : {Row{400, 100, {200, 50}, "PNG"}, Row{100, 400, {50, 200}, "PNG"},
                         Row{150, 150, {150, 150}, "PNG"}, Row{200, 200, {200, 200}, "PNG"},
                         Row{640, 480, {200, 150}, "JPEG"}}) {
    add(picture(QStringLiteral("logo.%1").arg(row.format), row.w, row.h, row.format));
    EXPECT_EQ(tool->logoPixmap().size(), row.expected) << row.w << "x" << row.h;
    EXPECT_EQ(item()->pixmap().size(), row.expected);
  }
  EXPECT_TRUE(files.messages.empty());
  EXPECT_TRUE(files.lastFilter.startsWith("Images (*."));
  // The dialog opens where the last logo came from.
  EXPECT_EQ(files.folders.first(), QString());
  EXPECT_EQ(files.folders.last(), folder.path());
}

TEST_F(Logo, AddingPlacesTheLogoOnTheCanvasAndInThePicture) {
  QPixmap ground(400, 300);
  ground.fill(Qt::white);
  hub()->backgroundChanged(ground);
  ASSERT_TRUE(settle());
  const QImage without = hub()->finalPixmap().toImage();
  add(picture("logo.png", 400, 100));
  EXPECT_TRUE(item()->isVisible());
  EXPECT_TRUE(item()->isEditable());
  // Fitted into 30 % of the 400 x 300 canvas and centred on it.
  EXPECT_DOUBLE_EQ(item()->scaleX(), 0.6);
  EXPECT_EQ(item()->pos(), QPointF(199, 149));
  EXPECT_EQ(tool->addButton()->text(), "Replace logo");
  EXPECT_TRUE(tool->removeButton()->isEnabled());
  EXPECT_TRUE(tool->transparencySlider()->isEnabled());
  const LayerSet& layers = hub()->layers();
  ASSERT_FALSE(layers.logo.isNull());
  EXPECT_EQ(QRect(layers.logoPos, layers.logo.size()), item()->sceneBoundingRect().toAlignedRect());
  ASSERT_TRUE(settle());
  EXPECT_NE(hub()->finalPixmap().toImage(), without);

  tool->deactivate(nullptr);
  EXPECT_FALSE(item()->isEditable());
  EXPECT_FALSE(item()->scaleHandle()->isVisible());
  tool->activate(nullptr);
  EXPECT_TRUE(item()->scaleHandle()->isVisible());

  // Removing: a null layer at (0, 0), and the next picture is the one without the logo.
  tool->removeButton()->click();
  EXPECT_FALSE(item()->isVisible());
  EXPECT_FALSE(item()->scaleHandle()->isVisible());
  EXPECT_TRUE(hub()->layers().logo.isNull());
  EXPECT_EQ(hub()->layers().logoPos, QPoint(0, 0));
  EXPECT_EQ(tool->addButton()->text(), "Add logo");
  EXPECT_FALSE(tool->removeButton()->isEnabled());
  EXPECT_FALSE(tool->transparencySlider()->isEnabled());
  ASSERT_TRUE(settle());
  EXPECT_EQ(hub()->finalPixmap().toImage(), without);
}

TEST_F(Logo, TransparencyStopsAtThirtyOneOf255AndASecondAddStartsOpaque) {
  add(picture("logo.png", 120, 80));
  tool->transparencySlider()->setValue(ImportLogoTool::kMaxTransparency);
  EXPECT_DOUBLE_EQ(item()->opacity(), 31.0 / 255.0);
  int most = 0;
  const QImage logo = hub()->layers().logo;
  for (int y = 0; y < logo.height(); ++y)
    for (int x = 0; x < logo.width(); ++x) most = std::max(most, qAlpha(logo.pixel(x, y)));
  EXPECT_NEAR(most, 31, 1);

  add(picture("second.png", 60, 90));
  EXPECT_EQ(tool->addButton()->text(), "Replace logo");
  EXPECT_EQ(tool->transparencySlider()->value(), 0);
  EXPECT_DOUBLE_EQ(item()->opacity(), 1.0);
  EXPECT_EQ(tool->logoPixmap().size(), QSize(60, 90));
}

TEST_F(Logo, ADoubledCanvasDoublesThePlaceAndTheSizeOnce) {
  add(picture("logo.png", 200, 50));
  item()->setPos(150, 100);
  const double scale = item()->scaleX();
  hub()->setCanvasRect(QRect(0, 0, 800, 600));
  EXPECT_EQ(item()->pos(), QPointF(300, 200));
  EXPECT_DOUBLE_EQ(item()->scaleX(), 2 * scale);
  EXPECT_EQ(item()->limitRect(), QRectF(0, 0, 800, 600));
  EXPECT_EQ(item()->maxWidth(), 300.0);
  EXPECT_EQ(hub()->layers().logoPos, item()->sceneBoundingRect().toAlignedRect().topLeft());
  // Halving brings it back; a canvas made tiny holds it within half its shorter side.
  hub()->setCanvasRect(QRect(0, 0, 400, 300));
  EXPECT_DOUBLE_EQ(item()->scaleX(), scale);
  hub()->setCanvasRect(QRect(0, 0, 40, 300));
  EXPECT_LE(item()->sceneBoundingRect().width(), 20.0 + 1e-9);
}

TEST_F(Logo, FilesThatCannotBeUsedChangeNothingAndSaySo) {
  add(picture("good.png", 120, 80));
  const QImage layer = hub()->layers().logo;
  const QPointF place = item()->pos();
  const QByteArray png = zarvo_test::encodedImage(seededImage(90, 60, 3), "PNG");
  struct Row {
    const char* name;
    QByteArray bytes;
  };
  for (const Row& row : {Row{"truncated.png", png.left(png.size() / 2)},
                         Row{"huge.png", zarvo_test::pngClaiming(60000, 60000)},
                         Row{"text.png", QByteArray("not a picture")}, Row{"empty.png", {}}}) {
    files.messages.clear();
    add(write(row.name, row.bytes));
    ASSERT_EQ(files.messages.size(), 1u) << row.name;
    EXPECT_EQ(files.messages[0].icon, QMessageBox::Warning);
    EXPECT_TRUE(files.messages[0].text.startsWith(
        QStringLiteral("Could not use %1 as logo: ").arg(path(row.name))))
        << files.messages[0].text.toStdString();
    EXPECT_EQ(tool->logoPixmap().size(), QSize(120, 80)) << row.name;
    EXPECT_EQ(hub()->layers().logo, layer);
    EXPECT_EQ(item()->pos(), place);
  }
  // A cancelled dialog stays silent.
  files.messages.clear();
  add(QString());
  EXPECT_TRUE(files.messages.empty());
  EXPECT_EQ(hub()->layers().logo, layer);
}

TEST_F(Logo, AResetRemovesTheLogo) {
  add(picture("logo.png", 120, 80));
  hub()->reset();
  EXPECT_FALSE(item()->isVisible());
  EXPECT_TRUE(hub()->layers().logo.isNull());
  view.reset();  // the scene takes the item
  EXPECT_EQ(tool->logoItem(), nullptr);
}

}  // namespace
