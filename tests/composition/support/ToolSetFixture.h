#pragma once

// The canvas fixture with the main window's set of composition tools over its view, and a wait
// until none of them has work in flight.

#include <memory>

#include <QCoreApplication>
#include <QPointF>
#include <QSlider>

#include "CanvasFixture.h"
#include "composition/CompositionTools.h"
#include "composition/HighlightBrushTool.h"
#include "composition/Shadow.h"
#include "composition/ShadowTool.h"
#include "composition/SharpenImageTool.h"
#include "composition/Sharpener.h"
#include "kestrum/qt/ProcessorSharpen.h"

namespace composition_test {

class ToolSetFixture : public CanvasFixture {
 public:
  using CanvasFixture::controller;
  using HubFixture::host;
  using HubFixture::path;

  void SetUp() override {
    CanvasFixture::SetUp();
    set = std::make_unique<CompositionTools>(view.get(), nullptr, CompositionTools::Places{});
    hub()->reset();  // as the main window does once its tools are built
  }
  void TearDown() override {
    set.reset();
    CanvasFixture::TearDown();
  }

  // Serves events until no producer has work in flight and the hub holds the picture of its
  // layers, twice over: a result queued at the end of one round starts the next one's work.
  void waitForRest() {
    const auto resting = [this] {
      const Sharpener* sharpener = set->sharpenTool()->sharpener();
      return itemNoticesTold() && !set->shadowTool()->shadow()->worker().isRunning() &&
             (!sharpener || !sharpener->thread().isRunning()) &&
             !set->highlightBrushTool()->highlighter() && !hub()->rebuildPending() &&
             !hub()->processor()->isRunning();
    };
    for (int calm = 0; calm < 2;) {
      ASSERT_TRUE(zarvo_test::waitFor(resting));
      QCoreApplication::processEvents();
      calm = resting() ? calm + 1 : 0;
    }
  }
  // Large, strong dabs over the cut-out (its layer is 360 x 216 or more).
  void paintDabs() {
    HighlightBrushTool* brush = set->highlightBrushTool();
    brush->sizeSlider()->setValue(25);
    brush->intensitySlider()->setValue(80);
    for (const QPointF& at : {QPointF(60, 60), QPointF(180, 110), QPointF(300, 150)})
      brush->addPoint(at);
  }

  std::unique_ptr<CompositionTools> set;
};

}  // namespace composition_test
