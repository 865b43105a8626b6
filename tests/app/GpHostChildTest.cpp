// Whole runs of "--gp" under the test host program zarvo-gp-host, which plays the host: real
// memfds inherited by the child, the image handed back on exit code 0, refusals that leave the
// host's memory alone.

#include <gtest/gtest.h>

#include <QImage>

#include "support/ChildSandbox.h"

namespace {

struct GpRow {
  const char* name;
  const char* driver;
  QStringList options;
  int status;
  bool firstChanged;
  const char* logged;  // a log line's text, or null
};

void PrintTo(const GpRow& row, std::ostream* out) {
  *out << row.name;
}

class GpHost : public ::testing::TestWithParam<GpRow> {};

TEST_P(GpHost, RunsTheProgramAsAHostWould) {
  const GpRow& row = GetParam();
  ChildSandbox sandbox;
  QImage photo(37, 23, QImage::Format_ARGB32);
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      photo.setPixel(x, y, qRgba(x * 7, y * 11, (x + y) * 3, 128 + x));
  const QString in = sandbox.root() + "/in.png", out = sandbox.root() + "/out.png";
  ASSERT_TRUE(photo.save(in));
  const ChildRun run =
      sandbox.run(ZARVO_GP_HOST, QStringList{"--driver", row.driver} + row.options +
                                     QStringList{"--zarvo", ZARVO_TESTHOST, in, out});
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.err.constData();
  const QByteArray said = run.out;
  EXPECT_TRUE(said.contains("status " + QByteArray::number(row.status) + "\n")) << said.constData();
  EXPECT_TRUE(said.contains(row.firstChanged ? "first changed\n" : "first unchanged\n"));
  // A refusal writes nothing; a hand-back writes exactly what was read.
  EXPECT_TRUE(said.contains("second unchanged\n")) << said.constData();
  EXPECT_TRUE(sandbox.dumps().isEmpty());
  if (row.status == 0) {
    EXPECT_TRUE(said.contains("document 37x23\n")) << "the host's image is the document's";
    EXPECT_EQ(QImage(out).convertToFormat(QImage::Format_ARGB32), photo);
  } else {
    EXPECT_TRUE(QImage(out).isNull()) << "nothing to write without a hand-back";
  }
  if (row.logged) {
    EXPECT_TRUE(sandbox.latestLogText().contains(QString::fromUtf8(row.logged)))
        << qPrintable(sandbox.latestLogText());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Child, GpHost,
    ::testing::Values(
        GpRow{"handBack8", "handback", {}, 0, false, nullptr},
        GpRow{"handBack16Big", "handback", {"--bits", "16", "--order", "big"}, 0, true, nullptr},
        GpRow{"handBack16Little", "handback", {"--bits", "16"}, 0, false, nullptr},
        GpRow{"closedWithoutSaving", "startup", {}, 2, false, nullptr},
        GpRow{"shortMapping",
              "handback",
              {"--bits", "16", "--order", "big", "--size", "100"},
              2,
              false,
              "Shared memory input refused: a shared memory of 100 bytes"},
        GpRow{"pipe", "handback", {"--pipe", "3"}, 2, false, "is not shared memory"},
        GpRow{"notHex", "handback", {"--arg", "3=g1"}, 2, false, "is not a hexadecimal number"}),
    [](const ::testing::TestParamInfo<GpRow>& info) { return std::string(info.param.name); });

}  // namespace
