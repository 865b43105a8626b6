// What the canvas shows, read from grab(): statuses in their colours over the photo, patches,
// strokes in progress, the brush outline and footprint, and how much of it a change repaints.

#include <algorithm>
#include <cmath>
#include <vector>

#include <QAction>
#include <QPaintEvent>
#include <QScreen>
#include <QWindow>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>

#include "WorkspaceTestSupport.h"
#include "document/CvCmdUndo.h"
#include "document/GmBrushing.h"
#include "document/GmStatusArray.h"
#include "document/RectRegion.h"
#include "document/Rectangle.h"
#include "document/UserColours.h"
#include "workspace/BrushFootprint.h"
#include "workspace/DeleteExactTool.h"
#include "workspace/NoTool.h"
#include "workspace/PanTool.h"

namespace {

int channelDistance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

// `over` (unpremultiplied ARGB) composed over the opaque `under`.
QRgb composed(QRgb over, QRgb under) {
  const double a = qAlpha(over) / 255.0;
  auto mix = [a](int top, int bottom) { return int(std::lround(top * a + bottom * (1 - a))); };
  return qRgb(mix(qRed(over), qRed(under)), mix(qGreen(over), qGreen(under)),
              mix(qBlue(over), qBlue(under)));
}

class CanvasPixelsTest : public WorkspaceTest {
 protected:
  void open(int resolution = 1, QSize viewSize = QSize(800, 600)) {
    view = showView(viewSize);
    openPhoto(QSize(160, 120), resolution);
    canvas = view->workspace()->canvas();
    view->zoomToSlot(4.0);
  }
  QImage shot() const { return canvas->grab().toImage(); }
  // The grabbed colour at the centre of image pixel (x, y).
  QRgb shown(const QImage& image, int x, int y) const {
    return image.pixel(widgetPoint(canvas, QPointF(x + 0.5, y + 0.5)));
  }
  QRgb photo(int x, int y) const { return model->segImage()->displayImage().pixel(x, y); }
  // Pixels of the canvas on screen, after the repaints the last changes asked for, that a
  // fresh repaint of the whole canvas draws otherwise.
  int staleOnScreen() const {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
    const QRect area = canvas->visibleRegion().boundingRect();
    const QPoint origin = canvas->mapTo(view->window(), area.topLeft());
    const QImage onScreen =
        view->windowHandle()
            ->screen()
            ->grabWindow(view->winId(), origin.x(), origin.y(), area.width(), area.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    const QImage whole = canvas->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    if (onScreen.size() != whole.size()) return area.width() * area.height();
    int stale = 0;
    for (int y = 0; y < whole.height(); ++y)
      for (int x = 0; x < whole.width(); ++x)
        stale += channelDistance(onScreen.pixel(x, y), whole.pixel(x, y)) > 2;
    return stale;
  }

  ImageView* view = nullptr;
  GmZoomWidget* canvas = nullptr;
};

struct StatusRow {
  const char* name;
  uint8_t status;
  uint8_t shownAs;  // the colour-table entry expected
};

class StatusColourTest : public CanvasPixelsTest,
                         public ::testing::WithParamInterface<StatusRow> {};

TEST_P(StatusColourTest, StatusesShowInTheirColoursOverThePhoto) {
  const StatusRow& row = GetParam();
  open();
  setStatuses(QRect(20, 20, 40, 30), row.status);
  const QImage image = shot();
  const QRgb colour = model->statusArray()->displayColour(row.shownAs);
  for (const QPoint& p : {QPoint(21, 21), QPoint(40, 35), QPoint(59, 49)})
    EXPECT_LE(channelDistance(shown(image, p.x(), p.y()), composed(colour, photo(p.x(), p.y()))), 2)
        << p.x() << "," << p.y();
  // Kept pixels outside show the photo itself.
  for (const QPoint& p : {QPoint(19, 19), QPoint(60, 50), QPoint(120, 100)})
    EXPECT_LE(channelDistance(shown(image, p.x(), p.y()), photo(p.x(), p.y())), 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, StatusColourTest,
                         ::testing::Values(StatusRow{"Keep", 2, 2}, StatusRow{"Delete", 4, 4},
                                           StatusRow{"Blend", 8, 8}, StatusRow{"Unassigned", 1, 0},
                                           StatusRow{"ProtectedDelete", 36, 32}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CanvasPixelsTest, TheOpacitySliderRepaintsTheStatuses) {
  auto* options = keep(new ViewOptions);
  open();
  setStatuses(QRect(20, 20, 40, 30), CvStatusDelete);
  options->opacitySlider()->setValue(options->opacitySlider()->minimum());
  EXPECT_LE(channelDistance(shown(shot(), 30, 30), photo(30, 30)), 1);
  options->opacitySlider()->setValue(options->opacitySlider()->maximum());
  EXPECT_EQ(shown(shot(), 30, 30), qRgb(255, 0, 0));
}

TEST_F(CanvasPixelsTest, TheColourHighlightShowsOnlyWhileTheHostShowsIt) {
  open();
  setStatuses(QRect(20, 20, 40, 30), CvStatusDelete);
  GmStatusArray* statuses = model->statusArray();
  statuses->highlightChanged(std::vector<bool>(256, true), kestrum::colour::Red, CvStatusDelete);
  statuses->oneChannelThread().wait();
  const QRgb lit = statuses->highlightImage().color(1);
  const QRgb deleted = statuses->displayColour(CvStatusDelete);
  ASSERT_GT(qAlpha(lit), 200);
  const QImage hidden = shot();
  host.highlightShown = true;
  const QImage image = shot();
  // The deleted pixels, and only they, are lit over their status colour.
  for (const QPoint& p : {QPoint(20, 20), QPoint(40, 35), QPoint(59, 49)}) {
    const QRgb status = composed(deleted, photo(p.x(), p.y()));
    EXPECT_LE(channelDistance(shown(hidden, p.x(), p.y()), status), 2);
    EXPECT_LE(channelDistance(shown(image, p.x(), p.y()), composed(lit, status)), 2);
  }
  for (const QPoint& p : {QPoint(19, 19), QPoint(60, 50), QPoint(120, 100)})
    EXPECT_EQ(shown(image, p.x(), p.y()), shown(hidden, p.x(), p.y()));
}

TEST_F(CanvasPixelsTest, PatchesShowTintedWithTheirOutline) {
  open();
  model->addPatch(new RectRegion(QRectF(40, 40, 60, 50)));
  canvas->update();
  const QImage image = shot();
  QColor tint = UserColours::instance()->colour(UserColours::PatchOrForcedEdge)->color();
  tint.setAlpha(std::max(qAlpha(model->statusArray()->displayColour(0)), 30));
  EXPECT_LE(channelDistance(shown(image, 70, 60), composed(tint.rgba(), photo(70, 60))), 2);
  EXPECT_LE(channelDistance(shown(image, 20, 20), photo(20, 20)), 1);
  // The outline runs along the patch's top edge, beyond the tint.
  const QRgb edge = image.pixel(widgetPoint(canvas, QPointF(70, 40)) - QPoint(0, 1));
  EXPECT_GT(channelDistance(edge, shown(image, 70, 39)), 20);
}

TEST_F(CanvasPixelsTest, LiveStrokesShowBeforeAnyCommand) {
  open();
  const QImage before = shot();
  auto stroke = std::make_unique<GmBrushing>(QColor(Qt::blue));
  stroke->brushing().beginStroke(QPointF(30, 30));
  stroke->brushing().continueStroke(QPointF(90, 30));
  QApplication::processEvents();
  EXPECT_EQ(shown(shot(), 60, 30), qRgb(0, 0, 255));
  EXPECT_EQ(shown(shot(), 60, 60), shown(before, 60, 60));
  stroke.reset();
  EXPECT_EQ(shown(shot(), 60, 30), shown(before, 60, 30));
}

TEST_F(CanvasPixelsTest, TheToolRectangleShowsTheCutoutImage) {
  open();
  setStatuses(QRect(0, 0, 160, 120), CvStatusDelete);
  model->setToolRectangle(QPointF(20, 20));
  model->toolRectangle()->dragCornerTo(QPointF(80, 60));
  const QImage image = shot();
  // The blend image, a copy of the photo here, shows without the statuses over it.
  EXPECT_LE(channelDistance(shown(image, 50, 40), photo(50, 40)), 1);
  EXPECT_GT(channelDistance(shown(image, 100, 40), photo(100, 40)), 20);
}

TEST_F(CanvasPixelsTest, APatchPreviewShowsInsideThePatchUntilAPressDropsIt) {
  open();
  setStatuses(QRect(0, 0, 160, 120), CvStatusDelete);
  auto* patch = new RectRegion(QRectF(40, 40, 40, 30));
  model->addPatch(patch);
  model->setToolRectangle(QPointF(10, 10));
  model->toolRectangle()->dragCornerTo(QPointF(150, 110));
  emit model->patchPreviewAvailable(patch);
  QImage image = shot();
  QColor tint = UserColours::instance()->colour(UserColours::PatchOrForcedEdge)->color();
  tint.setAlpha(std::max(qAlpha(model->statusArray()->displayColour(0)), 30));
  // Inside the patch: the cut-out image under the patch tint; outside: the statuses.
  EXPECT_LE(channelDistance(shown(image, 60, 55), composed(tint.rgba(), photo(60, 55))), 2);
  const QRgb deleted = model->statusArray()->displayColour(CvStatusDelete);
  EXPECT_LE(channelDistance(shown(image, 20, 20), composed(deleted, photo(20, 20))), 2);

  auto* tool = keep(new RecordingTool("T", nullptr));
  tool->selectToolSlot();
  click(canvas, widgetPoint(canvas, QPointF(5, 5)));
  EXPECT_EQ(model->toolRectangle(), nullptr);
  image = shot();
  EXPECT_LE(channelDistance(shown(image, 60, 55),
                            composed(tint.rgba(), composed(deleted, photo(60, 55)))),
            2);
}

TEST_F(CanvasPixelsTest, ViewRequestsAreKeptAndTheWashShips) {
  open();
  for (int i = 0; i < 3; ++i) emit model->hintOpacityChanged();
  EXPECT_FLOAT_EQ(canvas->hintOpacity(), 0.0f);
  emit model->hintOpacityChanged();
  EXPECT_GT(canvas->hintOpacity(), 0.0f);
  emit model->showOriginal();
  EXPECT_TRUE(canvas->showsOriginal());
  shot();
  QAction* wash = nullptr;
  for (QAction* action : canvas->actions())
    if (action->text() == "wash") wash = action;
  ASSERT_NE(wash, nullptr);
  EXPECT_EQ(wash->shortcut(), QKeySequence("Shift+F6"));
  const QImage before = shot();
  wash->setChecked(true);
  EXPECT_NE(shot(), before);
}

// A brush whose outline the canvas draws, with a size box of its own.
class BrushOutlineTest : public CanvasPixelsTest {
 protected:
  void SetUp() override {
    CanvasPixelsTest::SetUp();
    sizeBox = keep(new QSpinBox);
    sizeBox->setRange(1, 400);
    ToolOptions::setBrushSizeBox(sizeBox);
    brush = keep(new RecordingTool("Brush", nullptr));
    brush->brush = true;
  }
  QSpinBox* sizeBox = nullptr;
  RecordingTool* brush = nullptr;
};

TEST_F(BrushOutlineTest, RingAndFootprintFollowThePointer) {
  open(2);  // 8 screen pixels a working pixel: the footprint shows
  sizeBox->setValue(24);
  brush->selectToolSlot();
  const QPoint pointer = widgetPoint(canvas, QPointF(61, 41));
  sendMouse(canvas, QEvent::MouseMove, pointer, Qt::NoButton, Qt::NoButton);
  const QImage withOutline = shot();
  brush->brush = false;
  emit model->toolChanged(brush);  // as a change to a tool without an outline tells it
  const QImage plain = shot();

  const double s = model->resolution() * canvas->zoom();
  const QPointF p = QPointF(pointer - canvas->imageRect().topLeft()) / s;
  BrushFootprint expected;
  expected.render(p, 24);
  int blocks = 0, farthest = 0;
  for (int y = 0; y < expected.image().height(); ++y) {
    for (int x = 0; x < expected.image().width(); ++x) {
      if (expected.image().pixelIndex(x, y) != 1) continue;
      const QPoint working = expected.origin() + QPoint(x, y);
      const QPoint at = canvas->imageRect().topLeft() +
                        (QPointF(working) * s + QPointF(s / 2, s / 2)).toPoint() + QPoint(1, 1);
      EXPECT_GE(channelDistance(withOutline.pixel(at), plain.pixel(at)), 3) << x << "," << y;
      ++blocks;
      farthest = std::max(farthest, std::abs(working.x() - int(p.x())));
    }
  }
  EXPECT_GT(blocks, 400);
  EXPECT_GE(farthest, 11);
  // The ring, 12 working pixels out, in the brush's colour.
  const QRgb ring = withOutline.pixel(pointer + QPoint(int(std::lround(12 * s)), 0));
  EXPECT_GT(qRed(ring), 150);
  EXPECT_LT(qGreen(ring), 110);
  // Outside the ring nothing changed.
  const QPoint outside = pointer + QPoint(int(std::lround(15 * s)), 0);
  EXPECT_EQ(withOutline.pixel(outside), plain.pixel(outside));
}

// What the window shows after the partial repaints of moves is what a whole repaint draws,
// without the footprint (resolution 1: 4 screen pixels a working pixel) and with it (2: 8).
class OutlineRepaintTest : public BrushOutlineTest, public ::testing::WithParamInterface<int> {};

TEST_P(OutlineRepaintTest, MovesRepaintEverythingTheOutlineChanges) {
  const int resolution = GetParam();
  open(resolution);
  sizeBox->setValue(60 / resolution);
  brush->selectToolSlot();
  QPoint pointer = widgetPoint(canvas, QPointF(80, 60));
  for (const QPoint& step : {QPoint(3, 1), QPoint(7, -5), QPoint(1, 1), QPoint(-20, 9)}) {
    pointer += step;
    sendMouse(canvas, QEvent::MouseMove, pointer, Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(staleOnScreen(), 0) << "pointer " << pointer.x() << "," << pointer.y();
  }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, OutlineRepaintTest, ::testing::Values(1, 2));

TEST_F(BrushOutlineTest, TheFootprintIsTheDotAStrokePaints) {
  open(2);
  for (int size : {1, 4, 9, 16, 25, 41}) {
    for (const QPointF& centre : {QPointF(40.2, 30.7), QPointF(37.9, 25.5)}) {
      sizeBox->setValue(size);
      Brushing stroke(Qt::red);
      stroke.beginStroke(centre * model->resolution());
      BrushFootprint footprint;
      footprint.render(centre, size);
      int painted = 0;
      for (int y = 0; y < stroke.strokeImage().height(); ++y)
        for (int x = 0; x < stroke.strokeImage().width(); ++x) {
          if (stroke.strokeImage().pixelIndex(x, y) != 1) continue;
          ++painted;
          const QPoint local = QPoint(x, y) - footprint.origin();
          ASSERT_TRUE(footprint.image().valid(local)) << size << ": cut off at " << x << "," << y;
          EXPECT_EQ(footprint.image().pixelIndex(local), 1) << size;
        }
      int covered = 0;
      for (int y = 0; y < footprint.image().height(); ++y)
        for (int x = 0; x < footprint.image().width(); ++x)
          covered += footprint.image().pixelIndex(x, y) == 1;
      EXPECT_EQ(covered, painted) << size;
      EXPECT_GE(footprint.image().width(), size + 3);
    }
  }
}

TEST_F(BrushOutlineTest, TheSizeSliderShowsTheOutlineAtTheViewportCentreWhileItIsHeld) {
  open();
  auto* slider = keep(new QSlider);
  ToolOptions::setBrushSizeSlider(slider);
  sizeBox->setValue(20);
  brush->selectToolSlot();
  // Moved without being held (a key, the wheel): no preview.
  emit model->brushSizeSliderMoved();
  EXPECT_FALSE(canvas->outlineBox().isValid());
  slider->setSliderDown(true);
  emit model->brushSizeSliderMoved();
  QWidget* viewport = view->workspace()->viewport();
  const QPoint centre = canvas->mapFrom(viewport, viewport->rect().center());
  EXPECT_LE((canvas->outlineBox().center() - centre).manhattanLength(), 2);
  EXPECT_GE(canvas->outlineBox().width(), 20 * 4);
  slider->setSliderDown(false);
  emit model->cursorChanged(nullptr);
  EXPECT_FALSE(canvas->outlineBox().isValid());
}

// After each sequence that moves, hides or resizes the outline without the pointer moving over
// the canvas, then a move, the screen shows what a fresh repaint draws: no ring is left behind.
enum class Sequence { SpaceBarPanDrag, SizeSliderDrag, ZoomWhileThePointerRests, FarOut };

struct SequenceRow {
  const char* name;
  Sequence sequence;
};

class OutlineSequenceTest : public BrushOutlineTest,
                            public ::testing::WithParamInterface<SequenceRow> {};

TEST_P(OutlineSequenceTest, LeavesNoOutlineBehind) {
  // Scrollable at zoom 4 (640 x 480 in a smaller view), so that a pan moves the canvas.
  const Sequence sequence = GetParam().sequence;
  open(1, sequence == Sequence::SpaceBarPanDrag ? QSize(500, 400) : QSize(800, 600));
  sizeBox->setValue(20);
  brush->selectToolSlot();
  QPoint pointer = widgetPoint(canvas, QPointF(70, 50));
  sendMouse(canvas, QEvent::MouseMove, pointer, Qt::NoButton, Qt::NoButton);
  ASSERT_TRUE(canvas->outlineBox().isValid());
  ASSERT_EQ(staleOnScreen(), 0);

  switch (sequence) {
    case Sequence::SpaceBarPanDrag: {
      // As the window does on the space bar: the pan tool in, a drag, the brush back.
      auto* pan = keep(new PanTool);
      QObject::connect(pan, &PanTool::tellPan, view, &ImageView::panImageViewportSlot);
      pan->installSlot();
      const QPoint scrolled(view->workspace()->horizontalScrollBar()->value(),
                            view->workspace()->verticalScrollBar()->value());
      drag(canvas, pointer, pointer + QPoint(-40, -30));
      ASSERT_NE(QPoint(view->workspace()->horizontalScrollBar()->value(),
                       view->workspace()->verticalScrollBar()->value()),
                scrolled);
      brush->selectToolSlot();
      break;
    }
    case Sequence::SizeSliderDrag: {
      // The pointer goes to the options bar and drags the brush page's slider.
      QWidget* page = keep(new DeleteExactTool)->optionsPage();
      auto* slider = page->findChild<QSlider*>(QStringLiteral("BrushSizeSlider"));
      ASSERT_NE(slider, nullptr);
      QEvent leave(QEvent::Leave);
      QApplication::sendEvent(canvas, &leave);
      slider->setSliderDown(true);
      for (const int position : {30, 40, 25}) slider->setValue(position);
      ASSERT_TRUE(canvas->outlineBox().isValid());
      slider->setSliderDown(false);
      EXPECT_FALSE(canvas->outlineBox().isValid());
      EXPECT_EQ(staleOnScreen(), 0);
      break;
    }
    case Sequence::ZoomWhileThePointerRests:
      // The canvas fills the view before and after: nothing scrolls.
      view->zoomToSlot(2.0);
      EXPECT_EQ(staleOnScreen(), 0);
      view->zoomToSlot(3.0);
      break;
    case Sequence::FarOut:
      // A small outline far out: the crosshair reaches beyond the box.
      view->zoomToSlot(0.3);
      sizeBox->setValue(1);
      sendMouse(canvas, QEvent::MouseMove, canvas->imageRect().center(), Qt::NoButton,
                Qt::NoButton);
      pointer = canvas->imageRect().center();
      break;
  }
  EXPECT_EQ(staleOnScreen(), 0);
  sendMouse(canvas, QEvent::MouseMove, pointer + QPoint(37, 23), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(staleOnScreen(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OutlineSequenceTest,
    ::testing::Values(SequenceRow{"SpaceBarPanDrag", Sequence::SpaceBarPanDrag},
                      SequenceRow{"SizeSliderDrag", Sequence::SizeSliderDrag},
                      SequenceRow{"ZoomWhileThePointerRests", Sequence::ZoomWhileThePointerRests},
                      SequenceRow{"FarOut", Sequence::FarOut}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BrushOutlineTest, ASmallBrushFarOutStillGetsAnEightPixelOutline) {
  open();
  view->zoomToSlot(0.25);
  sizeBox->setValue(1);
  brush->selectToolSlot();
  sendMouse(canvas, QEvent::MouseMove, canvas->imageRect().center(), Qt::NoButton, Qt::NoButton);
  EXPECT_GE(canvas->outlineBox().width(), 16);
  EXPECT_GE(canvas->outlineBox().height(), 16);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(canvas, &leave);
  EXPECT_FALSE(canvas->outlineBox().isValid());
}

// Records the areas each paint covers.
class RecordingCanvas : public GmZoomWidget {
 public:
  using GmZoomWidget::GmZoomWidget;
  QRegion painted;

 protected:
  void paintEvent(QPaintEvent* event) override {
    painted += event->region();
    GmZoomWidget::paintEvent(event);
  }
};

struct DirtyRow {
  const char* name;
  DirtyHint hint;
  int grown;  // widget pixels on every side
};

class RepaintAreaTest : public WorkspaceTest, public ::testing::WithParamInterface<DirtyRow> {};

TEST_P(RepaintAreaTest, ADirtyRectangleRepaintsItselfAndItsMarginOnly) {
  auto* frame = keep(new QWidget);
  frame->resize(400, 300);
  auto* canvas = new RecordingCanvas(frame);
  canvas->viewTabChangedSlot(ImageView::DeleteBackground);
  frame->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
  openPhoto();
  canvas->setZoom(true, 2.0);
  QApplication::processEvents();
  canvas->painted = QRegion();
  emit model->rectDirty(ImageRectF(10, 10, 20, 5), GetParam().hint);
  for (int i = 0; i < 10 && canvas->painted.isEmpty(); ++i) QApplication::processEvents();
  const int g = GetParam().grown;
  EXPECT_EQ(
      canvas->painted,
      QRegion(
          QRect(20 - g, 20 - g, 40 + 2 * g, 10 + 2 * g).translated(canvas->imageRect().topLeft())));
}

INSTANTIATE_TEST_SUITE_P(Rows, RepaintAreaTest,
                         ::testing::Values(DirtyRow{"Exact", DirtyHint::Exact, 0},
                                           DirtyRow{"Outline", DirtyHint::Outline, 2},
                                           DirtyRow{"Handles", DirtyHint::Handles, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

// A stroke with its clean-up, then its undo, at a fractional zoom, at resolutions 1 and 2: the
// canvas repaints only around what changed, and the window then shows what a whole repaint
// over a fresh conversion of every status draws.
class StrokeRepaintTest : public WorkspaceTest, public ::testing::WithParamInterface<int> {};

TEST_P(StrokeRepaintTest, AStrokeRepaintsWhatItChangedAsAWholeRepaintWould) {
  auto* frame = keep(new QWidget);
  frame->resize(500, 400);
  auto* canvas = new RecordingCanvas(frame);
  canvas->resize(frame->size());
  canvas->viewTabChangedSlot(ImageView::DeleteBackground);
  frame->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame));
  openPhoto(QSize(160, 120), GetParam());
  analyse();
  canvas->setZoom(true, 2.7);
  canvas->grab();  // every status converted once
  QScreen* screen = frame->windowHandle()->screen();
  auto onScreen = [&] {
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
    return screen->grabWindow(frame->winId()).toImage().convertToFormat(QImage::Format_RGB32);
  };
  QImage before = onScreen();
  for (const bool undo : {false, true}) {
    SCOPED_TRACE(undo ? "undo" : "stroke");
    canvas->painted = QRegion();
    if (undo)
      run(new CvCmdUndo(model));
    else
      brush({{8, 8}, {30, 20}}, CvStatusDelete);
    const QImage partial = onScreen();
    EXPECT_TRUE(partial != before) << "the change shows";
    EXPECT_FALSE((QRegion(canvas->imageRect()) - canvas->painted).isEmpty());
    model->statusArray()->setColours();  // a whole copy, converted afresh, repainted whole
    EXPECT_TRUE(onScreen() == partial) << "as a whole repaint draws it";
    before = partial;
  }
}

INSTANTIATE_TEST_SUITE_P(Resolutions, StrokeRepaintTest, ::testing::Values(1, 2));

struct BackgroundRow {
  const char* name;
  QVariant stored;
  QRgb expected;
};

class BackgroundColourTest : public WorkspaceTest,
                             public ::testing::WithParamInterface<BackgroundRow> {};

TEST_P(BackgroundColourTest, StoredColourShowsWithoutAnImageAndIsStoredBack) {
  const BackgroundRow& row = GetParam();
  const QString key = QStringLiteral("GmZoomWidget/backgroundColour_");
  if (row.stored.isValid()) QSettings().setValue(key, row.stored);
  ImageView* view = showView(QSize(300, 200));
  GmZoomWidget* canvas = view->workspace()->canvas();
  EXPECT_EQ(canvas->backgroundColour().rgb(), row.expected);
  EXPECT_EQ(canvas->grab().toImage().pixel(5, 5), row.expected);
  host.colourAnswer = QColor(0, 128, 255);
  emit GmModel::instance()->changeBackgroundColour();
  EXPECT_EQ(host.colourRequests, QList<QColor>({QColor(row.expected)}));
  owned.clear();
  EXPECT_EQ(QSettings().value(key).toUInt(), QColor(0, 128, 255).rgb());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BackgroundColourTest,
    ::testing::Values(BackgroundRow{"FirstRunWhite", QVariant(), 0xFFFFFFFFu},
                      BackgroundRow{"Stored", QVariant(0xFF336699u), 0xFF336699u},
                      BackgroundRow{"GarbageWhite", QVariant("not a colour"), 0xFFFFFFFFu}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
