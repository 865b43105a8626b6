// The shared zoom slider: no mode at first, each mode keeping its value, proportions and
// positions, zoom steps on either tab, and its connections to the navigator, the image view and
// a composition view.

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
  void zoomTo100Percent() override { ++calls; }
  void fitImageOnScreen() override { ++calls; }
  QPointF visibleSceneCentre() const override { return QPointF(30, 40); }
  QObject* zoomObject() override { return this; }

  QList<QPair<qreal, QPointF>> proportions;
  int calls = 0;

 signals:
  void zoomProportion(qreal proportion);
};

class ZoomViewOptionsTest : public DocumentTest {
 protected:
  ZoomViewOptionsWidget options;
  QSlider* slider = options.slider();
  QSignalSpy edits{&options, &ZoomViewOptionsWidget::edit_zoomSliderChanged};
  QSignalSpy proportions{&options, &ZoomViewOptionsWidget::composition_zoomProportion};
};

TEST_F(ZoomViewOptionsTest, EachModeKeepsItsOwnValue) {
  slider->setValue(3);  // no mode yet: nothing happens
  options.viewTabChanged(ImageView::DeleteBackground);
  EXPECT_EQ(slider->value(), 0);
  slider->setValue(10);
  options.viewTabChanged(ImageView::ComposePicture);
  EXPECT_EQ(slider->value(), 0);  // proportion 0.5
  slider->setValue(20);
  // Another tab of the same mode changes nothing.
  options.viewTabChanged(ImageView::AddEffects);
  EXPECT_EQ(slider->value(), 20);
  options.viewTabChanged(ImageView::DeleteBackground);
  EXPECT_EQ(slider->value(), 10);
  options.viewTabChanged(ImageView::FinalImage);
  EXPECT_EQ(slider->value(), 20);
  ASSERT_EQ(edits.count(), 1);
  EXPECT_EQ(edits.last().at(0).toInt(), 10);
  ASSERT_EQ(proportions.count(), 1);
  EXPECT_DOUBLE_EQ(proportions.last().at(0).toDouble(), 0.9);

  // Proportions reported by the composition view move the slider silently.
  for (double proportion : {0.5, 1.0, 0.0, 0.75}) {
    options.setCompositionZoomProportion(proportion);
    EXPECT_EQ(slider->value(), int(std::trunc(25 * proportion - 25 * (1 - proportion))));
  }
  options.viewTabChanged(ImageView::DeleteBackground);
  options.setCompositionZoomProportion(1.0);
  options.setEditZoomSliderValue(-7);
  EXPECT_EQ(slider->value(), -7);
  options.viewTabChanged(ImageView::ComposePicture);
  EXPECT_EQ(slider->value(), 25);
  EXPECT_EQ(proportions.count() + edits.count(), 2);
}

TEST_F(ZoomViewOptionsTest, ConnectedToTheViewsAndTheNavigator) {
  ImageView view;
  NavigatorWindow navigator;
  FakeCompositionView composition;
  options.connectViews(&navigator, &view, &composition);
  EXPECT_EQ(composition.calls, 1);  // the closing fit

  // A composition zoom step moves the slider a page and zooms about the visible centre.
  emit view.viewTabChanged(ImageView::ComposePicture);
  options.zoomIn();
  ASSERT_EQ(composition.proportions.size(), 1);
  EXPECT_DOUBLE_EQ(composition.proportions.last().first, 0.7);
  EXPECT_EQ(composition.proportions.last().second, QPointF(30, 40));
  options.zoomOut();
  options.zoomOut();
  EXPECT_DOUBLE_EQ(composition.proportions.last().first, 0.3);
  options.actualPixelsSlot();
  options.fitScreenSlot();
  EXPECT_EQ(composition.calls, 3);
  emit composition.zoomProportion(1.0);
  EXPECT_EQ(slider->value(), 25);
  EXPECT_EQ(composition.proportions.size(), 3);

  // On the edit tab the steps and the slider go to the navigator.
  emit view.viewTabChanged(ImageView::DeleteBackground);
  navigator.percentBox()->setValue(100);
  options.zoomIn();
  EXPECT_DOUBLE_EQ(navigator.percentBox()->value(), 125);
  EXPECT_EQ(slider->value(), NavigatorWindow::sliderForPercent(125));
  slider->setValue(25);
  EXPECT_DOUBLE_EQ(navigator.percentBox()->value(), 400);
  EXPECT_EQ(composition.proportions.size(), 3);
}

TEST_F(ZoomViewOptionsTest, WithoutACompositionViewTheEditSideStillWorks) {
  ImageView view;
  NavigatorWindow navigator;
  QSignalSpy fits(&options, &ZoomViewOptionsWidget::composition_fitScreenSignal);
  options.connectViews(&navigator, &view, nullptr);
  emit view.viewTabChanged(ImageView::ComposePicture);
  options.zoomIn();
  EXPECT_EQ(fits.count(), 0);
  EXPECT_EQ(proportions.last().at(1).toPointF(), QPointF(0, 0));
  emit view.viewTabChanged(ImageView::DeleteBackground);
  options.zoomIn();
  EXPECT_DOUBLE_EQ(navigator.percentBox()->value(), 125);
}

}  // namespace

#include "ZoomViewOptionsTest.moc"
