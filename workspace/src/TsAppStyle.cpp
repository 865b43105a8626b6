#include "workspace/TsAppStyle.h"

#include <algorithm>

#include <QMenu>
#include <QPainter>
#include <QPixmapCache>
#include <QStyleOptionSlider>

#include "workspace/ShowMenuActionWhatsThis.h"
#include "workspace/WorkspaceResources.h"

namespace {

const QStyleOptionSlider* sliderOption(const QStyleOption* option) {
  return qstyleoption_cast<const QStyleOptionSlider*>(option);
}

}  // namespace

TsAppStyle::TsAppStyle(QStyle* base) : ProxyStyle(base) {
  initWorkspaceResources();
}

QPixmap TsAppStyle::handleImage(Qt::Orientation orientation) {
  const QString path = orientation == Qt::Horizontal
                           ? QStringLiteral(":/images/slider_handle_horizontal.png")
                           : QStringLiteral(":/images/slider_handle_vertical.png");
  QPixmap image;
  if (!QPixmapCache::find(path, &image)) {
    initWorkspaceResources();
    image.load(path);
    QPixmapCache::insert(path, image);
  }
  return image;
}

void TsAppStyle::polish(QWidget* widget) {
  widget->setAttribute(Qt::WA_AlwaysShowToolTips);
  ShowMenuActionWhatsThis* timer = ShowMenuActionWhatsThis::ensureInstance();
  if (auto* menu = qobject_cast<QMenu*>(widget)) {
    connect(menu, &QMenu::aboutToShow, timer, &ShowMenuActionWhatsThis::menuShown,
            Qt::UniqueConnection);
    connect(menu, &QMenu::aboutToHide, timer, &ShowMenuActionWhatsThis::menuHidden,
            Qt::UniqueConnection);
  }
}

void TsAppStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
  const QStyleOptionSlider* slider = control == CC_Slider ? sliderOption(option) : nullptr;
  if (!slider) {
    ProxyStyle::drawComplexControl(control, option, painter, widget);
    return;
  }
  // The wrapped style draws the groove and the ticks, the image the handle.
  QStyleOptionSlider rest(*slider);
  rest.subControls &= ~SC_SliderHandle;
  ProxyStyle::drawComplexControl(control, &rest, painter, widget);
  if (slider->subControls & SC_SliderHandle)
    painter->drawPixmap(subControlRect(control, slider, SC_SliderHandle, widget),
                        handleImage(slider->orientation));
}

QRect TsAppStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                 SubControl subControl, const QWidget* widget) const {
  const QStyleOptionSlider* slider = control == CC_Slider ? sliderOption(option) : nullptr;
  if (!slider || subControl != SC_SliderHandle)
    return ProxyStyle::subControlRect(control, option, subControl, widget);
  const int tickOffset = pixelMetric(PM_SliderTickmarkOffset, slider, widget);
  const int thickness = pixelMetric(PM_SliderControlThickness, slider, widget);
  const int length = pixelMetric(PM_SliderLength, slider, widget);
  const bool horizontal = slider->orientation == Qt::Horizontal;
  const QRect& rect = slider->rect;
  const int span = (horizontal ? rect.width() : rect.height()) - length;
  const int position = sliderPositionFromValue(slider->minimum, slider->maximum,
                                               slider->sliderPosition, span, slider->upsideDown);
  return horizontal ? QRect(rect.left() + position, rect.top() + tickOffset, length, thickness)
                    : QRect(rect.left() + tickOffset, rect.top() + position, thickness, length);
}

int TsAppStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                            const QWidget* widget) const {
  switch (metric) {
    case PM_SliderThickness:
    case PM_SliderControlThickness:
    case PM_SliderLength:
      if (const QStyleOptionSlider* slider = sliderOption(option)) {
        const bool horizontal = slider->orientation == Qt::Horizontal;
        const QSize image = handleImage(slider->orientation).size();
        // Across the groove the image's extent across it, along the groove its extent along.
        if (metric == PM_SliderLength) return horizontal ? image.width() : image.height();
        return horizontal ? image.height() : image.width();
      }
      break;
// Qt's own styles still answer the layout margins and spacings (PM_Layout*) from these three
// through their proxy, so changing them here tightens every layout.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    case PM_DefaultTopLevelMargin:
    case PM_DefaultChildMargin:
    case PM_DefaultLayoutSpacing:
#pragma GCC diagnostic pop
      return std::max(0, ProxyStyle::pixelMetric(metric, option, widget) - 4);
    default:
      break;
  }
  return ProxyStyle::pixelMetric(metric, option, widget);
}

int TsAppStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                          QStyleHintReturn* returnData) const {
  switch (hint) {
    case SH_GroupBox_TextLabelColor:
      return option ? int(option->palette.color(QPalette::Text).rgba()) : 0;
    case SH_ToolButton_PopupDelay:
      return ProxyStyle::styleHint(hint, option, widget, returnData) / 2;
    case SH_Slider_AbsoluteSetButtons:
      return Qt::LeftButton | Qt::MiddleButton;
    default:
      return ProxyStyle::styleHint(hint, option, widget, returnData);
  }
}
