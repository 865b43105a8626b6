// The canvas-size presets: the reader over the seeds of its fuzz corpus (the files hold the
// cases), the loader's silence and warnings, and the file that ships beside the program.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "DocumentTestSupport.h"
#include "composition/CanvasSizes.h"

namespace {

QString corpusFile(const char* name) {
  return QStringLiteral(ZARVO_FUZZ_CORPUS "/canvassizes/") + QLatin1String(name);
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
  return file.readAll();
}

// "name|shape|maxEdge|maxFS" per preset, joined by "; ".
QString describe(const QList<CanvasSizePreset>& presets) {
  QStringList parts;
  for (const CanvasSizePreset& p : presets)
    parts << QStringLiteral("%1|%2|%3|%4").arg(p.name, p.shape).arg(p.maxEdge).arg(p.maxFS);
  return parts.join(QStringLiteral("; "));
}

struct ReaderRow {
  const char* file;
  const char* presets;  // as describe() gives them; empty: none is valid
  const char* reason;   // a part of the reason when none is valid
};

class CanvasSizesReader : public ::testing::TestWithParam<ReaderRow> {};

TEST_P(CanvasSizesReader, GivesTheValidPresetsOrAReason) {
  const ReaderRow& row = GetParam();
  const CanvasSizesReading reading = readCanvasSizes(readAll(corpusFile(row.file)));
  EXPECT_EQ(describe(reading.presets), QString::fromUtf8(row.presets));
  if (*row.presets) {
    EXPECT_TRUE(reading.reason.isEmpty());
  } else {
    EXPECT_TRUE(reading.reason.contains(QLatin1String(row.reason))) << reading.reason.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Files, CanvasSizesReader,
    ::testing::Values(
        ReaderRow{"valid-example", "Web large|Landscape|1200|500", ""},
        ReaderRow{"missing-maxfs", "", "no element"}, ReaderRow{"custom-shape", "", "no element"},
        ReaderRow{"lowercase-shape", "", "no element"},
        // From the first CanvasSize on, siblings count whatever their name; children do not.
        ReaderRow{"sibling-other-name",
                  "First|Portrait|800|200; Sibling|Landscape|900|250; Last|Square|700|150", ""},
        ReaderRow{"repeated-name", "Same|Portrait|800|100; Same|Landscape|1200|900", ""},
        ReaderRow{"non-numbers", "Words|Square|0|0; Spaces|Portrait|640|0", ""},
        ReaderRow{"out-of-range",
                  "Negative|Square|0|0; Huge|Portrait|1600|4000; Tiny|Landscape|50|10; "
                  "Overflow|Square|0|0",
                  ""},
        // Zero leaves the field alone: it is not brought up to the smallest size or budget.
        ReaderRow{"zero-values",
                  "Zero|Square|0|0; Budget only|Landscape|0|300; Size only|Portrait|800|0", ""},
        ReaderRow{"not-under-root", "", "no element"}, ReaderRow{"empty", "", "line"},
        ReaderRow{"garbage", "", "line"}, ReaderRow{"deep-nesting", "", "nested deeper than 256"}),
    [](const ::testing::TestParamInfo<ReaderRow>& info) {
      std::string name = info.param.file;
      for (char& c : name)
        if (c == '-') c = '_';
      return name;
    });

TEST(CanvasSizes, LoaderIsSilentForAMissingFileAndNamesABadOne) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("CanvasSizes.xml"));
  const QString builtIn =
      QStringLiteral("eBay|Portrait|1600|2000; uBid|Portrait|1000|1500; CQOUT|Portrait|1000|1500");
  {
    LogCapture log;
    EXPECT_EQ(describe(loadCanvasSizes(path)), builtIn);
    EXPECT_TRUE(LogCapture::lines().isEmpty());
  }
  struct Case {
    QByteArray bytes;
    const char* reason;
  };
  // A file over 64 KB is not parsed, however valid its start.
  const Case cases[] = {{readAll(corpusFile("custom-shape")), "no element"},
                        {readAll(corpusFile("valid-example")) + QByteArray(10 << 20, ' '), "64 KB"},
                        {readAll(corpusFile("garbage")), "line"}};
  for (const Case& c : cases) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(c.bytes);
    file.close();
    LogCapture log;
    EXPECT_EQ(describe(loadCanvasSizes(path)), builtIn);
    ASSERT_EQ(LogCapture::lines().size(), 1);
    EXPECT_TRUE(LogCapture::lines().first().contains(path));
    EXPECT_TRUE(LogCapture::lines().first().contains(QLatin1String(c.reason)))
        << LogCapture::lines().first().toStdString();
  }
}

TEST(CanvasSizes, TheShippedFileLiesBesideTheProgramWithTheTeamsPresets) {
  const QString shipped = QStringLiteral(ZARVO_PROGRAM_DIR "/CanvasSizes.xml");
  ASSERT_TRUE(QFile::exists(shipped));
  LogCapture log;
  EXPECT_EQ(describe(loadCanvasSizes(shipped)),
            QStringLiteral("Web small|Landscape|640|100; Web large|Landscape|1200|500; "
                           "Square shop|Square|1000|300; Tall listing|Portrait|1600|1500"));
  EXPECT_TRUE(LogCapture::lines().isEmpty());
}

}  // namespace
