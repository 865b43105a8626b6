// What the scene and the item controller offer around the items: the selection handed on,
// canvas changes passed to the items that no owner maps, the dustbin and its preview.

#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>

#include "composition/ZarvoImageItem.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

class AnsweringHost : public RecordingHost {
 public:
  bool confirm(const QString& text, const QString& acceptText) override {
    questions << text + " / " + acceptText;
    return answer;
  }
  bool answer = false;
  QStringList questions;
};

class SceneServices : public CanvasFixture {
 protected:
  void SetUp() override {
    CanvasFixture::SetUp();
    setCompositionHost(&answering);
  }
  void TearDown() override {
    setCompositionHost(&host);
    CanvasFixture::TearDown();
  }
  ZarvoImageItem* makeItem() {
    QPixmap pixmap(40, 20);
    pixmap.fill(Qt::green);
    auto* item = new ZarvoImageItem(view->itemScene());
    item->setPixmap(pixmap, QSizeF(-1, -1), QPoint());
    return item;
  }
  AnsweringHost answering;
};

TEST_F(SceneServices, TheItemControllerMapsOnlyItemsNoOwnerMaps) {
  openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), qRgb(9, 9, 9)));
  ZarvoImageItem* loose = makeItem();
  loose->setPos(100, 50);
  const double looseScale = loose->scaleX();
  CutoutInstanceItem* instance = controller()->instances().first();
  const double instanceScale = instance->scaleX();
  ItemController::instance()->setCanvasSize(QSize(800, 600));
  EXPECT_EQ(hub()->canvasRect(), QRect(0, 0, 800, 600));
  EXPECT_EQ(loose->pos(), QPointF(200, 100));
  EXPECT_DOUBLE_EQ(loose->scaleX(), looseScale * 2);
  EXPECT_DOUBLE_EQ(instance->scaleX(), instanceScale * 2);  // once, by its controller
  ItemController::instance()->resetCanvasSettings();
  EXPECT_EQ(hub()->canvasRect(), QRect(0, 0, 400, 300));
  EXPECT_DOUBLE_EQ(instance->scaleX(), instanceScale);
}

TEST_F(SceneServices, TheDustbinIsEmptiedOnlyWhenTheUserAgrees) {
  ItemScene* scene = view->itemScene();
  ZarvoImageItem* binned = makeItem();
  scene->removeItem(binned);
  DustbinSignaller::items() << binned;
  QSignalSpy sizes(DustbinSignaller::instance(), &DustbinSignaller::sizeChanged);

  // A preview shows the item while its restore entry is hovered.
  scene->restoreItemHovered(binned->restoreAction());
  EXPECT_EQ(scene->restorePreview(), binned);
  EXPECT_EQ(binned->scene(), scene);
  QAction stranger;
  stranger.setData(QVariant::fromValue<void*>(&stranger));  // not an item
  scene->restoreItemHovered(&stranger);
  EXPECT_EQ(scene->restorePreview(), nullptr);
  EXPECT_EQ(binned->scene(), nullptr);

  answering.answer = false;
  scene->emptyDustbin();
  EXPECT_EQ(answering.questions,
            QStringList({"Items in the Trash will be lost permanently / Empty Trash"}));
  EXPECT_EQ(DustbinSignaller::items().size(), 1);
  EXPECT_TRUE(sizes.isEmpty());

  answering.answer = true;
  scene->emptyDustbin();
  EXPECT_TRUE(DustbinSignaller::items().isEmpty());
  ASSERT_EQ(sizes.size(), 1);
  EXPECT_EQ(sizes.at(0).at(0).toUInt(), 0u);
  EXPECT_FALSE(ZarvoItem::registeredItems().contains(binned));
}

}  // namespace
