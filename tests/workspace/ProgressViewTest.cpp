// The cut-out viewer: its three squares from the screen, the size buttons and a hand resize,
// the cut-out fitted into the view, and a new or closed photo emptying it.

#include <QAction>
#include <QGuiApplication>
#include <QScreen>

#include "WorkspaceTestSupport.h"
#include "workspace/ProgressView.h"
#include "workspace/ProgressWindow.h"

namespace {

class ProgressViewTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    window = std::make_unique<ProgressWindow>();
  }
  void TearDown() override {
    window.reset();
    DocumentTest::TearDown();
  }
  // A photo of `size` whose cut-out has just been made.
  void cutout(const QSize& size) {
    GmModel* model = useImage(size, 1);
    model->signalDirtyOutputImageSlot();
  }
  std::unique_ptr<ProgressWindow> window;
};

TEST_F(ProgressViewTest, TheSquaresFollowThePrimaryScreen) {
  const int available = QGuiApplication::primaryScreen()->availableGeometry().height();
  EXPECT_EQ(window->smallSide(), 150);
  EXPECT_EQ(window->largeSide(), int(std::lround(0.8 * available)));
  EXPECT_EQ(window->mediumSide(), int(std::lround((150 + window->largeSide()) / 2.0)));
  EXPECT_EQ(window->minimumSize(), QSize(150, 150));
  EXPECT_EQ(window->viewTabs(), ImageView::ViewTabs(ImageView::DeleteBackground));
  EXPECT_TRUE(window->smallAction()->isChecked());
  EXPECT_TRUE(window->whatsThis().startsWith("<p><b>Vuvidarir Viewer</b></p>"));
  EXPECT_TRUE(window->whatsThis().contains("deleting_backgrounds/vuvidarir_viewer.htm"));
}

TEST_F(ProgressViewTest, SizeButtonsMakeSquaresAndAHandResizeUnchecksThem) {
  window->setFloatingPosition(QPoint(30, 40));
  window->setWantedVisible(true);
  window->setGeometry(500, 100, 200, 200);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  struct Row {
    QAction* action;
    int side;
  };
  for (const Row& row : {Row{window->largeAction(), window->largeSide()},
                         Row{window->mediumAction(), window->mediumSide()}}) {
    const QRect before = window->geometry();
    row.action->trigger();
    EXPECT_EQ(window->geometry(),
              QRect(before.right() - row.side + 1, before.top(), row.side, row.side));
    for (QAction* action : {window->smallAction(), window->mediumAction(), window->largeAction()})
      EXPECT_EQ(action->isChecked(), action == row.action);
  }
  window->smallAction()->trigger();
  // The floating position is the frame's.
  EXPECT_EQ(window->pos(), QPoint(30, 40));
  EXPECT_EQ(window->size(), QSize(150, 150));
  EXPECT_TRUE(window->smallAction()->isChecked());

  for (const QSize& size : {QSize(200, 180), QSize(300, 300), QSize(151, 150)}) {
    window->resize(size);
    for (QAction* action : {window->smallAction(), window->mediumAction(), window->largeAction()})
      EXPECT_FALSE(action->isChecked()) << size.width() << "x" << size.height();
  }
  window->resize(window->mediumSide(), window->mediumSide());
  EXPECT_TRUE(window->mediumAction()->isChecked());
}

TEST_F(ProgressViewTest, TheCutOutIsFittedIntoTheViewAtItsTopLeft) {
  // On its own, so no layout changes its size.
  auto owned = std::make_unique<ProgressView>(window.get());
  ProgressView* view = owned.get();
  struct Row {
    const char* name;
    QSize photo;
    QRect drawn;
  };
  for (const Row& row : {Row{"wide: by width", QSize(400, 100), QRect(0, 0, 300, 75)},
                         Row{"tall: by height", QSize(100, 400), QRect(0, 0, 50, 200)},
                         Row{"small: enlarged to the view", QSize(30, 20), QRect(0, 0, 300, 200)},
                         Row{"rounded", QSize(333, 100), QRect(0, 0, 300, 90)}}) {
    SCOPED_TRACE(row.name);
    cutout(row.photo);
    view->resize(300, 200);
    EXPECT_EQ(window->cutoutSize(), row.photo);
    EXPECT_EQ(view->cutoutRect(), row.drawn);
    const QImage drawn = view->grab().toImage();
    EXPECT_EQ(QColor(drawn.pixel(row.drawn.center())), QColor(128, 128, 128));
    if (row.drawn.right() < 299) {
      EXPECT_NE(QColor(drawn.pixel(299, 100)), QColor(128, 128, 128));
    }
    if (row.drawn.bottom() < 199) {
      EXPECT_NE(QColor(drawn.pixel(150, 199)), QColor(128, 128, 128));
    }
  }
}

TEST_F(ProgressViewTest, ANewOrClosedPhotoEmptiesTheViewUntilTheNextCutOut) {
  ProgressView* view = window->view();
  view->resize(300, 200);
  window->setWantedVisible(true);
  window->resize(window->mediumSide(), window->mediumSide());
  cutout(QSize(400, 300));
  ASSERT_FALSE(view->cutout().isNull());
  GmModel* model = GmModel::instance();
  emit model->tellImageChanged(model->segImage());
  EXPECT_TRUE(view->cutout().isNull());
  EXPECT_TRUE(view->cutoutRect().isEmpty());
  model->signalDirtyOutputImageSlot();
  EXPECT_FALSE(view->cutout().isNull());

  // Closed: empty, and the window goes back to its small square.
  model->finish();
  EXPECT_TRUE(view->cutout().isNull());
  EXPECT_FALSE(window->cutoutSize().isValid() && !window->cutoutSize().isEmpty());
  EXPECT_EQ(window->size(), QSize(150, 150));
  EXPECT_TRUE(window->smallAction()->isChecked());
}

}  // namespace
