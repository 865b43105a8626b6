// A window that shows a photo in the cut-out views for a look by eye: the image view with its
// status overlay and patches, the tool palette in its dock with the pan and zoom tools and a
// brush that only draws its outline, the options panel and the view options. Not shipped.
//
//   zarvo-workspace-demo [photo | --size <w>x<h>] [--zoom <factor>] [--pointer <x>,<y>]
//                        [--quit-after <ms>]
//
// Without a photo a synthetic one of 1600 × 1200 (or the given size) is drawn. --pointer shows the
// brush outline at a viewport position, as if the pointer rested there.

#include <QApplication>
#include <QDockWidget>
#include <QFile>
#include <QMainWindow>
#include <QMouseEvent>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include "CanvasScene.h"
#include "document/DocumentMetaTypes.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"
#include "workspace/ToolBarPalette.h"
#include "workspace/ToolOptions.h"
#include "workspace/ToolPalette.h"
#include "workspace/ZoomTool.h"

namespace {

class DemoHost : public WorkspaceHost {
 public:
  QWidget* mainWindow() const override { return window; }
  ImageView* imageView() const override { return view; }
  QBrush canvasBackgroundBrush() const override { return QBrush(QColor(230, 230, 230)); }
  QWidget* window = nullptr;
  ImageView* view = nullptr;
};

// Draws nothing into the document: only its outline shows.
class DemoBrush : public GmTool {
 public:
  explicit DemoBrush(ToolOptions* options)
      : GmTool("Demo Brush", "Brush", QIcon(), "B", "<p>Shows the brush outline.</p>", nullptr,
               nullptr, nullptr, options) {}
  QCursor cursor() const override { return QCursor(Qt::BlankCursor); }
  bool isBrushTool() const override { return true; }
  QColor cursorColour() const override { return QColor(20, 170, 60); }
  void activate(GmTool*) override {}
  void deactivate(GmTool*) override {}
};

}  // namespace

int main(int argc, char** argv) {
  // Settings of its own, gone at exit: nothing of a look by eye reaches the user's configuration
  // (the canvas stores its background colour when it closes).
  QTemporaryDir settingsFolder;
  if (!settingsFolder.isValid()) return 1;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsFolder.path()));
  QApplication application(argc, argv);
  QApplication::setOrganizationName("OrbelTech");
  QApplication::setApplicationName("Zarvo");
  registerDocumentMetaTypes();
  initWorkspaceResources();

  QString file;
  double zoom = 0;
  QPoint pointer(-1, -1);
  int quitAfter = 0;
  QSize synthetic(1600, 1200);
  const QStringList arguments = QApplication::arguments();
  for (int i = 1; i < arguments.size(); ++i) {
    const QString& argument = arguments.at(i);
    const QString next = i + 1 < arguments.size() ? arguments.at(i + 1) : QString();
    if (argument == "--zoom") {
      zoom = next.toDouble(), ++i;
    } else if (argument == "--pointer") {
      pointer = QPoint(next.section(',', 0, 0).toInt(), next.section(',', 1, 1).toInt()), ++i;
    } else if (argument == "--size") {
      synthetic = QSize(next.section('x', 0, 0).toInt(), next.section('x', 1, 1).toInt()), ++i;
    } else if (argument == "--quit-after") {
      quitAfter = next.toInt(), ++i;
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

  DemoHost host;
  WorkspaceHost::install(&host);
  QMainWindow window;
  host.window = &window;
  auto* view = new ImageView;
  host.view = view;
  window.setCentralWidget(view);

  auto* optionsBar = new QToolBar("Options");
  auto* options = new ToolOptions;
  optionsBar->addWidget(options);
  window.addToolBar(Qt::TopToolBarArea, optionsBar);
  window.statusBar()->addPermanentWidget(new ViewOptions);

  NoTool noTool(options);
  PanTool pan(nullptr, nullptr, options);
  ZoomTool zoomTool(nullptr, nullptr, options);
  DemoBrush brush(options);
  QSpinBox size;
  size.setRange(1, 400);
  size.setValue(60);
  ToolOptions::setBrushSizeBox(&size);

  auto* palette = new ToolBarPalette;
  palette->setOrientation(Qt::Vertical);
  palette->addTool(&brush, "Delete");
  palette->addTool(&pan, "Navigation");
  palette->addTool(&zoomTool, "Navigation");
  auto* dock = new ToolPalette("Tools", &window);
  dock->setWidget(palette);
  window.addDockWidget(Qt::LeftDockWidgetArea, dock);

  QObject::connect(view, &ImageView::viewTabChanged, palette, &ToolBarPalette::viewChanged);
  QObject::connect(&pan, &PanTool::tellPan, view, &ImageView::panImageViewportSlot);
  QObject::connect(&zoomTool, &ZoomTool::zoomToRectSignal, view,
                   &ImageView::minCheckedMoveImageViewportToSlot);
  QObject::connect(&zoomTool, &ZoomTool::zoomInSignal, view, &ImageView::zoomInSlot);
  QObject::connect(&zoomTool, &ZoomTool::zoomOutSignal, view, &ImageView::zoomOutSlot);
  QObject::connect(&zoomTool, &ZoomTool::actualPixelsSignal, view,
                   &ImageView::zoomTo100PercentSlot);
  QObject::connect(&zoomTool, &ZoomTool::fitScreenSignal, view, &ImageView::fitImageOnScreenSlot);

  window.resize(1400, 900);
  window.show();
  canvas_scene::waitExposed(&window);
  canvas_scene::DocumentScene document(picture);
  document.announce();
  palette->viewChanged(ImageView::DeleteBackground);
  if (zoom > 0) view->zoomToSlot(zoom);
  if (pointer.x() >= 0) {
    brush.installSlot();
    GmZoomWidget* canvas = view->workspace()->canvas();
    const QPoint at = canvas->mapFrom(view->workspace()->viewport(), pointer);
    QMouseEvent move(QEvent::MouseMove, at, canvas->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(canvas, &move);
  }
  if (quitAfter > 0) QTimer::singleShot(quitAfter, &application, &QApplication::quit);
  const int result = application.exec();
  ToolOptions::setBrushSizeBox(nullptr);
  WorkspaceHost::install(nullptr);
  return result;
}
