// The shared zoom slider: no mode at first, each mode keeping its value, proportions and
// positions, zoom steps on either tab, and the connections to the navigator, the image view
// and a composition view.

#include <QDoubleSpinBox>
#include <QSignalSpy>
#include <QSlider>

#include "WorkspaceTestSupport.h"
#include "workspace/CompositionZoomView.h"
#include "workspace/NavigatorWindow.h"
#include "workspace/ZoomViewOptionsWidget.h"

namespace {

class FakeCompositionView : public QObject, public CompositionZoomView {
  Q_OBJECT

 public:
  void setZoomProportion(qreal proportion, const QPointF& centre) override {
    proportions << qMakePair(proportion, centre);
  }
  void zoomTo100Percent() override { ++actualPixels; }
  void fitImageOnScreen() override { ++fits; }
  QPointF visibleSceneCentre() const override { return centre; }
  QObject* zoomObject() override { return this; }

  QList<QPair<qreal, QPointF>> proportions;
  int actualPixels = 0;
  int fits = 0;
  QPointF centre{30, 40};

 signals:
  void zoomProportion(qreal proportion);
};

class ZoomViewOptionsTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    qRegisterMetaType<ImageView::ViewTab>();
    options = std::make_unique<ZoomViewOptionsWidget>();
    slider = options->slider();
  }
  // The user moves the slider.
  void drag(int value) { slider->setValue(value); }

  std::unique_ptr<ZoomViewOptionsWidget> options;
  QSlider* slider = nullptr;
};

TEST_F(ZoomViewOptionsTest, EachModeKeepsItsOwnValue) {
  EXPECT_EQ(options->mode(), ZoomViewOptionsWidget::NoMode);
  EXPECT_EQ(slider->minimum(), -25);
  EXPECT_EQ(slider->maximum(), 25);
  EXPECT_EQ(slider->value(), 0);
  EXPECT_DOUBLE_EQ(options->compositionProportion(), 0.5);
  QSignalSpy edits(options.get(), &ZoomViewOptionsWidget::edit_zoomSliderChanged);
  QSignalSpy proportions(options.get(), &ZoomViewOptionsWidget::composition_zoomProportion);
  drag(3);
  EXPECT_EQ(edits.count() + proportions.count(), 0);

  options->viewTabChanged(ImageView::DeleteBackground);
  EXPECT_EQ(slider->value(), 0);
  drag(10);
  ASSERT_EQ(edits.count(), 1);
  EXPECT_EQ(edits.last().at(0).toInt(), 10);

  options->viewTabChanged(ImageView::ComposePicture);
  EXPECT_EQ(options->mode(), ZoomViewOptionsWidget::CompositionMode);
  EXPECT_EQ(slider->value(), 0);
  drag(20);
  ASSERT_EQ(proportions.count(), 1);
  EXPECT_DOUBLE_EQ(proportions.last().at(0).toDouble(), 0.9);
  // Another tab of the same mode changes nothing.
  options->setCompositionZoomProportion(0.9);
  options->viewTabChanged(ImageView::AddEffects);
  EXPECT_EQ(slider->value(), 20);

  options->viewTabChanged(ImageView::DeleteBackground);
  EXPECT_EQ(slider->value(), 10);
  options->viewTabChanged(ImageView::FinalImage);
  EXPECT_EQ(slider->value(), 20);
  EXPECT_EQ(edits.count(), 1);
  EXPECT_EQ(proportions.count(), 1);
}

TEST_F(ZoomViewOptionsTest, ProportionsAndSliderPositions) {
  options->viewTabChanged(ImageView::ComposePicture);
  QSignalSpy proportions(options.get(), &ZoomViewOptionsWidget::composition_zoomProportion);
  struct Row {
    double proportion;
    int position;
  };
  for (const Row& row : {Row{0.5, 0}, Row{1.0, 25}, Row{0.0, -25}, Row{0.75, 12}}) {
    options->setCompositionZoomProportion(row.proportion);
    EXPECT_EQ(slider->value(), row.position) << row.proportion;
  }
  EXPECT_EQ(proportions.count(), 0);
  // Kept while the edit tab shows, shown on return.
  options->viewTabChanged(ImageView::DeleteBackground);
  options->setCompositionZoomProportion(1.0);
  options->setEditZoomSliderValue(-7);
  EXPECT_EQ(slider->value(), -7);
  options->viewTabChanged(ImageView::ComposePicture);
  EXPECT_EQ(slider->value(), 25);
}

TEST_F(ZoomViewOptionsTest, ConnectedToTheViewsAndTheNavigator) {
  ImageView view;
  NavigatorWindow navigator;
  FakeCompositionView composition;
  options->connectViews(&navigator, &view, &composition);
  EXPECT_EQ(composition.fits, 1);

  // A composition zoom step moves the slider a page and zooms about the visible centre.
  emit view.viewTabChanged(ImageView::ComposePicture);
  EXPECT_EQ(options->mode(), ZoomViewOptionsWidget::CompositionMode);
  options->zoomIn();
  EXPECT_EQ(slider->value(), slider->pageStep());
  ASSERT_EQ(composition.proportions.size(), 1);
  EXPECT_DOUBLE_EQ(composition.proportions.last().first, 0.7);
  EXPECT_EQ(composition.proportions.last().second, QPointF(30, 40));
  options->zoomOut();
  options->zoomOut();
  EXPECT_DOUBLE_EQ(composition.proportions.last().first, 0.3);
  options->actualPixelsSlot();
  options->fitScreenSlot();
  EXPECT_EQ(composition.actualPixels, 1);
  EXPECT_EQ(composition.fits, 2);
  // The composition view's own zoom shows on the slider without coming back.
  emit composition.zoomProportion(1.0);
  EXPECT_EQ(slider->value(), 25);
  EXPECT_EQ(composition.proportions.size(), 3);

  // On the edit tab the steps and the slider go to the navigator.
  emit view.viewTabChanged(ImageView::DeleteBackground);
  QSignalSpy requests(&navigator, &NavigatorWindow::requestZoomTo);
  navigator.percentBox()->setValue(100);
  requests.clear();
  options->zoomIn();
  EXPECT_DOUBLE_EQ(navigator.percentBox()->value(), 125);
  EXPECT_EQ(slider->value(), NavigatorWindow::sliderForPercent(125));
  options->zoomOut();
  EXPECT_DOUBLE_EQ(navigator.percentBox()->value(), 100);
  drag(25);
  EXPECT_DOUBLE_EQ(navigator.percentBox()->value(), 400);
  EXPECT_DOUBLE_EQ(requests.last().at(0).toDouble(), 4.0);
  EXPECT_EQ(composition.proportions.size(), 3);
}

TEST_F(ZoomViewOptionsTest, WithoutACompositionViewTheEditSideStillWorks) {
  ImageView view;
  NavigatorWindow navigator;
  QSignalSpy fits(options.get(), &ZoomViewOptionsWidget::composition_fitScreenSignal);
  options->connectViews(&navigator, &view, nullptr);
  EXPECT_EQ(fits.count(), 0);
  emit view.viewTabChanged(ImageView::ComposePicture);
  QSignalSpy proportions(options.get(), &ZoomViewOptionsWidget::composition_zoomProportion);
  options->zoomIn();
  ASSERT_EQ(proportions.count(), 1);
  EXPECT_EQ(proportions.last().at(1).toPointF(), QPointF(0, 0));
  emit view.viewTabChanged(ImageView::DeleteBackground);
  options->zoomIn();
  EXPECT_DOUBLE_EQ(navigator.percentBox()->value(), 125);
}

}  // namespace

#include "ZoomViewOptionsTest.moc"
