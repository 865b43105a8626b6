#pragma once

// A cut-out workspace as the user sees it, for the benchmarks and the demonstration window: the
// document benchmarks' synthetic photo in the document over a real engine session at the
// resolution the document would choose, statuses of every class, three patches, and an image
// view with its view options and the cut-out tools.

#include <memory>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QUrl>
#include <QWindow>

#include "../document/DocumentBenchSupport.h"
#include "document/AutoCut.h"
#include "document/CorvaneThread.h"
#include "document/CvCmdSetStatus.h"
#include "document/GmModel.h"
#include "document/GmStatusArray.h"
#include "document/PolyRegion.h"
#include "document/RectRegion.h"
#include "document/SegmentationStuff.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"
#include "workspace/ColourWorkspace.h"
#include "workspace/CutoutTools.h"
#include "workspace/GmTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/ImageView.h"
#include "workspace/TsWorkspace.h"
#include "workspace/ViewOptions.h"
#include "workspace/WorkspaceHost.h"
#include "workspace/WorkspaceResources.h"

namespace canvas_scene {

// Statuses over the working image: kept centre, deleted margins, a blended band, unassigned
// corners.
inline QImage statuses(const QSize& working) {
  QImage image(working, QImage::Format_Indexed8);
  image.setColorCount(256);
  for (int y = 0; y < working.height(); ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < working.width(); ++x) {
      const double u = double(x) / working.width(), v = double(y) / working.height();
      uchar status = 2;
      if (u < 0.15 || u > 0.85) status = 4;
      if (v > 0.8) status = 8;
      if (u < 0.1 && v < 0.1) status = 1;
      line[x] = status;
    }
  }
  return image;
}

// The document with `picture` over a real engine session at the resolution the document would
// choose, statuses of every class and three patches (the third one active).
class DocumentScene {
 public:
  explicit DocumentScene(const QImage& picture) {
    quietLog();
    initWorkspaceResources();
    thread = std::make_unique<CorvaneThread>();
    model = GmModel::instance();
    const int width = picture.width(), height = picture.height();
    // The document chooses the resolution and opens the session itself.
    model->setSourceImage(
        new TsSourceImage(NamedImage(picture, QUrl(QStringLiteral("file:///bench/photo.png")))));
    waitIdle(thread.get());
    // The statuses set below are the scene; no cut-out is to run behind the measurements.
    QObject::disconnect(model->statusArray(), &GmStatusArray::statusChanged, model->autoCut(),
                        &AutoCut::cutoutNeededSlot);
    QObject::disconnect(model, &GmModel::imageBlendRatioChanged, model->autoCut(),
                        &AutoCut::cutoutNeededSlot);
    thread->submit(new CvCmdSetStatus(model, statuses(model->workingRect().size())));
    waitIdle(thread.get());
    model->addPatch(new RectRegion(QRectF(width * 0.1, height * 0.2, width * 0.2, height * 0.15)));
    model->addPatch(new RectRegion(QRectF(width * 0.6, height * 0.1, width * 0.25, height * 0.3)));
    auto* triangle = new PolyRegion(
        QPolygonF({QPointF(width * 0.3, height * 0.6), QPointF(width * 0.7, height * 0.65),
                   QPointF(width * 0.5, height * 0.9)}));
    model->addPatch(triangle);
    model->setActiveRegion(triangle);
  }
  ~DocumentScene() {
    // Finishing the document queues the end of its session and engine behind any command.
    GmModel::destroyInstance();
    waitIdle(thread.get());
    thread.reset();
  }
  // Tells the views that the photo is in, as opening a file does.
  void announce() { emit model->tellImageChanged(model->segImage()); }

  std::unique_ptr<CorvaneThread> thread;
  GmModel* model = nullptr;
};

// Counts a widget's paint events, so a figure never times a repaint that did not happen.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QObject* watched) { watched->installEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    paints += event->type() == QEvent::Paint;
    return false;
  }
  int paints = 0;
};

inline void waitExposed(QWidget* window) {
  for (int i = 0; i < 100 && !window->windowHandle()->isExposed(); ++i)
    QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The main window's services as the benchmarks and the demonstration window give them, installed
// for the life of the object: their window, view and colour workspace, a background, and the
// answers of a host without dialogs or preferences.
class BenchHost : public WorkspaceHost {
 public:
  BenchHost() : previous_(setWorkspaceHost(this)) {}
  ~BenchHost() override { setWorkspaceHost(previous_); }
  BenchHost(const BenchHost&) = delete;
  BenchHost& operator=(const BenchHost&) = delete;

  QWidget* mainWindow() const override { return window; }
  ImageView* imageView() const override { return view; }
  GmTool* panReturnTool() const override { return nullptr; }
  bool selectFallbackTool() override { return GmTool::selectFallbackTool(nullptr); }
  void clearColourHighlight() override {
    if (colourWorkspace) colourWorkspace->clearHighlight();
  }
  bool colourHighlightShown() const override {
    return colourWorkspace && colourWorkspace->highlightShown();
  }
  QBrush canvasBackgroundBrush() const override { return background; }
  void receiveDrop(QDropEvent*) override {}
  QColor askColour(const QColor&) override { return QColor(); }
  bool persistOptions() const override { return false; }
  bool useTabletPressure() const override { return false; }
  QString productName() const override { return QStringLiteral("Zarvo"); }
  QString helpRoot() const override { return QString(); }
  QString activeLanguage() const override { return QStringLiteral("en"); }

  QWidget* window = nullptr;
  ImageView* view = nullptr;
  // Borrowed; null for none.
  ColourWorkspace* colourWorkspace = nullptr;
  QBrush background{Qt::white};

 private:
  WorkspaceHost* previous_;
};

// The document scene in an image view of its own, with the view options and the cut-out tools,
// as the host's view.
class Scene {
 public:
  // A photo of width × height in a view whose viewport is `viewSize`.
  Scene(int width, int height, const QSize& viewSize) : document(subjectOnGround(width, height)) {
    options = std::make_unique<ViewOptions>();
    view = std::make_unique<ImageView>();
    host.view = view.get();
    tools = std::make_unique<CutoutTools>(CutoutTools::Places());
    tools->connectView(view.get());
    view->resize(viewSize);
    view->show();
    waitExposed(view.get());
    // `viewSize` is the viewport's: the tab bar and scroll bars come on top.
    view->resize(viewSize + (view->size() - viewport()->size()));
    document.announce();
    QApplication::processEvents();
  }
  ~Scene() {
    tools.reset();
    view.reset();
    options.reset();
  }

  GmZoomWidget* canvas() const { return view->workspace()->canvas(); }
  QWidget* viewport() const { return view->workspace()->viewport(); }

  BenchHost host;
  DocumentScene document;
  std::unique_ptr<ViewOptions> options;
  std::unique_ptr<ImageView> view;
  std::unique_ptr<CutoutTools> tools;
};

}  // namespace canvas_scene
