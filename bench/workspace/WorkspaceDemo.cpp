// A window that shows a photo in the cut-out views for a look by eye: the image view with its
// status overlay and patches, the tool palette in its dock with the cut-out tools (brushes, edge
// options, pan and zoom) and the colour workspace's pick tool, the options panel, the view options
// with the zoom slider, and beside the view the docked tip window, navigator, cut-out viewer and
// colour workspace, all in the application style and wired as the main window wires them. Not
// shipped.
//
//   zarvo-workspace-demo [photo | --size <w>x<h>] [--zoom <factor>] [--pointer <x>,<y>]
//                        [--strokes] [--tool <name>] [--pick <x>,<y>]... [--bits <1..8>]
//                        [--floating] [--quit-after <ms>] [--shot <file.png>]
//
// Without a photo a synthetic one of 1600 × 1200 (or the given size) is drawn. --strokes starts
// from a clean photo and paints a stroke of each brush through the canvas, as a user's drags
// do. --tool selects "delete", "local", "blend", "erase", "edges" or "blending" and shows its
// page. --pointer shows the brush outline at a viewport position, as if the pointer rested
// there. --pick picks the colour at an image point with the colour workspace's tool over the
// whole photo (the first replaces, the others add, as with Shift) at the precision --bits
// gives. --floating floats the sub-windows. --shot writes a picture of the window and its
// floating sub-windows just before quitting. Settings and temporary files go to folders of the
// run's own.

#include <cmath>

#include <QApplication>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "CanvasScene.h"
#include "IsolatedRun.h"
#include "document/CvCmdSetStatus.h"
#include "document/DocumentMetaTypes.h"
#include "workspace/BrushingTool.h"
#include "workspace/ColourWorkspace.h"
#include "workspace/ColourWorkspaceSelectTool.h"
#include "workspace/ComplexExactTool.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/DeleteLocalTool.h"
#include "workspace/EdgeBlendingTool.h"
#include "workspace/EdgeFindingTool.h"
#include "workspace/EraseExactTool.h"
#include "workspace/FakeDock.h"
#include "workspace/Navigator.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/CutoutTools.h"
#include "workspace/PanTool.h"
#include "workspace/ProgressWindow.h"
#include "workspace/TipWindow.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/ToolOptions.h"
#include "workspace/ToolPalette.h"
#include "workspace/TsAppStyle.h"
#include "workspace/ZoomTool.h"
#include "workspace/ZoomViewOptionsWidget.h"

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& at, Qt::MouseButtons held) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
  QApplication::sendEvent(widget, &event);
}

// A drag of the current tool along `points` (fractions of the photo's width and height).
void drag(GmZoomWidget* canvas, const QSize& photo, const QVector<QPointF>& points) {
  auto at = [&](const QPointF& f) {
    return canvas->imageRect().topLeft() +
           QPointF(f.x() * photo.width() * canvas->zoom(), f.y() * photo.height() * canvas->zoom())
               .toPoint();
  };
  sendMouse(canvas, QEvent::MouseButtonPress, at(points.first()), Qt::LeftButton);
  for (const QPointF& point : points)
    sendMouse(canvas, QEvent::MouseMove, at(point), Qt::LeftButton);
  sendMouse(canvas, QEvent::MouseButtonRelease, at(points.last()), Qt::NoButton);
}

}  // namespace

int main(int argc, char** argv) {
  // Settings and temporary files of its own, gone at exit: nothing of a look by eye reaches the
  // user's configuration (the canvas stores its background colour when it closes).
  const IsolatedRun run("demo", false);
  if (!run.ok()) return 3;
  QApplication application(argc, argv);
  QApplication::setOrganizationName("OrbelTech");
  QApplication::setApplicationName("Zarvo");
  registerDocumentMetaTypes();
  initWorkspaceResources();
  // As the shell does at start-up: the platform's style, detached, inside the application's.
  QStyle* platformStyle = QApplication::style();
  platformStyle->setParent(nullptr);
  QApplication::setStyle(new TsAppStyle(platformStyle));

  QString file;
  double zoom = 0;
  QPoint pointer(-1, -1);
  QList<QPointF> picks;
  int bits = 8;
  int quitAfter = 0;
  bool floating = false;
  bool strokes = false;
  QString toolName = QStringLiteral("delete");
  QString shot;
  QSize synthetic(1600, 1200);
  const QStringList arguments = QApplication::arguments();
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    const QString next = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
    if (argument == "--zoom") {
      zoom = next.toDouble(), ++i;
    } else if (argument == "--pointer") {
      pointer = QPoint(next.section(',', 0, 0).toInt(), next.section(',', 1, 1).toInt()), ++i;
    } else if (argument == "--pick") {
      picks << QPointF(next.section(',', 0, 0).toDouble(), next.section(',', 1, 1).toDouble()), ++i;
    } else if (argument == "--bits") {
      bits = next.toInt(), ++i;
    } else if (argument == "--size") {
      synthetic = QSize(next.section('x', 0, 0).toInt(), next.section('x', 1, 1).toInt()), ++i;
    } else if (argument == "--quit-after") {
      quitAfter = next.toInt(), ++i;
    } else if (argument == "--floating") {
      floating = true;
    } else if (argument == "--strokes") {
      strokes = true;
    } else if (argument == "--tool") {
      toolName = next, ++i;
    } else if (argument == "--shot") {
      shot = next, ++i;
    } else {
      file = argument;
    }
  }
  const QImage picture =
      file.isEmpty() ? subjectOnGround(synthetic.width(), synthetic.height()) : QImage(file);
  if (picture.isNull() || picture.width() > 20000 || picture.height() > 20000) {
    qWarning("No photo in %s", qPrintable(file));
    return 1;
  }

  canvas_scene::BenchHost host;
  host.background = QBrush(QColor(230, 230, 230));
  QMainWindow window;
  host.window = &window;
  auto* view = new ImageView;
  host.view = view;
  auto* splitter = new QSplitter;
  auto* dock = new FakeDock;
  splitter->addWidget(view);
  splitter->addWidget(dock);
  splitter->setStretchFactor(0, 1);
  window.setCentralWidget(splitter);
  QMenu* brushMenu = window.menuBar()->addMenu("&Brush");
  QMenu* windowMenu = window.menuBar()->addMenu("&Window");

  auto* optionsBar = new QToolBar("Options");
  auto* options = new ToolOptions;
  optionsBar->addWidget(options);
  window.addToolBar(Qt::TopToolBarArea, optionsBar);
  window.statusBar()->addPermanentWidget(new ViewOptions);
  auto* zoomOptions = new ZoomViewOptionsWidget;
  window.statusBar()->addPermanentWidget(zoomOptions);

  auto* tips = new TipWindow(&window, windowMenu, "Ctrl+T");
  tips->setObjectName("tipWindow_");
  auto* navigator = new NavigatorWindow(&window);
  navigator->setObjectName("navigatorWindow_");
  auto* viewer = new ProgressWindow(&window, windowMenu, "F6");
  // It shows while its pick tool is current or a patch is active.
  auto* colours = new ColourWorkspace(&window, windowMenu, "F7");
  host.colourWorkspace = colours;
  QObject::connect(view, &ImageView::viewTabChanged, colours, &GmSubWindow::viewTabChangedSlot);
  colours->setDock(dock);
  colours->setFloatingPosition(QPoint(1180, 60));
  colours->setFloating(floating);
  navigator->connectView(view);
  zoomOptions->connectViews(navigator, view, nullptr);
  for (GmSubWindow* sub : {static_cast<GmSubWindow*>(tips), static_cast<GmSubWindow*>(navigator),
                           static_cast<GmSubWindow*>(viewer)}) {
    QObject::connect(view, &ImageView::viewTabChanged, sub, &GmSubWindow::viewTabChangedSlot);
    sub->setDock(dock);
    sub->setFloatingPosition(QPoint(1180, 60 + 330 * (sub == navigator) + 600 * (sub == viewer)));
    // Docked first, as the main window's default layout does; floating is a later switch.
    sub->setFloating(false);
    sub->setWantedVisible(true);
    if (floating) {
      // Docking took the never-shown window's geometry; the floating position is to count.
      sub->setSavedGeometry(QByteArray());
      sub->setFloating(true);
    }
  }
  TipWindow::setTipText(
      "<p>Welcome to <b>Zarvo</b>&mdash;transform your product shots with ease.</p><p><b>How to "
      "use the Tip Window?</b></p><p>Point at an area of interest in the interface and hold for "
      "a couple of seconds. In this <b>Tip</b> window you will find:</p><p><ul><li>A brief "
      "description of the area.</li><li>Details on how to use it.</li><li>Suggestions of what "
      "to consider doing next.</li><li>Link(s) to the manual for further reading.</li></ul></p>");

  CutoutTools::Places places;
  places.options = options;
  places.brushMenu = brushMenu;
  CutoutTools tools(places);
  // The brush size steps, as the main window gives them.
  QAction increase("Increase Brush Size", &window), decrease("Decrease Brush Size", &window);
  increase.setShortcut(QKeySequence("]"));
  decrease.setShortcut(QKeySequence("["));
  window.addAction(&increase);
  window.addAction(&decrease);
  QObject::connect(&increase, &QAction::triggered, tools.deleteExactTool(),
                   &BrushingTool::increaseBrushSizeSlot);
  QObject::connect(&decrease, &QAction::triggered, tools.deleteExactTool(),
                   &BrushingTool::decreaseBrushSizeSlot);

  auto* palette = new ToolBarPalette;
  palette->setOrientation(Qt::Vertical);
  palette->addTool(tools.deleteLocalTool(), "Delete");
  palette->addTool(tools.deleteExactTool(), QString());
  palette->addTool(tools.complexExactTool(), QString());
  palette->addTool(tools.eraseExactTool(), QString());
  palette->addTool(tools.edgeFindingTool(), "Edges");
  palette->addTool(tools.edgeBlendingTool(), QString());
  palette->addTool(tools.panTool(), "Navigation");
  palette->addTool(tools.zoomTool(), QString());
  palette->addTool(colours->selectTool(), "Colors");
  auto* paletteDock = new ToolPalette("Tools", &window);
  paletteDock->setWidget(palette);
  window.addDockWidget(Qt::LeftDockWidgetArea, paletteDock);

  QObject::connect(view, &ImageView::viewTabChanged, palette, &ToolBarPalette::viewChanged);
  tools.connectView(view);
  // The zoom steps go through the navigator, which says when it can take no more.
  ZoomTool* zoomTool = tools.zoomTool();
  QObject::connect(zoomTool, &ZoomTool::zoomInSignal, navigator, &NavigatorWindow::zoomInSlot);
  QObject::connect(zoomTool, &ZoomTool::zoomOutSignal, navigator, &NavigatorWindow::zoomOutSlot);
  QObject::connect(navigator, &NavigatorWindow::zoomInEnabled, zoomTool,
                   &ZoomTool::zoomInEnabledSlot);
  QObject::connect(navigator, &NavigatorWindow::zoomOutEnabled, zoomTool,
                   &ZoomTool::zoomOutEnabledSlot);

  window.resize(1400, 900);
  window.show();
  canvas_scene::waitExposed(&window);
  canvas_scene::DocumentScene document(picture);
  if (strokes) {
    // A clean photo: no statuses, no patches.
    QImage unassigned(document.model->workingRect().size(), QImage::Format_Indexed8);
    unassigned.setColorCount(256);
    unassigned.fill(CvStatusInPicture);
    document.model->deleteAllArrowTargets();
    document.thread->submit(new CvCmdSetStatus(document.model, unassigned));
  }
  document.announce();
  // A cut-out for the viewer, from the scene's statuses over an analysis.
  document.model->segmentation()->findEdges();
  document.model->generateMaskSlot();
  palette->viewChanged(ImageView::DeleteBackground);
  if (zoom > 0) view->zoomToSlot(zoom);
  GmZoomWidget* canvas = view->workspace()->canvas();
  if (strokes) {
    waitIdle(document.thread.get());
    QApplication::processEvents();
    const QSize size = picture.size();
    BrushingTool::setBrushSize(document.model->workingRect().height() / 14);
    tools.deleteLocalTool()->installSlot();
    drag(canvas, size, {{0.08, 0.15}, {0.12, 0.2}});
    tools.deleteExactTool()->installSlot();
    drag(canvas, size, {{0.42, 0.7}, {0.5, 0.74}, {0.58, 0.7}});
    BrushingTool::setBrushSize(document.model->workingRect().height() / 40);
    tools.complexExactTool()->installSlot();
    QVector<QPointF> rim;
    for (int i = 0; i <= 12; ++i) {
      const double a = 3.3 + i * 0.12;
      rim << QPointF(0.5 + 0.33 * 0.75 * std::cos(a) * 0.98, 0.52 + 0.33 * std::sin(a) * 0.98);
    }
    drag(canvas, size, rim);
    BrushingTool::setBrushSize(document.model->workingRect().height() / 20);
    tools.eraseExactTool()->installSlot();
    drag(canvas, size, {{0.86, 0.45}, {0.9, 0.55}});
    waitIdle(document.thread.get());
  }
  const QMap<QString, GmTool*> named{
      {"delete", tools.deleteExactTool()}, {"local", tools.deleteLocalTool()},
      {"blend", tools.complexExactTool()}, {"erase", tools.eraseExactTool()},
      {"edges", tools.edgeFindingTool()},  {"blending", tools.edgeBlendingTool()}};
  if (GmTool* tool = named.value(toolName)) tool->installSlot();
  if (!picks.isEmpty()) {
    document.model->setActiveRegion(nullptr);
    colours->colourBitsBox()->setValue(bits);
    ColourWorkspaceSelectTool* pick = colours->selectTool();
    pick->installSlot();
    for (int i = 0; i < picks.size(); ++i) {
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(), Qt::LeftButton, Qt::LeftButton,
                        i == 0 ? Qt::NoModifier : Qt::ShiftModifier);
      pick->mousePressEvent(&press, picks.at(i));
    }
  }
  if (pointer.x() >= 0) {
    const QPoint at = canvas->mapFrom(view->workspace()->viewport(), pointer);
    QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
  }
  if (quitAfter > 0) {
    QTimer::singleShot(quitAfter, &application, [&] {
      if (!shot.isEmpty()) {
        // The main window with every floating sub-window where it stands on the screen.
        QImage picture(QSize(1600, 1000), QImage::Format_RGB32);
        picture.fill(Qt::darkGray);
        QPainter painter(&picture);
        painter.drawPixmap(window.pos(), window.grab());
        for (GmSubWindow* sub :
             {static_cast<GmSubWindow*>(tips), static_cast<GmSubWindow*>(navigator),
              static_cast<GmSubWindow*>(viewer), static_cast<GmSubWindow*>(colours)})
          if (sub->isWindow() && sub->isVisible()) painter.drawPixmap(sub->pos(), sub->grab());
        painter.end();
        picture.save(shot);
      }
      application.quit();
    });
  }
  const int result = application.exec();
  host.colourWorkspace = nullptr;
  return result;
}
