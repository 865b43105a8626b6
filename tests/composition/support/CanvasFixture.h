#pragma once

// The composition canvas in tests: a fresh hub, the real document holding a small photo whose
// alpha marks the cut-out (no engine: the document's commands have no thread and are dropped),
// and a composition view over it. Everything is torn down between tests.

#include <cmath>
#include <memory>
#include <vector>

#include <QApplication>
#include <QGraphicsView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QTransform>
#include <QUrl>

#include "CompositionFixture.h"
#include "FakeWorkspaceHost.h"
#include "MouseInput.h"
#include "composition/CutoutController.h"
#include "composition/CutoutInstanceItem.h"
#include "composition/CutoutRecord.h"
#include "composition/DustbinSignaller.h"
#include "composition/ItemController.h"
#include "composition/ZarvoImageItem.h"
#include "composition/ZarvoItem.h"
#include "composition/ZarvoWidget.h"
#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"
#include "workspace/GmTool.h"

namespace composition_test {

// Readable failure messages.
inline void PrintTo(const QPointF& p, std::ostream* out) {
  *out << "(" << p.x() << ", " << p.y() << ")";
}

// A photo of `size` on transparent ground with an opaque rectangle `box` of `colour`: the
// document's cut-out is that rectangle.
inline QImage cutoutPhoto(QSize size, QRect box, QRgb colour) {
  QImage photo(size, QImage::Format_ARGB32);
  photo.fill(Qt::transparent);
  for (int y = box.top(); y <= box.bottom(); ++y)
    for (int x = box.left(); x <= box.right(); ++x) photo.setPixel(x, y, colour);
  return photo;
}

inline bool finite(const QTransform& t) {
  for (double v : {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()})
    if (!std::isfinite(v)) return false;
  return true;
}

inline bool finite(const QPointF& p) {
  return std::isfinite(p.x()) && std::isfinite(p.y());
}

class CanvasFixture : public HubFixture {
 protected:
  void SetUp() override {
    HubFixture::SetUp();
    // Handles take the last view's zoom, which a test before may have left anywhere.
    ZarvoGrabHandleBase::setViewScale(1.0);
    hub()->setCanvasRect(QRect(0, 0, 400, 300));
    view = std::make_unique<ZarvoWidget>();
    view->resize(800, 600);
    // The main window's connections.
    QObject::connect(GmModel::instance(), &GmModel::cursorChanged, view.get(),
                     &ZarvoWidget::cursorChangedSlot);
    QObject::connect(GmModel::instance(), &GmModel::toolChanged, view.get(),
                     &ZarvoWidget::toolChangedSlot);
  }
  void TearDown() override {
    tools.clear();
    view.reset();
    ItemController::destroyInstance();
    DustbinSignaller::destroyInstance();
    GmModel::destroyInstance();
    HubFixture::TearDown();
  }

  static GmModel* model() { return GmModel::instance(); }
  CutoutController* controller() const { return view->cutoutController(); }

  // Installs `photo` in the document and announces it, as opening a file does.
  void openPhoto(const QImage& photo) {
    ASSERT_TRUE(model()->setSourceImage(
        new TsSourceImage(NamedImage(photo, QUrl(QStringLiteral("file:///photo.png"))))));
    emit model()->tellImageChanged(model()->segImage());
  }
  // A new mask: the cut-out image takes `photo`'s pixels and the document announces it.
  void regenerateMask(const QImage& photo) {
    TsSourceImage replacement(NamedImage(photo, QUrl(QStringLiteral("file:///photo.png"))));
    ASSERT_TRUE(model()->blendImage()->copyPixelsFrom(replacement));
    model()->signalDirtyOutputImageSlot();
  }

  template <class T>
  T* keep(T* tool) {
    tools.emplace_back(tool);
    return tool;
  }

  // No image item waits to tell its owner of a change (20 ms after it).
  static bool itemNoticesTold() {
    for (ZarvoItem* item : ZarvoItem::registeredItems()) {
      const auto* image = dynamic_cast<const ZarvoImageItem*>(item);
      if (image && image->ownerNoticePending()) return false;
    }
    return true;
  }
  // Serves events until itemNoticesTold().
  static void settleItems() { EXPECT_TRUE(zarvo_test::waitFor(itemNoticesTold)); }

  void showView() {
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  }

  FakeWorkspaceHost workspace;  // drops land here instead of in a main window
  std::unique_ptr<ZarvoWidget> view;
  std::vector<std::unique_ptr<GmTool>> tools;
};

}  // namespace composition_test
