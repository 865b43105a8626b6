#pragma once

// What the workspace's tests share: document hooks that read the brush size and the mask opacity
// from the workspace as the shell's do, a recording tool, and a fixture with the fake host and a
// real document over a real engine session on a small synthetic photo.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QApplication>
#include <QDropEvent>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QStringList>
#include <QTest>

#include "EngineSessionSupport.h"
#include "FakeWorkspaceHost.h"
#include "MouseInput.h"
#include "document/CvCmdSetStatus.h"
#include "workspace/BrushingTool.h"
#include "workspace/GmTool.h"
#include "workspace/GmZoomWidget.h"
#include "workspace/ImageView.h"
#include "workspace/ToolOptions.h"
#include "workspace/TsWorkspace.h"
#include "workspace/ViewOptions.h"

// Readable failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
  *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '[' << texts.join(", ").toStdString() << ']';
}

// The shell's hooks take the brush size and strength and the mask opacity from the workspace.
class WorkspaceDocumentHooks : public FakeDocumentUiHooks {
 public:
  int brushSize() const override { return BrushingTool::brushSize(); }
  void setBrushSize(int size) override { BrushingTool::setBrushSize(size); }
  int brushStrength() const override { return BrushingTool::brushStrength(); }
  double maskOpacity() const override { return ViewOptions::maskOpacity(); }
};

// A tool that writes what happens to it into a shared log and answers from its fields.
class RecordingTool : public GmTool {
 public:
  RecordingTool(const QString& name, QStringList* log, int tabs = ImageView::DeleteBackground,
                int defaultTab = ImageView::DeleteBackground, ToolOptions* options = nullptr)
      : GmTool(name, name, QIcon(), QString(), QString(), nullptr, nullptr, nullptr, options),
        tabs(tabs),
        log_(log),
        defaultTab_(defaultTab) {
    setEnabledSlot();
  }

  void activate(GmTool* previous) override { write("activate", previous); }
  void deactivate(GmTool* next) override { write("deactivate", next); }
  ImageView::ViewTabs viewTabs() const override { return ImageView::ViewTabs(tabs); }
  int defaultViewTab() const override { return defaultTab_; }
  bool isUsable() const override { return usable; }
  bool isBrushTool() const override { return brush; }
  QColor cursorColour() const override { return Qt::red; }
  int targetDisplayMode(ArrowTarget*) const override { return displayMode; }
  void mousePressEvent(QMouseEvent*, const QPointF& p) override { writePoint("press", p); }
  void mouseMoveEvent(QMouseEvent*, const QPointF& p) override { writePoint("move", p); }
  void mouseReleaseEvent(QMouseEvent*, const QPointF& p) override { writePoint("release", p); }
  void mouseDoubleClickEvent(QMouseEvent*, const QPointF& p) override { writePoint("double", p); }

  int tabs;
  bool usable = true;
  bool brush = false;
  int displayMode = 3;
  QList<QPointF> points;

 private:
  void write(const char* what, GmTool* other) {
    if (log_) *log_ << name() + "." + what + "(" + (other ? other->name() : "null") + ")";
  }
  void writePoint(const char* what, const QPointF& p) {
    points << p;
    if (log_) *log_ << name() + "." + what;
  }
  QStringList* log_;
  int defaultTab_;
};

class WorkspaceTest : public EngineSessionTest {
 protected:
  void SetUp() override {
    EngineSessionTest::SetUp();
    documentHooks = std::make_unique<WorkspaceDocumentHooks>();
    ToolOptions::setTabletStroke(false);
    ToolOptions::setPressureFactor(1.0);
  }
  void TearDown() override {
    while (!owned.empty()) owned.pop_back();  // newest first
    delete GmTool::defaultOptionsPanel();
    documentHooks.reset();
    EngineSessionTest::TearDown();
  }

  template <class T>
  T* keep(T* object) {
    owned.emplace_back(object);
    return object;
  }

  // A synthetic photo of `size` in the document over a real engine session at `resolution`,
  // announced as the new image, as opening a file does. The one place that puts a photo in.
  void openPhoto(QSize size = QSize(160, 120), int resolution = 1) {
    openSession(resolution, size.width(), size.height());
    if (HasFatalFailure()) return;
    emit model->tellImageChanged(model->segImage());
  }

  // Statuses `value` over `rect` (working pixels), through the engine.
  void setStatuses(const QRect& rect, uint8_t value) {
    QImage statuses(rect.size(), QImage::Format_Indexed8);
    statuses.setColorCount(256);
    statuses.fill(value);
    statuses.setOffset(rect.topLeft());
    run(new CvCmdSetStatus(model, statuses));
  }

  // A shown view of `size`, installed as the host's.
  ImageView* showView(QSize size = QSize(800, 600)) {
    ImageView* view = keep(new ImageView);
    host.view = view;
    view->resize(size);
    view->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(view));
    return view;
  }

  static QPoint widgetPoint(const GmZoomWidget* canvas, const QPointF& imagePoint) {
    return canvas->imageRect().topLeft() + (imagePoint * canvas->zoom()).toPoint();
  }

  FakeWorkspaceHost host;
  std::unique_ptr<WorkspaceDocumentHooks> documentHooks;
  std::vector<std::unique_ptr<QObject>> owned;
};
