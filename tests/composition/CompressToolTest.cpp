// Background compression and the maximum file size with the real hub and final image view.

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QSignalSpy>
#include <QTest>

#include "composition/CompressTool.h"
#include "composition/FinalImageViewer.h"
#include "composition/FinalImageWidget.h"
#include "support/CompositionFixture.h"

using namespace composition_test;

namespace {

class Compression : public HubFixture {
 protected:
  void SetUp() override {
    HubFixture::SetUp();
    hub()->setCanvasRect(QRect(0, 0, 64, 48));
    finalPage = std::make_unique<FinalImageWidget>();
    tool = std::make_unique<CompressTool>(finalPage.get());
  }
  void TearDown() override {
    tool.reset();
    finalPage.reset();
    HubFixture::TearDown();
  }
  // Types `text` over the size box's number and confirms it.
  void type(const QString& text) {
    QSpinBox* box = tool->maxFileSizeBox();
    box->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
  }
  // One tick of the animation timer.
  void tick() {
    const auto timers = QAbstractEventDispatcher::instance()->registeredTimers(tool.get());
    ASSERT_EQ(timers.size(), 1);
    QTimerEvent event(timers.first().timerId);
    QCoreApplication::sendEvent(tool.get(), &event);
  }

  std::unique_ptr<FinalImageWidget> finalPage;
  std::unique_ptr<CompressTool> tool;
};

TEST_F(Compression, SizesInWholeKilobytesRoundedUp) {
  struct Row {
    qint64 bytes;
    qint64 kilobytes;
  };
  for (const Row& row : {Row{0, 0}, Row{1, 1}, Row{1024, 1}, Row{1025, 2}, Row{5 * 1048576, 5120}})
    EXPECT_EQ(CompressTool::sizeText(row.bytes), QLocale().toString(row.kilobytes) + " KB")
        << row.bytes;
}

TEST_F(Compression, TheBoxCorrectsToItsBoundsAndTheHubTakesIt) {
  EXPECT_EQ(tool->maxFileSizeBox()->value(), 80);
  struct Row {
    const char* typed;
    int value;
  };
  for (const Row& row : {Row{"5", 10}, Row{"5000", 4000}, Row{"300", 300}, Row{"10", 10}}) {
    type(QString::fromLatin1(row.typed));
    EXPECT_EQ(tool->maxFileSizeBox()->value(), row.value) << row.typed;
    EXPECT_EQ(hub()->maxFileSizeKB(), row.value) << row.typed;
  }
}

TEST_F(Compression, TheBoxFollowsTheHubWithoutSendingBack) {
  QSignalSpy changes(hub(), &ZarvoObject::maxFileSizeChanged);
  hub()->setMaxFileSize(500);  // a preset, say
  EXPECT_EQ(tool->maxFileSizeBox()->value(), 500);
  hub()->reset();
  EXPECT_EQ(tool->maxFileSizeBox()->value(), 80);
  EXPECT_EQ(changes.count(), 2);  // the box never answered with a change of its own
  // Entering the value the hub dropped takes effect again.
  type("500");
  EXPECT_EQ(hub()->maxFileSizeKB(), 500);
}

TEST_F(Compression, TheSliderSendsOnlyWhenReleasedAndResetReturnsIt) {
  QSlider* slider = tool->compressionSlider();
  slider->setSliderDown(true);
  slider->setSliderPosition(4);
  EXPECT_EQ(hub()->layers().compressBackground, 0);
  slider->setSliderDown(false);
  EXPECT_EQ(hub()->layers().compressBackground, 4);
  finalPage->setFitScreen(false);
  hub()->reset();
  EXPECT_EQ(slider->value(), 0);
  EXPECT_EQ(hub()->layers().compressBackground, 0);
  EXPECT_TRUE(finalPage->viewer()->fitScreen());
}

TEST_F(Compression, TheBuildingLabelRunsFromTheStartOfARebuildToItsPicture) {
  EXPECT_TRUE(tool->buildingLabel()->isHidden());
  EXPECT_EQ(tool->sizeLabel()->text(), CompressTool::sizeText(0));
  emit hub()->startedImageProcessing();
  EXPECT_FALSE(tool->buildingLabel()->isHidden());
  EXPECT_EQ(tool->sizeLabel()->text(), "?");
  const QString building = "<big>Building output image%1</big>";
  QStringList seen{tool->buildingLabel()->text()};
  for (int i = 0; i < 5; ++i) {
    tick();
    seen << tool->buildingLabel()->text();
  }
  EXPECT_EQ(seen, QStringList({building.arg(""), building.arg(""), building.arg("."),
                               building.arg(".."), building.arg("..."), building.arg("")}));

  // A real rebuild: its start shows the label, its picture the size.
  hub()->reprocessFinalImage();
  ASSERT_TRUE(settle());
  EXPECT_TRUE(tool->buildingLabel()->isHidden());
  EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(tool.get()).isEmpty());
  ASSERT_FALSE(hub()->finalImageBytes().isEmpty());
  EXPECT_EQ(tool->sizeLabel()->text(), CompressTool::sizeText(hub()->finalImageBytes().size()));
}

struct ExportRow {
  const char* name;
  void (*change)();
  const char* file;
};

void PrintTo(const ExportRow& row, std::ostream* out) {
  *out << row.name;
}

class CompressionExport : public Compression, public ::testing::WithParamInterface<ExportRow> {};

// An export brings the picture up to date at once; the start its run queued on the way must not
// turn the read-out back to "?" with no picture left to end it.
TEST_P(CompressionExport, AnExportRightAfterAChangeLeavesTheFinishedSize) {
  const ExportRow& row = GetParam();
  ASSERT_TRUE(settle());
  row.change();
  ASSERT_TRUE(hub()->rebuildPending());
  ASSERT_TRUE(hub()->saveToFile(path(QString::fromLatin1(row.file))));
  QCoreApplication::processEvents();
  EXPECT_TRUE(tool->buildingLabel()->isHidden());
  EXPECT_TRUE(QAbstractEventDispatcher::instance()->registeredTimers(tool.get()).isEmpty());
  ASSERT_FALSE(hub()->finalImageBytes().isEmpty());
  EXPECT_EQ(tool->sizeLabel()->text(), CompressTool::sizeText(hub()->finalImageBytes().size()));
  EXPECT_FALSE(hub()->rebuildPending());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CompressionExport,
    ::testing::Values(
        ExportRow{"budget_then_save_at_once", [] { ZarvoObject::instance()->setMaxFileSize(40); },
                  "now.jpg"},
        // The export dialog's suffix changes the file type, which asks for a rebuild.
        ExportRow{"png_name_changes_the_type",
                  [] { ZarvoOutputHandler::instance()->fileTypeChoosen(ZarvoOutputHandler::Png); },
                  "now.png"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Compression, TheViewButtonsSwitchTheFinalViewer) {
  EXPECT_TRUE(finalPage->viewer()->fitScreen());
  tool->actualPixelsButton()->click();
  EXPECT_FALSE(finalPage->viewer()->fitScreen());
  tool->fitScreenButton()->click();
  EXPECT_TRUE(finalPage->viewer()->fitScreen());
  finalPage->setFitScreen(false);
  tool->activate(nullptr);
  EXPECT_TRUE(tool->actualPixelsButton()->isChecked());
  EXPECT_FALSE(tool->fitScreenButton()->isChecked());
}

}  // namespace
