#pragma once

// Mouse input as a user gives it, sent straight to a widget (a canvas, a view's viewport).

#include <QApplication>
#include <QMouseEvent>
#include <QPoint>
#include <QWidget>

// Sends a mouse event to `widget` at `pos` (widget pixels), with its global position.
inline void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& pos, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                    modifiers);
  QApplication::sendEvent(widget, &event);
}

// A left-button drag from `from` to `to` in `steps` moves, then the release.
inline void drag(QWidget* widget, const QPoint& from, const QPoint& to, int steps = 4,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  sendMouse(widget, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, modifiers);
  for (int i = 1; i <= steps; ++i)
    sendMouse(widget, QEvent::MouseMove, from + (to - from) * i / steps, Qt::NoButton,
              Qt::LeftButton, modifiers);
  sendMouse(widget, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, modifiers);
}

inline void click(QWidget* widget, const QPoint& at,
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  sendMouse(widget, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, modifiers);
  sendMouse(widget, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, modifiers);
}
