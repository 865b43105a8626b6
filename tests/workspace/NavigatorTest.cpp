// The navigator: the logarithmic slider against the percent box, zoom steps and their limits,
// the view's reports, the floor under a large fitted photo, the frame dragged or re-centred, no
// photo, its drawing and cursors; and the nudge slider. DockedWindowsTest drives it beside a
// real image view.

#include <QDoubleSpinBox>
#include <QLayout>
#include <QSignalSpy>
#include <QSlider>
#include <QToolButton>

#include "WorkspaceTestSupport.h"
#include "workspace/Navigator.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/Slider.h"

namespace {

class NavigatorTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    window = std::make_unique<NavigatorWindow>();
    box = window->percentBox();
    slider = window->zoomSlider()->slider();
    navigator->resize(200, 150);
  }
  void TearDown() override {
    navigator.reset();
    window.reset();
    DocumentTest::TearDown();
  }
  void photo(const QSize& size) {
    GmModel* model = useImage(size, 1);
    emit model->tellImageChanged(model->segImage());
    navigator->updateImage();
  }

  std::unique_ptr<NavigatorWindow> window;
  QDoubleSpinBox* box = nullptr;
  QSlider* slider = nullptr;
  // On its own, so that no layout resizes it.
  std::unique_ptr<Navigator> navigator = std::make_unique<Navigator>();
};

TEST_F(NavigatorTest, TheSliderIsLogarithmicBetween25And400Percent) {
  QSignalSpy requests(window.get(), &NavigatorWindow::requestZoomTo);
  QSignalSpy sliderChanges(window.get(), &NavigatorWindow::zoomSliderChange);
  for (int value : {-25, -12, 0, 5, 25}) {
    const double percent = 100 * std::pow(4.0, value / 25.0);
    EXPECT_NEAR(NavigatorWindow::percentForSlider(value), percent, 1e-9);
    EXPECT_EQ(NavigatorWindow::sliderForPercent(percent), value);
    window->syncBoxFromSliderSlot(value);
    EXPECT_NEAR(box->value(), percent, 0.005);
    EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), box->value() * 0.01);
  }
  EXPECT_EQ(requests.count(), 5);
  // The box moves the slider and asks at every value.
  box->setValue(200);
  EXPECT_EQ(slider->value(), 13);
  EXPECT_EQ(requests.count(), 6);
  EXPECT_EQ(sliderChanges.last().at(0).toInt(), 13);
}

TEST_F(NavigatorTest, ZoomStepsStopAtTheLimitsAndSayWhenThey) {
  QSignalSpy inEnabled(window.get(), &NavigatorWindow::zoomInEnabled);
  QSignalSpy outEnabled(window.get(), &NavigatorWindow::zoomOutEnabled);
  QSignalSpy requests(window.get(), &NavigatorWindow::requestZoomTo);
  box->setValue(350);
  window->zoomInSlot();
  EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), 4.0);
  window->zoomInSlot();
  EXPECT_EQ(requests.count(), 2);
  EXPECT_EQ(inEnabled.count(), 1);
  EXPECT_FALSE(inEnabled.last().at(0).toBool());
  box->setValue(26);
  window->zoomOutSlot();
  window->zoomOutSlot();
  EXPECT_DOUBLE_EQ(box->value(), 25);
  EXPECT_EQ(requests.count(), 4);
  EXPECT_EQ(outEnabled.count(), 1);

  // The nudge buttons ask the window: zoom out on the left, zoom in on the right.
  box->setValue(100);
  Slider* nudged = window->zoomSlider();
  nudged->upButton()->click();
  EXPECT_DOUBLE_EQ(box->value(), 125);
  nudged->downButton()->click();
  EXPECT_DOUBLE_EQ(box->value(), 100);
  EXPECT_EQ(nudged->downButton()->toolTip(), QString("Zoom Out (Ctrl+-)"));
  EXPECT_EQ(nudged->upButton()->toolTip(), QString("Zoom In (Ctrl++)"));
  EXPECT_EQ(slider->toolTip(), QString("Zoom Slider"));
  EXPECT_EQ(
      nudged->downButton()->icon().pixmap(16).toImage(),
      QImage(":/images/nav_zoom_out.png").convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST_F(NavigatorTest, TheViewsReportsShowTheTrueZoomWithoutAskingForOne) {
  QSignalSpy requests(window.get(), &NavigatorWindow::requestZoomTo);
  QSignalSpy sliderChanges(window.get(), &NavigatorWindow::zoomSliderChange);
  window->setRectSlot(GRectF(10, 20, 30, 40), 2.0);
  EXPECT_DOUBLE_EQ(box->value(), 200);
  EXPECT_EQ(sliderChanges.last().at(0).toInt(), 13);
  EXPECT_EQ(window->navigator()->viewRect(), QRectF(10, 20, 30, 40));

  // A large photo fitted at 14 % shows 14 %; zooming goes from there and not below it.
  photo(QSize(400, 300));
  window->setRectSlot(GRectF(0, 0, 400, 300), 0.14);
  EXPECT_DOUBLE_EQ(box->value(), 14);
  EXPECT_EQ(slider->value(), -25);
  EXPECT_FALSE(window->isZoomOutEnabled());
  window->zoomInSlot();
  EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), 0.175);
  window->setRectSlot(GRectF(0, 0, 300, 200), 0.175);
  window->zoomOutSlot();
  EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), 0.14);
  EXPECT_EQ(requests.count(), 2);
  // Another photo: 25 % is the floor again.
  photo(QSize(300, 200));
  window->navigator()->updateImage();
  EXPECT_DOUBLE_EQ(box->minimum(), 25);
}

TEST_F(NavigatorTest, TheFrameIsDraggedFromInsideAndReCentredFromOutside) {
  photo(QSize(400, 300));
  ASSERT_DOUBLE_EQ(navigator->scale(), 0.5);
  navigator->setRect(QRectF(100, 100, 200, 100));
  QList<ImageRectF> moves;
  QList<QPoint> centres;
  QObject::connect(navigator.get(), &Navigator::rectChanged,
                   [&](const ImageRectF& rect) { moves << rect; });
  QObject::connect(navigator.get(), &Navigator::rectCenterChanged, [&](QPoint point) {
    centres << point;
    navigator->setRect(QRectF(point.x() - 100, point.y() - 50, 200, 100));  // as the view does
  });
  drag(navigator.get(), QPoint(60, 60), QPoint(80, 70), 1);
  EXPECT_TRUE(centres.isEmpty());
  EXPECT_EQ(moves, QList<ImageRectF>({ImageRectF(140, 120, -1, -1)}));
  drag(navigator.get(), QPoint(190, 10), QPoint(180, 20), 1);
  EXPECT_EQ(centres, QList<QPoint>({QPoint(380, 20)}));
  EXPECT_EQ(moves.last(), ImageRectF(260, -10, -1, -1));
  // Released over the frame: the open hand of the team's drawings, with its own hot spot.
  EXPECT_EQ(navigator->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(navigator->cursor().hotSpot(), QPoint(7, 7));
}

TEST_F(NavigatorTest, WithoutAPhotoNothingIsDrawnOrSent) {
  QSignalSpy moves(navigator.get(), &Navigator::rectChanged);
  QSignalSpy centres(navigator.get(), &Navigator::rectCenterChanged);
  navigator->updateImage();
  EXPECT_EQ(navigator->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(navigator->sizeHint(), QSize(80, 80));
  const QImage empty = navigator->grab().toImage();
  EXPECT_EQ(empty.pixel(100, 75), empty.pixel(0, 0));
  drag(navigator.get(), QPoint(10, 10), QPoint(50, 50));
  // A photo closed without a word to the navigator: still nothing is sent.
  photo(QSize(400, 300));
  EXPECT_EQ(navigator->sizeHint(), QSize(80, 150));
  GmModel::instance()->finish();
  drag(navigator.get(), QPoint(10, 10), QPoint(50, 50));
  EXPECT_EQ(moves.count() + centres.count(), 0);
  EXPECT_EQ(navigator->scale(), 0);
}

TEST_F(NavigatorTest, TheThumbnailCarriesARedFrameAroundTheShownPart) {
  photo(QSize(400, 300));
  navigator->resize(220, 150);
  auto red = [&](int x, int y) {
    const QRgb pixel = navigator->grab().toImage().pixel(x, y);
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
  };
  // Nothing reported yet: the frame goes round the whole photo, centred in the widget.
  EXPECT_TRUE(red(10, 75) && red(209, 75));
  EXPECT_FALSE(red(110, 75) || red(9, 75));
  navigator->setRect(QRectF(100, 100, 200, 100));
  EXPECT_TRUE(red(60, 70) && red(110, 50));
  EXPECT_FALSE(red(10, 75));
  EXPECT_EQ(QColor(navigator->grab().toImage().pixel(110, 75)), QColor(128, 128, 128));
}

TEST(SliderTest, NudgeButtonsStepTheSliderOnlyWhenNobodyTakesTheRequest) {
  Slider slider;
  slider.slider()->setRange(0, 10);
  slider.slider()->setValue(10);
  slider.setToolTips("s", "d", "u");  // no buttons yet: the slider's own text only
  EXPECT_EQ(slider.slider()->toolTip(), QString("s"));
  QPixmap pixel(4, 4);
  pixel.fill(Qt::red);
  slider.setNudgeButtons(pixel, pixel);
  slider.setNudgeButtons(pixel, pixel);
  EXPECT_EQ(slider.findChildren<QToolButton*>().size(), 2);
  EXPECT_EQ(slider.layout()->itemAt(1)->widget(), slider.slider());
  slider.upButton()->click();
  EXPECT_EQ(slider.slider()->value(), 10);
  slider.downButton()->click();
  EXPECT_EQ(slider.slider()->value(), 9);
  QSignalSpy ups(&slider, &Slider::requestNudgeUp);
  QSignalSpy downs(&slider, &Slider::requestNudgeDown);
  slider.upButton()->click();
  slider.downButton()->click();
  EXPECT_EQ(slider.slider()->value(), 9);
  EXPECT_EQ(ups.count() + downs.count(), 2);
}

}  // namespace
