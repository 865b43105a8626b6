// Sub-windows: visibility by wish, suppression and view tab; closing by the frame; floating and
// docking with the floating geometry kept; the state bytes and hostile ones; the dock that
// follows its windows and widens itself in its splitter; keys; the title bar.

#include <QLabel>
#include <QSignalSpy>
#include <QSplitter>

#include "WorkspaceTestSupport.h"
#include "document/RectRegion.h"
#include "workspace/FakeDock.h"
#include "workspace/GmSubWindow.h"
#include "workspace/TitleButton.h"
#include "workspace/TitleWidget.h"

namespace {

class PlainWindow : public GmSubWindow {
 public:
  PlainWindow(QWidget* parent, int tabs = 63, QWidget* menu = nullptr,
              const QString& shortcut = QString())
      : GmSubWindow("Plain", "Plain Window", menu, shortcut, parent), tabs(tabs) {
    auto* content = new QLabel("content");
    content->setMinimumSize(120, 60);
    setContentWidget(content);
  }
  bool visibleByDefault() const override { return false; }
  ImageView::ViewTabs viewTabs() const override { return ImageView::ViewTabs(QFlag(tabs)); }
  int tabs;
};

// A main window of the shape the shell builds: a pane and the dock side by side in a splitter.
class SubWindowTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    main = std::make_unique<QWidget>();
    splitter = new QSplitter(main.get());
    pane = new QWidget;
    pane->setMinimumWidth(300);
    dock = new FakeDock;
    splitter->addWidget(pane);
    splitter->addWidget(dock);
    splitter->setGeometry(0, 0, 900, 600);
    main->resize(900, 600);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  }
  void TearDown() override {
    main.reset();
    DocumentTest::TearDown();
  }
  PlainWindow* window(int tabs = 63) {
    auto* made = new PlainWindow(main.get(), tabs);
    made->setDock(dock);
    return made;
  }
  // Floating at `geometry`, shown.
  PlainWindow* floatingAt(const QRect& geometry) {
    PlainWindow* made = window();
    made->setWantedVisible(true);
    made->setGeometry(geometry);
    QApplication::processEvents();
    return made;
  }

  std::unique_ptr<QWidget> main;
  QSplitter* splitter = nullptr;
  QWidget* pane = nullptr;
  FakeDock* dock = nullptr;
};

TEST_F(SubWindowTest, AWindowOutsideTheTabHidesAndDisablesItsActionUntilTheTabComesBack) {
  PlainWindow* plain = window(ImageView::DeleteBackground);
  plain->setFloating(false);
  plain->setWantedVisible(true);
  ASSERT_TRUE(plain->isVisible());
  EXPECT_TRUE(plain->toggleAction()->isChecked());

  plain->viewTabChangedSlot(ImageView::ComposePicture);
  EXPECT_FALSE(plain->isVisible());
  EXPECT_FALSE(plain->toggleAction()->isEnabled());
  EXPECT_FALSE(plain->toggleAction()->isChecked());
  EXPECT_TRUE(plain->wantedVisible());

  plain->viewTabChangedSlot(ImageView::DeleteBackground);
  EXPECT_TRUE(plain->isVisible());
  EXPECT_TRUE(plain->toggleAction()->isEnabled());
  EXPECT_TRUE(plain->toggleAction()->isChecked());
}

TEST_F(SubWindowTest, ASuppressedWindowStaysHiddenUntilTheUserAsksForIt) {
  for (bool byUserShow : {true, false}) {
    SCOPED_TRACE(byUserShow ? "userShow" : "setWantedVisible");
    PlainWindow* plain = window();
    plain->setFloating(false);
    plain->setWantedVisible(true);
    plain->setSuppressed(true);
    EXPECT_FALSE(plain->isVisible());
    plain->viewTabChangedSlot(ImageView::DeleteBackground);
    plain->updateVisibility();
    EXPECT_FALSE(plain->isVisible());
    if (byUserShow)
      plain->userShow();
    else
      plain->setWantedVisible(true);
    EXPECT_TRUE(plain->isVisible());
    delete plain;
  }
}

TEST_F(SubWindowTest, ClosingAFloatingWindowByItsFrameClearsTheWishAndUnchecksTheAction) {
  PlainWindow* plain = floatingAt(QRect(40, 40, 200, 150));
  ASSERT_TRUE(plain->isWindow());
  ASSERT_TRUE(plain->toggleAction()->isChecked());
  QSignalSpy changes(plain, &GmSubWindow::visibilityChanged);
  EXPECT_TRUE(plain->close());
  EXPECT_FALSE(plain->isVisible());
  EXPECT_FALSE(plain->wantedVisible());
  EXPECT_TRUE(plain->closed());
  EXPECT_FALSE(plain->toggleAction()->isChecked());
  EXPECT_GE(changes.count(), 1);
  // The action shows it again, as the user's wish.
  plain->toggleAction()->trigger();
  EXPECT_TRUE(plain->isVisible());
  EXPECT_FALSE(plain->closed());
  EXPECT_TRUE(plain->wantedVisible());
}

TEST_F(SubWindowTest, FloatingAgainAfterDockingRestoresTheFloatingGeometry) {
  PlainWindow* plain = floatingAt(QRect(60, 70, 260, 180));
  plain->setResizable(true);
  const QRect floating = plain->geometry();
  const QByteArray taken = plain->saveGeometry();

  plain->setFloating(false);
  EXPECT_FALSE(plain->isWindow());
  EXPECT_EQ(plain->parentWidget(), dock);
  EXPECT_TRUE(plain->titleWidget()->isVisible());
  EXPECT_EQ(plain->savedGeometry(), taken);

  plain->setFloating(true);
  EXPECT_TRUE(plain->isWindow());
  EXPECT_EQ(plain->parentWidget(), main.get());
  EXPECT_FALSE(plain->titleWidget()->isVisibleTo(plain));
  EXPECT_EQ(plain->geometry(), floating);
  EXPECT_TRUE(plain->isVisible());
}

TEST_F(SubWindowTest, AHiddenDockedWindowSavesZeroAndItsLastFloatingGeometry) {
  PlainWindow* plain = floatingAt(QRect(30, 30, 220, 160));
  const QByteArray taken = plain->saveGeometry();
  plain->setFloating(false);
  plain->closeViewSlot();
  EXPECT_FALSE(plain->isVisible());
  EXPECT_EQ(plain->saveState(), QByteArray(1, '\0') + taken);

  // A docked window never asked to float saves only its wish.
  PlainWindow* fresh = window();
  fresh->setSavedGeometry(QByteArray());
  fresh->setFloating(false, true);
  fresh->setWantedVisible(true);
  EXPECT_EQ(fresh->saveState(), QByteArray(1, '\1'));
}

TEST_F(SubWindowTest, AWindowWithoutADockNeverDocks) {
  auto* loose = new PlainWindow(main.get());
  loose->setWantedVisible(true);
  loose->setFloating(false);
  EXPECT_TRUE(loose->isWindow());
  EXPECT_TRUE(loose->isVisible());
}

struct StateRow {
  const char* name;
  QByteArray bytes;
  bool accepted;
};

TEST_F(SubWindowTest, RestoreStateTakesOnlyWhatSaveStateWrites) {
  PlainWindow* source = floatingAt(QRect(50, 60, 240, 170));
  const QByteArray saved = source->saveState();
  const QByteArray geometry = saved.mid(1);
  QByteArray badMagic = geometry;
  badMagic[0] = char(0x7f);
  QByteArray badVersion = geometry;
  badVersion[5] = 9;
  const std::vector<StateRow> rows = {
      {"empty", QByteArray(), false},
      {"flag out of range", QByteArray(1, '\2') + geometry, false},
      {"garbage tail", QByteArray(1, '\1') + QByteArray("not a geometry at all, no magic here"),
       false},
      {"truncated geometry", QByteArray(1, '\1') + geometry.left(20), false},
      {"foreign magic", QByteArray(1, '\1') + badMagic, false},
      {"unknown version", QByteArray(1, '\1') + badVersion, false},
      {"wish alone", QByteArray(1, '\0'), true},
      {"saved state", saved, true},
  };
  for (const StateRow& row : rows) {
    SCOPED_TRACE(row.name);
    PlainWindow* target = window();
    target->setFloating(false);
    target->setWantedVisible(true);
    target->setSavedGeometry("before");
    EXPECT_EQ(target->restoreState(row.bytes), row.accepted);
    if (row.accepted) {
      EXPECT_EQ(target->wantedVisible(), row.bytes.at(0) == '\1');
      EXPECT_EQ(target->isVisible(), target->wantedVisible());
      EXPECT_EQ(target->saveState(), row.bytes);
    } else {
      EXPECT_TRUE(target->wantedVisible());
      EXPECT_TRUE(target->isVisible());
      EXPECT_EQ(target->savedGeometry(), QByteArray("before"));
    }
    delete target;
  }
}

TEST_F(SubWindowTest, TheDockShowsAndHidesWithItsWindows) {
  PlainWindow* first = window();
  PlainWindow* second = window();
  for (PlainWindow* plain : {first, second}) {
    plain->setFloating(false);
    plain->setWantedVisible(true);
  }
  EXPECT_TRUE(dock->isVisible());
  first->closeViewSlot();
  EXPECT_TRUE(dock->isVisible());
  second->closeViewSlot();
  EXPECT_FALSE(dock->isVisible());
  second->userShow();
  EXPECT_TRUE(dock->isVisible());
  EXPECT_TRUE(second->isVisible());

  // The last window leaving the dock hides it; docking again shows it.
  first->setFloating(true);
  second->setFloating(true);
  EXPECT_FALSE(dock->isVisible());
  second->setFloating(false);
  EXPECT_TRUE(dock->isVisible());
  EXPECT_TRUE(second->isVisible());
}

TEST_F(SubWindowTest, TheDockWidensToItsWindowsTakingNoMoreThanTheFirstPaneCanGive) {
  PlainWindow* plain = window();
  plain->setFloating(false);
  plain->setWantedVisible(true);
  QApplication::processEvents();
  struct Row {
    const char* name;
    int paneRoom;  // above the pane's minimum
  };
  for (const Row& row : {Row{"room enough", 400}, Row{"some room", 30}, Row{"no room", 0}}) {
    SCOPED_TRACE(row.name);
    splitter->setSizes({700, 196});
    QApplication::processEvents();
    const QList<int> before = splitter->sizes();
    pane->setMinimumWidth(before.at(0) - row.paneRoom);
    // The window's content grows wider than the dock; the dock learns of it at once.
    plain->contentWidget()->setMinimumWidth(before.at(1) + 100);
    const int shortfall = plain->minimumSizeHint().width() - dock->width();
    ASSERT_GT(shortfall, 0);
    dock->childVisibilityChanged();
    const QList<int> after = splitter->sizes();
    EXPECT_EQ(before.at(0) - after.at(0), std::min(shortfall, row.paneRoom));
    EXPECT_EQ(after.at(1) - before.at(1), before.at(0) - after.at(0));
    plain->contentWidget()->setMinimumWidth(120);
    pane->setMinimumWidth(0);
  }
}

TEST_F(SubWindowTest, EscapeIsReportedAndBackspaceDeletesTheActivePatch) {
  useImage(QSize(80, 60), 1);
  GmModel* model = GmModel::instance();
  auto* patch = new RectRegion(QRectF(10, 10, 20, 20));
  model->addPatch(patch);
  model->setActiveRegion(patch);
  PlainWindow* plain = floatingAt(QRect(20, 20, 200, 120));
  int escapes = 0;
  QObject::connect(plain, &GmSubWindow::escapeKeyPressed, [&](QKeyEvent* event) {
    EXPECT_EQ(event->key(), Qt::Key_Escape);
    ++escapes;
  });

  QTest::keyClick(plain, Qt::Key_Escape);
  EXPECT_EQ(escapes, 1);
  EXPECT_EQ(model->patches().size(), 1);

  QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(plain, &other);
  EXPECT_FALSE(other.isAccepted());

  QTest::keyClick(plain, Qt::Key_Backspace);
  EXPECT_TRUE(model->patches().isEmpty());
  EXPECT_EQ(model->activeRegion(), nullptr);
  // Nothing left to delete: nothing happens.
  QTest::keyClick(plain, Qt::Key_Backspace);
  EXPECT_EQ(escapes, 1);
}

TEST_F(SubWindowTest, TheDockedTitleBarShowsTheTitleInWhiteOnBlue) {
  QWidget menu;
  auto* plain = new PlainWindow(main.get(), 63, &menu, "Ctrl+T");
  plain->setDock(dock);
  EXPECT_TRUE(menu.actions().contains(plain->toggleAction()));
  EXPECT_EQ(plain->toggleAction()->shortcut(), QKeySequence("Ctrl+T"));
  EXPECT_EQ(plain->toolTip(), QString("Plain Window (Ctrl+T)"));
  EXPECT_EQ(plain->toggleAction()->toolTip(), QString("Plain Window (Ctrl+T)"));
  EXPECT_EQ(plain->objectName(), QString("DockWidget: Plain"));

  plain->setFloating(false);
  plain->setWantedVisible(true);
  plain->setWindowTitle("Renamed");
  EXPECT_EQ(plain->toggleAction()->text(), QString("Renamed"));
  TitleWidget* bar = plain->titleWidget();
  EXPECT_EQ(bar->label()->text(), QString("Renamed"));
  ASSERT_TRUE(bar->isVisible());
  const QImage pixels = bar->grab().toImage();
  EXPECT_EQ(QColor(pixels.pixel(1, 1)), QColor(0, 189, 242));
  // Some of the title is white.
  const QImage label = bar->label()->grab().toImage();
  bool white = false;
  for (int y = 0; y < label.height() && !white; ++y)
    for (int x = 0; x < label.width() && !white; ++x)
      white = label.pixel(x, y) == qRgb(255, 255, 255);
  EXPECT_TRUE(white);

  // The close button closes the docked window and the dock with it.
  bar->closeButton()->click();
  EXPECT_FALSE(plain->isVisible());
  EXPECT_FALSE(plain->wantedVisible());
  EXPECT_FALSE(dock->isVisible());
}

}  // namespace
