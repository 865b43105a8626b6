#include "document/Shape.h"

#include <QBrush>
#include <QPainter>
#include <QPen>

#include "ShapeGeometry.h"
#include "document/GmModel.h"

QImage Shape::renderMask(const QPen& pen, const QBrush& brush) {
  const GmModel* model = GmModel::instance();
  const QRect area = shapeGeometry::pixelsWithin(
      model->toWorking(boundingRect()).adjusted(-1.0, -1.0, 1.0, 1.0), model->workingRect());
  if (area.isEmpty()) return QImage();

  // A 1-bit image with the colour table of a bitmap, so Qt::color1 paints index 1.
  QImage bitmap(area.size(), QImage::Format_MonoLSB);
  bitmap.setColorTable({QColor(Qt::color0).rgba(), QColor(Qt::color1).rgba()});
  bitmap.fill(0);
  {
    QPainter painter(&bitmap);
    painter.translate(-area.topLeft());
    painter.scale(1.0 / model->resolution(), 1.0 / model->resolution());
    painter.setPen(pen);
    painter.setBrush(brush);
    paint(&painter, model->toImage(QRectF(area)), 2, 0, 0.0);
  }

  QImage mask = bitmap.convertToFormat(QImage::Format_Indexed8);
  bool painted = false;
  for (int y = 0; y < mask.height() && !painted; ++y) {
    const uchar* row = mask.constScanLine(y);
    for (int x = 0; x < mask.width(); ++x)
      if (row[x] == 1) {
        painted = true;
        break;
      }
  }
  if (!painted) return QImage();
  mask.setOffset(area.topLeft());
  return mask;
}

void Shape::setOutline(const CvRegion* regions, uint32_t count) {
  outline_.setFromEngine(regions, count, GmModel::instance()->resolution());
}

void Shape::drawOutline(QPainter* painter, const QRectF& exposed) const {
  outline_.draw(painter, exposed);
}

const QImage& Shape::prepareSnapshot(const QPen& pen, const QBrush& brush) {
  if (snapshot_.mask().isNull()) snapshot_.setMask(renderMask(pen, brush));
  return snapshot_.mask();
}
