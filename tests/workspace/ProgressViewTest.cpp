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
  // After the fresh document, whose signals the view follows.
  void SetUp() override {
    DocumentTest::SetUp();
    window = std::make_unique<ProgressWindow>();
  }
  void TearDown() override {
    window.reset();
    DocumentTest::TearDown();
  }
  // A photo of `size` whose cut-out has just been made.
  static void cutout(const QSize& size) { useImage(size, 1)->signalDirtyOutputImageSlot(); }
  QList<QAction*> actions() const {
    return {window->smallAction(), window->mediumAction(), window->largeAction()};
  }

  std::unique_ptr<ProgressWindow> window;
};

TEST_F(ProgressViewTest, SizeButtonsMakeTheScreensSquaresAndAHandResizeUnchecksThem) {
  const int available = QGuiApplication::primaryScreen()->availableGeometry().height();
  const int large = int(std::lround(0.8 * available));
  EXPECT_EQ(window->largeSide(), large);
  EXPECT_EQ(window->mediumSide(), int(std::lround((150 + large) / 2.0)));
  window->setFloatingPosition(QPoint(30, 40));
  window->setWantedVisible(true);
  window->setGeometry(500, 100, 200, 200);
  for (QAction* action : {window->largeAction(), window->mediumAction()}) {
    const int side = action == window->largeAction() ? large : window->mediumSide();
    const QRect before = window->geometry();
    action->trigger();
    EXPECT_EQ(window->geometry(), QRect(before.right() - side + 1, before.top(), side, side));
    for (QAction* each : actions()) EXPECT_EQ(each->isChecked(), each == action);
  }
  window->smallAction()->trigger();
  EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(30, 40));
  EXPECT_EQ(window->size(), QSize(150, 150));
  for (const QSize& size : {QSize(200, 180), QSize(300, 300), QSize(151, 150)}) {
    window->resize(size);
    for (QAction* each : actions()) EXPECT_FALSE(each->isChecked()) << size.width();
  }
  window->resize(window->mediumSide(), window->mediumSide());
  EXPECT_TRUE(window->mediumAction()->isChecked());
}

TEST_F(ProgressViewTest, TheCutOutIsFittedIntoTheViewAtItsTopLeft) {
  ProgressView view(window.get());  // on its own, so no layout changes its size
  struct Row {
    QSize photo;
    QRect drawn;
  };
  for (const Row& row :
       {Row{QSize(400, 100), QRect(0, 0, 300, 75)}, Row{QSize(100, 400), QRect(0, 0, 50, 200)},
        Row{QSize(30, 20), QRect(0, 0, 300, 200)}, Row{QSize(333, 100), QRect(0, 0, 300, 90)}}) {
    cutout(row.photo);
    view.resize(300, 200);
    EXPECT_EQ(window->cutoutSize(), row.photo);
    EXPECT_EQ(view.cutoutRect(), row.drawn);
    const QImage drawn = view.grab().toImage();
    EXPECT_EQ(QColor(drawn.pixel(row.drawn.center())), QColor(128, 128, 128));
    EXPECT_EQ(QColor(drawn.pixel(299, 199)) == QColor(128, 128, 128), row.drawn.contains(299, 199));
  }
}

TEST_F(ProgressViewTest, ANewOrClosedPhotoEmptiesTheViewUntilTheNextCutOut) {
  ProgressView* view = window->view();
  window->setWantedVisible(true);
  window->resize(window->mediumSide(), window->mediumSide());
  cutout(QSize(400, 300));
  ASSERT_FALSE(view->cutout().isNull());
  GmModel* model = GmModel::instance();
  emit model->tellImageChanged(model->segImage());
  EXPECT_TRUE(view->cutout().isNull());
  model->signalDirtyOutputImageSlot();
  EXPECT_FALSE(view->cutout().isNull());
  // Closed: empty, and the window is back to its small square.
  model->finish();
  EXPECT_TRUE(view->cutout().isNull());
  EXPECT_EQ(window->size(), QSize(150, 150));
  EXPECT_TRUE(window->smallAction()->isChecked());
}

}  // namespace
