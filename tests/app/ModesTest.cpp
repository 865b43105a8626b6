#include <gtest/gtest.h>

#include <QImage>
#include <QRegularExpression>
#include <QFile>

#include "EngineSessionSupport.h"
#include "app/AppMain.h"
#include "support/AppTestSupport.h"
#include "support/ChildSandbox.h"

namespace {

TEST(CommandLine, TheArgumentCountChoosesTheMode) {
  struct Row {
    std::vector<const char*> arguments;
    int mode;
  };
  const Row rows[] = {
      {{}, 0},
      {{"photo.jpg"}, 0},
      {{"--about", "x"}, 0},
      {{"--gp", "1", "2", "3", "4", "8", "little", "doc"}, 2},
      {{"--gp", "1", "2", "3", "4", "8", "little"}, 0},
      {{"--gp", "1", "2", "3", "4", "8", "little", "doc", "more"}, 0},
      {{"--GP", "1", "2", "3", "4", "8", "little", "doc"}, 0},
      {{"--xmlgp", "job.otsx"}, 3},
      {{"--xmlgp"}, 0},
      {{"--xmlgp", "a", "b"}, 0},
      {{"--aperture", "photo.png"}, 4},
      {{"--aperture"}, 0},
      {{"photo.png", "--aperture"}, 0},
  };
  for (const Row& row : rows) {
    std::vector<const char*> argv{"zarvo"};
    argv.insert(argv.end(), row.arguments.begin(), row.arguments.end());
    argv.push_back(nullptr);
    const int argc = int(argv.size()) - 1;
    EXPECT_EQ(modeFromCommandLine(argc, argv.data()), row.mode) << argc << " " << argv[1];
    EXPECT_FALSE(isAboutCommandLine(argc, argv.data()));
  }
  const char* about[] = {"zarvo", "--about", nullptr};
  EXPECT_TRUE(isAboutCommandLine(2, about));
}

// A whole start of the program in a mode, through the test host.
struct ModeRow {
  const char* name;
  const char* driver;
  std::vector<const char*> arguments;
  int mode;  // -1: no main window (the About box)
  int exitCode;
  const char* logged;  // a line the log must hold, or null
};

void PrintTo(const ModeRow& row, std::ostream* out) {
  *out << row.name;
}

class Modes : public ::testing::TestWithParam<ModeRow> {};

TEST_P(Modes, StartsInTheModeAndEndsWithItsCode) {
  const ModeRow& row = GetParam();
  ChildSandbox sandbox;
  QImage photo(64, 48, QImage::Format_RGB32);
  photo.fill(Qt::darkCyan);
  ASSERT_TRUE(photo.save(sandbox.root() + "/photo.png"));
  QStringList arguments;
  for (const char* argument : row.arguments) arguments << QString::fromUtf8(argument);

  const ChildRun run = sandbox.runHost(row.driver, arguments);
  ASSERT_TRUE(run.finished);
  EXPECT_TRUE(run.normalExit);
  EXPECT_EQ(run.exitCode, row.exitCode) << run.err.constData();
  if (row.mode >= 0) {
    EXPECT_TRUE(run.out.contains("mode " + QByteArray::number(row.mode) + "\n"))
        << run.out.constData();
  } else {
    EXPECT_FALSE(run.out.contains("mode "));
  }
  EXPECT_TRUE(sandbox.dumps().isEmpty());
  if (row.logged) {
    EXPECT_TRUE(sandbox.latestLogText().contains(QString::fromUtf8(row.logged)))
        << qPrintable(sandbox.latestLogText());
  }
}

const char* const kGp[] = {"--gp", "3", "4", "64", "48", "8", "little", "doc"};

INSTANTIATE_TEST_SUITE_P(
    Child, Modes,
    ::testing::Values(
        ModeRow{"normal", "startup", {}, 0, 0, nullptr},
        ModeRow{"about", "startup", {"--about"}, -1, 0, "Dialog: About Zarvo | shown"},
        ModeRow{"aboutWithMore", "startup", {"--about", "x"}, 0, 0, nullptr},
        ModeRow{"sharedMemory", "startup", {kGp, kGp + 8}, 2, 2, nullptr},
        ModeRow{"gpShort", "startup", {kGp, kGp + 7}, 0, 0, nullptr},
        ModeRow{"gpTwelveBits",
                "startup",
                {"--gp", "3", "4", "64", "48", "12", "little", "doc"},
                2,
                2,
                "Shared memory input refused: "},
        ModeRow{"xmlPipe", "startup", {"--xmlgp", "job.otsx"}, 3, 0, nullptr},
        ModeRow{"xmlPipeLong", "startup", {"--xmlgp", "a", "b"}, 0, 0, nullptr},
        ModeRow{"aperture", "startup", {"--aperture", "photo.png"}, 4, 0, "Version: 1.2.4 ("},
        ModeRow{"apertureMissing",
                "startup",
                {"--aperture", "missing.png"},
                4,
                0,
                "No image for the host: missing.png could not be read"},
        ModeRow{"outOfMemory", "throw-bad-alloc", {}, 0, 11, "Exception: std::bad_alloc"},
        ModeRow{"exception", "throw-error", {}, 0, 12, "Exception: Driver: thrown"},
        ModeRow{"exceptionHosted",
                "throw-bad-alloc",
                {kGp, kGp + 8},
                2,
                11,
                "Exception: std::bad_alloc"}),
    [](const ::testing::TestParamInfo<ModeRow>& info) { return std::string(info.param.name); });

// A close at a step of the start on the command line's photo, through the test host.
struct CloseRow {
  const char* name;
  const char* step;  // "start": before the loop runs; else the engine command just finished
};

void PrintTo(const CloseRow& row, std::ostream* out) {
  *out << row.name;
}

class CloseAtStart : public ::testing::TestWithParam<CloseRow> {};

TEST_P(CloseAtStart, TheLoopEndsAndAnUntouchedPhotoAsksNothing) {
  ChildSandbox sandbox;
  const QString photo = sandbox.root() + "/disc.png";
  ASSERT_TRUE(syntheticPhoto(800, 600).save(photo));
  const ChildRun run = sandbox.runHost("close-at", {GetParam().step, photo});
  const QString log = sandbox.latestLogText();
  ASSERT_TRUE(run.finished) << "the loop went on without a window: " << qPrintable(log);
  EXPECT_TRUE(run.normalExit);
  EXPECT_EQ(run.exitCode, 0) << run.err.constData();
  EXPECT_TRUE(run.out.contains("document 800x600\n")) << run.out.constData();
  EXPECT_FALSE(log.contains("Dialog: ")) << qPrintable(log);
}

INSTANTIATE_TEST_SUITE_P(Child, CloseAtStart,
                         ::testing::Values(CloseRow{"beforeTheLoop", "start"},
                                           CloseRow{"engineMade", "Initializing..."},
                                           CloseRow{"sessionBegun", "Beginning Session..."},
                                           CloseRow{"openingSelectionMade", "Making Selection..."}),
                         [](const ::testing::TestParamInfo<CloseRow>& info) {
                           return std::string(info.param.name);
                         });

TEST(Start, TheLogTellsPathIdentityLanguageAndVersionAndTheStyleIsInstalled) {
  ChildSandbox sandbox;
  const ChildRun run = sandbox.runHost("startup");
  ASSERT_TRUE(run.finished);
  ASSERT_EQ(run.exitCode, 0) << run.err.constData();
  EXPECT_TRUE(run.out.contains("style TsAppStyle\n")) << run.out.constData();
  ASSERT_EQ(sandbox.logs().size(), 1);
  const QString path = sandbox.logFolder() + "/" + sandbox.logs().first();
  const QStringList lines = sandbox.latestLogText().split('\n', Qt::SkipEmptyParts);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines[0].contains(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d ")));
  EXPECT_TRUE(lines[0].endsWith(path));
  const QString text = lines.join('\n');
  EXPECT_TRUE(text.contains(QRegularExpression(" MID: \\{[0-9a-f-]{36}\\}\n")));
  EXPECT_TRUE(text.contains(" ID: N/A\n"));
  EXPECT_TRUE(text.contains(" Your active language is [en]\n"));
  EXPECT_FALSE(text.contains("Loading"));
  EXPECT_TRUE(text.contains(QRegularExpression(" Version: 1\\.2\\.4 \\([0-9a-f]{40}\\); Win32\n")));
  EXPECT_FALSE(text.contains("Exception"));
}

TEST(Start, TheMachineIdStaysOverTwoStartsWithAnUnwritableSystemFolder) {
  ChildSandbox sandbox;
  sandbox.set("XDG_CONFIG_DIRS", "/proc/zarvo-no-such-folder");
  QStringList ids;
  for (int start = 0; start < 2; ++start) {
    const ChildRun run = sandbox.runHost("startup");
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QRegularExpressionMatch match =
        QRegularExpression("MID: (\\{[0-9a-f-]{36}\\})").match(sandbox.latestLogText());
    ASSERT_TRUE(match.hasMatch());
    ids << match.captured(1);
    // Logs are named by their start's millisecond: the next start's log is its own even when it
    // starts within the same one.
    for (const QString& log : sandbox.logs()) QFile::remove(sandbox.logFolder() + "/" + log);
  }
  EXPECT_EQ(ids[0], ids[1]);
  EXPECT_TRUE(readFile(sandbox.configHome() + "/OrbelTech.conf").contains(ids[0].toLatin1()));
}

TEST(Start, TranslationsFollowTheSystemLanguage) {
  struct Row {
    const char* locale;
    const char* language;
    bool loads;
  };
  const Row rows[] = {{"fr_FR.UTF-8", "fr", true}, {"en_US.UTF-8", "en", false}, {"C", "C", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.locale);
    ChildSandbox sandbox;
    sandbox.set("LANG", row.locale);
    sandbox.set("LC_ALL", row.locale);
    const ChildRun run = sandbox.runHost("startup");
    ASSERT_EQ(run.exitCode, 0) << run.err.constData();
    const QString log = sandbox.latestLogText();
    EXPECT_TRUE(log.contains(QStringLiteral("Your active language is [%1]").arg(row.language)));
    const QString folder = sandbox.appDir();
    EXPECT_EQ(log.contains(QStringLiteral("Loading Qt translation file %1/qt_%2 - failed.")
                               .arg(folder, row.language)),
              row.loads);
    EXPECT_EQ(log.contains(QStringLiteral("Loading our translation file %1/all_%2 - failed.")
                               .arg(folder, row.language)),
              row.loads);
  }
}

TEST(Start, TheTranslationFolderSettingIsHonoured) {
  ChildSandbox sandbox;
  sandbox.set("LANG", "de_DE.UTF-8");
  sandbox.set("LC_ALL", "de_DE.UTF-8");
  ASSERT_TRUE(writeFile(sandbox.configHome() + "/OrbelTech/Zarvo.conf",
                        "[General]\nTransDir=/opt/zarvo-catalogues\n"));
  const ChildRun run = sandbox.runHost("startup");
  ASSERT_EQ(run.exitCode, 0) << run.err.constData();
  const QString log = sandbox.latestLogText();
  EXPECT_TRUE(log.contains("Loading Qt translation file /opt/zarvo-catalogues/qt_de - failed."));
  EXPECT_TRUE(log.contains("Loading our translation file /opt/zarvo-catalogues/all_de - failed."));
}

}  // namespace
