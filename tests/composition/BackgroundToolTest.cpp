// "Choose Background" on a real composition view: the rendered pixels of every type, the
// handles, image files and library images through the choosers, and what reaches the hub.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <QBitmap>
#include <QComboBox>
#include <QGraphicsPixmapItem>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadialGradient>
#include <QSignalSpy>
#include <QSlider>

#include "composition/BackgroundTool.h"
#include "composition/ZarvoSelectTool.h"
#include "kestrum/qt/RowBands.h"
#include "support/CanvasFixture.h"
#include "support/ProgramFolder.h"
#include "workspace/ToolPaletteButton.h"

using namespace composition_test;

namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kLightGrey = QColor(Qt::lightGray).rgb();  // 192

bool near(QRgb a, QRgb b, int tolerance = 3) {
  return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
         std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

class Background : public CanvasFixture {
 protected:
  void SetUp() override {
    CanvasFixture::SetUp();
    ASSERT_TRUE(program.ok());
    hub()->setCanvasRect(QRect(0, 0, 300, 400));
    ASSERT_TRUE(program.write("backgrounds/square.png", encodedImage(columns(1000, 1000), "PNG")));
    tool = keep(new BackgroundTool(view.get()));
  }

  // Three bands of columns: red up to x 125, green to 875, blue after; the centred 750-wide
  // band of a 1000 x 1000 image is all green.
  static QImage columns(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x) {
      const QRgb c = x < width / 8           ? qRgb(255, 0, 0)
                     : x < width - width / 8 ? qRgb(0, 255, 0)
                                             : qRgb(0, 0, 255);
      for (int y = 0; y < height; ++y) image.setPixel(x, y, c);
    }
    return image;
  }
  QImage rendered() const { return tool->background().toImage(); }
  void setType(int type) { tool->typeCombo()->setCurrentIndex(type); }
  void placeHandles(QPointF a, QPointF b) {
    tool->handle1()->setPos(a);
    tool->handle2()->setPos(b);
    tool->updateBackground();
  }
  // The colour at `distance` from the first handle, in the direction `degrees` counter-clockwise
  // from the x axis (y grows downward).
  QRgb at(double degrees, double distance) const {
    const double r = degrees * std::acos(-1.0) / 180.0;
    const QPointF p = tool->handle1()->pos() + distance * QPointF(std::cos(r), -std::sin(r));
    return rendered().pixel(int(p.x()), int(p.y()));
  }

  ProgramFolder program;
  BackgroundTool* tool = nullptr;
};

TEST_F(Background, StartsWhiteWithTheHandlesAboutTheCanvasCentre) {
  EXPECT_EQ(tool->currentType(), BackgroundTool::OneColor);
  EXPECT_EQ(tool->colour1(), QColor(Qt::white));
  EXPECT_EQ(tool->colour2(), QColor(Qt::lightGray));
  EXPECT_EQ(tool->radiusSlider()->value(), 4);
  EXPECT_EQ(tool->handle1()->pos(), QPointF(149, 159));
  EXPECT_EQ(tool->handle2()->pos(), QPointF(149, 239));
  const QImage image = rendered();
  ASSERT_EQ(image.size(), QSize(300, 400));
  EXPECT_EQ(image.pixel(0, 0), kWhite);
  EXPECT_EQ(image.pixel(299, 399), kWhite);
  // The hub and the scene hold the same layer, behind the items.
  EXPECT_EQ(hub()->layers().background.size(), QSize(300, 400));
  EXPECT_EQ(tool->backgroundItem()->pixmap().size(), QSize(300, 400));
  EXPECT_EQ(tool->backgroundItem()->zValue(), 1.0);
  EXPECT_EQ(tool->colour1Label()->text(), "Color:");
}

TEST_F(Background, ChosenColoursRepaintTheBucketAndTheLayer) {
  workspace.colourAnswer = QColor(200, 30, 40);
  tool->colour1Button()->click();
  ASSERT_EQ(workspace.colourRequests.size(), 1);
  EXPECT_EQ(workspace.colourRequests.at(0), QColor(Qt::white));
  EXPECT_EQ(rendered().pixel(150, 200), qRgb(200, 30, 40));
  // The bucket's paint takes the colour; the mask's clear part keeps the bucket's pixels.
  const QBitmap mask(QStringLiteral(":images/paintbucket_mask.png"));
  const QImage icon = tool->colourIcon(QColor(200, 30, 40))
                          .toImage()
                          .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QImage bucket = QImage(QStringLiteral(":images/paintbucket.png"))
                            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const QImage paint = mask.toImage();
  ASSERT_EQ(icon.size(), bucket.size());
  int painted = 0, kept = 0;
  for (int y = 0; y < icon.height(); ++y)
    for (int x = 0; x < icon.width(); ++x) {
      if (paint.pixelIndex(x, y) == 1) {
        painted += icon.pixel(x, y) == qRgb(200, 30, 40);
      } else {
        kept += icon.pixel(x, y) == bucket.pixel(x, y);
      }
    }
  EXPECT_GT(painted, 40);
  EXPECT_EQ(kept + painted, icon.width() * icon.height());

  // A cancelled dialog or the same colour renders nothing.
  QSignalSpy renders(tool, &BackgroundTool::backgroundChanged);
  workspace.colourAnswer = QColor();
  tool->colour2Button()->click();
  workspace.colourAnswer = QColor(200, 30, 40);
  tool->colour1Button()->click();
  EXPECT_EQ(renders.size(), 0);
  EXPECT_EQ(tool->colour2(), QColor(Qt::lightGray));
}

TEST_F(Background, WavyIsAVerticalReflectingGradientBetweenTheHandles) {
  setType(BackgroundTool::Wavy);
  const QImage image = rendered();
  EXPECT_TRUE(near(image.pixel(10, 159), kWhite));
  EXPECT_TRUE(near(image.pixel(10, 239), kLightGrey));
  EXPECT_TRUE(near(image.pixel(10, 199), qRgb(224, 224, 224)));
  // Reflected beyond both handles, and the same along every row.
  EXPECT_TRUE(near(image.pixel(10, 319), kWhite));
  EXPECT_TRUE(near(image.pixel(10, 79), kLightGrey));
  for (int y : {0, 100, 200, 399}) EXPECT_EQ(image.pixel(0, y), image.pixel(299, y)) << y;
  EXPECT_EQ(tool->colour1Label()->text(), "Color 1:");
}

TEST_F(Background, CurlyRadiusIsTheShorterSideOverSevenLessTheSlider) {
  setType(BackgroundTool::Curly);
  // Radius 6: the whole canvas lies inside the circle of 300, so colour 2 is never reached;
  // the focal point (the second handle) has colour 1.
  tool->radiusSlider()->setValue(6);
  QImage image = rendered();
  EXPECT_TRUE(near(image.pixel(149, 239), kWhite));
  int darkest = 255;
  for (int y = 0; y < 400; y += 7)
    for (int x = 0; x < 300; x += 7) darkest = std::min(darkest, qGray(image.pixel(x, y)));
  EXPECT_GT(darkest, 192 + 4);

  // Radius 1: a circle of 50 about the first handle reaches colour 2.
  tool->radiusSlider()->setValue(1);
  image = rendered();
  EXPECT_TRUE(near(image.pixel(199, 159), kLightGrey));
  EXPECT_TRUE(near(image.pixel(99, 159), kLightGrey));
}

// Along the segment from `from` to `to`, one pixel a step, the shortest distance in pixels
// between two turns of the grey level (a rise after a fall or a fall after a rise, each of more
// than 3 levels); the segment's length when it never turns twice.
int shortestSwing(const QImage& image, QPointF from, QPointF to) {
  const int steps = int(QLineF(from, to).length());
  int shortest = steps, lastTurn = -1, direction = 0, extreme = -1;
  for (int i = 0; i <= steps; ++i) {
    const QPoint p = (from + (to - from) * (double(i) / std::max(steps, 1))).toPoint();
    if (!image.rect().contains(p)) break;
    const int grey = qGray(image.pixel(p));
    if (extreme < 0) extreme = grey;
    const int change = grey - extreme;
    if (direction == 0 && std::abs(change) > 3) {
      direction = change > 0 ? 1 : -1;
      extreme = grey;
    } else if (direction * change > 0) {
      extreme = grey;
    } else if (direction != 0 && std::abs(change) > 3) {
      if (lastTurn >= 0) shortest = std::min(shortest, i - lastTurn);
      lastTurn = i;
      direction = -direction;
      extreme = grey;
    }
  }
  return shortest;
}

struct FocalRow {
  const char* name;
  QPointF offset;  // of the second handle from the first, whose circle has a radius of 100
  bool inside;
};

class CurlyFocalPoints : public Background, public ::testing::WithParamInterface<FocalRow> {};

TEST_P(CurlyFocalPoints, KeepTheGradientSmoothWhereverTheSecondHandleIs) {
  const FocalRow& row = GetParam();
  setType(BackgroundTool::Curly);
  tool->radiusSlider()->setValue(4);  // 300 / 3
  const QPointF centre(110, 210);
  placeHandles(centre, centre + row.offset);
  const QImage image = rendered();
  // Beyond the focal point, away from the centre, the rings are tightest: on the axis and
  // beside it, to the canvas's edge.
  const QPointF unit = row.offset / QLineF(QPointF(), row.offset).length();
  const QPointF across(-unit.y(), unit.x());
  for (const double side : {0.0, 20.0, -35.0}) {
    const QPointF start = centre + unit * 60 + across * side;
    EXPECT_GE(shortestSwing(image, start, start + unit * 600), 9) << "line " << side;
  }
  if (row.inside) {
    // The handle is the focal point, as Qt is given it.
    QImage plain(image.size(), image.format());
    plain.fill(kWhite);
    QRadialGradient gradient(centre, 100, centre + row.offset);
    gradient.setSpread(QGradient::ReflectSpread);
    gradient.setColorAt(0, kWhite);
    gradient.setColorAt(1, kLightGrey);
    BackgroundTool::fillGradient(plain, gradient);
    EXPECT_EQ(image, plain);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Handles, CurlyFocalPoints,
    ::testing::Values(FocalRow{"Centre", QPointF(0.001, 0), true},
                      FocalRow{"HalfwayOut", QPointF(50, 0), true},
                      FocalRow{"WellInsideSlanting", QPointF(-50, 60), true},
                      FocalRow{"NearTheCircleInside", QPointF(0, -97), false},
                      FocalRow{"OnTheCircle", QPointF(0, 100), false},
                      FocalRow{"JustOutside", QPointF(105, 0), false},
                      FocalRow{"FarOutside", QPointF(300, 40), false},
                      FocalRow{"FarOutsideSlanting", QPointF(-180, -230), false}),
    [](const ::testing::TestParamInfo<FocalRow>& info) { return std::string(info.param.name); });

struct FanRow {
  const char* name;
  QPointF offset;  // of the second handle from the first
  double start;    // degrees
};

class Fans : public Background, public ::testing::WithParamInterface<FanRow> {};

TEST_P(Fans, StartAtTheSecondHandlesDirection) {
  const FanRow& row = GetParam();
  setType(BackgroundTool::Fan);
  placeHandles(QPointF(150, 200), QPointF(150, 200) + row.offset);
  // Just past the start the fan is colour 1; just before it, nearly colour 2.
  EXPECT_TRUE(near(at(row.start + 8, 60), kWhite, 4));
  EXPECT_TRUE(near(at(row.start - 8, 60), kLightGrey, 4));
  EXPECT_TRUE(near(at(row.start + 180, 60), qRgb(224, 224, 224), 4));
}

INSTANTIATE_TEST_SUITE_P(Directions, Fans,
                         ::testing::Values(FanRow{"Right", QPointF(80, 0), 0},
                                           FanRow{"Below", QPointF(0, 80), 270},
                                           FanRow{"Above", QPointF(0, -80), 90},
                                           // One point gives no direction: the fan starts at 0.
                                           FanRow{"OnePoint", QPointF(0, 0), 0}),
                         [](const ::testing::TestParamInfo<FanRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(BackgroundGradients, BandsOnAnyNumberOfThreadsPaintWhatOnePainterPaints) {
  std::mt19937 random(24);
  std::uniform_real_distribution<double> coordinate(-100.0, 700.0);
  for (int round = 0; round < 6; ++round) {
    const QPointF a(coordinate(random), coordinate(random)),
        b(coordinate(random), coordinate(random));
    QLinearGradient linear(a, b);
    QRadialGradient radial(a, 50 + round * 40, b);
    QConicalGradient conical(a, round * 61.0);
    for (QGradient* g : {static_cast<QGradient*>(&linear), static_cast<QGradient*>(&radial),
                         static_cast<QGradient*>(&conical)}) {
      g->setSpread(QGradient::ReflectSpread);
      g->setColorAt(0, QColor(20, 200, 90));
      g->setColorAt(1, QColor(240, 30, 160));
      QImage reference(601, 457, QImage::Format_RGB32);
      reference.fill(Qt::white);
      {
        QPainter painter(&reference);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(reference.rect(), *g);
      }
      for (unsigned threads : {1u, 3u, 8u}) {
        kestrum::setRowBandThreadsOverride(threads);
        QImage banded(reference.size(), reference.format());
        banded.fill(Qt::white);
        BackgroundTool::fillGradient(banded, *g);
        EXPECT_EQ(banded, reference)
            << "gradient type " << g->type() << ", " << threads << " threads, round " << round;
      }
      kestrum::setRowBandThreadsOverride(0);
    }
  }
}

struct CoverRow {
  QSize image, target;
  QRect source;
};

class Covering : public ::testing::TestWithParam<CoverRow> {};

TEST_P(Covering, KeepsTheAspectAndCutsEquallyOnBothSides) {
  EXPECT_EQ(BackgroundTool::coveringSource(GetParam().image, GetParam().target), GetParam().source);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, Covering,
    ::testing::Values(CoverRow{QSize(1000, 1000), QSize(300, 400), QRect(125, 0, 750, 1000)},
                      CoverRow{QSize(1000, 1000), QSize(400, 300), QRect(0, 125, 1000, 750)},
                      CoverRow{QSize(1000, 500), QSize(300, 400), QRect(312, 0, 375, 500)},
                      CoverRow{QSize(800, 600), QSize(400, 300), QRect(0, 0, 800, 600)},
                      CoverRow{QSize(3000, 10), QSize(50, 1600), QRect(1499, 0, 1, 10)},
                      CoverRow{QSize(0, 10), QSize(50, 50), QRect()}));

TEST_F(Background, ALibraryImageCoversTheCanvasWithItsCentredBand) {
  host.libraryAnswer = program.libraryFile("square.png");
  std::vector<QString> events;
  QObject::connect(tool, &BackgroundTool::backgroundSizeChanged, [&](const QSize& s) {
    events.push_back(QStringLiteral("size %1x%2").arg(s.width()).arg(s.height()));
  });
  QObject::connect(tool, &BackgroundTool::backgroundChanged,
                   [&](const QPixmap&) { events.push_back("background"); });
  setType(BackgroundTool::ImageFromLibrary);
  ASSERT_EQ(host.libraryInitialPaths, QStringList{program.library()});
  EXPECT_EQ(tool->libraryLabel()->text(), "/square.png");
  EXPECT_EQ(hub()->backgroundImageSize(), QSize(1000, 1000));
  const QImage image = rendered();
  for (int x : {0, 150, 299}) EXPECT_TRUE(near(image.pixel(x, 200), qRgb(0, 255, 0), 8)) << x;

  // Back to a colour: the hub hears of no image before the new background arrives.
  events.clear();
  setType(BackgroundTool::OneColor);
  EXPECT_EQ(events, (std::vector<QString>{"size -1x-1", "background"}));
  EXPECT_EQ(hub()->backgroundImageSize(), QSize(-1, -1));
  // The image stays loaded: switching back asks nothing.
  setType(BackgroundTool::ImageFromLibrary);
  EXPECT_EQ(host.libraryInitialPaths.size(), 1);
  EXPECT_EQ(hub()->backgroundImageSize(), QSize(1000, 1000));
  // The chooser opens on the current image.
  host.libraryAnswer.clear();
  EXPECT_FALSE(tool->chooseImage());
  EXPECT_EQ(host.libraryInitialPaths.last(), program.libraryFile("square.png"));
}

TEST_F(Background, FileImagesAreTurnedUprightLibraryImagesAreNot) {
  const QString turned = QStringLiteral(ZARVO_IMAGING_TESTDATA "/orientation_6.jpg");
  const QString upright = QStringLiteral(ZARVO_IMAGING_TESTDATA "/orientation_1.jpg");
  host.imageFileAnswer = turned;
  setType(BackgroundTool::ImageFromFile);
  EXPECT_EQ(tool->fileLabel()->text(), turned);
  EXPECT_EQ(hub()->backgroundImageSize(), QSize(50, 70));
  const QImage fromTurned = rendered();
  host.imageFileAnswer = upright;
  ASSERT_TRUE(tool->chooseFile());
  const QImage fromUpright = rendered();
  // The second chooser started in the first file's folder.
  EXPECT_EQ(host.imageFileFolders.value(1), QStringLiteral(ZARVO_IMAGING_TESTDATA));
  long difference = 0;
  for (int y = 0; y < 400; y += 10)
    for (int x = 0; x < 300; x += 10)
      difference += std::abs(qGray(fromTurned.pixel(x, y)) - qGray(fromUpright.pixel(x, y)));
  EXPECT_LT(difference / (30 * 40), 12);

  ASSERT_TRUE(program.write("backgrounds/turned.jpg", [&] {
    QFile file(turned);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
  }()));
  host.libraryAnswer = program.libraryFile("turned.jpg");
  setType(BackgroundTool::ImageFromLibrary);
  EXPECT_EQ(hub()->backgroundImageSize(), QSize(70, 50));
}

struct RefusedRow {
  const char* name;
  QByteArray (*bytes)();
};

class RefusedFiles : public Background, public ::testing::WithParamInterface<RefusedRow> {};

TEST_P(RefusedFiles, ShowTheMessageAndChangeNothing) {
  const RefusedRow& row = GetParam();
  ASSERT_TRUE(program.write(row.name, row.bytes()));
  setType(BackgroundTool::Wavy);
  const QImage before = rendered();
  QSignalSpy renders(tool, &BackgroundTool::backgroundChanged);
  QSignalSpy sizes(tool, &BackgroundTool::backgroundSizeChanged);

  host.imageFileAnswer = program.path(row.name);
  setType(BackgroundTool::ImageFromFile);
  host.libraryAnswer = program.path(row.name);
  setType(BackgroundTool::ImageFromLibrary);

  ASSERT_EQ(host.messages.size(), 2u);
  for (const RecordingHost::Message& m : host.messages) {
    EXPECT_EQ(m.icon, QMessageBox::Warning);
    EXPECT_TRUE(m.text.startsWith(
        QStringLiteral("Could not use %1 as background: ").arg(program.path(row.name))))
        << m.text.toStdString();
  }
  EXPECT_EQ(tool->typeCombo()->currentIndex(), BackgroundTool::Wavy);
  EXPECT_EQ(tool->currentType(), BackgroundTool::Wavy);
  EXPECT_TRUE(tool->fileLabel()->text().isEmpty());
  EXPECT_TRUE(tool->libraryLabel()->text().isEmpty());
  EXPECT_EQ(renders.size(), 0);
  EXPECT_EQ(sizes.size(), 0);
  EXPECT_EQ(rendered(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedFiles,
    ::testing::Values(RefusedRow{"huge.jpg", [] { return jpegClaiming(60000, 60000); }},
                      RefusedRow{"truncated.jpg",
                                 [] { return encodedImage(quadrants(64, 48), "JPG").left(200); }},
                      RefusedRow{"notes.txt", [] { return QByteArray("no picture here\n"); }}),
    [](const ::testing::TestParamInfo<RefusedRow>& info) {
      std::string name = info.param.name;
      return name.substr(0, name.find('.'));
    });

TEST_F(Background, ACancelledOrRepeatedChoiceStaysSilent) {
  setType(BackgroundTool::Curly);
  // Cancelled on the first switch: the type list returns, nothing is said.
  setType(BackgroundTool::ImageFromFile);
  setType(BackgroundTool::ImageFromLibrary);
  EXPECT_EQ(tool->typeCombo()->currentIndex(), BackgroundTool::Curly);
  EXPECT_EQ(host.imageFileFolders.size(), 1);
  EXPECT_EQ(host.libraryInitialPaths.size(), 1);
  EXPECT_TRUE(host.messages.empty());

  host.imageFileAnswer = program.libraryFile("square.png");
  setType(BackgroundTool::ImageFromFile);
  QSignalSpy renders(tool, &BackgroundTool::backgroundChanged);
  EXPECT_FALSE(tool->chooseFile());  // the same file again
  EXPECT_EQ(renders.size(), 0);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(Background, ACanvasChangeRendersAtTheNewSizeWithoutMovingTheHandles) {
  setType(BackgroundTool::Wavy);
  hub()->setCanvasRect(QRect(0, 0, 500, 200));
  EXPECT_EQ(rendered().size(), QSize(500, 200));
  EXPECT_EQ(hub()->layers().background.size(), QSize(500, 200));
  EXPECT_EQ(tool->handle1()->pos(), QPointF(149, 159));
  EXPECT_EQ(tool->handle2()->pos(), QPointF(149, 239));
}

TEST_F(Background, HandlesShowForGradientsWhileTheToolIsCurrent) {
  openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(200, 20, 20)));
  ZarvoSelectTool* select = keep(new ZarvoSelectTool(view.get()));
  auto shown = [&] { return tool->handle1()->isVisible() && tool->handle2()->isVisible(); };
  setType(BackgroundTool::Wavy);
  EXPECT_FALSE(shown());
  ASSERT_TRUE(tool->installSlot());
  EXPECT_TRUE(shown());
  EXPECT_TRUE(controller()->isEditing());
  setType(BackgroundTool::OneColor);
  EXPECT_FALSE(shown());
  setType(BackgroundTool::Fan);
  EXPECT_TRUE(shown());
  EXPECT_TRUE(tool->colour2Button()->isVisibleTo(tool->optionPage()));
  EXPECT_FALSE(tool->radiusSlider()->isVisibleTo(tool->optionPage()));
  select->installSlot();
  EXPECT_FALSE(shown());

  // A hub reset while another editing tool is current leaves that tool's editing alone.
  hub()->reset();
  EXPECT_TRUE(controller()->isEditing());
  EXPECT_EQ(tool->currentType(), BackgroundTool::OneColor);
}

TEST_F(Background, DraggingAHandleRendersAgain) {
  openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(200, 20, 20)));
  showView();
  ASSERT_TRUE(tool->installSlot());
  setType(BackgroundTool::Wavy);
  view->zoomToSlot(1.0, QPointF(150, 200));
  QSignalSpy renders(tool, &BackgroundTool::backgroundChanged);
  const QPoint from = view->mapFromScene(tool->handle2()->pos());
  drag(view->viewport(), from, from + QPoint(0, 40));
  EXPECT_EQ(renders.size(), 4);
  EXPECT_EQ(tool->handle2()->pos(), QPointF(149, 279));
  EXPECT_TRUE(near(rendered().pixel(10, 279), kLightGrey));
}

TEST_F(Background, AResetFromAnImageTellsTheHubTheImageIsGone) {
  host.libraryAnswer = program.libraryFile("square.png");
  setType(BackgroundTool::ImageFromLibrary);
  ASSERT_EQ(hub()->backgroundImageSize(), QSize(1000, 1000));
  hub()->reset();
  EXPECT_EQ(hub()->backgroundImageSize(), QSize(-1, -1));
  EXPECT_EQ(tool->typeCombo()->currentIndex(), BackgroundTool::OneColor);
  EXPECT_TRUE(tool->libraryLabel()->text().isEmpty());
  EXPECT_EQ(rendered().pixel(150, 200), kWhite);
}

}  // namespace
