#pragma once

#include <atomic>

#include <QImage>
#include <QList>
#include <QMetaType>
#include <QPointF>

class QPainter;

// One highlight dab: a soft white spot whose alpha decides how much of the fully highlit
// cut-out shows there.
struct HighlightPoint {
  QPointF position;    // centre, in the cut-out image's pixels
  int radius = 2;      // 2 .. 25 pixels
  int intensity = 10;  // 10 .. 80: the alpha at the centre

  friend bool operator==(const HighlightPoint& a, const HighlightPoint& b) {
    return a.position == b.position && a.radius == b.radius && a.intensity == b.intensity;
  }
};

Q_DECLARE_METATYPE(HighlightPoint)
Q_DECLARE_METATYPE(QList<HighlightPoint>)

// Paints one dab: a radial gradient from white at `intensity` alpha in the centre to transparent
// at `radius`, inside the (2 radius + 2)-pixel square at (trunc(x - radius - 1),
// trunc(y - radius - 1)).
void drawHighlightPoint(QPainter& painter, const HighlightPoint& point);

// The cut-out with the dabs applied: the dabs are painted as a grey mask, the mask becomes the
// alpha of `fullyHighlit` (changed in place, made Format_ARGB32), and that is drawn over a copy
// of `source` in SourceAtop mode, so transparent parts of the cut-out stay untouched. A null
// `fullyHighlit` gives a copy of the source, and a null source (no cut-out, while the copy
// of the last one is still held) a null image. `abort`, when given, is polled between dabs and
// rows; once it is set the result is not meaningful. Any thread (no GUI objects).
QImage composeHighlight(const QList<HighlightPoint>& points, const QImage& source,
                        QImage& fullyHighlit, const std::atomic<bool>* abort = nullptr);
