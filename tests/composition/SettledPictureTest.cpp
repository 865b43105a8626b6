// The picture a question or an export settles at once, with a producer's work still in flight,
// is the picture the composition settles to later by itself: every producer of a layer takes
// part in the settle. With the main window's set of composition tools over the real view and hub.

#include <gtest/gtest.h>

#include <functional>

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>

#include "composition/ImportLogoTool.h"
#include "support/ToolSetFixture.h"

using namespace composition_test;

namespace {

class SettledPicture : public ToolSetFixture {
 public:
  void SetUp() override {
    ToolSetFixture::SetUp();
    // Noise inside the cut-out: a sharpening changes every pixel of it.
    QImage photo = cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(0, 0, 0));
    const QImage noise = seededImage(100, 60, 11);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 100; ++x) photo.setPixel(50 + x, 20 + y, noise.pixel(x, y));
    openPhoto(photo);
    waitForRest();
  }
  // The picture the unsaved-changes question judges, settled at once.
  QImage settledPicture() {
    hub()->hasUnsavedChanges();
    return hub()->finalPixmap().toImage();
  }
};

using Step = std::function<void(SettledPicture*)>;
struct Row {
  const char* name;
  Step prepare;  // done and settled by itself before the change
  Step change;   // in flight when the question comes
};
void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}

class SettleRows : public SettledPicture, public ::testing::WithParamInterface<Row> {};

TEST_P(SettleRows, ThePictureSettledAtOnceIsThePictureItSettlesToLater) {
  if (GetParam().prepare) GetParam().prepare(this);
  waitForRest();
  // With nothing in flight a settle sends nothing again and builds nothing.
  QSignalSpy pictures(hub(), &ZarvoObject::updateImage);
  settledPicture();
  EXPECT_EQ(pictures.count(), 0) << "a layer was sent again at rest";

  const QImage before = hub()->finalPixmap().toImage();
  GetParam().change(this);
  const QImage atOnce = settledPicture();
  waitForRest();
  const QImage later = hub()->finalPixmap().toImage();
  ASSERT_FALSE(later == before) << "the change shows";
  EXPECT_TRUE(atOnce == later) << "the settle left a producer's work out";
}

INSTANTIATE_TEST_SUITE_P(
    Producers, SettleRows,
    ::testing::Values(Row{"itemMove", nullptr,
                          [](SettledPicture* t) {
                            QGraphicsItem* item = t->controller()->instances().first();
                            item->setPos(item->pos() + QPointF(15, 10));
                          }},
                      Row{"logoMove",
                          [](SettledPicture* t) {
                            const QString logo = t->path("logo.png");
                            ASSERT_TRUE(seededImage(60, 40, 5).save(logo));
                            t->host.imageFileAnswer = logo;
                            t->set->logoTool()->addButton()->click();
                          },
                          [](SettledPicture* t) {
                            QGraphicsItem* item = t->set->logoTool()->logoItem();
                            item->setPos(item->pos() + QPointF(-40, 30));
                          }},
                      Row{"shadow", nullptr,
                          [](SettledPicture* t) {
                            t->set->shadowTool()->typeBox()->setCurrentIndex(Shadow::Standing);
                          }},
                      // The dabs show the copy of the sharpened cut-out; the first sharpening
                      // delivers by itself.
                      Row{"sharpening",
                          [](SettledPicture* t) {
                            t->paintDabs();
                            t->set->sharpenTool()->levelSlider()->setValue(1);
                          },
                          [](SettledPicture* t) {
                            t->set->sharpenTool()->levelSlider()->setValue(5);
                          }},
                      Row{"highlightDabsWhileTheCopyIsMade", nullptr,
                          [](SettledPicture* t) {
                            t->set->highlightBrushTool()->refreshHighlitImage();
                            t->paintDabs();
                          }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
