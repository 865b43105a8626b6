// The whole road headless: a JPEG tagged upside-sideways opens upright, the document opens its
// session behind the barrier, edges are found, two brushes mark the ground and the subject, the
// automatic cut-out keeps the subject; the state goes to bytes, a new document and thread take
// it back and make the same cut-out.

#include <cmath>
#include <memory>

#include <QDataStream>
#include <QImageWriter>
#include <QProcess>
#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "WaitFor.h"
#include "document/GmBrushing.h"
#include "document/KeyedStateReader.h"

namespace {

constexpr int kPhotoWidth = 150;
constexpr int kPhotoHeight = 200;

class EndToEnd : public EngineSessionTest {
 protected:
  // The upright photo, stored turned a quarter to the left as a JPEG whose Exif orientation 6
  // turns it back.
  QString taggedPhoto(const QImage& upright) {
    const QString path = folder.filePath(QStringLiteral("turned.jpg"));
    QImageWriter writer(path, "jpeg");
    writer.setQuality(95);
    EXPECT_TRUE(writer.write(upright.transformed(QTransform().rotate(-90))));
    QProcess exiftool;
    exiftool.start(QStringLiteral(ZARVO_EXIFTOOL),
                   {QStringLiteral("-q"), QStringLiteral("-n"), QStringLiteral("-Orientation=6"),
                    QStringLiteral("-overwrite_original"), path});
    EXPECT_TRUE(exiftool.waitForFinished(zarvo_test::childLimitMs()) && exiftool.exitCode() == 0);
    return path;
  }
  // A stroke drawn as a brush tool draws it, handed to the engine as the tool hands it.
  void brushStroke(const QVector<QPointF>& points, int mode, bool local) {
    GmBrushing live(mode == CvStatusKeep ? Qt::green : Qt::red);
    live.brushing().beginStroke(points.first());
    for (int i = 1; i < points.size(); ++i) live.brushing().continueStroke(points.at(i));
    run(new CvCmdSelect(model, new Brushing(live.brushing().toVariant()), CvStatusClassMask, mode,
                        local, false));
  }
  // The cut-out's alpha channel.
  static QImage alphaOf(const QImage& cutout) {
    return cutout.convertToFormat(QImage::Format_ARGB32).convertToFormat(QImage::Format_Alpha8);
  }
};

TEST_F(EndToEnd, ATaggedPhotoIsCutOutSavedRestoredAndCutOutAlike) {
  const QImage upright = syntheticPhoto(kPhotoWidth, kPhotoHeight);
  auto* photo = new TsSourceImage(taggedPhoto(upright));
  ASSERT_TRUE(photo->isValid());
  ASSERT_EQ(photo->displayImage().size(), upright.size()) << "turned upright";
  // The disc is where the upright photo has it: orange at its centre, ground at a corner.
  const QColor centre = photo->displayImage().pixelColor(kPhotoWidth / 2, int(kPhotoHeight * 0.52));
  EXPECT_GT(centre.red(), 150);
  EXPECT_LT(centre.blue(), 90);
  EXPECT_GT(photo->displayImage().pixelColor(4, 4).blue(), 120);

  model = GmModel::instance();
  QSignalSpy begun(model, &GmModel::sessionHasBegun);
  QSignalSpy cutouts(model, &GmModel::cutoutChanged);
  ASSERT_TRUE(model->setSourceImage(photo));
  waitIdle();
  ASSERT_EQ(begun.size(), 1);
  analyse();
  // Delete along the four borders, then Keep across the disc in whole regions.
  brushStroke({{8, 8}, {142, 8}, {142, 192}, {8, 192}, {8, 8}}, CvStatusDelete, true);
  brushStroke({{75, 70}, {75, 140}, {45, 104}, {105, 104}}, CvStatusKeep, true);
  waitIdle();
  ASSERT_FALSE(cutouts.isEmpty()) << "the automatic cut-out ran";
  const QImage alpha = alphaOf(cutouts.last()[0].value<QImage>());
  ASSERT_EQ(alpha.size(), upright.size());

  const double cx = kPhotoWidth * 0.5, cy = kPhotoHeight * 0.52;
  const double radius = kPhotoWidth * 0.33;
  int band = 0;
  for (int y = 0; y < alpha.height(); ++y)
    for (int x = 0; x < alpha.width(); ++x) {
      const double d = std::hypot(x - cx, y - cy);
      const int a = qAlpha(alpha.pixel(x, y));
      if (d < radius * 0.8) {
        ASSERT_GE(a, 250) << "subject at " << x << "," << y;
      } else if (d > radius * 1.25) {
        ASSERT_LE(a, 5) << "ground at " << x << "," << y;
      } else if (a > 5 && a < 250) {
        ++band;
      }
    }
  EXPECT_GT(band, 20) << "a blended rim";

  // To bytes as a project file holds them, and back into a new document and thread.
  QByteArray bytes;
  {
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << model->toVariant();
    ASSERT_EQ(out.status(), QDataStream::Ok);
  }
  GmModel::destroyInstance();
  waitIdle();
  thread = std::make_unique<CorvaneThread>();
  model = GmModel::instance();
  QSignalSpy again(model, &GmModel::cutoutChanged);
  ASSERT_TRUE(model->fromVariant(keyedStateFromBytes(bytes)));
  waitIdle();
  EXPECT_TRUE(model->isUnmodified());
  analyse();
  model->generateMaskSlot();
  waitIdle();
  ASSERT_FALSE(again.isEmpty());
  EXPECT_EQ(alphaOf(again.last()[0].value<QImage>()), alpha);
}

}  // namespace
