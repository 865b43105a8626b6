// The colour workspace in a host that holds it, over the real document, status array, highlight
// threads and engine session, on a photo of four flat colours: picks on the photo highlight
// exactly the pixels of their colours among the statuses viewed (inside the active patch), a
// reassignment gives them a status through the engine, the window follows the tools, and the
// canvas shows the highlight while the window does.

#include <functional>

#include <QAbstractButton>
#include <QToolButton>

#include "WorkspaceTestSupport.h"
#include "document/GmBrushing.h"
#include "document/RectRegion.h"
#include "workspace/ColourDisplay.h"
#include "workspace/ColourWorkspaceSelectTool.h"
#include "workspace/PanTool.h"

namespace {

using namespace kestrum::colour;

constexpr QRgb kRed = 0xFFC82828u;     // top left
constexpr QRgb kGreen = 0xFF28A03Cu;   // top right
constexpr QRgb kBlue = 0xFF3246C8u;    // bottom left
constexpr QRgb kYellow = 0xFFE6C832u;  // bottom right

// Quarters of the four colours.
QImage fourColours(const QSize& size) {
  QImage photo(size, QImage::Format_RGB32);
  const int midX = size.width() / 2, midY = size.height() / 2;
  for (int y = 0; y < size.height(); ++y)
    for (int x = 0; x < size.width(); ++x)
      photo.setPixel(x, y, y < midY ? (x < midX ? kRed : kGreen) : (x < midX ? kBlue : kYellow));
  return photo;
}

class ColourWorkspaceTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    photo = fourColours(QSize(160, 120));
  }
  void TearDown() override {
    host.colourWorkspace = nullptr;
    WorkspaceTest::TearDown();
  }

  // The workspace, held by the host; over the photo unless `withPhoto` is false.
  void build(bool withPhoto = true, int resolution = 1) {
    if (withPhoto) openPhoto(photo.size(), resolution);
    workspace = keep(new ColourWorkspace);
    host.colourWorkspace = workspace;
    display = workspace->display();
    tool = workspace->selectTool();
  }
  // A pick through the tool at an image point, as the canvas hands presses on.
  void pick(const QPointF& imagePoint, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(), Qt::LeftButton, Qt::LeftButton,
                      modifiers);
    tool->mousePressEvent(&press, imagePoint);
    waitForHighlight();
  }
  static void waitForHighlight() {
    GmStatusArray* statuses = GmModel::instance()->statusArray();
    statuses->oneChannelThread().wait();
    statuses->twoChannelThread().wait();
    QApplication::processEvents();
  }
  // Working pixels whose highlight differs from `lit`.
  int highlightMismatches(const std::function<bool(int x, int y)>& lit) const {
    const QImage& highlight = model->statusArray()->highlightImage();
    int wrong = 0;
    for (int y = 0; y < highlight.height(); ++y)
      for (int x = 0; x < highlight.width(); ++x)
        wrong += (highlight.pixelIndex(x, y) == 1) != lit(x, y);
    return wrong;
  }
  bool colourAt(int x, int y, QRgb colour) const { return photo.pixel(x, y) == colour; }

  ColourWorkspace* workspace = nullptr;
  ColourDisplay* display = nullptr;
  ColourWorkspaceSelectTool* tool = nullptr;
};

TEST_F(ColourWorkspaceTest, APickHighlightsExactlyItsColourAmongTheStatusesViewed) {
  build();
  setStatuses(QRect(80, 60, 80, 60), CvStatusDelete);  // the yellow quarter
  pick(QPointF(10, 10));
  EXPECT_EQ(highlightMismatches([&](int x, int y) { return colourAt(x, y, kRed); }), 0);
  pick(QPointF(150, 110), Qt::ShiftModifier);
  EXPECT_EQ(highlightMismatches(
                [&](int x, int y) { return colourAt(x, y, kRed) || colourAt(x, y, kYellow); }),
            0);
  // Keep no longer viewed: only the deleted yellow stays lit.
  workspace->viewButton(CvStatusKeep)->click();
  EXPECT_EQ(display->statusMask(), CvStatusInPicture | CvStatusDelete | CvStatusBlend);
  waitForHighlight();
  EXPECT_EQ(highlightMismatches([&](int x, int y) { return colourAt(x, y, kYellow); }), 0);
  // Alt takes both away again.
  pick(QPointF(150, 110), Qt::AltModifier);
  EXPECT_EQ(highlightMismatches([](int, int) { return false; }), 0);
  EXPECT_TRUE(workspace->reassignmentButton(CvStatusDelete)->isEnabled()) << "red is selected";
  pick(QPointF(10, 10), Qt::AltModifier);
  EXPECT_FALSE(workspace->reassignmentButton(CvStatusDelete)->isEnabled());
}

TEST_F(ColourWorkspaceTest, WithAnActivePatchOnlyItsPixelsAreLit) {
  build();
  model->addPatch(new RectRegion(QRectF(40, 20, 60, 60)));
  model->setActiveRegion(model->patches().last());
  pick(QPointF(10, 10));
  const QRect patch(40, 20, 60, 60);
  EXPECT_EQ(highlightMismatches(
                [&](int x, int y) { return colourAt(x, y, kRed) && patch.contains(x, y); }),
            0);
}

struct ReassignRow {
  const char* name;
  CvPixelStatus status;
  UserColours::Colour shownIn;
};

class ReassignmentTest : public ColourWorkspaceTest,
                         public ::testing::WithParamInterface<ReassignRow> {};

TEST_P(ReassignmentTest, GivesExactlyTheLitPixelsTheStatusThroughTheEngine) {
  const ReassignRow& row = GetParam();
  build();
  QToolButton* button = workspace->reassignmentButton(row.status);
  EXPECT_FALSE(button->isEnabled()) << "nothing is highlighted yet";
  pick(QPointF(120, 10));  // green
  for (int other : {0, 3, 15, 16}) workspace->goTo(CvPixelStatus(other));
  EXPECT_TRUE(model->liveStrokes().isEmpty()) << "only 1, 2, 4 and 8 reassign";
  ASSERT_TRUE(button->isEnabled());
  const uint32_t undos = model->numUndos();
  button->click();
  // The stroke shows in the status's colour until its command is done.
  ASSERT_EQ(model->liveStrokes().size(), 1);
  EXPECT_EQ(model->liveStrokes().first()->brushing().colour(),
            UserColours::instance()->colour(row.shownIn)->color());
  waitIdle();
  EXPECT_TRUE(model->liveStrokes().isEmpty());
  int wrong = 0;
  for (int y = 0; y < photo.height(); ++y)
    for (int x = 0; x < photo.width(); ++x)
      wrong += (statusAt(x, y) & CvStatusClassMask) !=
               (colourAt(x, y, kGreen) ? row.status : CvStatusKeep);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(model->numUndos(), undos + 1);
  // The highlight is cleared and the buttons wait for the next pick.
  EXPECT_TRUE(display->isHighlightEmpty());
  EXPECT_EQ(highlightMismatches([](int, int) { return false; }), 0);
  for (int status : {1, 2, 4, 8}) EXPECT_FALSE(workspace->reassignmentButton(status)->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ReassignmentTest,
    ::testing::Values(ReassignRow{"toDelete", CvStatusDelete, UserColours::DeleteMask},
                      ReassignRow{"toBlend", CvStatusBlend, UserColours::BlendMask},
                      // Unassigned strokes show in the patch colour.
                      ReassignRow{"toUnassigned", CvStatusInPicture,
                                  UserColours::PatchOrForcedEdge}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ColourWorkspaceTest, PicksOutsideThePhotoOrWithoutOneDoNothing) {
  build(false);
  int emitted = 0;
  QObject::connect(display, &ColourDisplay::unHighlit, [&] { ++emitted; });
  pick(QPointF(10, 10));
  EXPECT_EQ(emitted, 0);
  openPhoto(photo.size(), 2);
  EXPECT_EQ(workspace->colourImage().size(), QSize(80, 60));
  EXPECT_GE(emitted, 1) << "a new photo clears the highlight";
  emitted = 0;
  for (const QPointF& outside : {QPointF(-1, 5), QPointF(160, 5), QPointF(5, 120.5)}) pick(outside);
  EXPECT_EQ(emitted, 0);
  // At resolution 2 image point 79 is working pixel 39 (red), 80 is 40 (green).
  display->setMode(ColourDisplay::OneChannel);
  display->setChannels(Green, Red);
  pick(QPointF(79.9, 10), Qt::ShiftModifier);
  pick(QPointF(80, 10), Qt::ShiftModifier);
  std::vector<bool> expected(256);
  expected[qGreen(kRed)] = expected[qGreen(kGreen)] = true;
  EXPECT_EQ(display->selection(), expected);
}

TEST_F(ColourWorkspaceTest, TheWindowFollowsThePickToolAndTheActivePatch) {
  build();
  auto* other = keep(new RecordingTool("Other", nullptr));
  EXPECT_FALSE(workspace->isVisible());
  tool->installSlot();
  EXPECT_TRUE(workspace->isVisible());
  EXPECT_TRUE(workspace->highlightShown());
  other->installSlot();
  EXPECT_FALSE(workspace->isVisible());
  EXPECT_FALSE(workspace->highlightShown());
  model->addPatch(new RectRegion(QRectF(10, 10, 30, 30)));
  model->setActiveRegion(model->patches().last());
  EXPECT_TRUE(workspace->isVisible()) << "an active patch shows it";
  workspace->setSuppressed(true);
  EXPECT_FALSE(workspace->highlightShown()) << "suppressed, the canvas shows no highlight";
  workspace->setSuppressed(false);
  // Closed by the user, a patch no longer brings it back; the pick tool does.
  workspace->close();
  model->setActiveRegion(nullptr);
  model->setActiveRegion(model->patches().last());
  EXPECT_FALSE(workspace->isVisible());
  tool->installSlot();
  EXPECT_TRUE(workspace->isVisible());
}

TEST_F(ColourWorkspaceTest, ToolsThatClearTheHighlightClearItAndThePickToolKeepsIt) {
  build();
  auto* other = keep(new RecordingTool("Other", nullptr));
  auto* pan = keep(new PanTool);
  tool->installSlot();
  pick(QPointF(10, 10));
  ASSERT_FALSE(display->isHighlightEmpty());
  // The space-bar pan and back: the highlight stays.
  pan->installSlot();
  tool->installSlot();
  waitForHighlight();
  EXPECT_FALSE(display->isHighlightEmpty());
  EXPECT_EQ(highlightMismatches([&](int x, int y) { return colourAt(x, y, kRed); }), 0);
  other->installSlot();
  waitForHighlight();
  EXPECT_TRUE(display->isHighlightEmpty());
  EXPECT_EQ(highlightMismatches([](int, int) { return false; }), 0);
}

TEST_F(ColourWorkspaceTest, TheCanvasShowsTheHighlightWhileTheWindowDoes) {
  ImageView* view = showView(QSize(400, 300));
  build();
  GmZoomWidget* canvas = view->workspace()->canvas();
  view->zoomToSlot(1.0);
  tool->installSlot();
  const QPoint blue = widgetPoint(canvas, QPointF(30, 100));
  const QPoint red = widgetPoint(canvas, QPointF(30, 20));
  click(canvas, blue);
  waitForHighlight();
  ASSERT_FALSE(display->isHighlightEmpty()) << "the canvas's press reached the pick tool";
  QImage shot = canvas->grab().toImage();
  const QRgb lit = QColor::fromRgba(model->statusArray()->highlightImage().color(1)).rgb();
  auto distance = [](QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
  };
  // Lit blue turns nearly the highlight colour; red stays as it is shown without highlight.
  EXPECT_LT(distance(shot.pixel(blue), lit), distance(shot.pixel(blue), kBlue));
  const QRgb redShown = shot.pixel(red);
  workspace->setSuppressed(true);
  shot = canvas->grab().toImage();
  EXPECT_LE(distance(shot.pixel(blue), kBlue), 2);
  EXPECT_EQ(shot.pixel(red), redShown);
}

TEST_F(ColourWorkspaceTest, ModeAndAxisChangesClearTheSelectionByTheAxisRule) {
  build();
  int chooserCalls = 0;
  int answer = -1;
  workspace->setChannelChooser([&](QAbstractButton* button, int current) {
    ++chooserCalls;
    EXPECT_EQ(current, button == workspace->horizontalAxisButton()
                           ? int(display->horizontalChannel())
                           : int(display->verticalChannel()));
    return answer;
  });
  pick(QPointF(10, 10));
  workspace->horizontalAxisButton()->click();  // cancelled
  EXPECT_FALSE(display->isHighlightEmpty());
  answer = Hue;  // the channel it has
  workspace->horizontalAxisButton()->click();
  EXPECT_FALSE(display->isHighlightEmpty());
  // Hue up takes lightness across; then red across makes the vertical axis green.
  workspace->verticalAxisButton()->click();
  EXPECT_EQ(display->horizontalChannel(), Lightness);
  EXPECT_EQ(display->verticalChannel(), Hue);
  EXPECT_TRUE(display->isHighlightEmpty());
  answer = Red;
  workspace->horizontalAxisButton()->click();
  EXPECT_EQ(display->horizontalChannel(), Red);
  EXPECT_EQ(display->verticalChannel(), Green);
  EXPECT_EQ(workspace->horizontalAxisButton()->text(), "Red");
  EXPECT_EQ(workspace->verticalAxisButton()->text(), "Green");
  EXPECT_TRUE(display->isHighlightEmpty());
  EXPECT_FALSE(workspace->horizontalAxisButton()->isDown());
  EXPECT_EQ(chooserCalls, 4);

  pick(QPointF(10, 10));
  ASSERT_FALSE(display->isHighlightEmpty());
  workspace->modeButton()->click();
  EXPECT_EQ(display->mode(), ColourDisplay::OneChannel);
  EXPECT_TRUE(display->isHighlightEmpty());
  EXPECT_FALSE(workspace->verticalAxisButton()->isVisibleTo(workspace));
  EXPECT_FALSE(display->hasMouseTracking());
  workspace->modeButton()->click();
  EXPECT_EQ(display->mode(), ColourDisplay::TwoChannels);
  EXPECT_TRUE(display->hasMouseTracking());
}

TEST_F(ColourWorkspaceTest, TheCountMarksTheValuesOfViewedPixelsInTheActivePatch) {
  build();
  display->setMode(ColourDisplay::OneChannel);
  display->setChannels(Red, Green);
  setStatuses(QRect(0, 0, 80, 60), CvStatusDelete);  // the red quarter
  display->grab();
  for (QRgb colour : {kRed, kGreen, kBlue, kYellow})
    EXPECT_TRUE(display->occurs(qRed(colour))) << qRed(colour);
  EXPECT_FALSE(display->occurs(1));
  // Delete no longer viewed: red's value is gone.
  workspace->viewButton(CvStatusDelete)->click();
  display->grab();
  EXPECT_FALSE(display->occurs(qRed(kRed)));
  EXPECT_TRUE(display->occurs(qRed(kGreen)));
  // A patch over the bottom quarters: blue and yellow only.
  model->addPatch(new RectRegion(QRectF(0, 70, 160, 40)));
  model->setActiveRegion(model->patches().last());
  display->grab();
  EXPECT_FALSE(display->recountWanted());
  EXPECT_FALSE(display->occurs(qRed(kGreen)));
  EXPECT_TRUE(display->occurs(qRed(kBlue)));
  EXPECT_TRUE(display->occurs(qRed(kYellow)));
}

}  // namespace
