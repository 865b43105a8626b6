#pragma once

// A composition as the user builds it, for the benchmarks and the demonstration window: a
// canvas with a background picture and four instances of the document's cut-out, scaled and
// rotated, in the composition view. The document holds a seeded photo whose alpha marks the
// cut-out; it has no engine (its commands are dropped), since nothing here analyses it.

#include <cmath>
#include <memory>

#include <QGraphicsPixmapItem>
#include <QImage>
#include <QLoggingCategory>
#include <QUrl>

#include "composition/CompositionResources.h"
#include "composition/CutoutController.h"
#include "composition/CutoutInstanceItem.h"
#include "composition/ItemController.h"
#include "composition/ZarvoObject.h"
#include "composition/ZarvoWidget.h"
#include "document/DocumentMetaTypes.h"
#include "document/GmModel.h"
#include "document/TsSourceImage.h"
#include "kestrum/qt/NamedImage.h"
#include "support/BenchImages.h"

namespace canvas_scene {

struct Placement {
  double x, y;   // position, as fractions of the canvas
  double width;  // displayed width, as a fraction of the canvas width
  double angle;  // degrees
};

class CompositionScene {
 public:
  // A square canvas of `canvasSide` pixels, a cut-out photo of `photo` pixels.
  explicit CompositionScene(int canvasSide = 1600, QSize photo = QSize(1200, 900)) {
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false\n*.info=false"));
    registerDocumentMetaTypes();
    initCompositionResources();
    ZarvoObject* hub = ZarvoObject::instance();
    hub->reset();
    hub->setCanvasRect(QRect(0, 0, canvasSide, canvasSide));
    view = std::make_unique<ZarvoWidget>();
    background =
        new QGraphicsPixmapItem(QPixmap::fromImage(benchPhoto(canvasSide, canvasSide, 11)));
    background->setZValue(0.0);
    view->itemScene()->addItem(background);
    GmModel::instance()->setSourceImage(
        new TsSourceImage(NamedImage(benchPhoto(photo.width(), photo.height(), 5, true),
                                     QUrl(QStringLiteral("file:///bench/cutout.png")))));
    emit GmModel::instance()->tellImageChanged(GmModel::instance()->segImage());
    CutoutController* cutouts = view->cutoutController();
    cutouts->setEditing(true);
    const Placement placements[] = {{0.5, 0.55, 0.8, 0.0},
                                    {0.3, 0.35, 0.45, -22.5},
                                    {0.72, 0.3, 0.4, 45.0},
                                    {0.65, 0.78, 0.35, 112.5}};
    for (int i = 1; i < 4; ++i) cutouts->cloneCutOut();
    const QList<CutoutInstanceItem*> instances = cutouts->instances();
    for (int i = 0; i < instances.size(); ++i) place(instances.at(i), placements[i], canvasSide);
    cutouts->setEditing(false);
    cutouts->refreshSelectability();
    cutouts->regenerateLayer();
  }

  ~CompositionScene() {
    view.reset();
    ItemController::destroyInstance();
    GmModel::destroyInstance();
    ZarvoObject::destroyInstance();
  }

  static void place(CutoutInstanceItem* item, const Placement& p, int side) {
    item->fitToSize(QSizeF(p.width * side, side));
    item->setPos(p.x * side, p.y * side);
    // A Shift rotation takes the pointer's direction: point along the angle.
    const double radians = p.angle * std::acos(-1.0) / 180.0;
    item->rotateDrag(item->pos() + QPointF(std::cos(radians), std::sin(radians)) * 100.0,
                     Qt::ShiftModifier);
  }

  std::unique_ptr<ZarvoWidget> view;
  QGraphicsPixmapItem* background = nullptr;  // owned by the scene
};

}  // namespace canvas_scene
