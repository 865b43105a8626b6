// Sub-windows: visibility by wish, suppression and view tab; closing by the frame; the floating
// geometry across docking and in the state bytes, hostile ones refused; the dock that follows
// its windows and widens only as far as the pane beside it allows; keys; the title bar.

#include <QLabel>
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
  PlainWindow(QWidget* parent, int tabs, QWidget* menu = nullptr, const QString& keys = QString())
      : GmSubWindow("Plain", "Plain Window", menu, keys, parent), tabs(tabs) {
    setContentWidget(new QLabel("content"));
    contentWidget()->setMinimumSize(120, 60);
  }
  bool visibleByDefault() const override { return false; }
  ImageView::ViewTabs viewTabs() const override { return ImageView::ViewTabs(QFlag(tabs)); }
  int tabs;
};

// A pane and the dock side by side in a splitter, as the shell lays them out.
class SubWindowTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    main = std::make_unique<QWidget>();
    splitter = new QSplitter(main.get());
    pane = new QWidget;
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
  PlainWindow* docked(int tabs = 63) {
    auto* made = new PlainWindow(main.get(), tabs);
    made->setDock(dock);
    made->setFloating(false);
    made->setWantedVisible(true);
    return made;
  }
  PlainWindow* floatingAt(const QRect& geometry) {
    auto* made = new PlainWindow(main.get(), 63);
    made->setDock(dock);
    made->setWantedVisible(true);
    made->setGeometry(geometry);
    return made;
  }

  std::unique_ptr<QWidget> main;
  QSplitter* splitter = nullptr;
  QWidget* pane = nullptr;
  FakeDock* dock = nullptr;
};

TEST_F(SubWindowTest, ShownByWishAndTabUnlessSuppressed) {
  PlainWindow* plain = docked(ImageView::DeleteBackground);
  EXPECT_TRUE(plain->isVisible() && plain->toggleAction()->isChecked());
  plain->viewTabChangedSlot(ImageView::ComposePicture);
  EXPECT_FALSE(plain->isVisible() || plain->toggleAction()->isEnabled());
  plain->viewTabChangedSlot(ImageView::DeleteBackground);
  EXPECT_TRUE(plain->isVisible() && plain->toggleAction()->isChecked());

  for (bool byUserShow : {true, false}) {
    plain->setSuppressed(true);
    plain->updateVisibility();
    EXPECT_FALSE(plain->isVisible());
    byUserShow ? plain->userShow() : plain->setWantedVisible(true);
    EXPECT_TRUE(plain->isVisible()) << byUserShow;
  }
}

TEST_F(SubWindowTest, ClosingAFloatingWindowByItsFrameClearsTheWish) {
  PlainWindow* plain = floatingAt(QRect(40, 40, 200, 150));
  ASSERT_TRUE(plain->isWindow() && plain->toggleAction()->isChecked());
  EXPECT_TRUE(plain->close());
  EXPECT_FALSE(plain->isVisible() || plain->wantedVisible() || plain->toggleAction()->isChecked());
  EXPECT_TRUE(plain->closed());
  plain->toggleAction()->trigger();
  EXPECT_TRUE(plain->isVisible() && plain->wantedVisible() && !plain->closed());
}

TEST_F(SubWindowTest, TheFloatingGeometrySurvivesDockingAndGoesIntoTheState) {
  PlainWindow* plain = floatingAt(QRect(60, 70, 260, 180));
  plain->setResizable(true);
  const QRect floating = plain->geometry();
  const QByteArray taken = plain->saveGeometry();
  plain->setFloating(false);
  EXPECT_EQ(plain->parentWidget(), dock);
  EXPECT_TRUE(plain->titleWidget()->isVisible());
  plain->closeViewSlot();
  EXPECT_EQ(plain->saveState(), QByteArray(1, '\0') + taken);

  plain->setWantedVisible(true);
  plain->setFloating(true);
  EXPECT_TRUE(plain->isWindow() && plain->isVisible());
  EXPECT_EQ(plain->geometry(), floating);

  // Without a dock there is no docking.
  auto* loose = new PlainWindow(main.get(), 63);
  loose->setFloating(false);
  EXPECT_TRUE(loose->isWindow());
}

TEST_F(SubWindowTest, RestoreStateTakesOnlyWhatSaveStateWrites) {
  const QByteArray saved = floatingAt(QRect(50, 60, 240, 170))->saveState();
  const QByteArray geometry = saved.mid(1);
  QByteArray badMagic = geometry, badVersion = geometry;
  badMagic[0] = char(0x7f);
  badVersion[5] = 9;
  const QByteArray yes(1, '\1');
  struct Row {
    const char* name;
    QByteArray bytes;
    bool accepted;
  };
  for (const Row& row :
       {Row{"empty", QByteArray(), false}, Row{"flag 2", QByteArray(1, '\2') + geometry, false},
        Row{"garbage tail", yes + "no geometry here, none at all, really not", false},
        Row{"truncated", yes + geometry.left(20), false}, Row{"magic", yes + badMagic, false},
        Row{"version", yes + badVersion, false}, Row{"wish alone", QByteArray(1, '\0'), true},
        Row{"saved state", saved, true}}) {
    SCOPED_TRACE(row.name);
    PlainWindow* target = docked();
    target->setSavedGeometry("before");
    EXPECT_EQ(target->restoreState(row.bytes), row.accepted);
    EXPECT_EQ(target->saveState(), row.accepted ? row.bytes : yes + "before");
    EXPECT_EQ(target->isVisible(), target->wantedVisible());
    delete target;
  }
}

TEST_F(SubWindowTest, TheDockShowsAndHidesWithItsWindows) {
  PlainWindow* first = docked();
  PlainWindow* second = docked();
  first->closeViewSlot();
  EXPECT_TRUE(dock->isVisible());
  second->closeViewSlot();
  EXPECT_FALSE(dock->isVisible());
  second->userShow();
  EXPECT_TRUE(dock->isVisible() && second->isVisible());
  first->setFloating(true);
  second->setFloating(true);
  EXPECT_FALSE(dock->isVisible());
  second->setFloating(false);
  EXPECT_TRUE(dock->isVisible() && second->isVisible());
}

TEST_F(SubWindowTest, TheDockWidensNoFurtherThanThePaneBesideItCanGive) {
  PlainWindow* plain = docked();
  QApplication::processEvents();
  for (int paneRoom : {400, 30, 0}) {
    splitter->setSizes({700, 196});
    QApplication::processEvents();
    const QList<int> before = splitter->sizes();
    pane->setMinimumWidth(before.at(0) - paneRoom);
    plain->contentWidget()->setMinimumWidth(before.at(1) + 100);
    const int shortfall = plain->minimumSizeHint().width() - dock->width();
    ASSERT_GT(shortfall, 0);
    dock->childVisibilityChanged();
    const QList<int> after = splitter->sizes();
    EXPECT_EQ(before.at(0) - after.at(0), std::min(shortfall, paneRoom)) << paneRoom;
    EXPECT_EQ(after.at(1) - before.at(1), before.at(0) - after.at(0));
    plain->contentWidget()->setMinimumWidth(120);
    pane->setMinimumWidth(0);
  }
}

TEST_F(SubWindowTest, EscapeIsReportedAndBackspaceDeletesTheActivePatch) {
  GmModel* model = useImage(QSize(80, 60), 1);
  auto* patch = new RectRegion(QRectF(10, 10, 20, 20));
  model->addPatch(patch);
  model->setActiveRegion(patch);
  PlainWindow* plain = floatingAt(QRect(20, 20, 200, 120));
  int escapes = 0;
  QObject::connect(plain, &GmSubWindow::escapeKeyPressed, [&](QKeyEvent*) { ++escapes; });
  QTest::keyClick(plain, Qt::Key_Escape);
  EXPECT_EQ(escapes, 1);
  EXPECT_EQ(model->patches().size(), 1);
  QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(plain, &other);
  EXPECT_FALSE(other.isAccepted());
  QTest::keyClick(plain, Qt::Key_Backspace);
  EXPECT_TRUE(model->patches().isEmpty());
  QTest::keyClick(plain, Qt::Key_Backspace);
}

TEST_F(SubWindowTest, TheDockedTitleBarShowsTheTitleInWhiteOnBlue) {
  QWidget menu;
  auto* plain = new PlainWindow(main.get(), 63, &menu, "Ctrl+T");
  plain->setDock(dock);
  EXPECT_TRUE(menu.actions().contains(plain->toggleAction()));
  EXPECT_EQ(plain->toggleAction()->shortcut(), QKeySequence("Ctrl+T"));
  EXPECT_EQ(plain->toggleAction()->toolTip(), QString("Plain Window (Ctrl+T)"));
  plain->setFloating(false);
  plain->setWantedVisible(true);
  plain->setWindowTitle("Renamed");
  TitleWidget* bar = plain->titleWidget();
  EXPECT_EQ(plain->toggleAction()->text(), QString("Renamed"));
  EXPECT_EQ(bar->label()->text(), QString("Renamed"));
  EXPECT_EQ(QColor(bar->grab().toImage().pixel(1, 1)), QColor(0, 189, 242));
  const QImage label = bar->label()->grab().toImage();
  int white = 0;
  for (int y = 0; y < label.height(); ++y)
    for (int x = 0; x < label.width(); ++x) white += label.pixel(x, y) == qRgb(255, 255, 255);
  EXPECT_GT(white, 5);
  bar->closeButton()->click();
  EXPECT_FALSE(plain->isVisible() || plain->wantedVisible() || dock->isVisible());
}

}  // namespace
