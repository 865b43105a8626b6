// The application style: slider metrics from the handle images, the handle's place, the image
// in a drawn slider, a click that jumps the handle, tighter layouts and the changed hints.

#include <QSlider>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include "WorkspaceTestSupport.h"
#include "workspace/TsAppStyle.h"

namespace {

QStyleOptionSlider sliderOption(Qt::Orientation orientation, int minimum, int maximum, int value,
                                const QRect& rect) {
  QStyleOptionSlider option;
  option.orientation = orientation;
  option.minimum = minimum;
  option.maximum = maximum;
  option.sliderPosition = option.sliderValue = value;
  option.rect = rect;
  option.subControls = QStyle::SC_All;
  return option;
}

class AppStyleTest : public ::testing::Test {
 protected:
  AppStyleTest()
      : fusion(QStyleFactory::create("Fusion")), style(QStyleFactory::create("Fusion")) {}
  std::unique_ptr<QStyle> fusion;
  TsAppStyle style;
};

TEST_F(AppStyleTest, SliderMetricsComeFromTheHandleImagesOnlyForSliderOptions) {
  const QSize horizontal = TsAppStyle::handleImage(Qt::Horizontal).size();
  const QSize vertical = TsAppStyle::handleImage(Qt::Vertical).size();
  EXPECT_EQ(horizontal, QSize(11, 19));
  EXPECT_EQ(vertical, QSize(19, 11));
  const QStyleOptionSlider across = sliderOption(Qt::Horizontal, 0, 10, 0, QRect(0, 0, 100, 30));
  const QStyleOptionSlider upright = sliderOption(Qt::Vertical, 0, 10, 0, QRect(0, 0, 30, 100));
  QStyleOptionSlider unversioned = across;
  unversioned.version = 0;
  const QStyleOption plain;
  struct Row {
    QStyle::PixelMetric metric;
    const QStyleOption* option;
    int expected;  // -1: the wrapped style's value
  };
  const Row rows[] = {{QStyle::PM_SliderThickness, &across, horizontal.height()},
                      {QStyle::PM_SliderControlThickness, &across, horizontal.height()},
                      {QStyle::PM_SliderLength, &across, horizontal.width()},
                      {QStyle::PM_SliderControlThickness, &upright, vertical.width()},
                      {QStyle::PM_SliderLength, &upright, vertical.height()},
                      {QStyle::PM_SliderLength, &plain, -1},
                      {QStyle::PM_SliderThickness, nullptr, -1},
                      {QStyle::PM_SliderControlThickness, &unversioned, -1}};
  for (const Row& row : rows) {
    const int wrapped = fusion->pixelMetric(row.metric, row.option);
    EXPECT_EQ(style.pixelMetric(row.metric, row.option), row.expected < 0 ? wrapped : row.expected)
        << row.metric;
  }
}

TEST_F(AppStyleTest, TheHandleLiesWhereTheValueIsAndAtTheStartOfAnEmptyRange) {
  struct Row {
    const char* name;
    QStyleOptionSlider option;
    int position;  // along the groove
  };
  const Row rows[] = {
      {"horizontal middle", sliderOption(Qt::Horizontal, 0, 100, 50, QRect(5, 3, 211, 25)), 100},
      {"horizontal end", sliderOption(Qt::Horizontal, -25, 25, 25, QRect(0, 0, 111, 25)), 100},
      {"vertical", sliderOption(Qt::Vertical, 0, 10, 5, QRect(2, 4, 25, 111)), 50},
      {"empty range", sliderOption(Qt::Horizontal, 7, 7, 7, QRect(0, 0, 111, 25)), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QRect handle =
        style.subControlRect(QStyle::CC_Slider, &row.option, QStyle::SC_SliderHandle);
    const QRect& rect = row.option.rect;
    const int offset = style.pixelMetric(QStyle::PM_SliderTickmarkOffset, &row.option);
    if (row.option.orientation == Qt::Horizontal) {
      EXPECT_EQ(handle, QRect(rect.left() + row.position, rect.top() + offset, 11, 19));
    } else {
      EXPECT_EQ(handle, QRect(rect.left() + offset, rect.top() + row.position, 19, 11));
    }
  }
}

TEST_F(AppStyleTest, ADrawnSliderShowsTheHandleImageAndJumpsToAClick) {
  QSlider slider(Qt::Horizontal);
  slider.setStyle(&style);
  slider.setRange(0, 100);
  slider.setValue(20);
  slider.resize(211, 30);
  const QStyleOptionSlider option = sliderOption(Qt::Horizontal, 0, 100, 20, slider.rect());
  const QRect handle = style.subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle);
  const QImage drawn = slider.grab().toImage();
  const QImage image = TsAppStyle::handleImage(Qt::Horizontal).toImage();
  int opaque = 0, same = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) == 255) {
        ++opaque;
        same += drawn.pixel(handle.topLeft() + QPoint(x, y)) == image.pixel(x, y);
      }
  EXPECT_GT(opaque, 60);
  EXPECT_EQ(same, opaque);

  // The left and the middle button set the slider where they press.
  for (Qt::MouseButton button : {Qt::LeftButton, Qt::MiddleButton}) {
    slider.setValue(20);
    const QPoint at(5 + 200 * 3 / 4, 15);
    sendMouse(&slider, QEvent::MouseButtonPress, at, button, button);
    sendMouse(&slider, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
    EXPECT_NEAR(slider.value(), 75, 2) << button;
  }
}

TEST_F(AppStyleTest, TighterLayoutsAndTheChangedHints) {
  QWidget window, plainWindow;
  window.setStyle(&style);
  plainWindow.setStyle(fusion.get());
  auto* layout = new QVBoxLayout(&window);
  auto* plainLayout = new QVBoxLayout(&plainWindow);
  EXPECT_EQ(layout->contentsMargins().left(), plainLayout->contentsMargins().left() - 4);
  EXPECT_EQ(layout->spacing(), plainLayout->spacing() - 4);

  QStyleOptionGroupBox box;
  box.palette.setColor(QPalette::Text, QColor(10, 20, 30));
  EXPECT_EQ(QRgb(style.styleHint(QStyle::SH_GroupBox_TextLabelColor, &box)),
            QColor(10, 20, 30).rgba());
  EXPECT_EQ(style.styleHint(QStyle::SH_GroupBox_TextLabelColor), 0);
  EXPECT_EQ(style.styleHint(QStyle::SH_ToolButton_PopupDelay),
            fusion->styleHint(QStyle::SH_ToolButton_PopupDelay) / 2);
  EXPECT_EQ(style.styleHint(QStyle::SH_ScrollBar_MiddleClickAbsolutePosition),
            fusion->styleHint(QStyle::SH_ScrollBar_MiddleClickAbsolutePosition));
}

}  // namespace
