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
    splitter->setGeometry(0, 0, 1100, 700);
    view->addViewTab(new QWidget, "2. Compose Picture", "<p><b>Compose Picture</b> (2)</p>",
                     QString(), ImageView::ComposePicture);

    tips = new TipWindow(main.get(), main.get(), "Ctrl+T");
    navigator = new NavigatorWindow(main.get());
    viewer = new ProgressWindow(main.get(), main.get(), "F6");
    QObject::connect(GmModel::instance(), &GmModel::tellImageChanged, navigator->navigator(),
                     &Navigator::updateImage);
    QObject::connect(navigator->navigator(), &Navigator::rectChanged, view,
                     &ImageView::moveImageViewportToSlot);
    QObject::connect(navigator->navigator(), &Navigator::rectCenterChanged, view,
                     &ImageView::centreViewportOnSlot);
    QObject::connect(view, &ImageView::sayViewportRectChanged, navigator,
                     &NavigatorWindow::setRectSlot);
    QObject::connect(navigator, &NavigatorWindow::requestZoomTo, view, &ImageView::zoomToSlot);
    for (GmSubWindow* window : {static_cast<GmSubWindow*>(tips),
                                static_cast<GmSubWindow*>(navigator),
                                static_cast<GmSubWindow*>(viewer)}) {
      QObject::connect(view, &ImageView::viewTabChanged, window,
                       &GmSubWindow::viewTabChangedSlot);
      window->setDock(dock);
      window->setFloating(false);
      window->setWantedVisible(true);
    }
    main->resize(1100, 700);
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
  GmZoomWidget* canvas = view->workspace()->canvas();
  EXPECT_GT(navigator->navigator()->scale(), 0);
  EXPECT_NEAR(navigator->percentBox()->value(), canvas->zoom() * 100, 0.01);

  // The engine's cut-out reaches the viewer: the deleted margins are clear, the kept middle is
  // the photo.
  setStatuses(QRect(0, 0, 160, 120), CvStatusDelete);
  setStatuses(QRect(40, 30, 80, 60), CvStatusKeep);
  analyse();
  ASSERT_FALSE(HasFatalFailure());
  run(new CvCmdGenerateMask(model));
  ProgressView* cutout = viewer->view();
  ASSERT_FALSE(cutout->cutout().isNull());
  EXPECT_EQ(viewer->cutoutSize(), QSize(160, 120));
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
  EXPECT_FALSE(viewer->isVisible());
  EXPECT_FALSE(viewer->toggleAction()->isEnabled());
  EXPECT_TRUE(tips->isVisible());
  EXPECT_TRUE(navigator->isVisible());
  view->tabBar()->setCurrentIndex(0);
  EXPECT_TRUE(viewer->isVisible());
  EXPECT_TRUE(dock->isVisible());

  // The tip window explains the tab under the pointer.
  QTabBar* bar = view->tabBar();
  const QPoint at = bar->tabRect(1).center();
  QHelpEvent request(QEvent::WhatsThis, at, bar->mapToGlobal(at));
  QApplication::sendEvent(bar, &request);
  EXPECT_EQ(tips->shownHtml(), QString("<p><b>Compose Picture</b> (2)</p>"));
}

}  // namespace
