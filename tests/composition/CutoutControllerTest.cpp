// Cut-out instances with the real document and the real hub: placement, regenerated masks,
// cloning, stacking, deleting, canvas changes, the flattened layer and teardown.

#include <gtest/gtest.h>

#include <QGraphicsPixmapItem>
#include <QSignalSpy>

#include "composition/ItemScene.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

const QRgb kRed = qRgb(200, 20, 20);
const QRgb kBlue = qRgb(20, 20, 200);

class Cutouts : public CanvasFixture {
 protected:
  void openRedBox() { openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), kRed)); }
  CutoutInstanceItem* only() {
    EXPECT_EQ(controller()->instances().size(), 1);
    return controller()->instances().value(0);
  }
  // Whether any pixel of `image` shows `colour`.
  static bool shows(const QImage& image, QRgb colour) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
      for (int x = 0; x < argb.width(); ++x)
        if (qAlpha(argb.pixel(x, y)) == 255 && (argb.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
          return true;
    return false;
  }
};

TEST_F(Cutouts, TheFirstCutoutGivesOneSelectedInstanceAndTheLayerAtItsTopLeft) {
  QSignalSpy generated(controller(), &CutoutController::generatedImageChanged);
  openRedBox();
  CutoutInstanceItem* item = only();
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(controller()->selectedInstance(), item);
  EXPECT_EQ(item->pixmap().size(), QSize(100, 60));
  EXPECT_EQ(item->anchor(), QPoint(50, 20));
  EXPECT_EQ(item->pos(), QPointF(199, 149));
  EXPECT_DOUBLE_EQ(item->scaleX(), 3.6);  // 360 / 100 within 360 x 270
  EXPECT_EQ(controller()->currentRecord()->name, model()->blendImage()->fileName());
  // 360 x 216 about (199, 149).
  EXPECT_EQ(hub()->layers().cutoutPos, QPoint(19, 41));
  EXPECT_EQ(hub()->layers().cutout.size(), QSize(360, 216));
  EXPECT_EQ(hub()->layers().cutout.format(), QImage::Format_ARGB32);
  EXPECT_EQ(hub()->layers().cutout.pixel(180, 108), kRed | 0xFF000000u);
  ASSERT_FALSE(generated.isEmpty());
  EXPECT_EQ(generated.last().at(1).toPoint(), QPoint(19, 41));
  // Not editing: nothing is selectable yet.
  EXPECT_FALSE(item->isSelected());
  EXPECT_FALSE(item->flags() & QGraphicsItem::ItemIsSelectable);
}

TEST_F(Cutouts, ARegeneratedMaskKeepsPlacementsAndNoOldPixelReachesTheHub) {
  showView();
  openRedBox();
  CutoutInstanceItem* item = only();
  view->zoomToSlot(0.5, QPointF(200, 150));
  view->viewport()->grab();  // the instance is painted from a copy below 1:1
  // Placed by the user: dragged by its corner to (40, 50).
  item->cornerDrag(QPointF(40, 50), Qt::NoModifier);
  const QPointF placed = item->pos();

  // The same box in another colour: same size, same place, same display copy size.
  regenerateMask(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), kBlue));
  EXPECT_EQ(item->pos(), placed);
  EXPECT_FALSE(shows(hub()->layers().cutout, kRed));
  EXPECT_TRUE(shows(hub()->layers().cutout, kBlue));
  const QImage screen = view->viewport()->grab().toImage();
  EXPECT_EQ(screen.pixel(view->mapFromScene(item->pos())) & 0xFFFFFF, kBlue & 0xFFFFFF);

  // A box that moved in the photo: the photo's frame stays where the user put it.
  const QPointF photoPixel = item->mapToScene(QPointF(60, 30) - QPointF(50, 20) + item->offset());
  regenerateMask(cutoutPhoto(QSize(200, 100), QRect(30, 10, 80, 50), kBlue));
  EXPECT_EQ(item->anchor(), QPoint(30, 10));
  const QPointF after = item->mapToScene(QPointF(60, 30) - QPointF(30, 10) + item->offset());
  EXPECT_NEAR(after.x(), photoPixel.x(), 1e-9);
  EXPECT_NEAR(after.y(), photoPixel.y(), 1e-9);
  EXPECT_EQ(controller()->instances().size(), 1);
}

TEST_F(Cutouts, ACloneLandsTenUnitsRightAndDownInFront) {
  openRedBox();
  controller()->setEditing(true);
  CutoutInstanceItem* original = only();
  original->rotateDrag(original->pos() + QPointF(0, 40), Qt::ShiftModifier);
  original->setPos(150, 120);
  controller()->cloneCutOut();
  ASSERT_EQ(controller()->instances().size(), 2);
  CutoutInstanceItem* clone = controller()->instances().first();
  EXPECT_NE(clone, original);
  EXPECT_EQ(controller()->selectedInstance(), clone);
  EXPECT_TRUE(clone->isSelected());
  EXPECT_FALSE(original->isSelected());
  EXPECT_EQ(clone->pos(), QPointF(160, 130));
  EXPECT_EQ(clone->angle(), 90.0);
  EXPECT_EQ(clone->scaleX(), original->scaleX());
  EXPECT_DOUBLE_EQ(clone->zValue(), 4.0);
  EXPECT_DOUBLE_EQ(original->zValue(), 3.5);
  EXPECT_EQ(controller()->currentRecord()->instances.size(), 2);
}

// A new mask fits again only what the user did not place: an instance the user dragged stays,
// one the program moved or left at its fit goes back to the centre; a clone was placed by the
// user's Clone and stays where it was made, 10 units right and down of its original.
enum class Placed { ByDrag, ByProgram, Untouched };

struct PlacedRow {
  const char* name;
  Placed placed;
  QPointF item;   // where the instance lies after the new mask
  QPointF clone;  // where its clone lies
};

class NewMask : public Cutouts, public ::testing::WithParamInterface<PlacedRow> {};

TEST_P(NewMask, FitsAgainOnlyWhatTheUserDidNotPlace) {
  const PlacedRow& row = GetParam();
  showView();
  openRedBox();
  controller()->setEditing(true);
  controller()->refreshSelectability();
  view->zoomToSlot(1.0, QPointF(200, 150));
  CutoutInstanceItem* item = only();
  const QPoint at = view->mapFromScene(item->pos());
  if (row.placed == Placed::ByDrag) drag(view->viewport(), at, at + QPoint(40, 30));
  if (row.placed == Placed::ByProgram) item->setPos(239, 179);
  controller()->cloneCutOut();
  CutoutInstanceItem* clone = controller()->instances().first();
  settleItems();
  const QPoint layerAt = hub()->layers().cutoutPos;

  regenerateMask(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), kBlue));
  settleItems();
  EXPECT_EQ(item->pos(), row.item);
  EXPECT_EQ(clone->pos(), row.clone);
  // What the picture is made of: the layer moves exactly when an instance did.
  EXPECT_EQ(hub()->layers().cutoutPos == layerAt, row.placed != Placed::ByProgram);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NewMask,
    ::testing::Values(PlacedRow{"dragged_by_the_user", Placed::ByDrag, {239, 179}, {249, 189}},
                      PlacedRow{"moved_by_the_program", Placed::ByProgram, {199, 149}, {249, 189}},
                      PlacedRow{"left_at_its_fit", Placed::Untouched, {199, 149}, {209, 159}}),
    [](const auto& info) { return std::string(info.param.name); });

struct StackRow {
  const char* name;
  int selected;  // index in the front-first list a, b, c
  void (CutoutController::*operation)();
  const char* order;  // afterwards, front first
};

class Stacking : public Cutouts, public ::testing::WithParamInterface<StackRow> {};

TEST_P(Stacking, ReordersAndRenumbers) {
  const StackRow& row = GetParam();
  openRedBox();
  controller()->setEditing(true);
  controller()->cloneCutOut();
  controller()->cloneCutOut();
  const QList<CutoutInstanceItem*> start = controller()->instances();
  ASSERT_EQ(start.size(), 3);
  auto name = [&](CutoutInstanceItem* item) { return char('a' + start.indexOf(item)); };
  view->itemScene()->clearSelection();
  start.at(row.selected)->setSelected(true);
  ASSERT_EQ(controller()->selectedInstance(), start.at(row.selected));
  (controller()->*row.operation)();
  std::string order;
  for (CutoutInstanceItem* item : controller()->instances()) order += name(item);
  EXPECT_EQ(order, row.order);
  for (int i = 0; i < 3; ++i)
    EXPECT_DOUBLE_EQ(controller()->instances().at(i)->zValue(), 4.0 - i / 3.0);
  EXPECT_EQ(controller()->selectedInstance(), start.at(row.selected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Stacking,
    ::testing::Values(
        StackRow{"front_of_front_stays", 0, &CutoutController::bringCutOutToFront, "abc"},
        StackRow{"back_to_front", 2, &CutoutController::bringCutOutToFront, "cab"},
        StackRow{"back_of_back_stays", 2, &CutoutController::moveCutOutToBack, "abc"},
        StackRow{"front_to_back", 0, &CutoutController::moveCutOutToBack, "bca"},
        StackRow{"forward_of_front_stays", 0, &CutoutController::moveCutOutForward, "abc"},
        StackRow{"middle_forward", 1, &CutoutController::moveCutOutForward, "bac"},
        StackRow{"backward_of_back_stays", 2, &CutoutController::moveCutOutBack, "abc"},
        StackRow{"middle_backward", 1, &CutoutController::moveCutOutBack, "acb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Cutouts, DeletingTheLastInstanceSendsANullLayerAtTheOrigin) {
  openRedBox();
  controller()->setEditing(true);
  controller()->refreshSelectability();
  QSignalSpy generated(controller(), &CutoutController::generatedImageChanged);
  controller()->deleteCutOut();
  EXPECT_TRUE(controller()->instances().isEmpty());
  EXPECT_EQ(controller()->selectedInstance(), nullptr);
  ASSERT_EQ(generated.size(), 1);
  EXPECT_TRUE(generated.at(0).at(0).value<QImage>().isNull());
  EXPECT_TRUE(hub()->layers().cutout.isNull());
  EXPECT_EQ(hub()->layers().cutoutPos, QPoint(0, 0));
  // Nothing left to work on: each operation does nothing.
  controller()->cloneCutOut();
  controller()->bringCutOutToFront();
  controller()->deleteCutOut();
  EXPECT_TRUE(controller()->instances().isEmpty());
}

class DoubledCanvas : public Cutouts, public ::testing::WithParamInterface<bool> {};

TEST_P(DoubledCanvas, ScalesAndMapsEachInstanceByTwoOnce) {
  if (GetParam()) ItemController::instance();  // as after the first scene selection
  openRedBox();
  controller()->setEditing(true);
  controller()->cloneCutOut();
  QList<QPointF> positions;
  QList<double> scales;
  for (CutoutInstanceItem* item : controller()->instances()) {
    positions << item->pos();
    scales << item->scaleX();
  }
  hub()->setCanvasRect(QRect(0, 0, 800, 600));
  for (int i = 0; i < 2; ++i) {
    CutoutInstanceItem* item = controller()->instances().at(i);
    EXPECT_EQ(item->pos(), positions.at(i) * 2);
    EXPECT_DOUBLE_EQ(item->scaleX(), scales.at(i) * 2);
    EXPECT_EQ(item->limitRect(), QRectF(0, 0, 800, 600));
    EXPECT_EQ(item->maxWidth(), 2400);
  }
}

INSTANTIATE_TEST_SUITE_P(ItemController, DoubledCanvas, ::testing::Bool());

TEST_F(Cutouts, TheLayerIsClippedToTheCanvasAndATenthAround) {
  openRedBox();
  CutoutInstanceItem* item = only();
  item->scaleDrag(QPointF(1e6, 1e6), Qt::NoModifier);  // three times the canvas at most
  settleItems();
  EXPECT_NEAR(std::abs(item->scaleX()) * 100, 1200, 1e-9);
  const QImage layer = hub()->layers().cutout;
  EXPECT_EQ(QRect(hub()->layers().cutoutPos, layer.size()), QRect(-40, -40, 480, 380));
}

TEST_F(Cutouts, ANewSourceImageReusesTheRecordAndItsInstances) {
  openRedBox();
  CutoutInstanceItem* item = only();
  ASSERT_TRUE(model()->finish());
  openPhoto(cutoutPhoto(QSize(300, 200), QRect(10, 10, 50, 150), kBlue));
  EXPECT_EQ(only(), item);
  EXPECT_EQ(item->pixmap().size(), QSize(50, 150));
  EXPECT_EQ(controller()->rowCount(), 0);
  EXPECT_FALSE(controller()->data(controller()->index(0), Qt::DecorationRole).isValid());

  // With every instance deleted the next cut-out shows nowhere until a reset.
  controller()->setEditing(true);
  controller()->refreshSelectability();
  controller()->deleteCutOut();
  regenerateMask(cutoutPhoto(QSize(300, 200), QRect(20, 20, 60, 60), kRed));
  EXPECT_TRUE(controller()->instances().isEmpty());
  EXPECT_TRUE(hub()->layers().cutout.isNull());
  hub()->reset();
  EXPECT_EQ(controller()->currentRecord(), nullptr);
  regenerateMask(cutoutPhoto(QSize(300, 200), QRect(20, 20, 60, 60), kRed));
  EXPECT_EQ(controller()->instances().size(), 1);
}

TEST_F(Cutouts, OnTheEffectsTabTheFlattenedLayerShowsInstead) {
  openRedBox();
  controller()->setEditing(true);
  controller()->refreshSelectability();
  CutoutInstanceItem* item = only();
  ASSERT_TRUE(item->scaleHandle()->isVisible());
  const QImage sent = hub()->layers().cutout;

  view->viewTabChangedSlot(ImageView::AddEffects);
  EXPECT_FALSE(item->isVisible());
  EXPECT_FALSE(item->scaleHandle()->isVisible());
  EXPECT_TRUE(controller()->layerItem()->isVisible());
  QImage highlighted(sent.size(), QImage::Format_ARGB32);
  highlighted.fill(Qt::yellow);
  controller()->imageProcessed(highlighted);
  EXPECT_EQ(controller()->layerItem()->pixmap().toImage().pixel(5, 5), QColor(Qt::yellow).rgb());
  EXPECT_EQ(hub()->layers().cutout, sent);

  view->viewTabChangedSlot(ImageView::ComposePicture);
  EXPECT_TRUE(item->isVisible());
  EXPECT_TRUE(item->isSelected());
  EXPECT_TRUE(item->scaleHandle()->isVisible());
  EXPECT_FALSE(controller()->layerItem()->isVisible());
}

TEST_F(Cutouts, AnEmptyOrInvalidCanvasSendsOnlyNullLayers) {
  for (const QRect& canvas : {QRect(), QRect(0, 0, 0, 0), QRect(5, 5, 0, 10)}) {
    hub()->setCanvasRect(canvas);
    QSignalSpy generated(controller(), &CutoutController::generatedImageChanged);
    if (!model()->segImage()) openRedBox();
    regenerateMask(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), kRed));
    controller()->setEditing(true);
    controller()->cloneCutOut();
    for (CutoutInstanceItem* item : controller()->instances()) {
      item->scaleDrag(QPointF(1e9, 1e9), Qt::NoModifier);
      EXPECT_TRUE(finite(item->transform()));
    }
    controller()->regenerateLayer();
    for (const QList<QVariant>& signal : generated)
      EXPECT_TRUE(signal.at(0).value<QImage>().isNull());
    hub()->reset();
  }
  // A photo without any opaque pixel gives an instance without a pixmap.
  hub()->setCanvasRect(QRect(0, 0, 400, 300));
  QImage clear(QSize(200, 100), QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  regenerateMask(clear);
  ASSERT_NE(only(), nullptr);
  EXPECT_TRUE(only()->pixmap().isNull());
  EXPECT_TRUE(hub()->layers().cutout.isNull());
}

// The scene and the controller go in either order without a double delete (the sanitizer run
// checks what this cannot see).
TEST_F(Cutouts, SceneAndControllerTearDownInEitherOrder) {
  for (bool sceneFirst : {true, false}) {
    auto* scene = new ItemScene;
    auto* cutouts = new CutoutController(scene);
    if (!model()->segImage()) openRedBox();
    cutouts->currentCutoutChangedSlot();
    cutouts->setEditing(true);
    cutouts->cloneCutOut();
    ASSERT_EQ(cutouts->instances().size(), 2);
    if (sceneFirst) {
      delete scene;
      EXPECT_TRUE(cutouts->instances().isEmpty());
      EXPECT_EQ(cutouts->layerItem(), nullptr);
      delete cutouts;
    } else {
      delete cutouts;
      EXPECT_TRUE(scene->items().isEmpty());
      delete scene;
    }
  }
  // The view's own controller became the process-wide one again only while it lived.
  EXPECT_EQ(CutoutController::instance(), nullptr);
}

}  // namespace
