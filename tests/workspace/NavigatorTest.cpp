// The navigator: the logarithmic slider against the percent box, zoom steps and their limits,
// the view's reports, the floor under a large fitted photo, the frame dragged or re-centred, a
// navigator without a photo, its drawing and cursors; the nudge slider; and the navigator wired
// to a real image view as the main window wires it.

#include <QBitmap>
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
  }
  void TearDown() override {
    window.reset();
    DocumentTest::TearDown();
  }
  // A grey photo of `size` in the document, announced.
  void photo(const QSize& size) {
    GmModel* model = useImage(size, 1);
    emit model->tellImageChanged(model->segImage());
  }

  std::unique_ptr<NavigatorWindow> window;
  QDoubleSpinBox* box = nullptr;
  QSlider* slider = nullptr;
};

TEST_F(NavigatorTest, TheSliderIsLogarithmicBetween25And400Percent) {
  QSignalSpy requests(window.get(), &NavigatorWindow::requestZoomTo);
  struct Row {
    int slider;
    double percent;
  };
  for (const Row& row : {Row{-25, 25}, Row{0, 100}, Row{25, 400},
                         Row{-12, 100 * std::pow(4, -0.48)}, Row{5, 100 * std::pow(4, 0.2)}}) {
    EXPECT_NEAR(NavigatorWindow::percentForSlider(row.slider), row.percent, 1e-9);
    EXPECT_EQ(NavigatorWindow::sliderForPercent(row.percent), row.slider);
    requests.clear();
    window->syncBoxFromSliderSlot(row.slider);
    EXPECT_NEAR(box->value(), row.percent, 0.005);
    ASSERT_EQ(requests.count(), 1);
    EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), box->value() * 0.01);
  }
  // Typing in the box moves the slider and asks at every value.
  QSignalSpy sliderChanges(window.get(), &NavigatorWindow::zoomSliderChange);
  requests.clear();
  box->setValue(200);
  EXPECT_EQ(slider->value(), 13);
  EXPECT_EQ(requests.count(), 1);
  ASSERT_EQ(sliderChanges.count(), 1);
  EXPECT_EQ(sliderChanges.last().at(0).toInt(), 13);
}

TEST_F(NavigatorTest, ZoomStepsStopAtTheLimitsAndSayWhenThey) {
  QSignalSpy inEnabled(window.get(), &NavigatorWindow::zoomInEnabled);
  QSignalSpy outEnabled(window.get(), &NavigatorWindow::zoomOutEnabled);
  QSignalSpy requests(window.get(), &NavigatorWindow::requestZoomTo);
  box->setValue(350);
  window->zoomInSlot();
  EXPECT_DOUBLE_EQ(box->value(), 400);
  EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), 4.0);
  ASSERT_EQ(inEnabled.count(), 1);
  EXPECT_FALSE(inEnabled.last().at(0).toBool());
  requests.clear();
  window->zoomInSlot();
  EXPECT_EQ(requests.count(), 0);
  EXPECT_EQ(inEnabled.count(), 1);

  box->setValue(26);
  EXPECT_EQ(inEnabled.count(), 2);
  window->zoomOutSlot();
  EXPECT_DOUBLE_EQ(box->value(), 25);
  ASSERT_EQ(outEnabled.count(), 1);
  EXPECT_FALSE(outEnabled.last().at(0).toBool());
  requests.clear();
  window->zoomOutSlot();
  EXPECT_EQ(requests.count(), 0);

  // The nudge buttons ask the window: zoom out on the left, zoom in on the right.
  box->setValue(100);
  window->zoomSlider()->upButton()->click();
  EXPECT_DOUBLE_EQ(box->value(), 125);
  window->zoomSlider()->downButton()->click();
  EXPECT_DOUBLE_EQ(box->value(), 100);
  EXPECT_EQ(window->zoomSlider()->downButton()->toolTip(), QString("Zoom Out (Ctrl+-)"));
  EXPECT_EQ(window->zoomSlider()->upButton()->toolTip(), QString("Zoom In (Ctrl++)"));
  EXPECT_EQ(slider->toolTip(), QString("Zoom Slider"));
  const QImage zoomOut(":/images/nav_zoom_out.png");
  EXPECT_EQ(window->zoomSlider()->downButton()->icon().pixmap(16).toImage(),
            zoomOut.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

TEST_F(NavigatorTest, TheViewsReportShowsItsZoomWithoutAskingForOne) {
  QSignalSpy requests(window.get(), &NavigatorWindow::requestZoomTo);
  QSignalSpy sliderChanges(window.get(), &NavigatorWindow::zoomSliderChange);
  window->setRectSlot(GRectF(10, 20, 30, 40), 2.0);
  EXPECT_EQ(requests.count(), 0);
  ASSERT_EQ(sliderChanges.count(), 1);
  EXPECT_EQ(sliderChanges.last().at(0).toInt(), 13);
  EXPECT_DOUBLE_EQ(box->value(), 200);
  EXPECT_EQ(slider->value(), 13);
  EXPECT_EQ(window->navigator()->viewRect(), QRectF(10, 20, 30, 40));
  window->setRectSlot(GRectF(0, 0, 10, 10), 4.0);
  EXPECT_FALSE(window->isZoomInEnabled());
  EXPECT_EQ(requests.count(), 0);
}

TEST_F(NavigatorTest, AFittedLargePhotoShowsItsTrueZoomUntilAnotherPhotoComes) {
  photo(QSize(400, 300));
  window->setRectSlot(GRectF(0, 0, 400, 300), 0.14);
  EXPECT_DOUBLE_EQ(box->value(), 14);
  EXPECT_EQ(slider->value(), -25);
  EXPECT_FALSE(window->isZoomOutEnabled());
  // Zooming in goes from the true zoom, and out again no further than it.
  QSignalSpy requests(window.get(), &NavigatorWindow::requestZoomTo);
  window->zoomInSlot();
  EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), 0.175);
  window->setRectSlot(GRectF(0, 0, 300, 200), 0.175);
  EXPECT_TRUE(window->isZoomOutEnabled());
  window->zoomOutSlot();
  EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), 0.14);
  // Another photo: 25 % is the floor again.
  window->setRectSlot(GRectF(0, 0, 400, 300), 0.14);
  photo(QSize(300, 200));
  window->navigator()->updateImage();
  EXPECT_DOUBLE_EQ(box->minimum(), 25);
  EXPECT_DOUBLE_EQ(box->value(), 25);
}

TEST_F(NavigatorTest, TheFrameIsDraggedFromInsideAndReCentredFromOutside) {
  photo(QSize(400, 300));
  Navigator* navigator = window->navigator();
  navigator->resize(200, 150);
  navigator->updateImage();
  ASSERT_DOUBLE_EQ(navigator->scale(), 0.5);
  navigator->setRect(QRectF(100, 100, 200, 100));
  QList<ImageRectF> moves;
  QList<QPoint> centres;
  QObject::connect(navigator, &Navigator::rectChanged,
                   [&](const ImageRectF& rect) { moves << rect; });
  QObject::connect(navigator, &Navigator::rectCenterChanged, [&](QPoint point) {
    centres << point;
    // As the view does: its report moves the frame.
    navigator->setRect(QRectF(point.x() - 100, point.y() - 50, 200, 100));
  });

  drag(navigator, QPoint(60, 60), QPoint(80, 70), 1);
  EXPECT_TRUE(centres.isEmpty());
  ASSERT_EQ(moves.size(), 1);
  EXPECT_EQ(moves.last(), ImageRectF(140, 120, -1, -1));

  moves.clear();
  drag(navigator, QPoint(190, 10), QPoint(180, 20), 1);
  EXPECT_EQ(centres, QList<QPoint>({QPoint(380, 20)}));
  ASSERT_EQ(moves.size(), 1);
  EXPECT_EQ(moves.last(), ImageRectF(280 - 20, -30 + 20, -1, -1));
}

TEST_F(NavigatorTest, CursorsFollowTheFrameAndThePhoto) {
  Navigator* navigator = window->navigator();
  navigator->resize(200, 150);
  navigator->updateImage();
  EXPECT_EQ(navigator->cursor().shape(), Qt::ArrowCursor);
  photo(QSize(400, 300));
  navigator->updateImage();
  navigator->setRect(QRectF(100, 100, 200, 100));
  auto hotSpot = [&] { return navigator->cursor().hotSpot(); };
  EXPECT_EQ(navigator->cursor().shape(), Qt::BitmapCursor);
  EXPECT_EQ(hotSpot(), QPoint(5, 1));
  sendMouse(navigator, QEvent::MouseMove, QPoint(60, 60), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(hotSpot(), QPoint(7, 7));
  sendMouse(navigator, QEvent::MouseButtonPress, QPoint(60, 60), Qt::LeftButton, Qt::LeftButton);
  EXPECT_EQ(hotSpot(), QPoint(8, 9));
  sendMouse(navigator, QEvent::MouseButtonRelease, QPoint(10, 10), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(hotSpot(), QPoint(5, 1));
  // The masks make the hands opaque beyond their black lines.
  const QCursor cursor = navigator->cursor();
  const QImage mask = cursor.mask(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_Mono);
  int opaque = 0;
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) opaque += qGray(mask.pixel(x, y)) < 128;
  EXPECT_GT(opaque, 150);
}

TEST_F(NavigatorTest, WithoutAPhotoNothingIsDrawnOrSent) {
  auto owned = std::make_unique<Navigator>();
  Navigator* navigator = owned.get();
  navigator->resize(200, 150);
  QSignalSpy moves(navigator, &Navigator::rectChanged);
  QSignalSpy centres(navigator, &Navigator::rectCenterChanged);
  EXPECT_EQ(navigator->sizeHint(), QSize(80, 80));
  const QImage empty = navigator->grab().toImage();
  EXPECT_EQ(empty.pixel(100, 75), empty.pixel(0, 0));
  drag(navigator, QPoint(10, 10), QPoint(50, 50));
  EXPECT_EQ(moves.count() + centres.count(), 0);

  // A photo, then closed without a word to the navigator: still nothing is sent.
  photo(QSize(400, 300));
  navigator->updateImage();
  EXPECT_EQ(navigator->sizeHint(), QSize(80, navigator->width() * 3 / 4));
  navigator->resize(80, 80);
  EXPECT_EQ(navigator->sizeHint(), QSize(80, 80));
  GmModel::instance()->finish();
  drag(navigator, QPoint(10, 10), QPoint(50, 50));
  EXPECT_EQ(moves.count() + centres.count(), 0);
  EXPECT_EQ(navigator->scale(), 0);
}

TEST_F(NavigatorTest, TheThumbnailCarriesARedFrameAroundTheShownPart) {
  photo(QSize(400, 300));
  auto navigator = std::make_unique<Navigator>();
  navigator->resize(220, 150);
  navigator->updateImage();
  EXPECT_EQ(navigator->offset(), QPoint(10, 0));
  auto isRed = [](QRgb pixel) {
    return qRed(pixel) > 200 && qGreen(pixel) < 60 && qBlue(pixel) < 60;
  };
  // Nothing reported yet: the frame goes round the whole photo.
  QImage drawn = navigator->grab().toImage();
  EXPECT_TRUE(isRed(drawn.pixel(10, 75)));
  EXPECT_TRUE(isRed(drawn.pixel(209, 75)));
  EXPECT_EQ(QColor(drawn.pixel(110, 75)), QColor(128, 128, 128));
  navigator->setRect(QRectF(100, 100, 200, 100));
  drawn = navigator->grab().toImage();
  EXPECT_TRUE(isRed(drawn.pixel(60, 70)));
  EXPECT_TRUE(isRed(drawn.pixel(110, 50)));
  EXPECT_FALSE(isRed(drawn.pixel(10, 75)));
  EXPECT_EQ(QColor(drawn.pixel(110, 75)), QColor(128, 128, 128));
}

TEST(SliderTest, NudgeButtonsStepTheSliderOnlyWhenNobodyTakesTheRequest) {
  Slider slider;
  slider.slider()->setRange(0, 10);
  slider.slider()->setValue(10);
  EXPECT_EQ(slider.downButton(), nullptr);
  slider.setToolTips("s", "d", "u");
  EXPECT_EQ(slider.slider()->toolTip(), QString("s"));
  QPixmap pixel(4, 4);
  pixel.fill(Qt::red);
  slider.setNudgeButtons(pixel, pixel);
  slider.setNudgeButtons(pixel, pixel);
  EXPECT_EQ(slider.findChildren<QToolButton*>().size(), 2);
  EXPECT_EQ(slider.layout()->count(), 3);
  EXPECT_EQ(slider.layout()->itemAt(1)->widget(), slider.slider());
  slider.setToolTips("s", "d", "u");
  EXPECT_EQ(slider.downButton()->toolTip(), QString("d"));
  EXPECT_EQ(slider.upButton()->toolTip(), QString("u"));
  EXPECT_TRUE(slider.upButton()->autoRepeat());

  slider.upButton()->click();
  EXPECT_EQ(slider.slider()->value(), 10);
  slider.downButton()->click();
  EXPECT_EQ(slider.slider()->value(), 9);

  QSignalSpy ups(&slider, &Slider::requestNudgeUp);
  QSignalSpy downs(&slider, &Slider::requestNudgeDown);
  slider.upButton()->click();
  slider.downButton()->click();
  EXPECT_EQ(slider.slider()->value(), 9);
  EXPECT_EQ(ups.count(), 1);
  EXPECT_EQ(downs.count(), 1);
}

// Wired as the main window wires them, over a real image view and a photo too large to show at
// 25 %.
class NavigatedViewTest : public WorkspaceTest {};

TEST_F(NavigatedViewTest, TheNavigatorZoomsAndMovesARealImageView) {
  ImageView* view = showView(QSize(800, 600));
  NavigatorWindow navigatorWindow;
  Navigator* navigator = navigatorWindow.navigator();
  QObject::connect(GmModel::instance(), &GmModel::tellImageChanged, navigator,
                   &Navigator::updateImage);
  QObject::connect(navigator, &Navigator::rectChanged, view, &ImageView::moveImageViewportToSlot);
  QObject::connect(navigator, &Navigator::rectCenterChanged, view,
                   &ImageView::centreViewportOnSlot);
  QObject::connect(view, &ImageView::sayViewportRectChanged, &navigatorWindow,
                   &NavigatorWindow::setRectSlot);
  QObject::connect(&navigatorWindow, &NavigatorWindow::requestZoomTo, view, &ImageView::zoomToSlot);
  navigatorWindow.show();
  navigator->resize(200, 150);

  GmModel* model = useImage(QSize(3200, 2400), 8);
  emit model->tellImageChanged(model->segImage());
  QApplication::processEvents();
  GmZoomWidget* canvas = view->workspace()->canvas();
  ASSERT_LT(canvas->zoom(), 0.25);
  EXPECT_NEAR(navigatorWindow.percentBox()->value(), canvas->zoom() * 100, 0.01);
  EXPECT_EQ(navigatorWindow.zoomSlider()->slider()->value(), -25);

  view->zoomTo100PercentSlot();
  QApplication::processEvents();
  EXPECT_DOUBLE_EQ(navigatorWindow.percentBox()->value(), 100);
  navigatorWindow.zoomInSlot();
  navigatorWindow.zoomInSlot();
  QApplication::processEvents();
  EXPECT_DOUBLE_EQ(canvas->zoom(), 1.5625);

  // A click outside the frame centres the view there; a drag of the frame moves it.
  const GRectF before = view->workspace()->displayedRect();
  const QPoint target(10, 140);
  const QPointF image = (QPointF(target) - QPointF(navigator->offset())) / navigator->scale();
  sendMouse(navigator, QEvent::MouseButtonPress, target, Qt::LeftButton, Qt::LeftButton);
  QApplication::processEvents();
  const GRectF centred = view->workspace()->displayedRect();
  EXPECT_NE(centred, before);
  EXPECT_NEAR(centred.center().x(), std::max(image.x(), centred.width() / 2), 2);
  EXPECT_NEAR(centred.center().y(), std::min(image.y(), 2400 - centred.height() / 2), 2);
  EXPECT_EQ(navigator->viewRect(), QRectF(centred));
  sendMouse(navigator, QEvent::MouseMove, target + QPoint(20, -30), Qt::NoButton, Qt::LeftButton);
  sendMouse(navigator, QEvent::MouseButtonRelease, target + QPoint(20, -30), Qt::LeftButton,
            Qt::NoButton);
  QApplication::processEvents();
  const GRectF dragged = view->workspace()->displayedRect();
  EXPECT_NEAR(dragged.x() - centred.x(), 20 / navigator->scale(), 2);
  EXPECT_NEAR(dragged.y() - centred.y(), -30 / navigator->scale(), 2);
}

}  // namespace
