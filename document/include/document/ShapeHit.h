#pragma once

#include <QPointF>
#include <Qt>

class ArrowTarget;

// What a shape's hit test found under the pointer; handed on to the drag that follows.
struct ShapeHit {
  enum Kind { Miss = 0, Handle = 1, Edge = 2, Interior = 3 };

  int kind = Miss;
  int part = 0;                   // the corner, vertex or edge index
  QPointF point;                  // the pointer position, image coordinates
  QPointF offset;                 // pointer minus the dragged handle, set by beginDrag
  int cursor = Qt::BlankCursor;   // a Qt::CursorShape
  ArrowTarget* target = nullptr;  // filled only by the document's target search; borrowed
};
