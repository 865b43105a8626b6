// The select tool's six commands as the user reaches them: the buttons of its option page, the
// context menu over an instance and the Delete key, on a canvas of two instances, down to the
// final picture.

#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QToolButton>

#include "composition/ZarvoPanTool.h"
#include "composition/ZarvoSelectTool.h"
#include "support/CanvasFixture.h"

using namespace composition_test;

namespace {

const QRgb kRed = qRgb(200, 20, 20);

bool isRed(QRgb pixel) {
  return qRed(pixel) > 150 && qGreen(pixel) < 80 && qBlue(pixel) < 80;
}

class SelectCommands : public CanvasFixture {
 protected:
  void SetUp() override {
    CanvasFixture::SetUp();
    openPhoto(cutoutPhoto(QSize(200, 100), QRect(50, 20, 100, 60), kRed));
    select = keep(new ZarvoSelectTool(view.get()));
    pan = keep(new ZarvoPanTool(view.get()));
    // Shown on its own, as no options panel is here; the tool deletes it.
    page = select->optionPage();
    page->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(page));
    showView();
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    select->installSlot();
    // Two instances: the clone in front, 10 units right of and below the first.
    select->cloneAction()->trigger();
    ASSERT_EQ(controller()->instances().size(), 2);
    ASSERT_TRUE(pictureShowsRedAt(onlyOn(instances().at(0), instances().at(1)), true));
  }
  void TearDown() override {
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    CanvasFixture::TearDown();
  }

  QList<CutoutInstanceItem*> instances() const { return controller()->instances(); }
  // Whether the final picture comes to show (or not show) the cut-out's red at `point`, the
  // instances' own notifications and the rebuild run.
  static bool pictureShowsRedAt(QPoint point, bool red) {
    return zarvo_test::waitFor([&] {
      if (hub()->rebuildPending() || hub()->processor()->isRunning()) return false;
      const QImage picture = hub()->finalPixmap().toImage();
      return picture.valid(point) && isRed(picture.pixel(point)) == red;
    });
  }
  // A canvas point inside `inside` and outside `outside` (both canvas instances).
  static QPoint onlyOn(const CutoutInstanceItem* inside, const CutoutInstanceItem* outside) {
    const QRectF in = inside->sceneBoundingRect();
    const QRectF out = outside->sceneBoundingRect();
    // Clear of the edges' smoothing; the instances lie 10 units apart.
    const QPointF corner =
        in.left() > out.left() ? in.bottomRight() - QPointF(5, 5) : in.topLeft() + QPointF(5, 5);
    EXPECT_TRUE(in.contains(corner) && !out.contains(corner));
    return corner.toPoint();
  }
  // The option page's button for `action`.
  QToolButton* button(QAction* action) const {
    for (QToolButton* b : page->findChildren<QToolButton*>())
      if (b->defaultAction() == action) return b;
    return nullptr;
  }
  // Right-clicks `scenePoint` on the view: the menu that opened, or null.
  QMenu* contextMenuAt(const QPoint& scenePoint) {
    const QPoint at = view->mapFromScene(scenePoint);
    QContextMenuEvent request(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &request);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }
  void clickMenuEntry(QMenu* menu, QAction* action) {
    ASSERT_TRUE(menu->actions().contains(action)) << action->text().toStdString();
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
  }

  ZarvoSelectTool* select = nullptr;
  ZarvoPanTool* pan = nullptr;
  QWidget* page = nullptr;
};

enum class Way { Button, Menu, Key };
enum class Command { BringToFront, MoveForward, MoveBackward, MoveToBack, Clone, Delete };

struct CommandRow {
  const char* name;
  Command command;
  Way way;
  int selected;            // index of the instance the command works on
  std::vector<int> order;  // the instances afterwards, by their index before; -1 a new one
};

class EveryWay : public SelectCommands, public ::testing::WithParamInterface<CommandRow> {
 protected:
  QAction* actionOf(Command command) const {
    switch (command) {
      case Command::BringToFront:
        return select->bringToFrontAction();
      case Command::MoveForward:
        return select->moveForwardAction();
      case Command::MoveBackward:
        return select->moveBackwardAction();
      case Command::MoveToBack:
        return select->moveToBackAction();
      case Command::Clone:
        return select->cloneAction();
      case Command::Delete:
        return select->deleteAction();
    }
    return nullptr;
  }
};

TEST_P(EveryWay, ChangesTheStackOrTheListAndTheNextPicture) {
  const CommandRow& row = GetParam();
  const QList<CutoutInstanceItem*> before = instances();
  CutoutInstanceItem* target = before.at(row.selected);
  CutoutInstanceItem* other = before.at(1 - row.selected);
  const QPoint targetOnly = onlyOn(target, other);
  // Where a clone of the front instance alone lies: the clones go 10 units right and down.
  const QPoint cloneCorner = (target->sceneBoundingRect().bottomRight() + QPointF(5, 5)).toPoint();
  ASSERT_TRUE(pictureShowsRedAt(targetOnly, true));
  if (row.command == Command::Clone) {
    ASSERT_TRUE(pictureShowsRedAt(cloneCorner, false));
  }

  QAction* action = actionOf(row.command);
  switch (row.way) {
    case Way::Button:
      view->itemScene()->clearSelection();
      target->setSelected(true);
      ASSERT_NE(button(action), nullptr);
      ASSERT_TRUE(button(action)->isEnabled());
      QTest::mouseClick(button(action), Qt::LeftButton);
      break;
    case Way::Menu: {
      // The right-click itself selects the instance under the pointer.
      view->itemScene()->clearSelection();
      QMenu* menu = contextMenuAt(targetOnly);
      ASSERT_NE(menu, nullptr);
      EXPECT_EQ(controller()->selectedInstance(), target);
      clickMenuEntry(menu, action);
      break;
    }
    case Way::Key:
      view->itemScene()->clearSelection();
      target->setSelected(true);
      QTest::keyClick(view.get(), Qt::Key_Delete);
      break;
  }

  QList<CutoutInstanceItem*> expected;
  for (int index : row.order)
    expected << (index < 0 ? instances().value(expected.size()) : before.at(index));
  ASSERT_EQ(instances(), expected);
  // Front to back: falling z values.
  for (int i = 1; i < instances().size(); ++i)
    EXPECT_GT(instances().at(i - 1)->zValue(), instances().at(i)->zValue());
  switch (row.command) {
    case Command::Delete:
      EXPECT_EQ(controller()->selectedInstance(), nullptr);
      EXPECT_TRUE(pictureShowsRedAt(targetOnly, false)) << "the deleted instance is gone";
      break;
    case Command::Clone:
      EXPECT_EQ(instances().first()->pos(), target->pos() + QPointF(10, 10));
      EXPECT_EQ(controller()->selectedInstance(), instances().first());
      EXPECT_TRUE(pictureShowsRedAt(cloneCorner, true)) << "the clone shows";
      break;
    default:
      EXPECT_EQ(controller()->selectedInstance(), target);
      EXPECT_TRUE(pictureShowsRedAt(targetOnly, true));
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, EveryWay,
    ::testing::Values(
        CommandRow{"BringBackOneToFrontByButton", Command::BringToFront, Way::Button, 1, {1, 0}},
        CommandRow{"BringBackOneToFrontByMenu", Command::BringToFront, Way::Menu, 1, {1, 0}},
        CommandRow{"MoveBackOneForwardByButton", Command::MoveForward, Way::Button, 1, {1, 0}},
        CommandRow{"MoveBackOneForwardByMenu", Command::MoveForward, Way::Menu, 1, {1, 0}},
        CommandRow{"MoveFrontOneBackwardByButton", Command::MoveBackward, Way::Button, 0, {1, 0}},
        CommandRow{"MoveFrontOneBackwardByMenu", Command::MoveBackward, Way::Menu, 0, {1, 0}},
        CommandRow{"MoveFrontOneToBackByButton", Command::MoveToBack, Way::Button, 0, {1, 0}},
        CommandRow{"MoveFrontOneToBackByMenu", Command::MoveToBack, Way::Menu, 0, {1, 0}},
        CommandRow{"CloneFrontOneByButton", Command::Clone, Way::Button, 0, {-1, 0, 1}},
        CommandRow{"CloneFrontOneByMenu", Command::Clone, Way::Menu, 0, {-1, 0, 1}},
        CommandRow{"DeleteFrontOneByButton", Command::Delete, Way::Button, 0, {1}},
        CommandRow{"DeleteBackOneByMenu", Command::Delete, Way::Menu, 1, {0}},
        CommandRow{"DeleteFrontOneByKey", Command::Delete, Way::Key, 0, {1}}),
    [](const ::testing::TestParamInfo<CommandRow>& info) { return std::string(info.param.name); });

TEST_F(SelectCommands, ThePageAndTheMenuOfferTheSixWithThePartsEnabledness) {
  const QStringList texts = {"Bring to front", "Move forward", "Move backward",
                             "Move to back",   "Clone",        "Delete"};
  QStringList shown;
  for (QToolButton* b : page->findChildren<QToolButton*>()) shown << b->text();
  EXPECT_EQ(shown, texts);
  QMenu* menu = contextMenuAt(onlyOn(instances().at(1), instances().at(0)));
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(controller()->selectedInstance(), instances().at(1));
  shown.clear();
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) shown << action->text();
  EXPECT_EQ(shown, texts);
  menu->close();

  // Nothing selected: only the two single steps stay enabled, which then do nothing.
  view->itemScene()->clearSelection();
  for (QAction* action : {select->bringToFrontAction(), select->moveToBackAction(),
                          select->cloneAction(), select->deleteAction()})
    EXPECT_FALSE(button(action)->isEnabled()) << action->text().toStdString();
  const QList<CutoutInstanceItem*> before = instances();
  for (QAction* action : {select->moveForwardAction(), select->moveBackwardAction()}) {
    ASSERT_TRUE(button(action)->isEnabled());
    QTest::mouseClick(button(action), Qt::LeftButton);
  }
  QTest::keyClick(view.get(), Qt::Key_Delete);
  EXPECT_EQ(instances(), before);
}

TEST_F(SelectCommands, ARightClickWhereTwoOverlapSelectsTheFrontOne) {
  // Each of the two in front in turn, so that neither order nor age decides.
  for (int turn = 0; turn < 2; ++turn) {
    const QRectF both =
        instances().at(0)->sceneBoundingRect() & instances().at(1)->sceneBoundingRect();
    view->itemScene()->clearSelection();
    QMenu* menu = contextMenuAt(both.center().toPoint());
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(controller()->selectedInstance(), instances().first()) << "turn " << turn;
    clickMenuEntry(menu, select->moveToBackAction());
  }
}

TEST_F(SelectCommands, NoMenuOffTheInstancesAndNoneForAnotherTool) {
  EXPECT_EQ(contextMenuAt(QPoint(5, 5)), nullptr) << "the canvas corner holds no instance";
  pan->installSlot();
  EXPECT_EQ(contextMenuAt(instances().first()->sceneBoundingRect().center().toPoint()), nullptr);
}

TEST_F(SelectCommands, TheDeleteKeyBelongsToTheSelectToolAlone) {
  // Another tool current: the remembered instance stays.
  pan->installSlot();
  ASSERT_NE(controller()->selectedInstance(), nullptr);
  QTest::keyClick(view.get(), Qt::Key_Delete);
  EXPECT_EQ(instances().size(), 2);
  EXPECT_TRUE(select->deleteAction()->shortcut().isEmpty());

  select->installSlot();
  EXPECT_EQ(select->deleteAction()->shortcut(), QKeySequence(Qt::Key_Delete));
  QTest::keyClick(view.get(), Qt::Key_Delete);
  EXPECT_EQ(instances().size(), 1);
}

}  // namespace
