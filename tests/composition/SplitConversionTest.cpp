// The composition's repeated image work never waits for a split of Qt's over its global pool:
// a cut-out update, each effect and the final picture with its view, on layers and a cut-out
// well over the sizes Qt splits (128 KB converted, 2^17 pixels scaled smoothly).

#include <gtest/gtest.h>

#include <functional>

#include <QComboBox>
#include <QPushButton>

#include "SplitConversionCounter.h"
#include "composition/FinalImageViewer.h"
#include "composition/ImportLogoTool.h"
#include "support/ToolSetFixture.h"

using namespace composition_test;

namespace {

// A 480 x 300 cut-out of noise, partly transparent: its instance is shown from a smoothly
// scaled copy below 1:1.
QImage noisePhoto(std::uint32_t seed) {
  QImage photo = cutoutPhoto(QSize(600, 400), QRect(60, 50, 480, 300), qRgb(0, 0, 0));
  const QImage noise = seededImage(480, 300, seed, false);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 480; ++x) photo.setPixel(60 + x, 50 + y, noise.pixel(x, y));
  return photo;
}

class SplitConversions : public ToolSetFixture {
 public:
  using CanvasFixture::regenerateMask;
  using CanvasFixture::view;
  using HubFixture::hub;

  void SetUp() override {
    ToolSetFixture::SetUp();
    showView();
    openPhoto(noisePhoto(3));
    waitForRest();
  }
};

struct Row {
  const char* name;
  std::function<void(SplitConversions*)> change;
};
void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}

class SplitRows : public SplitConversions, public ::testing::WithParamInterface<Row> {};

TEST_P(SplitRows, NoChangeWaitsForASplitOfQts) {
  FinalImageViewer finalView;
  finalView.resize(300, 200);
  const int before = zarvo_test::splitConversions();
  GetParam().change(this);
  waitForRest();
  view->viewport()->grab();
  finalView.grab();
  EXPECT_EQ(zarvo_test::splitConversions() - before, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Changes, SplitRows,
    ::testing::Values(
        Row{"cutoutUpdate", [](SplitConversions* t) { t->regenerateMask(noisePhoto(4)); }},
        Row{"flatShadow",
            [](SplitConversions* t) {
              t->set->shadowTool()->typeBox()->setCurrentIndex(Shadow::Flat);
            }},
        Row{"sharpening",
            [](SplitConversions* t) { t->set->sharpenTool()->levelSlider()->setValue(3); }},
        Row{"highlightDabs", [](SplitConversions* t) { t->paintDabs(); }},
        Row{"logoWithAlpha",
            [](SplitConversions* t) {
              const QString logo = t->path("logo.png");
              ASSERT_TRUE(seededImage(200, 200, 5, false).save(logo));
              t->host.imageFileAnswer = logo;
              t->set->logoTool()->addButton()->click();
            }},
        Row{"transparentPicture",
            [](SplitConversions* t) {
              ZarvoOutputHandler::instance()->fileTypeChoosen(ZarvoOutputHandler::Png);
              t->hub()->backgroundChanged(QPixmap());
            }},
        Row{"viewZoomedOut",
            [](SplitConversions* t) { t->view->zoomToSlot(0.5, QPointF(200, 150)); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
