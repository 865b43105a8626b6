#pragma once

#include <QProxyStyle>

// A style that forwards everything to the style it wraps, and that the wrapped style consults
// for its own metrics (so layouts and controls see what a subclass changes). GUI thread.
class ProxyStyle : public QProxyStyle {
  Q_OBJECT

 public:
  // Takes ownership of `base`, which must belong to no application or other owner.
  explicit ProxyStyle(QStyle* base);

  QStyle* wrapped() const { return baseStyle(); }
};
