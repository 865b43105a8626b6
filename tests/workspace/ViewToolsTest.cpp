// The cut-out tools as the one place that makes them makes them, and the pan and zoom tools
// through the canvas, wired to the view as the main window wires them.

#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>

#include "WorkspaceTestSupport.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/CutoutTools.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EdgeFindingTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ZoomTool.h"

namespace {

class ViewToolsTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    view = showView(QSize(400, 300));  // the photo scrolls from a zoom of 2.5
    openPhoto();
    canvas = view->workspace()->canvas();
    view->zoomToSlot(2.0);
    panel = keep(new ToolOptions);
    CutoutTools::Places places;
    places.brushMenu = &brushMenu;
    places.viewMenu = &viewMenu;
    places.options = panel;
    tools = std::make_unique<CutoutTools>(places);
    tools->connectView(view);
    noTool = tools->noTool();
    zoom = tools->zoomTool();
    pan = tools->panTool();
    // No navigator here: the view takes the zoom steps itself.
    QObject::connect(zoom, &ZoomTool::zoomInSignal, view, &ImageView::zoomInSlot);
    QObject::connect(zoom, &ZoomTool::zoomOutSignal, view, &ImageView::zoomOutSlot);
  }
  void TearDown() override {
    tools.reset();
    WorkspaceTest::TearDown();
  }
  QPoint at(double x, double y) const { return widgetPoint(canvas, QPointF(x, y)); }
  // Which of the zoom tool's cursors shows, by its image.
  bool showsCursor(const char* image) const {
    return zoom->cursor().pixmap().toImage() ==
           QPixmap(QString(":images/curs_data_%1.png").arg(image)).toImage();
  }

  ImageView* view = nullptr;
  GmZoomWidget* canvas = nullptr;
  ToolOptions* panel = nullptr;
  QMenu brushMenu, viewMenu;
  std::unique_ptr<CutoutTools> tools;
  NoTool* noTool = nullptr;
  ZoomTool* zoom = nullptr;
  PanTool* pan = nullptr;
};

// The order the main window needs: the default tool first and current at once, the brushes'
// actions in the Brush menu, the pan and zoom tools' in the View menu, then the edge tools;
// every tool on the given panel. Destroyed newest first, the tools leave no current tool behind.
TEST_F(ViewToolsTest, TheCutoutToolsComeInTheMainWindowsOrder) {
  QStringList names;
  for (GmTool* tool : tools->tools()) {
    names << tool->name();
    EXPECT_EQ(tool->options(), panel) << tool->name().toStdString();
  }
  EXPECT_EQ(names, QStringList({"No Tool", "Delete Exact Brush", "Blend Exact Brush",
                                "Erase Exact Brush", "Delete Local Brush", "Hand Tool", "Zoom Tool",
                                "Edge Finding Options", "Edge Blending Options"}));
  EXPECT_EQ(GmTool::current(), noTool);
  EXPECT_EQ(GmTool::defaultTool(), noTool);
  EXPECT_EQ(viewMenu.actions(), QList<QAction*>({pan->action(), zoom->action()}));
  EXPECT_EQ(
      brushMenu.actions(),
      QList<QAction*>({tools->deleteExactTool()->action(), tools->complexExactTool()->action(),
                       tools->eraseExactTool()->action(), tools->deleteLocalTool()->action()}));
  tools->edgeFindingTool()->installSlot();
  tools.reset();
  EXPECT_EQ(GmTool::current(), nullptr);
  EXPECT_EQ(GmTool::defaultTool(), nullptr);
  EXPECT_TRUE(viewMenu.actions().isEmpty());
  EXPECT_TRUE(brushMenu.actions().isEmpty());
}

TEST_F(ViewToolsTest, AClickZoomsInOnceOnTheRelease) {
  zoom->installSlot();
  QSignalSpy in(zoom, &ZoomTool::zoomInSignal), rects(zoom, &ZoomTool::zoomToRectSignal);
  sendMouse(canvas, QEvent::MouseButtonPress, at(80, 60), Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(in.count(), 0);
  sendMouse(canvas, QEvent::MouseButtonRelease, at(80, 60), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(in.count(), 1);
  EXPECT_EQ(rects.count(), 0);
}

TEST_F(ViewToolsTest, AltPressZoomsOutOnceOnThePress) {
  zoom->installSlot();
  QSignalSpy in(zoom, &ZoomTool::zoomInSignal), out(zoom, &ZoomTool::zoomOutSignal);
  sendMouse(canvas, QEvent::MouseButtonPress, at(80, 60), Qt::LeftButton, Qt::LeftButton,
            Qt::AltModifier);
  EXPECT_EQ(out.count(), 1);
  EXPECT_TRUE(showsCursor("zoomout"));
  sendMouse(canvas, QEvent::MouseButtonRelease, at(80, 60), Qt::LeftButton, Qt::NoButton,
            Qt::AltModifier);
  EXPECT_EQ(out.count(), 1);
  EXPECT_EQ(in.count(), 0);
  EXPECT_DOUBLE_EQ(view->zoom(), 2.0 * 0.8);
}

TEST_F(ViewToolsTest, ADragGivesOneRectangleAndZoomsToIt) {
  zoom->installSlot();
  QSignalSpy in(zoom, &ZoomTool::zoomInSignal), rects(zoom, &ZoomTool::zoomToRectSignal);
  drag(canvas, at(20, 30), at(100, 70));
  ASSERT_EQ(rects.count(), 1);
  EXPECT_EQ(rects.at(0).at(0).value<ImageRectF>(), ImageRectF(20, 30, 80, 40));
  EXPECT_EQ(in.count(), 0);
  EXPECT_EQ(model->zoomRectangle(), nullptr);
  const GRectF shown = view->workspace()->displayedRect();
  EXPECT_NEAR(shown.center().x(), 60, 1.5);
  EXPECT_NEAR(shown.center().y(), 50, 1.5);
}

TEST_F(ViewToolsTest, AltDuringADragKeepsTheZoomInCursor) {
  zoom->installSlot();
  sendMouse(canvas, QEvent::MouseButtonPress, at(20, 30), Qt::LeftButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseMove, at(30, 40), Qt::NoButton, Qt::LeftButton);
  ASSERT_NE(model->zoomRectangle(), nullptr);
  QKeyEvent alt(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);  // reads as Alt held
  zoom->keyEvent(&alt);
  EXPECT_TRUE(showsCursor("zoomin"));
}

TEST_F(ViewToolsTest, EscapeDropsTheRectangleBeingDragged) {
  zoom->installSlot();
  QSignalSpy in(zoom, &ZoomTool::zoomInSignal), rects(zoom, &ZoomTool::zoomToRectSignal);
  sendMouse(canvas, QEvent::MouseButtonPress, at(20, 30), Qt::LeftButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseMove, at(30, 40), Qt::NoButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseMove, at(50, 60), Qt::NoButton, Qt::LeftButton);
  zoom->escapePressed();
  EXPECT_EQ(model->zoomRectangle(), nullptr);
  EXPECT_EQ(zoom->leftButtonState(), 0);
  EXPECT_EQ(GmTool::current(), zoom);
  sendMouse(canvas, QEvent::MouseButtonRelease, at(50, 60), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(in.count() + rects.count(), 0);
}

TEST_F(ViewToolsTest, TheUnavailableCursorBlocksClicks) {
  zoom->installSlot();
  zoom->zoomInEnabledSlot(false);
  EXPECT_TRUE(showsCursor("zoomunavailable"));
  QSignalSpy in(zoom, &ZoomTool::zoomInSignal), out(zoom, &ZoomTool::zoomOutSignal);
  click(canvas, at(80, 60));
  EXPECT_EQ(in.count(), 0);
  QKeyEvent alt(QEvent::KeyPress, Qt::Key_Alt, Qt::NoModifier);  // reads as Alt held
  zoom->keyEvent(&alt);
  EXPECT_TRUE(showsCursor("zoomout"));
  QKeyEvent altUp(QEvent::KeyRelease, Qt::Key_Alt, Qt::AltModifier);  // reads as none
  zoom->keyEvent(&altUp);
  EXPECT_TRUE(showsCursor("zoomunavailable"));
  EXPECT_EQ(out.count(), 0);
}

TEST_F(ViewToolsTest, ADoubleClickZoomsInThreeTimes) {
  zoom->installSlot();
  view->zoomToSlot(1.0);
  QSignalSpy in(zoom, &ZoomTool::zoomInSignal);
  const QPoint point = at(80, 60);
  sendMouse(canvas, QEvent::MouseButtonPress, point, Qt::LeftButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
  sendMouse(canvas, QEvent::MouseButtonDblClick, point, Qt::LeftButton, Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseButtonRelease, point, Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(in.count(), 3);
  EXPECT_DOUBLE_EQ(view->zoom(), 1.25 * 1.25 * 1.25);
}

TEST_F(ViewToolsTest, AZoomSmallerThanFiveScreenPixelsZoomsAboutTheCentre) {
  zoom->installSlot();
  view->zoomToSlot(2.0);
  drag(canvas, canvas->imageRect().topLeft() + QPoint(100, 100),
       canvas->imageRect().topLeft() + QPoint(104, 160));
  EXPECT_DOUBLE_EQ(view->zoom(), 2.5);
}

TEST_F(ViewToolsTest, PanDragsScrollByTheScreenMovement) {
  view->zoomToSlot(4.0);
  QScrollBar* h = view->workspace()->horizontalScrollBar();
  QScrollBar* v = view->workspace()->verticalScrollBar();
  h->setValue(50);
  v->setValue(50);
  pan->installSlot();
  QSignalSpy pans(pan, &PanTool::tellPan);
  QSignalSpy cursors(GmModel::instance(), &GmModel::cursorChanged);
  const QPoint start = canvas->mapFrom(view->workspace()->viewport(), QPoint(200, 200));
  sendMouse(canvas, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(pan->cursor().pixmap().toImage(), QPixmap(":images/curs_data_handgrab.png").toImage());
  sendMouse(canvas, QEvent::MouseMove, start + QPoint(10, 4), Qt::NoButton, Qt::LeftButton);
  ASSERT_EQ(pans.count(), 1);
  EXPECT_EQ(pans.at(0).at(0).toPoint(), QPoint(-10, -4));
  EXPECT_EQ(h->value(), 40);
  EXPECT_EQ(v->value(), 46);
  sendMouse(canvas, QEvent::MouseButtonRelease, start + QPoint(10, 4), Qt::LeftButton,
            Qt::NoButton);
  EXPECT_EQ(pan->cursor().pixmap().toImage(), QPixmap(":images/curs_data_handopen.png").toImage());
  EXPECT_EQ(cursors.count(), 2);
}

TEST_F(ViewToolsTest, CursorsAndHotSpots) {
  EXPECT_EQ(pan->cursor().hotSpot(), QPoint(15, 18));
  EXPECT_EQ(pan->cursor().pixmap().size(), QSize(32, 32));
  EXPECT_EQ(zoom->cursor().hotSpot(), QPoint(10, 14));
  EXPECT_EQ(zoom->cursor().pixmap().size(), QSize(32, 32));
  EXPECT_TRUE(showsCursor("zoomin"));
}

TEST_F(ViewToolsTest, TemporaryToolsRememberTheToolBeforeThem) {
  auto* brush = keep(new RecordingTool("Brush", nullptr));
  brush->displayMode = 5;
  brush->selectToolSlot();
  zoom->installSlot();
  EXPECT_EQ(zoom->previousTool(), brush);
  EXPECT_EQ(zoom->targetDisplayMode(nullptr), 5);
  pan->installSlot();
  EXPECT_EQ(pan->previousTool(), brush);  // past the zoom tool
  pan->action()->trigger();               // re-selected
  EXPECT_EQ(pan->previousTool(), brush);
  zoom->installSlot();
  EXPECT_EQ(zoom->previousTool(), brush);
  EXPECT_EQ(pan->targetDisplayMode(nullptr), 5);
}

TEST_F(ViewToolsTest, ATemporaryToolNeverRemembersItselfOrAnother) {
  zoom->installSlot();  // from the default tool
  EXPECT_EQ(zoom->previousTool(), noTool);
  pan->installSlot();
  EXPECT_EQ(pan->previousTool(), noTool);
  zoom->installSlot();
  EXPECT_EQ(zoom->previousTool(), noTool);
  zoom->action()->trigger();
  EXPECT_EQ(zoom->previousTool(), noTool);
  EXPECT_EQ(zoom->targetDisplayMode(nullptr), 3);
}

TEST_F(ViewToolsTest, ThePageDrivesTheZoom) {
  QSignalSpy slider(zoom, &ZoomTool::zoomSliderChanged);
  QSignalSpy actual(zoom, &ZoomTool::actualPixelsSignal);
  zoom->setZoomSliderValue(10);
  ASSERT_NE(zoom->zoomSlider(), nullptr);
  EXPECT_EQ(zoom->zoomSlider()->value(), 10);
  EXPECT_TRUE(slider.isEmpty());
  zoom->zoomSlider()->setValue(-5);
  ASSERT_EQ(slider.count(), 1);
  EXPECT_EQ(slider.at(0).at(0).toInt(), -5);
  const auto buttons = zoom->optionPage()->findChildren<QPushButton*>();
  ASSERT_EQ(buttons.size(), 2);
  buttons.at(0)->click();
  EXPECT_EQ(actual.count(), 1);
  EXPECT_EQ(zoom->zoomSlider()->minimum(), -25);
  EXPECT_EQ(zoom->zoomSlider()->maximum(), 25);
}

}  // namespace
