// Whole cut-outs in a child process through the test host's "cutout" script: the smoke test of
// the program on a drawn photo, and the "--gp" round trip through zarvo-gp-host.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include "EngineSessionSupport.h"
#include "support/AppTestSupport.h"
#include "support/ChildSandbox.h"

namespace {

// Pixels of `picture` with the orange of the drawn disc.
int orangePixels(const QImage& picture) {
  int count = 0;
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < rgb.height(); ++y)
    for (int x = 0; x < rgb.width(); ++x) {
      const QColor c = rgb.pixelColor(x, y);
      count += c.red() > 150 && c.green() > 60 && c.green() < 150 && c.blue() < 70;
    }
  return count;
}

TEST(Smoke, AWholeCutoutOfADrawnPhotoEndsCleanly) {
  ChildSandbox sandbox;
  const QString photo = sandbox.root() + "/disc.png";
  ASSERT_TRUE(syntheticPhoto(800, 600).save(photo));
  const QString out = sandbox.root() + "/out";
  const ChildRun run = sandbox.runHost("cutout", {out, photo});
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.err.constData() << qPrintable(sandbox.latestLogText());

  EXPECT_TRUE(readFile(out + "/project.dat").startsWith(QByteArray("\x08\xE1\x16\x02", 4)));
  const QJsonObject summary = QJsonDocument::fromJson(readFile(out + "/summary.json")).object();
  EXPECT_GT(summary.value("keep").toInt(), 0) << readFile(out + "/summary.json").constData();
  EXPECT_GT(summary.value("delete").toInt(), 0);
  EXPECT_TRUE(summary.value("reloadEqual").toBool());
  EXPECT_GT(summary.value("projectBytes").toInt(), 0);
  EXPECT_GT(summary.value("peakResidentKB").toInt(), 0);

  const QImage cutout(out + "/cutout.png");
  ASSERT_EQ(cutout.size(), QSize(800, 600));
  EXPECT_EQ(qAlpha(cutout.pixel(400, 312)), 255) << "the disc is kept";
  EXPECT_EQ(qAlpha(cutout.pixel(4, 4)), 0) << "the ground is gone";
  // The photo on the canvas: a good part of the disc's area, at whatever zoom fits.
  EXPECT_GT(orangePixels(QImage(out + "/window.png")), 10000);

  EXPECT_TRUE(sandbox.dumps().isEmpty());
  EXPECT_FALSE(QDir(sandbox.logFolder() + "/Event").exists());
  EXPECT_FALSE(sandbox.latestLogText().contains("Exception:"));
}

struct RoundTripRow {
  const char* name;
  QStringList options;
};

void PrintTo(const RoundTripRow& row, std::ostream* out) {
  *out << row.name;
}

class GpRoundTrip : public ::testing::TestWithParam<RoundTripRow> {};

TEST_P(GpRoundTrip, TheCutoutGoesBackToTheHost) {
  ChildSandbox sandbox;
  const QString in = sandbox.root() + "/in.png", out = sandbox.root() + "/out.png";
  ASSERT_TRUE(syntheticPhoto(240, 180).save(in));
  const ChildRun run = sandbox.run(
      ZARVO_GP_HOST, QStringList{"--driver", "cutout", "--driver-arg", sandbox.root() + "/cut"} +
                         GetParam().options + QStringList{"--zarvo", ZARVO_TESTHOST, in, out});
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.err.constData();
  EXPECT_TRUE(run.out.contains("status 0\n"))
      << run.out.constData() << qPrintable(sandbox.latestLogText());
  EXPECT_TRUE(run.out.contains("second changed\n"));
  const QImage back(out);
  ASSERT_EQ(back.size(), QSize(240, 180));
  EXPECT_EQ(qAlpha(back.pixel(120, 94)), 255);
  EXPECT_EQ(qAlpha(back.pixel(2, 2)), 0);
  EXPECT_TRUE(sandbox.dumps().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Child, GpRoundTrip,
    ::testing::Values(RoundTripRow{"bits8", {}},
                      RoundTripRow{"bits16Big", {"--bits", "16", "--order", "big"}},
                      RoundTripRow{"bits16Little", {"--bits", "16", "--order", "little"}}),
    [](const ::testing::TestParamInfo<RoundTripRow>& info) {
      return std::string(info.param.name);
    });

}  // namespace
