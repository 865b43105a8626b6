// The tip window, the navigator and the cut-out viewer docked beside a real image view, wired
// as the main window wires them, over a photo cut out by the engine.

#include <QDoubleSpinBox>
#include <QHelpEvent>
#include <QSplitter>
#include <QTabBar>

#include "WorkspaceTestSupport.h"
#include "document/CvCmdGenerateMask.h"
#include "workspace/FakeDock.h"
#include "workspace/Navigator.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/ProgressView.h"
#include "workspace/ProgressWindow.h"
#include "workspace/TipWindow.h"

namespace {

class DockedWindowsTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    main = std::make_unique<QWidget>();
    auto* splitter = new QSplitter(main.get());
    view = new ImageView;
    host.view = view;
    dock = new FakeDock;
    splitter->addWidget(view);
    splitter->addWidget(dock);
    splitter->setGeometry(0, 0, 700, 500);
    view->addViewTab(new QWidget, "2. Compose Picture", "<p><b>Compose Picture</b> (2)</p>",
                     QString(), ImageView::ComposePicture);

    tips = new TipWindow(main.get(), main.get(), "Ctrl+T");
    navigator = new NavigatorWindow(main.get());
    viewer = new ProgressWindow(main.get(), main.get(), "F6");
    navigator->connectView(view);
    for (GmSubWindow* window :
         {static_cast<GmSubWindow*>(tips), static_cast<GmSubWindow*>(navigator),
          static_cast<GmSubWindow*>(viewer)}) {
      QObject::connect(view, &ImageView::viewTabChanged, window, &GmSubWindow::viewTabChangedSlot);
      window->setDock(dock);
      window->setFloating(false);
      window->setWantedVisible(true);
    }
    main->resize(700, 500);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
  }
  void TearDown() override {
    main.reset();
    WorkspaceTest::TearDown();
  }

  std::unique_ptr<QWidget> main;
  ImageView* view = nullptr;
  FakeDock* dock = nullptr;
  TipWindow* tips = nullptr;
  NavigatorWindow* navigator = nullptr;
  ProgressWindow* viewer = nullptr;
};

TEST_F(DockedWindowsTest, TheWindowsFollowThePhotoTheCutOutAndTheViewTabs) {
  openPhoto(QSize(160, 120));
  ASSERT_FALSE(HasFatalFailure());
  QApplication::processEvents();
  EXPECT_NEAR(navigator->percentBox()->value(), view->zoom() * 100, 0.01);

  // The engine's cut-out reaches the viewer: the deleted margins are clear, the kept middle is
  // the photo.
  setStatuses(QRect(0, 0, 160, 120), CvStatusDelete);
  setStatuses(QRect(40, 30, 80, 60), CvStatusKeep);
  analyse();
  ASSERT_FALSE(HasFatalFailure());
  run(new CvCmdGenerateMask(model));
  ProgressView* cutout = viewer->view();
  ASSERT_EQ(viewer->cutoutSize(), QSize(160, 120));
  const QImage pixels = cutout->cutout().toImage();
  EXPECT_EQ(qAlpha(pixels.pixel(5, 5)), 0);
  EXPECT_EQ(qAlpha(pixels.pixel(80, 60)), 255);
  const QRect drawn = cutout->cutoutRect();
  ASSERT_FALSE(drawn.isEmpty());
  const QImage shown = cutout->grab().toImage();
  EXPECT_EQ(shown.pixel(drawn.center()),
            pixels.scaled(drawn.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .pixel(drawn.center()));

  // The viewer belongs to the cut-out tab alone.
  view->tabBar()->setCurrentIndex(1);
  EXPECT_FALSE(viewer->isVisible() || viewer->toggleAction()->isEnabled());
  EXPECT_TRUE(tips->isVisible() && navigator->isVisible());
  view->tabBar()->setCurrentIndex(0);
  EXPECT_TRUE(viewer->isVisible());

  // The navigator zooms the view and moves it: a click outside the frame centres the view
  // there, a drag of the frame moves it along.
  view->zoomTo100PercentSlot();
  QApplication::processEvents();
  navigator->zoomInSlot();
  navigator->zoomInSlot();
  EXPECT_DOUBLE_EQ(view->zoom(), 1.5625);
  view->zoomToSlot(4.0);
  QApplication::processEvents();
  Navigator* thumbnail = navigator->navigator();
  const GRectF before = view->workspace()->displayedRect();
  const QPoint target = thumbnail->thumbnailRect(QRectF(150, 110, 0, 0)).topLeft().toPoint();
  sendMouse(thumbnail, QEvent::MouseButtonPress, target, Qt::LeftButton, Qt::LeftButton);
  QApplication::processEvents();
  const GRectF centred = view->workspace()->displayedRect();
  EXPECT_GT(centred.x(), before.x());
  EXPECT_NEAR(centred.right(), 160, 1);  // as far right and down as the photo goes
  EXPECT_NEAR(centred.bottom(), 120, 1);
  EXPECT_EQ(thumbnail->viewRect(), QRectF(centred));
  sendMouse(thumbnail, QEvent::MouseMove, target + QPoint(-10, -8), Qt::NoButton, Qt::LeftButton);
  QApplication::processEvents();
  const GRectF dragged = view->workspace()->displayedRect();
  EXPECT_NEAR(dragged.x() - centred.x(), -10 / thumbnail->scale(), 1.5);
  EXPECT_NEAR(dragged.y() - centred.y(), -8 / thumbnail->scale(), 1.5);

  // The tip window explains the tab under the pointer.
  QTabBar* bar = view->tabBar();
  const QPoint at = bar->tabRect(1).center();
  QHelpEvent request(QEvent::WhatsThis, at, bar->mapToGlobal(at));
  QApplication::sendEvent(bar, &request);
  EXPECT_EQ(tips->shownHtml(), QString("<p><b>Compose Picture</b> (2)</p>"));
}

}  // namespace
