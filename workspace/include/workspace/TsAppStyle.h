#pragma once

#include <QPixmap>

#include "workspace/ProxyStyle.h"

// The application's style around the platform's: sliders with the team's handle images (the
// metrics follow the images' sizes) that jump to a click with the left or middle button,
// layouts 4 pixels tighter, group-box titles in the text colour, tool-button menus after half
// the delay, tool tips in inactive windows, and every menu watched so that the help of a
// hovered entry reaches the tip window. GUI thread.
class TsAppStyle : public ProxyStyle {
  Q_OBJECT

 public:
  // Takes ownership of `base`; the shell detaches it from the application first.
  explicit TsAppStyle(QStyle* base);

  using ProxyStyle::polish;
  // Deliberately does not call the wrapped style's polish of widgets.
  void polish(QWidget* widget) override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                          QPainter* painter, const QWidget* widget = nullptr) const override;
  QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                       SubControl subControl, const QWidget* widget = nullptr) const override;
  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;

  // The handle image of a slider of `orientation`.
  static QPixmap handleImage(Qt::Orientation orientation);
};
